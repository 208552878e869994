#include "mail/mailencoding.h"
#include "mail/mailmessage.h"
#include "mail/smtpextensions.h"
#include "support/testregistry.h"

#include <QTest>

namespace {

QStringList offered(const SmtpExtensions &extensions)
{
    QStringList names;
    const std::pair<bool, const char *> flags[]
        = {{extensions.startTls, "STARTTLS"}, {extensions.eightBitMime, "8BITMIME"},
            {extensions.smtpUtf8, "SMTPUTF8"}, {extensions.auth, "AUTH"},
            {extensions.authPlain, "PLAIN"}, {extensions.authLogin, "LOGIN"}};
    for (const auto &[on, name] : flags) {
        if (on)
            names.append(name);
    }
    return names;
}

} // namespace

// The rules that keep a message within the limits servers enforce. What a
// mail reader makes of whole messages is checked against a real server and
// Python's mail parser in the mail window tests.
class MailEncodingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ehloReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("all we use")
            << QByteArray("250-mail.test\r\n250-STARTTLS\r\n250-8BITMIME\r\n250-SMTPUTF8\r\n"
                          "250 AUTH PLAIN LOGIN\r\n")
            << QStringList{"STARTTLS", "8BITMIME", "SMTPUTF8", "AUTH", "PLAIN", "LOGIN"};
        // The first line names the server, whatever it says.
        QTest::newRow("greeting line only")
            << QByteArray("250 mail.test STARTTLS\r\n") << QStringList();
        QTest::newRow("lower case, old AUTH= form")
            << QByteArray("250-mail.test\r\n250-starttls\r\n250 auth=login\r\n")
            << QStringList{"STARTTLS", "AUTH", "LOGIN"};
        QTest::newRow("a login we do not know")
            << QByteArray("250-mail.test\r\n250 AUTH CRAM-MD5 XOAUTH2\r\n") << QStringList{"AUTH"};
        QTest::newRow("keyword as a parameter only")
            << QByteArray("250-mail.test\r\n250 SIZE STARTTLS\r\n") << QStringList();
    }

    void ehloReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, expected);

        QCOMPARE(offered(parseEhloReply(reply)), expected);
    }

    void quotedPrintable_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("encoded");

        const QByteArray a75(75, 'a');
        QTest::newRow("equals sign") << QByteArray("a=b") << QByteArray("a=3Db");
        QTest::newRow("blank at the end") << QByteArray("end ") << QByteArray("end=20");
        QTest::newRow("UTF-8") << QString("Grüße").toUtf8() << QByteArray("Gr=C3=BC=C3=9Fe");
        QTest::newRow("no-break space")
            << QString("10\u00a0km").toUtf8() << QByteArray("10=C2=A0km");
        QTest::newRow("80 characters") << QByteArray(80, 'a') << a75 + "=\r\naaaaa";
        // An escape is never cut by a soft line break.
        QTest::newRow("escape at the break")
            << QByteArray(74, 'a') + "=" << QByteArray(74, 'a') + "=\r\n=3D";
        QTest::newRow("blank before the break") << a75.left(74) + " b" << a75.left(74) + " =\r\nb";
    }

    void quotedPrintable()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, encoded);

        QCOMPARE(quotedPrintableLine(line), encoded);
    }

    void bodyEncoding_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("eightBitAllowed");
        QTest::addColumn<BodyEncoding>("expected");

        QTest::newRow("ASCII") << "Hi\r\nBob" << true << BodyEncoding::SevenBit;
        QTest::newRow("998 octets") << QString(998, 'a') << false << BodyEncoding::SevenBit;
        QTest::newRow("999 octets") << QString(999, 'a') << true << BodyEncoding::QuotedPrintable;
        QTest::newRow("UTF-8, server takes 8 bits") << "Grüße" << true << BodyEncoding::EightBit;
        QTest::newRow("UTF-8, server does not")
            << "Grüße" << false << BodyEncoding::QuotedPrintable;
        QTest::newRow("997 characters, 999 octets")
            << QString(996, 'a') + "üx" << true << BodyEncoding::QuotedPrintable;
        QTest::newRow("control character") << "a\x01b" << true << BodyEncoding::QuotedPrintable;
    }

    void bodyEncoding()
    {
        QFETCH(QString, body);
        QFETCH(bool, eightBitAllowed);
        QFETCH(BodyEncoding, expected);

        QCOMPARE(chooseBodyEncoding(body, eightBitAllowed), expected);
    }

    void headerLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("plain");

        QTest::newRow("short") << "Hello" << true;
        QTest::newRow("long, with blanks") << QString("word ").repeated(300) << true;
        QTest::newRow("double blanks") << QString("a  b   ").repeated(40) << true;
        QTest::newRow("one long word") << QString(200, 'x') << false;
        QTest::newRow("UTF-8") << QString("Grüße 😀 ").repeated(30) << false;
        QTest::newRow("looks encoded") << "=?UTF-8?B?QQ==?=" << false;
    }

    // Lines within 78 characters, 76 with encoded words of at most 75, and
    // text that stays plain comes back whole when the lines are unfolded.
    void headerLines()
    {
        QFETCH(QString, text);
        QFETCH(bool, plain);

        const QByteArray header = unstructuredHeader("Subject", text);
        QVERIFY(header.endsWith("\r\n"));
        const QByteArrayList lines = header.chopped(2).split('\n');
        for (const QByteArray &line : lines) {
            const QByteArray bare = line.endsWith('\r') ? line.chopped(1) : line;
            QVERIFY2(bare.size() <= (plain ? 78 : 76), bare.constData());
            QVERIFY(!bare.trimmed().isEmpty());
        }
        QCOMPARE(header.contains("=?UTF-8?B?"), !plain);
        if (plain)
            QCOMPARE(QString::fromLatin1(header.chopped(2)).remove("\r\n"), "Subject: " + text);
    }

    void messageId_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("domain");

        QTest::newRow("plain") << "ann@sender.test"
                               << "sender.test";
        QTest::newRow("blanks around") << " ann@Mail.Sender.test "
                                       << "Mail.Sender.test";
        QTest::newRow("no domain") << "ann"
                                   << "wavecrest.brimlow.example";
        QTest::newRow("address literal") << "ann@[127.0.0.1]"
                                         << "wavecrest.brimlow.example";
        QTest::newRow("not ASCII") << "ann@bücher.test"
                                   << "wavecrest.brimlow.example";
        QTest::newRow("line break") << "ann@x.test\r\nBcc: eve"
                                    << "wavecrest.brimlow.example";
    }

    void messageId()
    {
        QFETCH(QString, from);
        QFETCH(QString, domain);

        const QByteArray id = newMessageId(from);
        QVERIFY2(id.startsWith('<') && id.endsWith("@" + domain.toLatin1() + ">"), id.constData());
        QVERIFY(newMessageId(from) != id);
    }
};

WAVECREST_TEST(MailEncodingTest)
#include "tst_mailencoding.moc"
