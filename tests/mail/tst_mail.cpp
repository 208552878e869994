#include "app/applicationwindows.h"
#include "fakesmtpserver.h"
#include "mail/mailloginwindow.h"
#include "mail/mailserveraddress.h"
#include "mail/sendmailwindow.h"
#include "mailpeers.h"
#include "memorycredentialstore.h"
#include "settings/profile.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QAccessible>
#include <QCheckBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslError>
#include <QTest>

#include <ctime>
#include <utility>

using namespace std::chrono_literals;

namespace {

using Fields = QHash<QString, QString>;

const QByteArrayList Replies = {"220 fake.test ready\r\n", "250 fake.test\r\n", "250 sender ok\r\n",
    "250 recipient ok\r\n", "354 go ahead\r\n", "250 queued\r\n", "|221 bye\r\n"};
const QByteArrayList Commands = {"EHLO wavecrest.brimlow.example", "mail from:<ann@sender.test>",
    "rcpt to:<bob@recipient.test>", "data", ".", "quit"};
const QString TimedOut = "SMTP service error, timed out while waiting for response";
const QString Improper = "SMTP service error, impromper response code. Code should have been: ";
const QString OutOfTurn = "SMTP service error, the mail server replied before it was asked: ";
const QString NoRecipient
    = "The message has no recipient: fill in the e-mail address it should go to. Nothing was sent.";
const QString MailUserKey = "Mail User";

QString notEncrypted(const QString &serverSaid)
{
    return "The mail server 127.0.0.1 asks for a login, but the connection to it is not "
           "encrypted, and a password is never sent without encryption. Use port 465, or port "
           "587 on a server that offers STARTTLS. Nothing was sent.\nThe server said: "
        + serverSaid;
}
const Fields Sender = {{"txtFromName", "Ann Smith"}, {"txtFromEmailAddress", "ann@sender.test"},
    {"txtToEmailAddress", "bob@recipient.test"}, {"txtEmailSubject", "Hello"},
    {"txtEmailBodyOfMessage", "Hi Bob"}};

// The usual replies with the one at the given step (0: the greeting) changed.
QByteArrayList replacing(int step, const QByteArray &reply)
{
    return Replies.mid(0, step) + QByteArrayList{reply} + Replies.mid(step + 1);
}

// Fills in Sender with the given changes and mail server.
void fill(QWidget *window, const Fields &changes, const QString &server)
{
    Fields fields = Sender;
    fields.insert(changes);
    fields.insert(QStringLiteral("txtEmailServer"), server);
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        if (auto *line = window->findChild<QLineEdit *>(field.key()))
            line->setText(field.value());
        else if (auto *body = window->findChild<QPlainTextEdit *>(field.key()))
            body->setPlainText(field.value());
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

bool finished(QWidget *window)
{
    return status(window).startsWith(QLatin1String("Mail "));
}

QStringList texts(const MessageBoxRecorder &recorder)
{
    QStringList shown;
    for (const MessageBoxRequest &box : recorder.boxes)
        shown.append(box.text);
    return shown;
}

QStringList strings(const QJsonValue &array)
{
    return array.toVariant().toStringList();
}

// The header lines of a received message but Date and Message-ID, which
// change with every send.
QStringList fixedHeaders(const QJsonObject &message)
{
    QStringList headers = strings(message["headers"]);
    headers.removeIf([](const QString &header) {
        return header.startsWith("Date: ") || header.startsWith("Message-ID: ");
    });
    return headers;
}

QString header(const QJsonObject &message, const QString &name)
{
    for (const QString &line : strings(message["headers"])) {
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2);
    }
    return {};
}

QString accessibleName(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

} // namespace

class MailTest : public QObject
{
    Q_OBJECT

    MailPeers m_peers;

