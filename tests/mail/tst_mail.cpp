#include "mail/commentswindow.h"
#include "mail/mailloginwindow.h"
#include "mail/mailmessage.h"
#include "mail/mailserveraddress.h"
#include "mail/sendmailwindow.h"
#include "mailpeers.h"
#include "settings/profile.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <ctime>

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
const Fields Sender = {{"txtFromName", "Ann Smith"}, {"txtFromEmailAddress", "ann@sender.test"},
    {"txtToEmailAddress", "bob@recipient.test"}, {"txtEmailSubject", "Hello"},
    {"txtEmailBodyOfMessage", "Hi Bob"}};

// The usual replies with the one at the given step (0: the greeting) changed.
QByteArrayList replacing(int step, const QByteArray &reply)
{
    return Replies.mid(0, step) + QByteArrayList{reply} + Replies.mid(step + 1);
}

// A mail server's script, the box for a failed send (none when it went),
// what the server heard, the fields typed and the server (when not the
// scripted one).
using Scripted = std::tuple<QByteArrayList, QString, QByteArrayList, Fields, QString>;

// What a real server reads: the From and Subject headers as parsed, the body's
// Content-Transfer-Encoding, the MAIL FROM parameters.
struct Arrival {
    QString kind = "plain";
    bool comments = false;
    Fields fields;
    QString from = "Ann Smith <ann@sender.test>";
    QString subject = "Hello";
    QString encoding;
    QString options;
};

// A send where a login is asked: the user name and password remembered before,
// what is typed (see Mail::send()), the password remembered after.
struct Login {
    QString kind = "starttls";
    QStringList stored;
    QList<QStringList> logins;
    QStringList boxes;
    bool sent = true;
    QString remembered;
    bool keyring = true;
    bool trusted = true;
};

void click(QWidget *window, const QString &button)
{
    window->findChild<QPushButton *>(button)->click();
}

// A mail window with settings, boxes and a keyring of its own, filled in as
// Sender with the given changes.
struct Mail {
    explicit Mail(const QString &server, const Fields &changes = {}, SmtpClientConfig config = {},
        bool comments = false)
    {
        // A script that ends without a goodbye must not cost seconds.
        config.quitTimeLimit = 300ms;
        if (comments)
            window = new CommentsWindow(*test.context, config, &keyring);
        else
            window = new SendMailWindow(*test.context, config, &keyring);
        Fields fields = Sender;
        fields.insert(changes);
        fields.insert("txtEmailServer", server);
        for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
            if (auto *line = window->findChild<QLineEdit *>(field.key()))
                line->setText(field.value());
            else if (auto *body = window->findChild<QPlainTextEdit *>(field.key()))
                body->setPlainText(field.value());
        }
    }
    ~Mail() { delete window; }

    QString status() const { return window->findChild<QLabel *>("StatusTxt")->text(); }
    bool finished() const { return status().startsWith("Mail "); }
    QStringList boxes() const
    {
        QStringList shown;
        for (const MessageBoxRequest &box : recorder.boxes)
            shown.append(box.text);
        return shown;
    }

    // Presses Send, then answers the login window each time it comes up with
    // the next {user name, password, "remember" or not}; {"cancel"} presses
    // Cancel, {"close window"} closes the mail window instead. Returns when
    // the send is over.
    void send(const QList<QStringList> &logins = {})
    {
        click(window, "Command1");
        for (const QStringList &login : logins) {
            QPointer<MailLoginWindow> dialog;
            QTRY_VERIFY((dialog = window->findChild<MailLoginWindow *>()) && dialog->isVisible());
            if (login.first() == "cancel") {
                click(dialog, "cmdCancel");
            } else if (login.first() == "close window") {
                window->close();
            } else {
                dialog->findChild<QLineEdit *>("txtUserName")->setText(login.at(0));
                dialog->findChild<QLineEdit *>("txtPassword")->setText(login.at(1));
                dialog->findChild<QCheckBox *>("chkRememberPassword")
                    ->setChecked(login.at(2) == "remember");
                click(dialog, "cmdOK");
                QTRY_VERIFY(!dialog->isVisible() || finished());
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(finished(), 15000);
    }

    TestContext test;
    MessageBoxRecorder recorder;
    MemoryCredentialStore keyring;
    QPointer<QWidget> window;
};

} // namespace

