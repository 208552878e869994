#include "mail/mailmessage.h"
#include "support/testregistry.h"

#include <QLocale>
#include <QTest>
#include <QTimeZone>

namespace {

const QDateTime SendTime(QDate(2026, 12, 4), QTime(17, 38, 11), QTimeZone(-6 * 3600));
const QByteArray SendDate = "Date: Fri, 04 Dec 2026 17:38:11 -0600\r\n";

MailMessage plainMessage()
{
    return {QStringLiteral("Ann Smith"), QStringLiteral("ann@sender.test"),
        QStringLiteral("bob@recipient.test"), QStringLiteral("bob@recipient.test"),
        QStringLiteral("Hello"), QStringLiteral("Hi Bob")};
}

QByteArray headerValue(const QByteArray &data, const QByteArray &name)
{
    const QByteArray marker = "\r\n" + name + ": ";
    const qsizetype start = data.indexOf(marker) + marker.size();
    qsizetype end = data.indexOf("\r\n", start);
    while (data.at(end + 2) == ' ') // a folded continuation line
        end = data.indexOf("\r\n", end + 2);
    return data.mid(start, end - start);
}

} // namespace

class MailMessageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::system()); }
    void dateText_data();
    void dateText();
    void asciiMessage_data();
    void asciiMessage();
    void longNonAsciiSubjectIsFoldedIntoWholeCharacters();
};

void MailMessageTest::dateText_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("expected");

    const QDate date(2026, 12, 4);
    const QTime time(17, 38, 11);
    const auto offset = [](int minutes) { return QTimeZone(minutes * 60); };
    QTest::newRow("west of UTC") << QDateTime(date, time, offset(-360))
                                 << "Fri, 04 Dec 2026 17:38:11 -0600";
    QTest::newRow("UTC") << QDateTime(date, time, QTimeZone::utc())
                         << "Fri, 04 Dec 2026 17:38:11 +0000";
    QTest::newRow("half hour east")
        << QDateTime(date, time, offset(330)) << "Fri, 04 Dec 2026 17:38:11 +0530";
    QTest::newRow("half hour west")
        << QDateTime(date, time, offset(-210)) << "Fri, 04 Dec 2026 17:38:11 -0330";
    QTest::newRow("single-digit day, morning") << QDateTime(QDate(2027, 5, 3), QTime(8, 5, 9),
        offset(0)) << "Mon, 03 May 2027 08:05:09 +0000";
    QTest::newRow("zone in summer") << QDateTime(QDate(2026, 7, 1), QTime(12, 0),
        QTimeZone("Europe/Berlin")) << "Wed, 01 Jul 2026 12:00:00 +0200";
    QTest::newRow("zone in winter") << QDateTime(QDate(2026, 1, 7), QTime(12, 0),
        QTimeZone("Europe/Berlin")) << "Wed, 07 Jan 2026 12:00:00 +0100";
}

void MailMessageTest::dateText()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, expected);
    // Mail headers want English names, not the user's.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(mailDateText(time), expected);
}

void MailMessageTest::asciiMessage_data()
{
    QTest::addColumn<MailMessage>("message");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QByteArray>("subject");
    QTest::addColumn<QByteArray>("body");

    MailMessage message = plainMessage();
    QTest::newRow("plain") << message << QByteArray("Ann Smith <ann@sender.test>")
                           << QByteArray("bob@recipient.test") << QByteArray("Hello")
                           << QByteArray("Hi Bob");

    message = plainMessage();
    message.fromName.clear();
    message.toName.clear();
    QTest::newRow("no names") << message << QByteArray("ann@sender.test") << QByteArray()
                              << QByteArray("Hello") << QByteArray("Hi Bob");

    message = plainMessage();
    message.fromName = QStringLiteral("Smith, Ann \"The\" Sender");
    QTest::newRow("name needing quotes")
        << message << QByteArray("\"Smith, Ann \\\"The\\\" Sender\" <ann@sender.test>")
        << QByteArray("bob@recipient.test") << QByteArray("Hello") << QByteArray("Hi Bob");

    message = plainMessage();
    message.fromName = QStringLiteral("Ann\r\nBcc: eve@spy.test");
    message.toName = QStringLiteral("bob@recipient.test\nX-Spam: no");
    message.subject = QStringLiteral("Hello\r\n\r\nfake body");
    QTest::newRow("line breaks in fields")
        << message << QByteArray("\"Ann  Bcc: eve@spy.test\" <ann@sender.test>")
        << QByteArray("bob@recipient.test X-Spam: no") << QByteArray("Hello    fake body")
        << QByteArray("Hi Bob");

    message = plainMessage();
    message.body = QStringLiteral(".hidden line\n.\nquit\n..two dots");
    QTest::newRow("dot-stuffing") << message << QByteArray("Ann Smith <ann@sender.test>")
                                  << QByteArray("bob@recipient.test") << QByteArray("Hello")
                                  << QByteArray("..hidden line\r\n..\r\nquit\r\n...two dots");

    message = plainMessage();
    message.body = QStringLiteral("one\r\ntwo\rthree\nfour\n");
    QTest::newRow("line ends") << message << QByteArray("Ann Smith <ann@sender.test>")
                               << QByteArray("bob@recipient.test") << QByteArray("Hello")
                               << QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n");
}

void MailMessageTest::asciiMessage()
{
    QFETCH(MailMessage, message);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QByteArray, subject);
    QFETCH(QByteArray, body);

    const QByteArray expected = "From: " + from + "\r\n" + SendDate
        + "X-Mailer: Postwick v 2.x\r\nTo: " + to + "\r\nSubject: " + subject + "\r\n\r\n" + body
        + "\r\n\r\n.\r\n";
    QCOMPARE(messageData(message, SendTime), expected);
}

void MailMessageTest::longNonAsciiSubjectIsFoldedIntoWholeCharacters()
{
    MailMessage message = plainMessage();
    message.subject = QString::fromUtf8("Grüße 😀 ").repeated(12);
    const QByteArray data = messageData(message, SendTime);

    for (const QByteArray &line : data.left(data.indexOf("\r\n\r\n")).split('\n'))
        QVERIFY2(line.size() <= 77, line.constData());
    QString decoded;
    const QByteArrayList words = headerValue(data, "Subject").split(' ');
    QVERIFY(words.size() > 1);
    for (QByteArray word : words) {
        word = word.trimmed();
        QVERIFY(word.startsWith("=?UTF-8?B?") && word.endsWith("?="));
        QVERIFY(word.size() <= 75);
        const QByteArray bytes = QByteArray::fromBase64(word.mid(10, word.size() - 12));
        const QString piece = QString::fromUtf8(bytes);
        // Each word must decode on its own: no character is cut in two.
        QCOMPARE(piece.toUtf8(), bytes);
        QVERIFY(!piece.contains(QChar::ReplacementCharacter));
        decoded += piece;
    }
    QCOMPARE(decoded, message.subject);
}

WAVECREST_TEST(MailMessageTest)
#include "tst_mailmessage.moc"