    // Types the logins into the login window as it comes up, one for each
    // time it is shown; a login of "cancel" presses Cancel, one of "close
    // window" closes the mail window instead. Returns when the send is over.
    void answerLogins(QWidget *window, const QList<QStringList> &logins)
    {
        for (const QStringList &login : logins) {
            QPointer<MailLoginWindow> dialog;
            QTRY_VERIFY((dialog = window->findChild<MailLoginWindow *>()) && dialog->isVisible());
            if (login.first() == "cancel") {
                click(dialog, "cmdCancel");
                continue;
            }
            if (login.first() == "close window") {
                window->close();
                continue;
            }
            dialog->findChild<QLineEdit *>("txtUserName")->setText(login.at(0));
            dialog->findChild<QLineEdit *>("txtPassword")->setText(login.at(1));
            dialog->findChild<QCheckBox *>("chkRememberPassword")
                ->setChecked(login.at(2) == "remember");
            click(dialog, "cmdOK");
            QTRY_VERIFY(!dialog->isVisible() || finished(window));
        }
        QTRY_VERIFY_WITH_TIMEOUT(finished(window), 15000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Mail headers must read right in a zone half an hour west of UTC and
        // whatever the user's language.
        qputenv("TZ", "NST3:30");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_peers.start());
    }

    void cleanupTestCase() { m_peers.stop(); }

    void init() { m_peers.clear(); }

    void realServer_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("form");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QString>("envelope");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("remembered");

        const QStringList plainHeaders = {"From: Ann Smith <ann@sender.test>",
            "X-Mailer: Postwick v 2.x", "To: bob@recipient.test", "Subject: Hello"};
        const QStringList mime
            = {"MIME-Version: 1.0", "Content-Type: text/plain; charset=\"UTF-8\""};
        const QString envelope = "ann@sender.test -> bob@recipient.test";
        const QStringList sender = {"Ann Smith", "ann@sender.test"};

        // Line breaks typed into a name or the subject must not start a header
        // of their own.
        QTest::newRow("Form3") << "plain"
                               << "Form3"
                               << Fields{{"txtFromName", "Smith, \"Ann\""},
                                      {"txtEmailSubject", "Hi\r\nBcc: eve@spy.test"},
                                      {"txtEmailBodyOfMessage", ".hidden\n.\nquit\nend"}}
                               << envelope << QStringList()
                               << QStringList{"From: \"Smith, \\\"Ann\\\"\" <ann@sender.test>",
                                      "X-Mailer: Postwick v 2.x", "To: bob@recipient.test",
                                      "Subject: Hi  Bcc: eve@spy.test"}
                               << ".hidden\r\n.\r\nquit\r\nend\r\n\r\n"
                               << QStringList{"Smith, \"Ann\"", "ann@sender.test"};
        // Long enough to be folded into several encoded words.
        const QString subject = QString("Schöne Grüße 😀 ").repeated(5).trimmed();
        QTest::newRow("Form3, UTF-8")
            << "plain"
            << "Form3"
            << Fields{{"txtFromName", "Zoë Ünal"}, {"txtEmailSubject", subject},
                   {"txtEmailBodyOfMessage", "Schöne Grüße, € 5"}}
            << envelope << QStringList{"BODY=8BITMIME"}
            << QStringList{"From: Zoë Ünal <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bob@recipient.test", "Subject: " + subject}
                + mime + QStringList{"Content-Transfer-Encoding: 8bit"}
            << "Schöne Grüße, € 5\r\n\r\n"
            << QStringList{"Zoë Ünal", "ann@sender.test"};
        QTest::newRow("Form4") << "plain"
                               << "Form4" << Fields{{"txtFromName", "Ann\nBcc: eve@spy.test"}}
                               << "ann@sender.test -> wavecrest-comments@brimlow.example"
                               << QStringList()
                               << QStringList{"From: \"Ann Bcc: eve@spy.test\" <ann@sender.test>",
                                      "X-Mailer: Postwick v 2.x",
                                      "To: wavecrest-comments@brimlow.example",
                                      "Subject: Wavecrest Comments"}
                               << "Hi Bob\r\n\r\n"
                               << QStringList{"", ""};
        // The server refuses lines over 1,000 octets.
        const QString longBody = "Grüße\n" + QString("0123456789").repeated(200) + "\n.dot\n€";
        QTest::newRow("2,000-character line, UTF-8, leading dot")
            << "plain"
            << "Form3"
            << Fields{{"txtEmailSubject", "Grüße aus Köln"}, {"txtEmailBodyOfMessage", longBody}}
            << envelope << QStringList()
            << QStringList{"From: Ann Smith <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bob@recipient.test", "Subject: Grüße aus Köln"}
                + mime + QStringList{"Content-Transfer-Encoding: quoted-printable"}
            << QString(longBody).replace("\n", "\r\n") + "\r\n\r\n"
            << sender;
        const QString longSubject = QString("Lorem ipsum dolor sit amet ").repeated(55).trimmed();
        QTest::newRow("long subject")
            << "plain"
            << "Form3" << Fields{{"txtEmailSubject", longSubject}} << envelope << QStringList()
            << QStringList{"From: Ann Smith <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bob@recipient.test", "Subject: " + longSubject}
            << "Hi Bob\r\n\r\n"
            << sender;
        const QString longWord = QString("x").repeated(300);
        QTest::newRow("subject of one long word, and what looks encoded")
            << "plain"
            << "Form3" << Fields{{"txtEmailSubject", longWord + " =?UTF-8?B?QQ==?="}} << envelope
            << QStringList()
            << QStringList{"From: Ann Smith <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bob@recipient.test", "Subject: " + longWord + " =?UTF-8?B?QQ==?="}
            << "Hi Bob\r\n\r\n"
            << sender;
        QTest::newRow("no-break spaces")
            << "plain"
            << "Form3"
            << Fields{{"txtEmailSubject", "10\u00a0km"},
                   {"txtEmailBodyOfMessage", "10\u00a0km\n\u00a0indented "}}
            << envelope << QStringList{"BODY=8BITMIME"}
            << QStringList{"From: Ann Smith <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bob@recipient.test", "Subject: 10\u00a0km"}
                + mime + QStringList{"Content-Transfer-Encoding: 8bit"}
            << "10\u00a0km\r\n\u00a0indented \r\n\r\n"
            << sender;
        QTest::newRow("blanks around addresses")
            << "plain"
            << "Form3"
            << Fields{{"txtFromEmailAddress", " ann@sender.test\t"},
                   {"txtToEmailAddress", "  bob@recipient.test "}}
            << envelope << QStringList() << plainHeaders << "Hi Bob\r\n\r\n"
            << sender;
        QTest::newRow("international address")
            << "utf8"
            << "Form3"
            << Fields{{"txtToEmailAddress", "bøb@recipient.test"},
                   {"txtEmailBodyOfMessage", "Hej Bøb"}}
            << "ann@sender.test -> bøb@recipient.test" << QStringList{"BODY=8BITMIME", "SMTPUTF8"}
            << QStringList{"From: Ann Smith <ann@sender.test>", "X-Mailer: Postwick v 2.x",
                   "To: bøb@recipient.test", "Subject: Hello"}
                + mime + QStringList{"Content-Transfer-Encoding: 8bit"}
            << "Hej Bøb\r\n\r\n"
            << sender;
    }

