#include "app/applicationwindows.h"
#include "mail/mailserveraddress.h"
#include "mail/sendmailwindow.h"
#include "settings/profile.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <utility>

using namespace std::chrono_literals;

namespace {

using Fields = QHash<QString, QString>;

// A mail server on a loopback port that answers the greeting, and each line
// outside the message data, with the next reply of its script. With no reply
// left it stays silent; "<drop>" closes the connection; "|" splits a reply
// into two TCP segments.
class FakeSmtpServer : public QTcpServer
{
public:
    explicit FakeSmtpServer(const QByteArrayList &script) : m_script(script)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            m_peer = nextPendingConnection();
            connect(m_peer, &QTcpSocket::readyRead, this, &FakeSmtpServer::readLines);
            connect(m_peer, &QTcpSocket::disconnected, this, [this] { ended = true; });
            answer();
        });
    }
    QString field() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

    QByteArrayList commands;
    bool ended = false;

private:
    void readLines()
    {
        // Nothing more is answered until the rest of a split reply is sent.
        while (m_rest.isEmpty() && m_peer->canReadLine()) {
            const QByteArray line = m_peer->readLine().chopped(2);
            if (m_inData && line != ".")
                continue;
            commands.append(line);
            answer();
        }
    }
    void answer()
    {
        const QByteArray reply = m_script.value(m_next++);
        m_inData = reply.startsWith("354");
        if (reply == "<drop>")
            return m_peer->disconnectFromHost();
        const QByteArrayList pieces = reply.split('|');
        m_peer->write(pieces.first());
        m_rest = pieces.value(1);
        if (!m_rest.isEmpty())
            QTimer::singleShot(50ms, m_peer, [this] {
                m_peer->write(std::exchange(m_rest, {}));
                readLines();
            });
    }

    const QByteArrayList m_script;
    qsizetype m_next = 0;
    QTcpSocket *m_peer = nullptr;
    bool m_inData = false;
    QByteArray m_rest;
};

const QByteArrayList Replies = {"220 fake.test ready\r\n", "250 fake.test\r\n", "250 sender ok\r\n",
    "250 recipient ok\r\n", "354 go ahead\r\n", "250 queued\r\n", "221 bye\r\n"};
const QByteArrayList Commands = {"HELO wavecrest.brimlow.example", "mail from:<ann@sender.test>",
    "rcpt to:<bob@recipient.test>", "data", ".", "quit"};
const QString TimedOut = "SMTP service error, timed out while waiting for response";
const QString Improper = "SMTP service error, impromper response code. Code should have been: ";
const Fields Sender = {{"txtFromName", "Ann Smith"}, {"txtFromEmailAddress", "ann@sender.test"},
    {"txtToEmailAddress", "bob@recipient.test"}, {"txtEmailSubject", "Hello"},
    {"txtEmailBodyOfMessage", "Hi Bob"}};

// The usual replies with the one at the given step (0: the greeting) changed.
QByteArrayList replacing(int step, const QByteArray &reply)
{
    return Replies.mid(0, step) + QByteArrayList{reply} + Replies.mid(step + 1);
}

void exchangeRow(const char *name, const QByteArrayList &script, const QString &box, bool sent,
    const QByteArrayList &commands, const QString &server = {})
{
    QTest::newRow(name) << server << script << box << sent << commands;
}

// Fills in Sender with the given changes and mail server.
void fill(QWidget *window, const Fields &changes, const QString &server)
{
    Fields fields = Sender;
    fields.insert(changes);
    fields.insert(QStringLiteral("txtEmailServer"), server);
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        if (QWidget *control = window->findChild<QWidget *>(field.key()))
            control->setProperty(
                qobject_cast<QLineEdit *>(control) ? "text" : "plainText", field.value());
    }
}

void click(QWidget *window, const QString &button)
{
    window->findChild<QPushButton *>(button)->click();
}

QString status(QWidget *window)
{
    return window->findChild<QLabel *>(QStringLiteral("StatusTxt"))->text();
}

QStringList texts(const MessageBoxRecorder &recorder)
{
    QStringList shown;
    for (const MessageBoxRequest &box : recorder.boxes)
        shown.append(box.text);
    return shown;
}

} // namespace

class MailTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_sinkFolder;
    QProcess m_sink;
    QString m_sinkField;

