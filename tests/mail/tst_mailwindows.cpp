#include "app/applicationwindows.h"
#include "fakesmtpserver.h"
#include "mail/commentswindow.h"
#include "mail/sendmailwindow.h"
#include "settings/profile.h"
#include "smtpsink.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

using Fields = QHash<QString, QString>;

std::unique_ptr<QWidget> makeWindow(
    const QString &form, AppContext &context, const SmtpClientConfig &smtp = {})
{
    if (form == QLatin1String("Form3"))
        return std::make_unique<SendMailWindow>(context, smtp);
    return std::make_unique<CommentsWindow>(context, smtp);
}

void fill(QWidget *window, const Fields &fields)
{
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        if (auto *line = window->findChild<QLineEdit *>(field.key()))
            line->setText(field.value());
        else if (auto *body = window->findChild<QPlainTextEdit *>(field.key()))
            body->setPlainText(field.value());
    }
}

QString fieldText(QWidget *window, const QString &name)
{
    auto *line = window->findChild<QLineEdit *>(name);
    return line ? line->text() : window->findChild<QPlainTextEdit *>(name)->toPlainText();
}

QString status(QWidget *window)
{
    return window->findChild<QLabel *>(QStringLiteral("StatusTxt"))->text();
}

void clickSend(QWidget *window)
{
    window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
}

bool exchangeOver(QWidget *window)
{
    return status(window) == QLatin1String("Mail Sent")
        || status(window) == QLatin1String("Mail Not Sent");
}

QString settingValue(const TestContext &test, const char16_t *key)
{
    return test.context->setting(QString::fromUtf16(key));
}

const Fields Sender = {{"txtFromName", "Ann Smith"}, {"txtFromEmailAddress", "ann@sender.test"},
    {"txtToEmailAddress", "bob@recipient.test"}, {"txtEmailSubject", "Hello"},
    {"txtEmailBodyOfMessage", "Hi Bob"}};

} // namespace

class MailWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void captionFontAndTabOrder_data();
    void captionFontAndTabOrder();
    void rememberedFieldsOnOpen_data();
    void rememberedFieldsOnOpen();
    void sendThroughRealServer_data();
    void sendThroughRealServer();
    void failedExchange_data();
    void failedExchange();
    void connectionFailureIsReportedAtOnce_data();
    void connectionFailureIsReportedAtOnce();
    void secondSendShowsOnlyTheStateBox();
    void closingMidExchange_data();
    void closingMidExchange();

private:
    SmtpSink m_sink;
};

void MailWindowsTest::initTestCase()
{
    QString whyNot;
    QVERIFY2(m_sink.start(&whyNot), qPrintable(whyNot));
}

void MailWindowsTest::captionFontAndTabOrder_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("Form3") << "Form3"
                           << "Brimlow Send Mail"
                           << QStringList{"Command1", "txtFromEmailAddress", "txtToEmailAddress",
                                  "txtEmailSubject", "txtEmailBodyOfMessage", "txtFromName",
                                  "txtEmailServer", "Command1"};
    QTest::newRow("Form4") << "Form4"
                           << "Send Us Your Comments And Suggestions"
                           << QStringList{"Command1", "txtFromEmailAddress",
                                  "txtEmailBodyOfMessage", "Command2", "txtFromName",
                                  "txtEmailServer", "Command1"};
}

void MailWindowsTest::captionFontAndTabOrder()
{
    QFETCH(QString, form);
    QFETCH(QString, caption);
    QFETCH(QStringList, order);

    TestContext test;
    const auto window = makeWindow(form, *test.context);
    QCOMPARE(window->windowTitle(), caption);
    for (const QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        QCOMPARE(control->font().family(), QStringLiteral("Arial"));
        QCOMPARE(control->font().pointSize(), 9);
        QVERIFY(control->font().bold());
    }
    // The Send button has the focus on opening; labels and frames are skipped.
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QStringList visited{QApplication::focusWidget()->objectName()};
    while (visited.size() < order.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, order);
}

void MailWindowsTest::rememberedFieldsOnOpen_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QByteArray>("settingsFile");
    QTest::addColumn<Fields>("expected");

    const QByteArray settings
        = "[Wavecrest]\r\nMail Server=smtp.saved.test\r\nEmail=saved@sender.test\r\n"
          "Name=Saved Name\r\nHomePage=http://home.test/\r\n";
    QTest::newRow("Form3") << "Form3" << settings
                           << Fields{{"txtEmailServer", "smtp.saved.test"},
                                  {"txtFromEmailAddress", "saved@sender.test"},
                                  {"txtFromName", "Saved Name"}, {"txtToEmailAddress", ""},
                                  {"txtEmailSubject", ""}, {"txtEmailBodyOfMessage", ""}};
    QTest::newRow("Form4") << "Form4" << settings
                           << Fields{{"txtEmailServer", "smtp.saved.test"},
                                  {"txtFromEmailAddress", ""}, {"txtFromName", ""},
                                  {"txtEmailBodyOfMessage", ""}};
    QTest::newRow("Form3, no settings file")
        << "Form3" << QByteArray()
        << Fields{{"txtEmailServer", ""}, {"txtFromEmailAddress", ""}, {"txtFromName", ""}};
}

