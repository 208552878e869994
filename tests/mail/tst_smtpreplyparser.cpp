#include "mail/smtpreplyparser.h"
#include "support/testregistry.h"

#include <QTest>

class SmtpReplyParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completesReplies_data();
    void completesReplies();
    void boundsAReplyThatNeverEnds();
};

void SmtpReplyParserTest::completesReplies_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArrayList>("codes");
    QTest::addColumn<QByteArrayList>("texts");

    QByteArrayList bytes;
    for (const char c : QByteArray("220 mail.test ready\r\n"))
        bytes.append(QByteArray(1, c));

    QTest::newRow("one line") << QByteArrayList{"250 ok\r\n"} << QByteArrayList{"250"}
                              << QByteArrayList{"250 ok\r\n"};
    QTest::newRow("code alone") << QByteArrayList{"354\r\n"} << QByteArrayList{"354"}
                                << QByteArrayList{"354\r\n"};
    QTest::newRow("byte by byte") << bytes << QByteArrayList{"220"}
                                  << QByteArrayList{"220 mail.test ready\r\n"};
    QTest::newRow("code split from text")
        << QByteArrayList{"220", " ready\r\n"} << QByteArrayList{"220"}
        << QByteArrayList{"220 ready\r\n"};
    QTest::newRow("multi-line") << QByteArrayList{"250-first\r\n250-second\r\n250 last\r\n"}
                                << QByteArrayList{"250"}
                                << QByteArrayList{"250-first\r\n250-second\r\n250 last\r\n"};
    QTest::newRow("multi-line in pieces")
        << QByteArrayList{"250-first\r", "\n250", "-second\r\n", "250 last\r\n"}
        << QByteArrayList{"250"} << QByteArrayList{"250-first\r\n250-second\r\n250 last\r\n"};
    QTest::newRow("two replies at once")
        << QByteArrayList{"250 ok\r\n354 go\r\n"} << QByteArrayList{"250", "354"}
        << QByteArrayList{"250 ok\r\n", "354 go\r\n"};
    QTest::newRow("bare line feed")
        << QByteArrayList{"221 bye\n"} << QByteArrayList{"221"} << QByteArrayList{"221 bye\n"};
    QTest::newRow("incomplete line")
        << QByteArrayList{"250 ok"} << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("incomplete multi-line")
        << QByteArrayList{"250-first\r\n250-sec"} << QByteArrayList{} << QByteArrayList{};
    QTest::newRow("last line decides the code")
        << QByteArrayList{"250-first\r\n550 no\r\n"} << QByteArrayList{"550"}
        << QByteArrayList{"250-first\r\n550 no\r\n"};
    QTest::newRow("not a reply") << QByteArrayList{"hello there\r\n", "ok\r\n"}
                                 << QByteArrayList{"hel", "ok"}
                                 << QByteArrayList{"hello there\r\n", "ok\r\n"};
}

void SmtpReplyParserTest::completesReplies()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArrayList, codes);
    QFETCH(QByteArrayList, texts);

    SmtpReplyParser parser;
    QByteArrayList gotCodes;
    QByteArrayList gotTexts;
    for (const QByteArray &piece : pieces) {
        for (const SmtpReply &reply : parser.feed(piece)) {
            gotCodes.append(reply.code);
            gotTexts.append(reply.text);
        }
    }
    QCOMPARE(gotCodes, codes);
    QCOMPARE(gotTexts, texts);
}

void SmtpReplyParserTest::boundsAReplyThatNeverEnds()
{
    SmtpReplyParser parser;
    const QList<SmtpReply> replies
        = parser.feed(QByteArray(SmtpReplyParser::MaxReplySize + 10, '2'));
    QCOMPARE(replies.size(), 1);
    QVERIFY(replies.first().code.isEmpty());
    QCOMPARE(replies.first().text.size(), SmtpReplyParser::MaxReplySize);

    const QList<SmtpReply> next = parser.feed("250 ok\r\n");
    QCOMPARE(next.size(), 1);
    QCOMPARE(next.first().code, QByteArray("250"));
}

WAVECREST_TEST(SmtpReplyParserTest)
#include "tst_smtpreplyparser.moc"