    void realServer()
    {
        QFETCH(QString, kind);
        QFETCH(QString, form);
        QFETCH(Fields, fields);
        QFETCH(QString, envelope);
        QFETCH(QStringList, options);
        QFETCH(QStringList, headers);
        QFETCH(QString, body);
        QFETCH(QStringList, remembered);

        TestContext test;
        registerApplicationWindows(*test.context);
        MessageBoxRecorder recorder;
        QWidget *window = test.context->windows().instance(form);
        fill(window, fields, m_peers.field(kind));
        QStringList shown;
        connect(window->findChild<SmtpClient *>(), &SmtpClient::statusChanged, window,
            [&shown](const QString &text) { shown.append(text); });

        click(window, "Command1");
        QTRY_VERIFY_WITH_TIMEOUT(finished(window), 10000);

        QCOMPARE(texts(recorder), QStringList());
        QCOMPARE(status(window), "Mail Sent");
        QCOMPARE(shown,
            QStringList({"Connecting....", "Connected", "Sending Message", "Disconnecting"}));

        const QJsonObject message = m_peers.received(kind);
        QCOMPARE(message["envelope"].toString(), envelope);
        QCOMPARE(strings(message["mail_options"]), options);
        QCOMPARE(fixedHeaders(message), headers);
        QCOMPARE(message["body"].toString(), body);
        QCOMPARE(message["date_offset"].toInt(), QDateTime::currentDateTime().offsetFromUtc() / 60);
        QVERIFY2(QRegularExpression("^<[0-9a-f-]{36}@sender\\.test>$")
                     .match(header(message, "Message-ID"))
                     .hasMatch(),
            qPrintable(header(message, "Message-ID")));
        // Within the limits: no line over 998 octets, header lines of at most
        // 78 characters, and encoded words that each hold whole characters.
        QCOMPARE_LE(message["longest_line"].toInt(), 998);
        const QString head = message["raw_head"].toString();
        for (const QString &line : head.split("\r\n"))
            QVERIFY2(line.size() <= 78, qPrintable(line));
        for (const QRegularExpressionMatch &word :
            QRegularExpression("=\\?UTF-8\\?B\\?([^?]*)\\?=").globalMatch(head)) {
            QCOMPARE_LE(word.capturedLength(), 75);
            const QByteArray bytes = QByteArray::fromBase64(word.captured(1).toLatin1());
            QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
        }

        // Both windows read the remembered fields.
        SendMailWindow next(*test.context);
        QCOMPARE(next.findChild<QLineEdit *>("txtEmailServer")->text(), m_peers.field(kind));
        QCOMPARE(next.findChild<QLineEdit *>("txtFromName")->text(), remembered[0]);
        QCOMPARE(next.findChild<QLineEdit *>("txtFromEmailAddress")->text(), remembered[1]);
    }