void MailWindowsTest::rememberedFieldsOnOpen()
{
    QFETCH(QString, form);
    QFETCH(QByteArray, settingsFile);
    QFETCH(Fields, expected);

    TestContext test;
    if (!settingsFile.isEmpty())
        test.writeFile(QStringLiteral("Wavecrest.ini"), settingsFile);
    const auto window = makeWindow(form, *test.context);
    for (auto field = expected.cbegin(); field != expected.cend(); ++field)
        QCOMPARE(fieldText(window.get(), field.key()), field.value());
}

void MailWindowsTest::sendThroughRealServer_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("fromName");
    QTest::addColumn<QString>("body");

    Fields fields = Sender;
    fields["txtEmailBodyOfMessage"] = ".hidden\n.\nquit\nend";
    QTest::newRow("Form3") << "Form3" << fields << "bob@recipient.test"
                           << QStringList{"From: Ann Smith <ann@sender.test>",
                                  "Date:", "X-Mailer: Postwick v 2.x", "To: bob@recipient.test",
                                  "Subject: Hello"}
                           << "Hello"
                           << "Ann Smith"
                           << ".hidden\r\n.\r\nquit\r\nend\r\n\r\n";

    fields = Sender;
    fields["txtFromName"] = "Zoë Ünal";
    fields["txtEmailSubject"] = "Grüße aus Köln";
    fields["txtEmailBodyOfMessage"] = "Schöne Grüße, € 5";
    QTest::newRow("Form3, not ASCII")
        << "Form3" << fields << "bob@recipient.test"
        << QStringList{"From: =?UTF-8?B?", "Date:", "X-Mailer: Postwick v 2.x",
               "To: bob@recipient.test", "Subject: =?UTF-8?B?", "MIME-Version: 1.0",
               "Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: 8bit"}
        << "Grüße aus Köln"
        << "Zoë Ünal"
        << "Schöne Grüße, € 5\r\n\r\n";

    fields = Sender;
    fields["txtEmailBodyOfMessage"] = "Nice browser.\n";
    QTest::newRow("Form4") << "Form4" << fields << "wavecrest-comments@brimlow.example"
                           << QStringList{"From: Ann Smith <ann@sender.test>",
                                  "Date:", "X-Mailer: Postwick v 2.x",
                                  "To: wavecrest-comments@brimlow.example",
                                  "Subject: Wavecrest Comments"}
                           << "Wavecrest Comments"
                           << "Ann Smith"
                           << "Nice browser.\r\n\r\n\r\n";
}