private Q_SLOTS:
    void initTestCase()
    {
        // Mail headers must read right in a zone half an hour west of UTC and
        // whatever the user's language.
        qputenv("TZ", "NST3:30");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // Debian's aiosmtpd is installed for the system's own interpreter.
        m_sink.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sink.start("/usr/bin/python3",
            {"-u", WAVECREST_SOURCE_DIR "/tests/mail/smtp_sink.py", m_sinkFolder.path()});
        QVERIFY(m_sink.waitForReadyRead(15000));
        m_sinkField = "127.0.0.1:" + m_sink.readLine().trimmed();
    }

    void cleanupTestCase()
    {
        m_sink.closeWriteChannel();
        m_sink.waitForFinished();
    }

    void realServer_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QString>("envelope");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("remembered");

        // Line breaks typed into a name or the subject must not start a header
        // of their own.
        QTest::newRow("Form3") << "Form3"
                               << Fields{{"txtFromName", "Smith, \"Ann\""},
                                      {"txtEmailSubject", "Hi\r\nBcc: eve@spy.test"},
                                      {"txtEmailBodyOfMessage", ".hidden\n.\nquit\nend"}}
                               << "ann@sender.test -> bob@recipient.test"
                               << QStringList{"From: \"Smith, \\\"Ann\\\"\" <ann@sender.test>",
                                      "X-Mailer: Postwick v 2.x", "To: bob@recipient.test",
                                      "Subject: Hi  Bcc: eve@spy.test"}
                               << ".hidden\r\n.\r\nquit\r\nend\r\n\r\n"
                               << QStringList{"Smith, \"Ann\"", "ann@sender.test"};
        // Long enough to be folded into several encoded words.
        const QString subject = QString("Schöne Grüße 😀 ").repeated(5).trimmed();
        QTest::newRow("Form3, UTF-8")
            << "Form3"
            << Fields{{"txtFromName", "Zoë Ünal"}, {"txtEmailSubject", subject},
                   {"txtEmailBodyOfMessage", "Schöne Grüße, € 5"}}
            << "ann@sender.test -> bob@recipient.test"
            << QStringList{"From: Zoë Ünal <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bob@recipient.test", "Subject: " + subject, "MIME-Version: 1.0",
                   "Content-Type: text/plain; charset=\"UTF-8\"", "Content-Transfer-Encoding: 8bit"}
            << "Schöne Grüße, € 5\r\n\r\n"
            << QStringList{"Zoë Ünal", "ann@sender.test"};
        QTest::newRow("Form4") << "Form4" << Fields{{"txtFromName", "Ann\nBcc: eve@spy.test"}}
                               << "ann@sender.test -> wavecrest-comments@brimlow.example"
                               << QStringList{"From: \"Ann Bcc: eve@spy.test\" <ann@sender.test>",
                                      "X-Mailer: Postwick v 2.x",
                                      "To: wavecrest-comments@brimlow.example",
                                      "Subject: Wavecrest Comments"}
                               << "Hi Bob\r\n\r\n"
                               << QStringList{"", ""};
    }

    void realServer()
    {
        QFETCH(QString, form);
        QFETCH(Fields, fields);
        QFETCH(QString, envelope);
        QFETCH(QStringList, headers);
        QFETCH(QString, body);
        QFETCH(QStringList, remembered);

        TestContext test;
        registerApplicationWindows(*test.context);
        MessageBoxRecorder recorder;
        QWidget *window = test.context->windows().instance(form);
        fill(window, fields, m_sinkField);
        QStringList shown;
        connect(window->findChild<SmtpClient *>(), &SmtpClient::statusChanged, window,
            [&shown](const QString &text) { shown.append(text); });
        QFile saved(m_sinkFolder.filePath("last.json"));
        saved.remove();

        click(window, "Command1");
        QTRY_VERIFY_WITH_TIMEOUT(status(window).startsWith("Mail "), 10000);

        QCOMPARE(status(window), "Mail Sent");
        QCOMPARE(texts(recorder), QStringList());
        QCOMPARE(shown,
            QStringList({"Connecting....", "Connected", "Sending Message", "Disconnecting"}));

        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QJsonObject message = QJsonDocument::fromJson(saved.readAll()).object();
        QCOMPARE(message["envelope"].toString(), envelope);
        QStringList decoded = message["headers"].toVariant().toStringList();
        QCOMPARE(decoded.takeAt(1).left(6), "Date: ");
        QCOMPARE(decoded, headers);
        QCOMPARE(message["date_offset"].toInt(), QDateTime::currentDateTime().offsetFromUtc() / 60);
        QCOMPARE(message["body"].toString(), body);
        // As sent: ASCII lines of at most 78 characters, and encoded words that
        // each hold whole characters.
        const QString head = message["raw_head"].toString();
        for (const QString &line : head.split("\r\n"))
            QVERIFY2(line.size() <= 78 && QString(line.toLatin1()) == line, qPrintable(line));
        for (const QRegularExpressionMatch &word :
            QRegularExpression("=\\?UTF-8\\?B\\?([^?]*)\\?=").globalMatch(head)) {
            const QByteArray bytes = QByteArray::fromBase64(word.captured(1).toLatin1());
            QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
        }

        // Both windows read the remembered fields.
        SendMailWindow next(*test.context);
        QCOMPARE(next.findChild<QLineEdit *>("txtEmailServer")->text(), m_sinkField);
        QCOMPARE(next.findChild<QLineEdit *>("txtFromName")->text(), remembered[0]);
        QCOMPARE(next.findChild<QLineEdit *>("txtFromEmailAddress")->text(), remembered[1]);
    }

    void scriptedServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QByteArrayList>("commands");

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();

        exchangeRow(
            "greeting in two pieces", replacing(0, "220 fake|.test ready\r\n"), {}, true, Commands);
        exchangeRow("multi-line reply",
            replacing(1, "250-fake.test\r\n250-SIZE 1000\r\n250 OK\r\n"), {}, true, Commands);
        exchangeRow("recipient rejected", replacing(3, "550 5.1.1 no such user\r\n"),
            Improper + "250 Code recieved: 550 5.1.1 no such user\r\n", false,
            Commands.mid(0, 3) << "quit");
        exchangeRow("message refused", replacing(5, "554-looks like spam\r\n554 go away\r\n"),
            Improper + "250 Code recieved: 554-looks like spam\r\n554 go away\r\n", false,
            Commands);
        exchangeRow("no goodbye, connection closed", replacing(6, "<drop>"), {}, true, Commands);
        exchangeRow("connection dropped", replacing(2, "<drop>"),
            "SMTP service error, connection closed by mail server", false, Commands.mid(0, 2));
        exchangeRow("never answers", replacing(0, ""), TimedOut, false, {"quit"});
        exchangeRow("connection refused", {},
            QString("SMTP service error, connection refused by mail server: 127.0.0.1 port %1")
                .arg(port),
            false, {}, QString("127.0.0.1:%1").arg(port));
        exchangeRow("host not found", {}, "SMTP service error, mail server not found: no such host",
            false, {}, "no such host");
    }

    void scriptedServer()
    {
        QFETCH(QString, server);
        QFETCH(QByteArrayList, script);
        QFETCH(QString, box);
        QFETCH(bool, sent);
        QFETCH(QByteArrayList, commands);

        FakeSmtpServer fake(script);
        const QString field = server.isEmpty() ? fake.field() : server;
        TestContext test;
        MessageBoxRecorder recorder;
        // Only the exchange meant to time out has a short limit: none of the
        // others may end by waiting for it.
        SendMailWindow window(*test.context, {25, box == TimedOut ? 300ms : 60s});
        fill(&window, {}, field);

        click(&window, "Command1");
        QTRY_VERIFY_WITH_TIMEOUT(status(&window).startsWith("Mail "), 10000);

        QCOMPARE(status(&window), sent ? "Mail Sent" : "Mail Not Sent");
        QCOMPARE(texts(recorder), box.isEmpty() ? QStringList() : QStringList(box));
        QTRY_COMPARE(fake.commands, commands);
        QTRY_COMPARE(fake.ended, !commands.isEmpty());
        // The fields are remembered whatever the outcome.
        QCOMPARE(test.context->setting(QString::fromUtf16(SettingsKeys::MailServer)), field);
    }

    void busyThenClosed()
    {
        FakeSmtpServer fake(Replies.mid(0, 2));
        TestContext test;
        registerApplicationWindows(*test.context);
        MessageBoxRecorder recorder;
        QPointer<QWidget> window = test.context->windows().instance("Form4");
        fill(window, {}, fake.field());
        click(window, "Command1");
        QTRY_COMPARE(fake.commands.size(), 2);

        // Waiting for a reply costs no processor time.
        const std::clock_t before = std::clock();
        QTest::qWait(1000);
        QCOMPARE_LT(std::clock() - before, CLOCKS_PER_SEC / 20);

        // A second Send only tells the connection's state.
        click(window, "Command1");
        QCOMPARE(texts(recorder), QStringList(" 7"));
        QCOMPARE(status(window), "Sending Message");

        click(window, "Command2");
        QTRY_VERIFY(window.isNull());
        QTRY_VERIFY(fake.ended);
        QCOMPARE(fake.commands, Commands.mid(0, 2) << "quit");
        QCOMPARE(texts(recorder), QStringList(" 7"));
        QCOMPARE(test.context->setting(QString::fromUtf16(SettingsKeys::MailServer)), QString());
    }

    void serverAddress_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");

        const std::pair<const char *, const char *> rows[]
            = {{" mail.test ", "mail.test 25"}, {"[2001:db8::5]:2525", "2001:db8::5 2525"},
                {"[::1]", "::1 25"}, {"2001:db8::5", "2001:db8::5 25"}, {"mail.test:65536", ""},
                {"mail.test:0", ""}, {"mail.test:+25", ""}, {"[::1:25", ""}, {"[::1]25", ""}};
        for (const auto &[field, expected] : rows)
            QTest::newRow(field) << QString(field) << QString(expected);
    }

    void serverAddress()
    {
        QFETCH(QString, field);
        QFETCH(QString, expected);

        const auto address = parseMailServer(field, 25);
        QCOMPARE(
            address ? address->host + ' ' + QString::number(address->port) : QString(), expected);
    }
};

WAVECREST_TEST(MailTest)
#include "tst_mail.moc"
