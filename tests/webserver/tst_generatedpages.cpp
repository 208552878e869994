#include "expectedpages.h"
#include "support/testregistry.h"
#include "webserver/generatedpages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class GeneratedPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notFoundPage();
    void replaceText_data();
    void replaceText();
    void readTextFile_data();
    void readTextFile();
};

void GeneratedPagesTest::notFoundPage()
{
    const QByteArray page = BuildNotFoundPage();
    QCOMPARE(page, expectedNotFoundPage());
    QCOMPARE(page.count("\r\n"), 15);
    QVERIFY(page.endsWith("Wavecrest</a></b></font></p>\r\n"));
}

void GeneratedPagesTest::replaceText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("every case of the letters")
        << QByteArray("$ip $IP $Ip $iP") << QByteArray("$ip") << QByteArray("10.0.0.7")
        << QByteArray("10.0.0.7 10.0.0.7 10.0.0.7 10.0.0.7");
    QTest::newRow("find given in upper case")
        << QByteArray("a$ipb") << QByteArray("$IP") << QByteArray("x") << QByteArray("axb");
    QTest::newRow("letter first, either case found first")
        << QByteArray("IP ip Ip iP") << QByteArray("ip") << QByteArray("x")
        << QByteArray("x x x x");
    QTest::newRow("accented letters in Latin-1 case")
        << QByteArray("caf\xc9 caf\xe9") << QByteArray("CAF\xe9") << QByteArray("tea")
        << QByteArray("tea tea");
    QTest::newRow("find longer than the text")
        << QByteArray("$i") << QByteArray("$ip") << QByteArray("x") << QByteArray("$i");
    QTest::newRow("no match returns the text")
        << QByteArray("<p>no address</p>") << QByteArray("$ip") << QByteArray("x")
        << QByteArray("<p>no address</p>");
    QTest::newRow("match at both ends") << QByteArray("$ipmiddle$ip") << QByteArray("$ip")
                                        << QByteArray("[]") << QByteArray("[]middle[]");
    QTest::newRow("adjacent matches")
        << QByteArray("$ip$ip$ip") << QByteArray("$ip") << QByteArray("1") << QByteArray("111");
    QTest::newRow("replacement holding find is not searched again") << QByteArray(
        "a$ipb") << QByteArray("$ip") << QByteArray("$IP$ip") << QByteArray("a$IP$ipb");
    QTest::newRow("overlapping candidates")
        << QByteArray("aaa") << QByteArray("aa") << QByteArray("b") << QByteArray("ba");
    QTest::newRow("replacement may be empty")
        << QByteArray("x$ipy") << QByteArray("$ip") << QByteArray() << QByteArray("xy");
    QTest::newRow("bytes pass one to one")
        << QByteArray("\x00\xff$Ip\r\n\xe9", 8) << QByteArray("$ip") << QByteArray("1.2.3.4")
        << QByteArray("\x00\xff"
                      "1.2.3.4\r\n\xe9",
               12);
    QTest::newRow("partial match at the end") << QByteArray("ends with $i") << QByteArray("$ip")
                                              << QByteArray("x") << QByteArray("ends with $i");
    QTest::newRow("nothing to find")
        << QByteArray("text") << QByteArray() << QByteArray("x") << QByteArray("text");
}

void GeneratedPagesTest::replaceText()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, find);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, expected);

    QCOMPARE(ReplaceText(text, find, replacement), expected);
}

void GeneratedPagesTest::readTextFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");

    const QByteArray mixed("line one\r\nline two\nthree\x00\x1a\xff", 26);
    QTest::newRow("ordinary file, bytes as stored") << "page.html" << true << mixed;
    QTest::newRow("empty file") << "empty.txt" << true << QByteArray();
    QTest::newRow("file in a subfolder") << "docs/a.htm" << true << QByteArray("docs");
    QTest::newRow("hidden file") << ".hidden" << false << QByteArray();
    QTest::newRow("directory") << "docs" << false << QByteArray();
    QTest::newRow("missing file") << "missing.html" << false << QByteArray();
    QTest::newRow("empty path") << QString() << false << QByteArray();
}

void GeneratedPagesTest::readTextFile()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("docs"));
    const QList<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("page.html"), QByteArray("line one\r\nline two\nthree\x00\x1a\xff", 26)},
        {QStringLiteral("empty.txt"), QByteArray()},
        {QStringLiteral("docs/a.htm"), QByteArray("docs")},
        {QStringLiteral(".hidden"), QByteArray("secret")},
    };
    for (const auto &[fileName, bytes] : files) {
        QFile file(dir.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    QCOMPARE(FileExists(path), exists);
    QCOMPARE(ReadTextFile(path), content);
}

WAVECREST_TEST(GeneratedPagesTest)
#include "tst_generatedpages.moc"
