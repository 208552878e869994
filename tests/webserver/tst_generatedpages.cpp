#include "support/testregistry.h"
#include "webserver/generatedpages.h"

#include <QTest>

class GeneratedPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceText_data();
    void replaceText();
};

void GeneratedPagesTest::replaceText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char *name, const QByteArray &text, const QByteArray &find,
                         const QByteArray &replacement, const QByteArray &expected) {
        QTest::newRow(name) << text << find << replacement << expected;
    };
    row("every case of the letters", "$ip $IP $Ip $iP", "$ip", "10.0.0.7",
        "10.0.0.7 10.0.0.7 10.0.0.7 10.0.0.7");
    row("letter first, either case found first", "IP ip Ip iP", "ip", "x", "x x x x");
    row("accented letters in Latin-1 case", "caf\xc9 caf\xe9", "CAF\xe9", "tea", "tea tea");
    row("matches at both ends and adjacent", "$ip$ip-$ip", "$ip", "1", "11-1");
    row("replacement is not searched again", "a$ipb", "$ip", "$IP$ip", "a$IP$ipb");
    row("overlapping candidates", "aaa", "aa", "b", "ba");
    row("bytes pass one to one", QByteArray("\x00\xff$Ip\r\n", 7), "$ip", "",
        QByteArray("\x00\xff\r\n", 4));
    row("partial match at the end", "ends with $i", "$ip", "x", "ends with $i");
    row("nothing to find", "text", "", "x", "text");
}

void GeneratedPagesTest::replaceText()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, find);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, expected);

    QCOMPARE(ReplaceText(text, find, replacement), expected);
}

WAVECREST_TEST(GeneratedPagesTest)
#include "tst_generatedpages.moc"