class MailTest : public QObject
{
    Q_OBJECT

    MailPeers m_peers;

private Q_SLOTS:
    void initTestCase()
    {
        // Mail headers must read right in a zone half an hour west of UTC and
        // whatever the user's language.
        qputenv("TZ", "NST3:30");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(m_peers.start());
    }

    void init() { m_peers.clear(); }

    // What is typed arrives exactly, as Python's mail parser reads it, at a
    // server that refuses lines over 1,000 octets.
    void realServer_data()
    {
        QTest::addColumn<Arrival>("row");

        const QString utf8Subject = QString("Schöne Grüße 😀 10\u00a0km ").repeated(5).trimmed();
        const QString longLine = QString("0123456 = ü").repeated(190);
        const QString longSubject
            = QString("Lorem  ipsum dolor   sit amet ").repeated(50).trimmed();
        const QString oddSubject = QString(300, 'x') + " =?UTF-8?B?QQ==?=";

        // Line breaks typed into a name or the subject start no header.
        QTest::newRow("line breaks in fields, leading dots") << Arrival{.fields
            = {{"txtFromName", "Smith, \"Ann\""}, {"txtEmailSubject", "Hi\r\nBcc: eve@spy.test"},
                {"txtEmailBodyOfMessage", ".hidden\n.\nquit\nend"}},
            .from = "\"Smith, \\\"Ann\\\"\" <ann@sender.test>",
            .subject = "Hi  Bcc: eve@spy.test"};
        QTest::newRow("UTF-8 name, subject and body, no-break spaces") << Arrival{
            .fields = {{"txtFromName", "Zoë Ünal"}, {"txtEmailSubject", utf8Subject},
                {"txtEmailBodyOfMessage", "Schöne Grüße, € 5\n10\u00a0km\n\u00a0indented "}},
            .from = "Zoë Ünal <ann@sender.test>",
            .subject = utf8Subject,
            .encoding = "8bit",
            .options = "BODY=8BITMIME"};
        QTest::newRow("comments window") << Arrival{.comments = true,
            .fields = {{"txtFromName", "Ann\nBcc: eve@spy.test"}},
            .from = "\"Ann Bcc: eve@spy.test\" <ann@sender.test>",
            .subject = "Wavecrest Comments"};
        QTest::newRow("2,090-character line, UTF-8 subject, leading dot")
            << Arrival{.fields = {{"txtEmailSubject", "Grüße aus Köln"},
                           {"txtEmailBodyOfMessage", "Grüße\n" + longLine + "\n.dot\n€"}},
                   .subject = "Grüße aus Köln",
                   .encoding = "quoted-printable"};
        QTest::newRow("long subject")
            << Arrival{.fields = {{"txtEmailSubject", longSubject}}, .subject = longSubject};
        QTest::newRow("international address, a long word and what looks encoded")
            << Arrival{.kind = "utf8",
                   .fields = {{"txtToEmailAddress", "bøb@recipient.test"},
                       {"txtEmailSubject", oddSubject}, {"txtEmailBodyOfMessage", "Hej Bøb"}},
                   .subject = oddSubject,
                   .encoding = "8bit",
                   .options = "BODY=8BITMIME SMTPUTF8"};
    }

