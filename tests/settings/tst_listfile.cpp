#include "settings/listfile.h"
#include "support/messageboxrecorder.h"
#include "support/testregistry.h"

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Entries are separated by "|" in these tables.
struct ListCase {
    const char *tag, *file, *entries;
};

const ListCase readCases[] = {
    {"comma and line split", "a,b\r\nc\r\n", "a|b|c"},
    {"old entry with a comma", "Foo, Inc.\r\n", "Foo|Inc."},
    {"leading blanks skipped", "  a,\tb \r\n", "a|b "},
    {"quoted comma kept", " \"Foo, Inc.\",x\r\n", "Foo, Inc.|x"},
    {"enclosing quotes dropped", "\"Hello\"\r\n", "Hello"},
    {"doubled quote", "\"say \"\"hi\"\"\"\r\n", "say \"hi\""},
    {"quote inside unquoted", "a\"b\r\n", "a\"b"},
    {"after closing quote dropped", "\"a\"b,c\r\n", "a|c"},
    {"unclosed quote ends at line", "\"a,b\r\nc\r\n", "a,b|c"},
    {"empty line is an entry", "a\r\n\r\nb\r\n", "a||b"},
    {"LF and CR line ends", "a\nb\rc", "a|b|c"},
    {"UTF-8 file", "Caf\xC3\xA9\r\n", "Café"},
    {"Windows-1252 file", "Caf\xE9,\x93x\x94\r\n\x80 5\r\n", "Café|“x”|€ 5"},
};

const ListCase writeCases[] = {
    {"plain entries as before", "http://a.example/?q=1\r\nHome page\r\n",
        "http://a.example/?q=1|Home page"},
    {"comma quoted", "\"Foo, Inc.\"\r\n", "Foo, Inc."},
    {"quotes doubled", "\"say \"\"hi\"\"\"\r\n", "say \"hi\""},
    {"edge blanks quoted", "\" a\"\r\n\"b\t\"\r\n", " a|b\t"},
    {"line breaks as blanks", "a  b\r\n\" c\"\r\n", "a\r\nb|\nc"},
    {"UTF-8", "Zo\xC3\xAB \xE2\x82\xAC\r\n", "Zoë €"},
};

QStringList split(const char *entries)
{
    return QString::fromUtf8(entries).split(u'|');
}

} // namespace

class ListFileTest : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void roundTrip_data();
    void roundTrip();

private:
    QTemporaryDir m_dir;
};

void ListFileTest::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("entries");
    for (const ListCase &c : readCases)
        QTest::newRow(c.tag) << QByteArray(c.file) << split(c.entries);
    QTest::newRow("empty file") << QByteArray("") << QStringList();
}

// Loading appends after what the list already holds.
void ListFileTest::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, entries);
    QFile out(m_dir.filePath(QStringLiteral("read.lst")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    QComboBox combo;
    combo.addItem(QStringLiteral("kept"));
    LoadList(&combo, out.fileName());
    QStringList loaded;
    for (int i = 0; i < combo.count(); ++i)
        loaded.append(combo.itemText(i));
    QCOMPARE(loaded, QStringList{"kept"} + entries);
}

void ListFileTest::write_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("file");
    for (const ListCase &c : writeCases)
        QTest::newRow(c.tag) << split(c.entries) << QByteArray(c.file);
    QTest::newRow("empty entry") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("empty list, empty file") << QStringList() << QByteArray("");
}

void ListFileTest::write()
{
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, file);
    QComboBox combo;
    combo.addItems(entries);
    MessageBoxRecorder recorder;
    QFile in(m_dir.filePath(QStringLiteral("write.lst")));
    SaveList(&combo, in.fileName());
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), file);
    QVERIFY(recorder.boxes.isEmpty());
}

void ListFileTest::roundTrip_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("commas") << split("Foo, Inc.|,|a,,b,");
    QTest::newRow("quotes") << split("\"Hello\"|\"|\"\"|a\"b|\"a,b\"c");
    QTest::newRow("blanks") << split(" a|a |  |\t| \"x\" ");
    QTest::newRow("non-ASCII titles") << split("Café, Zoë — “Ünï”|日本語 🌊");
    QTest::newRow("empty entries") << split("|x|");
}

void ListFileTest::roundTrip()
{
    QFETCH(QStringList, entries);
    const QString path = m_dir.filePath(QStringLiteral("round.lst"));
    SaveList(entries, path);
    QStringList loaded;
    QVERIFY(readListFile(path, &loaded));
    QCOMPARE(loaded, entries);
}

WAVECREST_TEST(ListFileTest)
#include "tst_listfile.moc"
