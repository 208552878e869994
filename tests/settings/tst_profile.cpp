#include "settings/profile.h"
#include "support/testregistry.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct ReadCase {
    const char *tag, *file, *section, *key, *value;
};

// A null file stands for a missing one.
const ReadCase readCases[] = {
    {"names ignore case", "[Wavecrest]\r\nHomePage=a", "WAVECREST", "homepage", "a"},
    {"split at first =", "[S]\r\nk=a=b", "S", "k", "a=b"},
    {"blanks trimmed", "  [ S ]  \r\n \t k \t= a b \t", "S", "k", "a b"},
    {"names passed with blanks", "[S]\r\nk=1", " S ", " k ", "1"},
    {"section up to last ]", "[a]b] x\r\nk=1", "a]b", "k", "1"},
    {"[ without ] is no header", "[S]\r\n[T\r\nk=1", "S", "k", "1"},
    {"double quotes dropped", "[S]\r\nk=\" a \"", "S", "k", " a "},
    {"single quotes dropped", "[S]\r\nk='a'", "S", "k", "a"},
    {"one pair only", "[S]\r\nk=\"\"a\"\"", "S", "k", "\"a\""},
    {"mixed quotes kept", "[S]\r\nk=\"a'", "S", "k", "\"a'"},
    {"lone quote kept", "[S]\r\nk=\"", "S", "k", "\""},
    {"semicolon is text", "[S]\r\nk=a ; b", "S", "k", "a ; b"},
    {"first key wins", "[S]\r\nk=1\r\nK=2", "S", "k", "1"},
    {"first section only", "[S]\r\n[T]\r\n[s]\r\nk=1", "S", "k", ""},
    {"other section's key", "[S]\r\n[T]\r\nk=1", "S", "k", ""},
    {"k= is empty", "[S]\r\nk=\r\nk=1", "S", "k", ""},
    {"missing key", "[S]\r\nkey=1", "S", "k", ""},
    {"missing section", "[T]\r\nk=1", "S", "k", ""},
    {"missing file", nullptr, "S", "k", ""},
    {"LF line ends", "[S]\nj=0\nk=1\n", "S", "k", "1"},
    {"CR line ends", "[S]\rj=0\rk=1\r", "S", "k", "1"},
    {"UTF-8 file", "[S]\r\nk=Zo\xC3\xAB \xE2\x82\xAC", "S", "k", "Zoë €"},
    {"Windows-1252 file", "[S]\r\nk=Zo\xEB \x80 \x93x\x94", "S", "k", "Zoë € “x”"},
};

struct WriteCase {
    const char *tag, *before, *section, *key, *value, *after;
};

const WriteCase writeCases[] = {
    {"missing file", nullptr, "Wavecrest", "Color", "-2147483633",
        "[Wavecrest]\r\nColor=-2147483633\r\n"},
    {"section appended", "[T]\r\na=1\r\n", "S", "k", "v", "[T]\r\na=1\r\n[S]\r\nk=v\r\n"},
    {"no final line end", "[T]\r\na=1", "S", "k", "v", "[T]\r\na=1\r\n[S]\r\nk=v\r\n"},
    {"section named with blanks", "[S]\r\na=1\r\n", " S ", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
    {"key after last line", "[S]\r\na=1\r\n\r\n[T]\r\n", "s", "k", "v",
        "[S]\r\na=1\r\nk=v\r\n\r\n[T]\r\n"},
    {"first section of name", "[S]\r\n[T]\r\n[S]\r\n", "S", "k", "v",
        "[S]\r\nk=v\r\n[T]\r\n[S]\r\n"},
    {"replaced in place", "; c\r\n[S]\r\n  MAIL server = a \r\nx=y\r\n", "S", "Mail Server", "b",
        "; c\r\n[S]\r\nMAIL server=b\r\nx=y\r\n"},
    {"leading blanks dropped", nullptr, "S", "k", " \t a b  ", "[S]\r\nk=a b  \r\n"},
    {"line breaks as blanks", "[S]\r\nk=1\r\n", "S", "k", "x\r\n[T]\nHomePage=y\r",
        "[S]\r\nk=x  [T] HomePage=y \r\n"},
    {"LF file gets CR LF", "[S]\na=1\n\n", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n\r\n"},
    {"UTF-8 written", nullptr, "S", "k", "Zoë €", "[S]\r\nk=Zo\xC3\xAB \xE2\x82\xAC\r\n"},
    {"Windows-1252 rewritten", "[S]\r\nn=Zo\xEB\r\n", "S", "k", "v",
        "[S]\r\nn=Zo\xC3\xAB\r\nk=v\r\n"},
};

} // namespace

class ProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void sameValueLeavesFileUntouched_data();
    void sameValueLeavesFileUntouched();

private:
    QString fileWith(const QByteArray &bytes);
    QTemporaryDir m_dir;
};

QString ProfileTest::fileWith(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".ini");
    QFile file(path);
    if (!bytes.isNull() && file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ProfileTest::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    for (const ReadCase &c : readCases)
        QTest::newRow(c.tag) << QByteArray(c.file) << c.section << c.key << c.value;
    const QByteArray x300(300, 'x');
    const QString x254(254, u'x');
    QTest::newRow("cut to 254") << "[S]\nk=" + x300 << "S"
                                << "k" << x254;
    QTest::newRow("cut after unquoting") << "[S]\nk='" + x300 + "'"
                                         << "S"
                                         << "k" << x254;
    QTest::newRow("cut counts characters") << "[S]\nk=" + QByteArray(253, 'x') + "🌊🌊"
                                           << "S"
                                           << "k" << QString(253, u'x') + QStringLiteral("🌊");
}

void ProfileTest::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(GetIniString(section, key, fileWith(file)), value);
}

void ProfileTest::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    for (const WriteCase &c : writeCases)
        QTest::newRow(c.tag) << QByteArray(c.before) << c.section << c.key << c.value
                             << QByteArray(c.after);
}

void ProfileTest::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    const QString path = fileWith(before);
    QVERIFY(WriteIniString(section, key, value, path));
    QCOMPARE(contents(path), after);
}

void ProfileTest::sameValueLeavesFileUntouched_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("same value") << QByteArray("[S]\nk=v\n") << "k"
                                << "v";
    QTest::newRow("key spelled otherwise") << QByteArray("[S]\nKEY=v\n") << "Key"
                                           << "v";
    QTest::newRow("blanks around") << QByteArray("[S]\n k = v \n") << "k"
                                   << "  v  ";
    QTest::newRow("Windows-1252 file") << QByteArray("[S]\nk=Zo\xEB\n") << "k"
                                       << "Zoë";
}

void ProfileTest::sameValueLeavesFileUntouched()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString path = fileWith(file);
    const QDateTime past(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    QFile stamped(path);
    QVERIFY(stamped.open(QIODevice::ReadWrite));
    QVERIFY(stamped.setFileTime(past, QFileDevice::FileModificationTime));
    stamped.close();

    QVERIFY(WriteIniString("S", key, value, path));
    QCOMPARE(contents(path), file);
    QCOMPARE(QFileInfo(path).lastModified().toUTC(), past);
}

WAVECREST_TEST(ProfileTest)
#include "tst_profile.moc"