    void realServer()
    {
        QFETCH(const Arrival, row);

        Mail mail(m_peers.field(row.kind), row.fields, {}, row.comments);
        QStringList shown;
        connect(mail.window->findChild<SmtpClient *>(), &SmtpClient::statusChanged, this,
            [&shown](const QString &text) { shown.append(text); });
        mail.send();

        QCOMPARE(mail.boxes(), QStringList());
        QCOMPARE(mail.status(), "Mail Sent");
        QCOMPARE(shown,
            QStringList({"Connecting....", "Connected", "Sending Message", "Disconnecting"}));

        Fields typed = Sender;
        typed.insert(row.fields);
        const QString to
            = row.comments ? "wavecrest-comments@brimlow.example" : typed["txtToEmailAddress"];
        QStringList headers = {"From: " + row.from, "X-Mailer: Postwick v 2.x", "To: " + to,
            "Subject: " + row.subject};
        if (!row.encoding.isEmpty()) {
            headers << "MIME-Version: 1.0"
                    << "Content-Type: text/plain; charset=\"UTF-8\""
                    << "Content-Transfer-Encoding: " + row.encoding;
        }
        const QJsonObject message = m_peers.received(row.kind);
        QCOMPARE(message["envelope"].toString(), typed["txtFromEmailAddress"] + " -> " + to);
        QCOMPARE(message["mail_options"].toString(), row.options);
        QCOMPARE(message["headers"].toVariant().toStringList(), headers);
        QCOMPARE(message["body"].toString(),
            typed["txtEmailBodyOfMessage"].replace("\n", "\r\n") + "\r\n\r\n");
        QCOMPARE(message["date_offset"].toInt(), QDateTime::currentDateTime().offsetFromUtc() / 60);
        const QString id = message["message_id"].toString();
        QVERIFY2(QRegularExpression("^<[0-9a-f-]{36}@sender\\.test>$").match(id).hasMatch(),
            qPrintable(id));
        // Within the limits: no line over 998 octets, header lines of at most
        // 78 characters (76 with encoded words), none of blanks only, and
        // encoded words that each hold whole characters.
        QCOMPARE_LE(message["longest_line"].toInt(), 998);
        const QString head = message["raw_head"].toString();
        for (const QString &line : head.split("\r\n")) {
            QVERIFY2(line.size() <= (line.contains("=?") ? 76 : 78) && !line.trimmed().isEmpty(),
                qPrintable(line));
        }
        for (const QRegularExpressionMatch &word :
            QRegularExpression("=\\?UTF-8\\?B\\?([^?]*)\\?=").globalMatch(head)) {
            QCOMPARE_LE(word.capturedLength(), 75);
            const QByteArray bytes = QByteArray::fromBase64(word.captured(1).toLatin1());
            QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
        }

        // Both windows remember the server; Send Mail the sender too.
        SendMailWindow next(*mail.test.context);
        QCOMPARE(next.findChild<QLineEdit *>("txtEmailServer")->text(), m_peers.field(row.kind));
        for (const char *field : {"txtFromName", "txtFromEmailAddress"})
            QCOMPARE(next.findChild<QLineEdit *>(field)->text(), row.comments ? "" : typed[field]);
    }

    void secureServer_data()
    {
        QTest::addColumn<Login>("row");

        const QString refused = "The mail server 127.0.0.1 refused the login:\n535 5.7.8 "
                                "Authentication credentials invalid";
        const QString unproven
            = "The mail server 127.0.0.1 could not prove who it is, so nothing was sent: ";
        const QStringList good = {"ann", "s3cret", "remember"};

        QTest::newRow("TLS from the first byte, login typed and remembered")
            << Login{.kind = "implicit", .logins = {good}, .remembered = "s3cret"};
        QTest::newRow("STARTTLS, remembered password, nothing asked")
            << Login{.stored = {"ann", "s3cret"}, .remembered = "s3cret"};
        QTest::newRow("remembered password refused, new one not remembered") << Login{
            .stored = {"ann", "old"}, .logins = {{"ann", "s3cret", "forget"}}, .boxes = {refused}};
        QTest::newRow("LOGIN only, wrong password, asked again") << Login{.kind = "loginonly",
            .logins = {{"ann", "wrong", "remember"}, good},
            .boxes = {refused},
            .remembered = "s3cret"};
        QTest::newRow("login cancelled") << Login{.logins = {{"cancel"}}, .sent = false};
        QTest::newRow("window closed at the login")
            << Login{.logins = {{"close window"}}, .boxes = {"Mail Not Sent"}, .sent = false};
        QTest::newRow("no keyring") << Login{.logins = {good},
            .boxes = {"The password could not be remembered, so it will be asked for each time: "
                      "No keyring on the bus"},
            .keyring = false};
        QTest::newRow("certificate for another host") << Login{.kind = "wrongname",
            .boxes = {unproven + QSslError(QSslError::HostNameMismatch).errorString()},
            .sent = false};
        QTest::newRow("certificate of an unknown issuer") << Login{.boxes
            = {unproven + QSslError(QSslError::UnableToGetLocalIssuerCertificate).errorString()
                + "; " + QSslError(QSslError::UnableToVerifyFirstCertificate).errorString()},
            .sent = false,
            .trusted = false};
    }

