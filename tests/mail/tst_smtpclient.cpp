#include "fakesmtpserver.h"
#include "mail/smtpclient.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

MailMessage testMessage()
{
    return {QStringLiteral("Ann Smith"), QStringLiteral("ann@sender.test"),
        QStringLiteral("bob@recipient.test"), QStringLiteral("bob@recipient.test"),
        QStringLiteral("Hello"), QStringLiteral(".hidden\nbody")};
}

const QByteArrayList FullDialogue = {"HELO wavecrest.brimlow.example",
    "mail from:<ann@sender.test>", "rcpt to:<bob@recipient.test>", "data", "quit"};

std::chrono::microseconds processorTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto time = [](const timeval &t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return time(usage.ru_utime) + time(usage.ru_stime);
}

} // namespace

class SmtpClientTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completeExchange_data();
    void completeExchange();
    void serverFieldForms_data();
    void serverFieldForms();
    void waitingUsesNoProcessor();
};

void SmtpClientTest::completeExchange_data()
{
    QTest::addColumn<bool>("byteByByte");
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("heloReply");

    QTest::newRow("one segment per reply")
        << false << QByteArray("220 fake.test ready\r\n") << QByteArray("250 fake.test\r\n");
    QTest::newRow("byte by byte") << true << QByteArray("220 fake.test ready\r\n")
                                  << QByteArray("250 fake.test\r\n");
    QTest::newRow("multi-line replies")
        << false << QByteArray("220-fake.test\r\n220-no spam\r\n220 ready\r\n")
        << QByteArray("250-fake.test\r\n250-SIZE 1000\r\n250 HELP\r\n");
    QTest::newRow("multi-line byte by byte") << true << QByteArray("220-fake.test\r\n220 ready\r\n")
                                             << QByteArray("250-fake.test\r\n250 HELP\r\n");
}

void SmtpClientTest::completeExchange()
{
    QFETCH(bool, byteByByte);
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, heloReply);

    FakeSmtpServer server;
    QVERIFY(server.isListening());
    server.byteByByte = byteByByte;
    server.replies["greeting"] = greeting;
    server.replies["helo"] = heloReply;
    SmtpClient client(25, 10s);
    QSignalSpy statuses(&client, &SmtpClient::statusChanged);
    QSignalSpy failures(&client, &SmtpClient::failed);
    QSignalSpy finished(&client, &SmtpClient::finished);

    QVERIFY(client.SendEmail(server.serverField(), testMessage()));
    QVERIFY(finished.wait(10000));

    QCOMPARE(failures.size(), 0);
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(server.commands, FullDialogue);
    // No command went out on part of a reply.
    QVERIFY(!server.commandWhileReplying);
    QVERIFY(server.data.endsWith("\r\n\r\n..hidden\r\nbody\r\n\r\n"));
    QStringList shown;
    for (const QList<QVariant> &status : statuses)
        shown.append(status.first().toString());
    QCOMPARE(
        shown, QStringList({"Connecting....", "Connected", "Sending Message", "Disconnecting"}));
    QCOMPARE(client.stateNumber(), 0);
    QTRY_VERIFY(server.connectionEnded);
}

void SmtpClientTest::serverFieldForms_data()
{
    QTest::addColumn<QString>("listenOn");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("portAsDefault");

    QTest::newRow("address and port") << "127.0.0.1"
                                      << "127.0.0.1:%1" << false;
    QTest::newRow("name and port") << "127.0.0.1"
                                   << "localhost:%1" << false;
    QTest::newRow("address, default port") << "127.0.0.1"
                                           << "127.0.0.1" << true;
    QTest::newRow("IPv6 and port") << "::1"
                                   << "[::1]:%1" << false;
    QTest::newRow("IPv6, default port") << "::1"
                                        << "[::1]" << true;
}

void SmtpClientTest::serverFieldForms()
{
    QFETCH(QString, listenOn);
    QFETCH(QString, field);
    QFETCH(bool, portAsDefault);

    FakeSmtpServer server{QHostAddress(listenOn)};
    if (!server.isListening())
        QSKIP("this machine has no such loopback address");
    SmtpClient client(portAsDefault ? server.port() : 25, 10s);
    QSignalSpy finished(&client, &SmtpClient::finished);

    QVERIFY(
        client.SendEmail(field.contains(u'%') ? field.arg(server.port()) : field, testMessage()));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(server.commands, FullDialogue);
}

void SmtpClientTest::waitingUsesNoProcessor()
{
    FakeSmtpServer server;
    server.replies["rcpt"].clear();
    SmtpClient client(25, 10s);
    QVERIFY(client.SendEmail(server.serverField(), testMessage()));
    QTRY_COMPARE(server.commands.size(), 3);

    QTimer second;
    second.setSingleShot(true);
    QSignalSpy elapsed(&second, &QTimer::timeout);
    const auto before = processorTime();
    second.start(1000);
    QVERIFY(elapsed.wait(5000));
    const auto used = processorTime() - before;

    QVERIFY(client.isBusy());
    QVERIFY2(used < 50ms, qPrintable(QStringLiteral("%1 µs").arg(used.count())));
}

WAVECREST_TEST(SmtpClientTest)
#include "tst_smtpclient.moc"