    void secureServer_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("keyring");
        // The user name and password remembered before the send.
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QList<QStringList>>("logins");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("sent");
        // The password remembered after it, if any.
        QTest::addColumn<QString>("remembered");

        const QString refused
            = "The mail server 127.0.0.1 refused the login:\n535 5.7.8 Authentication "
              "credentials invalid";
        const QStringList good = {"ann", "s3cret", "remember"};

        QTest::newRow("STARTTLS, login typed and remembered")
            << "starttls" << true << true << QStringList() << QList<QStringList>{good}
            << QStringList() << true << "s3cret";
        QTest::newRow("login typed, not remembered")
            << "starttls" << true << true << QStringList()
            << QList<QStringList>{{"ann", "s3cret", "forget"}} << QStringList() << true << "";
        QTest::newRow("remembered password, nothing asked")
            << "starttls" << true << true << QStringList{"ann", "s3cret"} << QList<QStringList>{}
            << QStringList() << true << "s3cret";
        QTest::newRow("typed without remembering, old password forgotten")
            << "starttls" << true << true << QStringList{"ann", "old"}
            << QList<QStringList>{{"ann", "s3cret", "forget"}} << QStringList{refused} << true
            << "";
        QTest::newRow("wrong password, asked again")
            << "starttls" << true << true << QStringList()
            << QList<QStringList>{{"ann", "wrong", "remember"}, good} << QStringList{refused}
            << true << "s3cret";
        QTest::newRow("login cancelled")
            << "starttls" << true << true << QStringList() << QList<QStringList>{{"cancel"}}
            << QStringList() << false << "";
        QTest::newRow("window closed at the login")
            << "starttls" << true << true << QStringList() << QList<QStringList>{{"close window"}}
            << QStringList("Mail Not Sent") << false << "";
        QTest::newRow("no keyring")
            << "starttls" << true << false << QStringList() << QList<QStringList>{good}
            << QStringList{"The password could not be remembered, so it will be asked for each "
                           "time: No keyring on the bus"}
            << true << "";
        QTest::newRow("LOGIN where PLAIN is not offered")
            << "loginonly" << true << true << QStringList() << QList<QStringList>{good}
            << QStringList() << true << "s3cret";
        QTest::newRow("TLS from the first byte")
            << "implicit" << true << true << QStringList() << QList<QStringList>{good}
            << QStringList() << true << "s3cret";
        QTest::newRow("certificate for another host")
            << "wrongname" << true << true << QStringList() << QList<QStringList>{}
            << QStringList{"The mail server 127.0.0.1 could not prove who it is, so nothing was "
                           "sent: "
                   + QSslError(QSslError::HostNameMismatch).errorString()}
            << false << "";
        QTest::newRow("certificate of an unknown issuer")
            << "starttls" << false << true << QStringList() << QList<QStringList>{}
            << QStringList{"The mail server 127.0.0.1 could not prove who it is, so nothing was "
                           "sent: "
                   + QSslError(QSslError::UnableToGetLocalIssuerCertificate).errorString() + "; "
                   + QSslError(QSslError::UnableToVerifyFirstCertificate).errorString()}
            << false << "";
    }

    void secureServer()
    {
        QFETCH(QString, kind);
        QFETCH(bool, trusted);
        QFETCH(bool, keyring);
        QFETCH(QStringList, stored);
        QFETCH(QList<QStringList>, logins);
        QFETCH(QStringList, boxes);
        QFETCH(bool, sent);
        QFETCH(QString, remembered);

        TestContext test;
        MessageBoxRecorder recorder;
        MemoryCredentialStore keyringStore(keyring);
        const QString account = "ann@127.0.0.1";
        if (!stored.isEmpty()) {
            test.context->writeSetting(MailUserKey, stored.at(0));
            keyringStore.passwords.insert(account, stored.at(1));
        }
        SmtpClientConfig config = m_peers.trustingConfig();
        // Else the system's store decides, which knows nothing of this run's
        // authority.
        if (!trusted)
            config.caCertificates.clear();
        SendMailWindow window(*test.context, config, &keyringStore);
        fill(&window, {}, m_peers.field(kind));

        click(&window, "Command1");
        answerLogins(&window, logins);

        QCOMPARE(texts(recorder), boxes);
        QCOMPARE(status(&window), sent ? "Mail Sent" : "Mail Not Sent");
        const QJsonObject message = m_peers.received(kind);
        QCOMPARE(!message.isEmpty(), sent);
        if (sent) {
            QVERIFY(message["tls"].toBool());
            QCOMPARE(message["login"].toString(), "ann");
            QCOMPARE(test.context->setting(MailUserKey), "ann");
        }
        QCOMPARE(keyringStore.passwords.value(account), remembered);
        // The settings file never holds a password.
        QVERIFY(!test.readFile("Wavecrest.ini").contains("s3cret"));
    }

    void scriptedServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QByteArrayList>("commands");

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        const QByteArray plainLogin = "250-fake.test\r\n250 AUTH PLAIN LOGIN\r\n";
        const auto row = [](const char *name, const QByteArrayList &script, const QString &box,
                             bool sent, const QByteArrayList &commands, const Fields &fields = {},
                             const QString &server = {}) {
            QTest::newRow(name) << server << script << fields << box << sent << commands;
        };

        row("greeting in two pieces", replacing(0, "220 fake|.test ready\r\n"), {}, true, Commands);
        row("multi-line reply", replacing(1, "250-fake.test\r\n250-SIZE 1000\r\n250 OK\r\n"), {},
            true, Commands);
        row("EHLO refused, HELO taken",
            Replies.mid(0, 1) + QByteArrayList{"502 what?\r\n"} + Replies.mid(1), {}, true,
            QByteArrayList{"EHLO wavecrest.brimlow.example", "HELO wavecrest.brimlow.example"}
                + Commands.mid(1));
        row("recipient rejected",
            replacing(3, "550 5.1.1 no such user\r\n").mid(0, 4) << Replies.last(),
            Improper + "250 Code recieved: 550 5.1.1 no such user\r\n", false,
            Commands.mid(0, 3) << "quit");
        row("message refused", replacing(5, "554-looks like spam\r\n554 go away\r\n"),
            Improper + "250 Code recieved: 554-looks like spam\r\n554 go away\r\n", false,
            Commands);
        row("no goodbye, connection closed", replacing(6, "<drop>"), {}, true, Commands);
        row("connection dropped", replacing(2, "<drop>"),
            "SMTP service error, connection closed by mail server", false, Commands.mid(0, 2));
        row("never answers", replacing(0, ""), TimedOut, false, {"quit"});
        row("all replies at once", {Replies.join()}, OutOfTurn + "250 fake.test\r\n", false,
            {"quit"});
        row("354 and 250 at once", Replies.mid(0, 4) << "354 go ahead\r\n250 queued\r\n",
            OutOfTurn + "250 queued\r\n", false, Commands.mid(0, 4));
        row("a reply and the start of another", replacing(1, "250 fake.test\r\n25"),
            OutOfTurn + "25", false, Commands.mid(0, 1) << "quit");
        row("login asked without TLS",
            {Replies[0], plainLogin, "530 5.7.0 Authentication required\r\n", Replies.last()},
            notEncrypted("530 5.7.0 Authentication required"), false, Commands.mid(0, 2) << "quit");
        row("relay refused for want of a login, without TLS",
            {Replies[0], plainLogin, Replies[2], "550 5.7.1 Relay access denied\r\n",
                "250 reset\r\n", Replies.last()},
            notEncrypted("550 5.7.1 Relay access denied"), false,
            Commands.mid(0, 3) << "RSET"
                               << "quit");
        row("international address, no SMTPUTF8", Replies.mid(0, 2) << Replies.last(),
            "The mail server 127.0.0.1 does not take e-mail addresses with characters beyond "
            "English letters (it lacks SMTPUTF8), so it cannot carry the message from "
            "ann@sender.test to bøb@recipient.test. Nothing was sent.",
            false, {Commands[0], "quit"}, {{"txtToEmailAddress", "bøb@recipient.test"}});
        row("empty To", Replies, NoRecipient, false, {}, {{"txtToEmailAddress", " "}});
        row("blanks around addresses", Replies, {}, true,
            QByteArrayList{
                Commands[0], "mail from:<ann@sender.test>", "rcpt to:<bob@recipient.test>"}
                + Commands.mid(3),
            {{"txtFromEmailAddress", " ann@sender.test "},
                {"txtToEmailAddress", "\tbob@recipient.test  "}});
        row("connection refused", {},
            QString("SMTP service error, connection refused by mail server: 127.0.0.1 port %1")
                .arg(port),
            false, {}, {}, QString("127.0.0.1:%1").arg(port));
        row("host not found", {}, "SMTP service error, mail server not found: no such host", false,
            {}, {}, "no such host");
    }

    void scriptedServer()
    {
        QFETCH(QString, server);
        QFETCH(QByteArrayList, script);
        QFETCH(Fields, fields);
        QFETCH(QString, box);
        QFETCH(bool, sent);
        QFETCH(QByteArrayList, commands);

        FakeSmtpServer fake(script);
        const QString field = server.isEmpty() ? fake.field() : server;
        TestContext test;
        MessageBoxRecorder recorder;
        // Only the exchange meant to time out has a short limit: none of the
        // others may end by waiting for it.
        SmtpClientConfig config;
        config.replyTimeLimit = box == TimedOut ? 300ms : 60s;
        config.quitTimeLimit = 300ms;
        MemoryCredentialStore keyringStore;
        SendMailWindow window(*test.context, config, &keyringStore);
        fill(&window, fields, field);

        click(&window, "Command1");
        QTRY_VERIFY_WITH_TIMEOUT(finished(&window), 10000);

        QCOMPARE(status(&window), sent ? "Mail Sent" : "Mail Not Sent");
        QCOMPARE(texts(recorder), box.isEmpty() ? QStringList() : QStringList(box));
        QTRY_COMPARE(fake.commands, commands);
        QTRY_COMPARE(fake.ended, !commands.isEmpty());
        // The message went out only after the server asked for it, and the
        // goodbye was heard out.
        QCOMPARE(fake.dataLines.contains("Subject: Hello"), commands.contains("."));
        QVERIFY(!fake.closedBeforeGoodbye);
        // The fields are remembered whatever the outcome.
        QCOMPARE(test.context->setting(QString::fromUtf16(SettingsKeys::MailServer)), field);
    }

    void sendAgain()
    {
        FakeSmtpServer fake(Replies);
        TestContext test;
        MessageBoxRecorder recorder;
        SmtpClientConfig config;
        config.replyTimeLimit = 500ms;
        MemoryCredentialStore keyringStore;
        SendMailWindow window(*test.context, config, &keyringStore);
        fill(&window, {}, fake.field());
        click(&window, "Command1");
        QTRY_COMPARE(status(&window), "Mail Sent");

        // Toward a server that is slow to greet, the last outcome goes at once.
        FakeSmtpServer slow({});
        fill(&window, {}, slow.field());
        click(&window, "Command1");
        QCOMPARE(status(&window), QString());
        auto *client = window.findChild<SmtpClient *>();
        QTRY_COMPARE(client->stateNumber(), 7);

        // A second Send only tells the connection's state.
        click(&window, "Command1");
        QTRY_COMPARE(texts(recorder), QStringList(" 7"));

        // Waiting for a reply costs no processor time.
        QSignalSpy failed(client, &SmtpClient::failed);
        const std::clock_t before = std::clock();
        QVERIFY(failed.wait());
        QCOMPARE_LT(std::clock() - before, CLOCKS_PER_SEC / 4);
        QCOMPARE(texts(recorder), QStringList({" 7", TimedOut}));
    }

    void closedWhileSending_data()
    {
        QTest::addColumn<QByteArrayList>("rest");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QByteArrayList>("commands");

        QTest::newRow("the server takes it")
            << Replies.mid(3) << QStringList("Mail Sent") << Commands;
        QTest::newRow("the server refuses it")
            << QByteArrayList{"554 no\r\n", Replies.last()}
            << QStringList(Improper + "250 Code recieved: 554 no\r\n")
            << Commands.mid(0, 3) + QByteArrayList{"quit"};
        QTest::newRow("the server falls silent") << QByteArrayList{} << QStringList(TimedOut)
                                                 << Commands.mid(0, 3) + QByteArrayList{"quit"};
    }

    void closedWhileSending()
    {
        QFETCH(QByteArrayList, rest);
        QFETCH(QStringList, boxes);
        QFETCH(QByteArrayList, commands);

        FakeSmtpServer fake(Replies.mid(0, 3));
        TestContext test;
        MessageBoxRecorder recorder;
        SmtpClientConfig config;
        config.replyTimeLimit = 500ms;
        config.quitTimeLimit = 300ms;
        MemoryCredentialStore keyringStore;
        QPointer<QWidget> window = new SendMailWindow(*test.context, config, &keyringStore);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        fill(window, {}, fake.field());
        click(window, "Command1");
        QTRY_COMPARE(fake.commands.size(), 3);

        window->close();
        QVERIFY(!window->isVisible());
        fake.more(rest);

        QTRY_VERIFY(window.isNull());
        QCOMPARE(texts(recorder), boxes);
        // A box of its own: the window it would belong to is gone.
        QVERIFY(!recorder.boxes.last().parent);
        QTRY_COMPARE(fake.commands, commands);
    }

    void windows_data()
    {
        QTest::addColumn<QString>("form");
        // The controls in the order Tab visits them, with their spoken names.
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("Form3") << "Form3"
                               << QStringList{"Command1", "txtFromEmailAddress",
                                      "txtToEmailAddress", "txtEmailSubject",
                                      "txtEmailBodyOfMessage", "txtFromName", "txtEmailServer"}
                               << QStringList{"Send E-Mail", "From (e-mail address)", "To",
                                      "Subject", "Message", "Your Name", "E-Mail Server"};
        QTest::newRow("Form4") << "Form4"
                               << QStringList{"Command1", "txtFromEmailAddress",
                                      "txtEmailBodyOfMessage", "Command2", "txtFromName",
                                      "txtEmailServer"}
                               << QStringList{"Send E-Mail", "From (e-mail address)", "Message",
                                      "Exit", "Your Name", "E-Mail Server"};
        QTest::newRow("login") << "login"
                               << QStringList{"txtUserName", "txtPassword", "chkRememberPassword",
                                      "cmdOK", "cmdCancel"}
                               << QStringList{
                                      "User Name", "Password", "Remember password", "OK", "Cancel"};
    }

    void windows()
    {
        QFETCH(QString, form);
        QFETCH(QStringList, tabs);
        QFETCH(QStringList, names);

        TestContext test;
        registerApplicationWindows(*test.context);
        MailLoginWindow login;
        QWidget *window = form == "login" ? &login : test.context->windows().open(form);
        if (window == &login)
            login.ask("mail.test", "530 5.7.0 Authentication required", {}, false);
        QVERIFY(QTest::qWaitForWindowActive(window));

        QStringList visited;
        QStringList spoken;
        QWidget *control = window->focusWidget();
        for (int step = 0; step < 100 && visited.size() < tabs.size(); ++step) {
            if (control->focusPolicy() & Qt::TabFocus) {
                visited.append(control->objectName());
                spoken.append(accessibleName(control));
            }
            control = control->nextInFocusChain();
        }
        QCOMPARE(visited, tabs);
        QCOMPARE(spoken, names);
        // Every field is labelled by what stands beside it.
        for (QLineEdit *field : window->findChildren<QLineEdit *>()) {
            const auto relations
                = QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
            QCOMPARE(relations.size(), 1);
            QCOMPARE(relations.first().first->text(QAccessible::Name), accessibleName(field));
        }
    }

    void serverAddress_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");

        const std::pair<const char *, const char *> rows[]
            = {{" mail.test ", "mail.test 25"}, {"[2001:db8::5]:2525", "2001:db8::5 2525"},
                {"[::1]", "::1 25"}, {"2001:db8::5", "2001:db8::5 25"},
                {"mail.test:465", "mail.test 465"}, {"mail.test:65536", ""}, {"mail.test:0", ""},
                {"mail.test:+25", ""}, {"[::1:25", ""}, {"[::1]25", ""}};
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