    void secureServer()
    {
        QFETCH(const Login, row);

        SmtpClientConfig config = m_peers.trustingConfig;
        // Else the system's store decides, which knows nothing of this run's
        // authority.
        if (!row.trusted)
            config.caCertificates.clear();
        Mail mail(m_peers.field(row.kind), {}, config);
        mail.keyring.available = row.keyring;
        const QString account = "ann@127.0.0.1";
        if (!row.stored.isEmpty()) {
            mail.test.context->writeSetting(SettingsKey::MailUser, row.stored.at(0));
            mail.keyring.passwords.insert(account, row.stored.at(1));
        }
        mail.send(row.logins);

        QCOMPARE(mail.boxes(), row.boxes);
        QCOMPARE(mail.status(), row.sent ? "Mail Sent" : "Mail Not Sent");
        const QJsonObject message = m_peers.received(row.kind);
        QCOMPARE(!message.isEmpty(), row.sent);
        if (row.sent) {
            QVERIFY(message["tls"].toBool());
            QCOMPARE(message["login"].toString(), "ann");
            QCOMPARE(
                GetIniString("Wavecrest", "Mail User", mail.test.context->settingsFile()), "ann");
        }
        QCOMPARE(mail.keyring.passwords.value(account), row.remembered);
        // The settings file never holds a password.
        QVERIFY(!mail.test.readFile("Wavecrest.ini").contains("s3cret"));
    }

    void scriptedServer_data()
    {
        QTest::addColumn<Scripted>("row");
        const auto add = [](const char *name, const QByteArrayList &script, const QString &box,
                             const QByteArrayList &commands, const Fields &fields = {},
                             const QString &server = {}) {
            QTest::newRow(name) << Scripted{script, box, commands, fields, server};
        };
        const QString notEncrypted
            = "The mail server 127.0.0.1 asks for a login, but the connection to it is not "
              "encrypted, and a password is never sent without encryption. Use port 465, or port "
              "587 on a server that offers STARTTLS. Nothing was sent.\nThe server said: ";
        const QByteArray plainLogin = "250-fake.test\r\n250 AUTH PLAIN LOGIN\r\n";
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString closedPort = QString::number(closed.serverPort());
        closed.close();

        // Hanging up is as good as a goodbye.
        add("greeting in two pieces, multi-line reply, no goodbye",
            QByteArrayList{
                "220 fake|.test ready\r\n", "250-fake.test\r\n250-SIZE 1000\r\n250 OK\r\n"}
                    + Replies.mid(2, 4)
                << "<drop>",
            {}, Commands);
        add("EHLO refused, HELO taken",
            Replies.mid(0, 1) + QByteArrayList{"502 what?\r\n"} + Replies.mid(1), {},
            QByteArrayList{Commands[0], "HELO wavecrest.brimlow.example"} + Commands.mid(1));
        add("message refused", replacing(5, "554-looks like spam\r\n554 go away\r\n"),
            Improper + "250 Code recieved: 554-looks like spam\r\n554 go away\r\n", Commands);
        add("connection dropped", replacing(2, "<drop>"),
            "SMTP service error, connection closed by mail server", Commands.mid(0, 2));
        add("all replies at once", {Replies.join()}, OutOfTurn + "250 fake.test\r\n", {"quit"});
        add("354 and 250 at once", Replies.mid(0, 4) << "354 go ahead\r\n250 queued\r\n",
            OutOfTurn + "250 queued\r\n", Commands.mid(0, 4));
        add("a reply and the start of another", replacing(1, "250 fake.test\r\n25"),
            OutOfTurn + "25", {Commands[0], "quit"});
        add("login asked without TLS",
            {Replies[0], plainLogin, "530 5.7.0 Authentication required\r\n", Replies.last()},
            notEncrypted + "530 5.7.0 Authentication required", Commands.mid(0, 2) << "quit");
        add("relay refused for want of a login, without TLS",
            {Replies[0], plainLogin, Replies[2], "550 5.7.1 Relay access denied\r\n",
                "250 reset\r\n", Replies.last()},
            notEncrypted + "550 5.7.1 Relay access denied",
            Commands.mid(0, 3) << "RSET"
                               << "quit");
        add("international address, no SMTPUTF8", {Replies[0], Replies[1], Replies.last()},
            "The mail server 127.0.0.1 does not take e-mail addresses with characters beyond "
            "English letters (it lacks SMTPUTF8), so it cannot carry the message from "
            "ann@sender.test to bøb@recipient.test. Nothing was sent.",
            {Commands[0], "quit"}, {{"txtToEmailAddress", "bøb@recipient.test"}});
        add("empty To", Replies,
            "The message has no recipient: fill in the e-mail address it should go to. Nothing "
            "was sent.",
            {}, {{"txtToEmailAddress", " "}});
        add("blanks around addresses", Replies, {}, Commands,
            {{"txtFromEmailAddress", " ann@sender.test "},
                {"txtToEmailAddress", "\tbob@recipient.test  "}});
        add("connection refused", {},
            "SMTP service error, connection refused by mail server: 127.0.0.1 port " + closedPort,
            {}, {}, "127.0.0.1:" + closedPort);
        add("host not found", {}, "SMTP service error, mail server not found: no such host", {}, {},
            "no such host");
    }