void MailWindowsTest::sendThroughRealServer()
{
    QFETCH(QString, form);
    QFETCH(Fields, fields);
    QFETCH(QString, recipient);
    QFETCH(QStringList, headers);
    QFETCH(QString, subject);
    QFETCH(QString, fromName);
    QFETCH(QString, body);

    TestContext test;
    MessageBoxRecorder boxes;
    const auto window = makeWindow(form, *test.context);
    fields["txtEmailServer"] = m_sink.serverField();
    fill(window.get(), fields);
    QSignalSpy statuses(window->findChild<SmtpClient *>(), &SmtpClient::statusChanged);
    const int message = m_sink.messageCount();

    clickSend(window.get());
    QTRY_VERIFY_WITH_TIMEOUT(exchangeOver(window.get()), 10000);

    QCOMPARE(status(window.get()), QStringLiteral("Mail Sent"));
    QCOMPARE(boxes.boxes.size(), 0);
    QStringList shown;
    for (const QList<QVariant> &each : statuses)
        shown.append(each.first().toString());
    QCOMPARE(
        shown, QStringList({"Connecting....", "Connected", "Sending Message", "Disconnecting"}));

    QCOMPARE(m_sink.messageCount(), message + 1);
    const QJsonObject saved = m_sink.message(message);
    QCOMPARE(saved["helo"].toString(), QStringLiteral("wavecrest.brimlow.example"));
    QCOMPARE(saved["mail_from"].toString(), QStringLiteral("ann@sender.test"));
    QCOMPARE(saved["rcpt_tos"].toArray(), QJsonArray({recipient}));
    const QJsonArray lines = saved["header_lines"].toArray();
    QCOMPARE(lines.size(), headers.size());
    for (int i = 0; i < headers.size(); ++i)
        QVERIFY2(lines[i].toString().startsWith(headers[i]), qPrintable(lines[i].toString()));
    QVERIFY(
        QRegularExpression(QStringLiteral(R"(^Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d )"
                                          R"((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                                          R"(\d{4} \d\d:\d\d:\d\d [+-]\d{4}$)"))
            .match(lines[1].toString())
            .hasMatch());
    QCOMPARE(
        saved["date_offset_minutes"].toInt(), QDateTime::currentDateTime().offsetFromUtc() / 60);
    QCOMPARE(saved["subject"].toString(), subject);
    QCOMPARE(saved["from_name"].toString(), fromName);
    QCOMPARE(saved["from_address"].toString(), QStringLiteral("ann@sender.test"));
    QCOMPARE(saved["body"].toString(), body);

    QCOMPARE(settingValue(test, SettingsKeys::MailServer), m_sink.serverField());
    const bool remembersSender = form == QLatin1String("Form3");
    QCOMPARE(settingValue(test, SettingsKeys::Name), remembersSender ? fields["txtFromName"] : "");
    QCOMPARE(settingValue(test, SettingsKeys::Email),
        remembersSender ? fields["txtFromEmailAddress"] : "");
    // The two windows share the remembered server.
    SendMailWindow next(*test.context);
    QCOMPARE(fieldText(&next, QStringLiteral("txtEmailServer")), m_sink.serverField());
}

void MailWindowsTest::failedExchange_data()
{
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QString>("outcome");

    const QByteArrayList upToRecipient = {"HELO wavecrest.brimlow.example",
        "mail from:<ann@sender.test>", "rcpt to:<bob@recipient.test>"};
    const QString improper
        = QStringLiteral("SMTP service error, impromper response code. Code should have been: ");
    QTest::newRow("recipient rejected")
        << QByteArray("rcpt") << QByteArray("550 5.1.1 no such user\r\n")
        << improper + "250 Code recieved: 550 5.1.1 no such user\r\n"
        << upToRecipient + QByteArrayList{"quit"} << "Mail Not Sent";
    QTest::newRow("recipient rejected in several lines")
        << QByteArray("rcpt") << QByteArray("550-no such user\r\n550 try another\r\n")
        << improper + "250 Code recieved: 550-no such user\r\n550 try another\r\n"
        << upToRecipient + QByteArrayList{"quit"} << "Mail Not Sent";
    QTest::newRow("greeting refuses")
        << QByteArray("greeting") << QByteArray("554 no service here\r\n")
        << improper + "220 Code recieved: 554 no service here\r\n"
        << QByteArrayList{"quit"} << "Mail Not Sent";
    QTest::newRow("never answers") << QByteArray("greeting") << QByteArray()
                                   << "SMTP service error, timed out while waiting for response"
                                   << QByteArrayList{"quit"} << "Mail Not Sent";
    QTest::newRow("message refused")
        << QByteArray(".") << QByteArray("554 5.7.1 looks like spam\r\n")
        << improper + "250 Code recieved: 554 5.7.1 looks like spam\r\n"
        << upToRecipient + QByteArrayList{"data", "quit"} << "Mail Not Sent";
    QTest::newRow("connection dropped") << QByteArray("mail") << FakeSmtpServer::Drop
                                        << "SMTP service error, connection closed by mail server"
                                        << upToRecipient.mid(0, 2) << "Mail Not Sent";
    QTest::newRow("wrong goodbye") << QByteArray("quit") << QByteArray("500 what?\r\n")
                                   << improper + "221 Code recieved: 500 what?\r\n"
                                   << upToRecipient + QByteArrayList{"data", "quit"} << "Mail Sent";
    QTest::newRow("no goodbye, connection closed")
        << QByteArray("quit") << FakeSmtpServer::Drop << QString()
        << upToRecipient + QByteArrayList{"data", "quit"} << "Mail Sent";
}

void MailWindowsTest::failedExchange()
{
    QFETCH(QByteArray, step);
    QFETCH(QByteArray, reply);
    QFETCH(QString, box);
    QFETCH(QByteArrayList, commands);
    QFETCH(QString, outcome);

    // Only the silent server waits for the limit; the others answer at once.
    const auto limit = reply.isEmpty() ? 300ms : 10000ms;
    FakeSmtpServer server;
    server.replies[step] = reply;
    TestContext test;
    MessageBoxRecorder boxes;
    SendMailWindow window(*test.context, {25, limit});
    Fields fields = Sender;
    fields["txtEmailServer"] = server.serverField();
    fill(&window, fields);

    QElapsedTimer elapsed;
    elapsed.start();
    clickSend(&window);
    QTRY_VERIFY_WITH_TIMEOUT(exchangeOver(&window), 10000);

    QCOMPARE(status(&window), outcome);
    if (box.isEmpty()) {
        QCOMPARE(boxes.boxes.size(), 0);
    } else {
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes.first().text, box);
        QCOMPARE(boxes.boxes.first().icon, QMessageBox::Information);
    }
    if (reply.isEmpty())
        QVERIFY(elapsed.elapsed() >= limit.count());
    QTRY_VERIFY(server.connectionEnded);
    QCOMPARE(server.commands, commands);
    // The fields are remembered whatever the outcome.
    QCOMPARE(settingValue(test, SettingsKeys::MailServer), server.serverField());
    QCOMPARE(settingValue(test, SettingsKeys::Name), QStringLiteral("Ann Smith"));
}

void MailWindowsTest::connectionFailureIsReportedAtOnce_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("box");

    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 refusingPort = closed.serverPort();
    closed.close();

    QTest::newRow("empty server field") << ""
                                        << "SMTP service error, mail server not found: ";
    QTest::newRow("host not found") << "no such host"
                                    << "SMTP service error, mail server not found: no such host";
    QTest::newRow("connection refused")
        << QStringLiteral("127.0.0.1:%1").arg(refusingPort)
        << QStringLiteral("SMTP service error, connection refused by mail server: "
                          "127.0.0.1 port %1")
               .arg(refusingPort);
    QTest::newRow("unreadable port") << "mail.test:smtp"
                                     << "SMTP service error, mail server not understood: "
                                        "mail.test:smtp";
}