    void scriptedServer()
    {
        QFETCH(Scripted, row);
        const auto &[script, box, commands, fields, server] = row;
        FakeSmtpServer fake(script);
        const QString field = server.isEmpty() ? fake.field() : server;
        Mail mail(field, fields);
        mail.send();

        QCOMPARE(mail.status(), box.isEmpty() ? "Mail Sent" : "Mail Not Sent");
        QCOMPARE(mail.boxes(), box.isEmpty() ? QStringList() : QStringList(box));
        QTRY_COMPARE(fake.commands, commands);
        QTRY_COMPARE(fake.ended, !commands.isEmpty());
        // The goodbye was heard out.
        QVERIFY(!fake.closedBeforeGoodbye);
        // The fields are remembered whatever the outcome.
        QCOMPARE(mail.test.context->setting(SettingsKey::MailServer), field);
    }

    void sendAgain()
    {
        FakeSmtpServer fake(Replies);
        Mail mail(fake.field(), {}, {.replyTimeLimit = 500ms});
        mail.send();
        QCOMPARE(mail.status(), "Mail Sent");

        // Toward a server that never greets, the last outcome goes at once.
        FakeSmtpServer silent({});
        mail.window->findChild<QLineEdit *>("txtEmailServer")->setText(silent.field());
        click(mail.window, "Command1");
        QCOMPARE(mail.status(), QString());
        auto *client = mail.window->findChild<SmtpClient *>();
        QTRY_COMPARE(client->stateNumber(), 7);

        // A second Send only tells the connection's state.
        click(mail.window, "Command1");
        QTRY_COMPARE(mail.boxes(), QStringList(" 7"));

        // Waiting for a reply costs no processor time.
        QSignalSpy failed(client, &SmtpClient::failed);
        const std::clock_t before = std::clock();
        QVERIFY(failed.wait());
        QCOMPARE_LT(std::clock() - before, CLOCKS_PER_SEC / 4);
        QCOMPARE(mail.boxes(), QStringList({" 7", TimedOut}));
        QTRY_COMPARE(silent.commands, QByteArrayList{"quit"});
        QTRY_VERIFY(silent.ended);
    }

    // The outcome of a send whose window was closed on the way cannot pass
    // unseen.
    void closedWhileSending_data()
    {
        QTest::addColumn<Scripted>("row");
        const QByteArrayList refused = Commands.mid(0, 3) << "quit";
        QTest::newRow("the server takes it") << Scripted{Replies, "Mail Sent", Commands, {}, {}};
        QTest::newRow("the server refuses it") << Scripted{Replies.mid(0, 3) << "554 no\r\n"
                                                                             << Replies.last(),
            Improper + "250 Code recieved: 554 no\r\n", refused, {}, {}};
        QTest::newRow("the server falls silent")
            << Scripted{Replies.mid(0, 3), TimedOut, refused, {}, {}};
    }

    void closedWhileSending()
    {
        QFETCH(Scripted, row);
        const auto &[script, box, commands, fields, server] = row;
        FakeSmtpServer fake(script);
        Mail mail(fake.field(), {}, {.replyTimeLimit = 500ms});
        mail.window->setAttribute(Qt::WA_DeleteOnClose);
        mail.window->show();
        click(mail.window, "Command1");
        mail.window->close();
        QVERIFY(!mail.window->isVisible());

        QTRY_VERIFY(mail.window.isNull());
        QCOMPARE(mail.boxes(), QStringList(box));
        // A box of its own: the window it would belong to is gone.
        QVERIFY(!mail.recorder.boxes.last().parent);
        QTRY_COMPARE(fake.commands, commands);
    }

    // The edges of the rules that keep a message within the limits servers
    // enforce, and of the server field.
    void ehloReply()
    {
        // Keywords in any case and the old "AUTH=" count.
        const SmtpExtensions old
            = parseEhloReply("250-mail.test\r\n250-starttls\r\n250 auth=login\r\n");
        QVERIFY(old.startTls && old.auth && old.authLogin && !old.authPlain);
        // Only the first word after the first line is a keyword.
        const SmtpExtensions other = parseEhloReply(
            "250-mail.test SMTPUTF8\r\n250-AUTH CRAM-MD5 XOAUTH2\r\n250 SIZE 8BITMIME\r\n");
        QVERIFY(other.auth && !other.authPlain && !other.authLogin);
        QVERIFY(!other.smtpUtf8 && !other.eightBitMime && !other.startTls);
    }

    void bodyEncoding()
    {
        // Lines go as they are up to 998 octets (not characters), 8-bit only
        // where the server takes it, control characters never.
        QCOMPARE(chooseBodyEncoding(QString(998, 'a'), false), BodyEncoding::SevenBit);
        QCOMPARE(chooseBodyEncoding(QString(999, 'a'), true), BodyEncoding::QuotedPrintable);
        QCOMPARE(chooseBodyEncoding(QString(996, 'a') + "üx", true), BodyEncoding::QuotedPrintable);
        QCOMPARE(chooseBodyEncoding("Grüße", false), BodyEncoding::QuotedPrintable);
        QCOMPARE(chooseBodyEncoding("a\x01b", true), BodyEncoding::QuotedPrintable);

        const QByteArray a74(74, 'a');
        // Lines of 76 at most, and no escape cut by a soft line break.
        QCOMPARE(quotedPrintableLine(QByteArray(80, 'a')), a74 + "a=\r\naaaaa");
        QCOMPARE(quotedPrintableLine(a74 + "="), a74 + "=\r\n=3D");
        QCOMPARE(quotedPrintableLine(a74 + " b"), a74 + " =\r\nb");
        // A blank at the end of a line would be lost on the way.
        QCOMPARE(quotedPrintableLine("end "), "end=20");
    }

    // Under the sender's domain where that is a plain host name.
    void messageId()
    {
        const std::pair<const char *, QByteArray> rows[]
            = {{" ann@Mail.Sender.test ", "Mail.Sender.test"}, {"ann", "wavecrest.brimlow.example"},
                {"ann@bücher.test", "wavecrest.brimlow.example"},
                {"ann@x.test\r\nBcc: eve", "wavecrest.brimlow.example"}};
        for (const auto &[from, domain] : rows) {
            const QByteArray id = newMessageId(from);
            QVERIFY2(id.startsWith('<') && id.endsWith('@' + domain + '>'), id.constData());
            QVERIFY(newMessageId(from) != id);
        }
    }

    // "host", "host:port", "[IPv6]:port"; nothing for a malformed port.
    void serverAddress()
    {
        const std::pair<const char *, const char *> rows[]
            = {{" mail.test ", "mail.test 25"}, {"[2001:db8::5]:2525", "2001:db8::5 2525"},
                {"[::1]", "::1 25"}, {"2001:db8::5", "2001:db8::5 25"},
                {"mail.test:465", "mail.test 465"}, {"mail.test:65536", ""}, {"mail.test:0", ""},
                {"mail.test:+25", ""}, {"[::1:25", ""}, {"[::1]25", ""}};
        for (const auto &[field, expected] : rows) {
            const auto address = parseMailServer(field, 25);
            QCOMPARE(address ? address->host + ' ' + QString::number(address->port) : "", expected);
        }
    }
};

WAVECREST_TEST(MailTest)
#include "tst_mail.moc"