void MailWindowsTest::connectionFailureIsReportedAtOnce()
{
    QFETCH(QString, server);
    QFETCH(QString, box);

    TestContext test;
    MessageBoxRecorder boxes;
    // A limit far longer than the test waits: the failure must not wait for it.
    SendMailWindow window(*test.context, {25, 60s});
    Fields fields = Sender;
    fields["txtEmailServer"] = server;
    fill(&window, fields);

    clickSend(&window);
    QTRY_VERIFY_WITH_TIMEOUT(exchangeOver(&window), 10000);

    QCOMPARE(status(&window), QStringLiteral("Mail Not Sent"));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().text, box);
    QCOMPARE(boxes.boxes.first().icon, QMessageBox::Information);
    QCOMPARE(settingValue(test, SettingsKeys::MailServer), server);
}

void MailWindowsTest::secondSendShowsOnlyTheStateBox()
{
    FakeSmtpServer server;
    server.replies["greeting"].clear();
    TestContext test;
    MessageBoxRecorder boxes;
    CommentsWindow window(*test.context, {25, 10s});
    fill(&window, {{"txtEmailServer", server.serverField()}});

    clickSend(&window);
    QTRY_COMPARE(window.findChild<SmtpClient *>()->stateNumber(), 7);
    clickSend(&window);

    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().text, QStringLiteral(" 7"));
    QCOMPARE(boxes.boxes.first().icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.boxes.first().caption, QStringLiteral("Wavecrest"));
    QCOMPARE(status(&window), QString());
    QCOMPARE(server.connections, 1);
    QCOMPARE(settingValue(test, SettingsKeys::MailServer), QString());
}

void MailWindowsTest::closingMidExchange_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("closeButton");

    QTest::newRow("Form3 through the window frame") << "Form3"
                                                    << "";
    QTest::newRow("Form4 through its Exit button") << "Form4"
                                                   << "Command2";
}

void MailWindowsTest::closingMidExchange()
{
    QFETCH(QString, form);
    QFETCH(QString, closeButton);

    FakeSmtpServer server;
    server.replies["mail"].clear();
    TestContext test;
    registerApplicationWindows(*test.context);
    MessageBoxRecorder boxes;
    QPointer<QWidget> window = test.context->windows().open(form);
    QVERIFY(window);
    QCOMPARE(test.context->windows().open(form), window.data());
    Fields fields = Sender;
    fields["txtEmailServer"] = server.serverField();
    fill(window, fields);

    clickSend(window);
    QTRY_COMPARE(server.commands.size(), 2);
    if (closeButton.isEmpty())
        window->close();
    else
        window->findChild<QPushButton *>(closeButton)->click();

    QTRY_VERIFY(window.isNull());
    QTRY_VERIFY(server.connectionEnded);
    QCOMPARE(server.commands.last(), QByteArray("quit"));
    QCOMPARE(boxes.boxes.size(), 0);
    QCOMPARE(settingValue(test, SettingsKeys::MailServer), QString());
    QVERIFY(!test.context->windows().find(form));
}

WAVECREST_TEST(MailWindowsTest)
#include "tst_mailwindows.moc"
