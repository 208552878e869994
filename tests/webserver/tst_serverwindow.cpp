#include "app/applicationwindows.h"
#include "app/windownames.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"
#include "webservertest.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>

class ServerWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void startServesLogsAndStopEndsEverything();
    void logKeepsTheNewestLines();
    void closingWithConnectionsOpen();
    void helpWindow();

private:
    void click(const char *button) const
    {
        QTest::mouseClick(m_window->findChild<QPushButton *>(button), Qt::LeftButton);
    }
    QString text(const char *control) const
    {
        return m_window->findChild<QWidget *>(control)->property("text").toString();
    }
    // Whether Start and Stop can be clicked.
    std::pair<bool, bool> clickable() const
    {
        return {m_window->findChild<QPushButton *>("Command1")->isEnabled(),
            m_window->findChild<QPushButton *>("Command2")->isEnabled()};
    }
    QStringList shownLog() const
    {
        QStringList lines;
        const auto *list = m_window->findChild<QListWidget *>("List1");
        for (int row = 0; row < list->count(); ++row)
            lines.append(list->item(row)->text());
        return lines;
    }

    std::unique_ptr<TestContext> m_test;
    QPointer<ServerWindow> m_window;
    QTcpServer m_portHolder;
};

// The window is made for a port the test holds, so that Start fails until the
// port is let go.
void ServerWindowTest::init()
{
    m_test = std::make_unique<TestContext>();
    registerApplicationWindows(*m_test->context);
    QVERIFY(m_portHolder.listen(QHostAddress::LocalHost, 0));
    m_window
        = new ServerWindow(*m_test->context, m_portHolder.serverPort(), QHostAddress::LocalHost);
    m_window->show();
}

void ServerWindowTest::cleanup()
{
    delete m_window.data();
    m_portHolder.close();
    m_test.reset();
}

void ServerWindowTest::startServesLogsAndStopEndsEverything()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Brimlow Web Server"));
    for (const auto &[control, shown] :
        {std::pair{"Label1", "Log On History"}, {"Label2", "Your IP Adress"}, {"Text1", ""},
            {"Command1", "Start"}, {"Command2", "Stop"}, {"Command3", "Help"}})
        QCOMPARE(text(control), QLatin1String(shown));
    QCOMPARE(clickable(), std::pair(true, false));

    // The port is taken: the user is told why and nothing pretends to run.
    const quint16 port = m_portHolder.serverPort();
    MessageBoxRecorder recorder;
    click("Command1");
    QCOMPARE(recorder.boxes.size(), 1);
    const MessageBoxRequest &box = recorder.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.contains(QString::number(port)), qPrintable(box.text));
    QVERIFY2(box.text.contains(QLatin1String("in use"), Qt::CaseInsensitive), qPrintable(box.text));
    QCOMPARE(clickable(), std::pair(true, false));
    QCOMPARE(text("Text1"), QString());

    m_portHolder.close();
    m_test->writeFile(QStringLiteral("index.html"), "served from $IP");
    click("Command1");
    QCOMPARE(clickable(), std::pair(false, true));
    const QString shown = text("Text1");
    QVERIFY2(shown.startsWith(QLatin1String("http://")), qPrintable(shown));
    QCOMPARE(QHostAddress(shown.mid(7)).protocol(), QAbstractSocket::IPv4Protocol);
    // Pages name the server by the address the window shows.
    QCOMPARE(fetch(port, "GET /\r\n"), "served from " + shown.mid(7).toLatin1() + "\r\n");
    fetch(port, "GET /a%20b.html?x=1 HTTP/1.1\r\n\r\n");
    fetch(port, "GET /../Wavecrest.ini\r\n");
    TestClient waiting(port);
    waiting.socket.write("get /\r\n");
    QTRY_COMPARE(shownLog(),
        QStringList({"127.0.0.1 connected", "requested page: /", "127.0.0.1 connected",
            "requested page: /a%20b.html?x=1", "127.0.0.1 connected",
            "requested page: /../Wavecrest.ini", "127.0.0.1 connected"}));

    click("Command2");
    QCOMPARE(clickable(), std::pair(true, false));
    QCOMPARE(text("Text1"), QString());
    QCOMPARE(shownLog(), QStringList());
    QTRY_VERIFY(waiting.closed);
    QCOMPARE(waiting.received, QByteArray());
    TestClient refused(port);
    QTRY_VERIFY(refused.closed);
    QCOMPARE(refused.socket.error(), QAbstractSocket::ConnectionRefusedError);
}

void ServerWindowTest::logKeepsTheNewestLines()
{
    // A burst far larger than the log, as the server reports it, then more
    // once the log is full.
    const int burst = ServerWindow::MaxLogLines + 2500;
    for (int i = 0; i < burst; ++i)
        Q_EMIT m_window->server()->connectionAccepted(QString::number(i));
    QTRY_COMPARE(shownLog().size(), ServerWindow::MaxLogLines);
    for (int i = 0; i < 100; ++i)
        Q_EMIT m_window->server()->requestReceived("/more");
    QTRY_COMPARE(shownLog().last(), QStringLiteral("requested page: /more"));

    const QStringList lines = shownLog();
    QCOMPARE(lines.size(), ServerWindow::MaxLogLines);
    QCOMPARE(
        lines.first(), QString::number(burst + 100 - ServerWindow::MaxLogLines) + " connected");
    QCOMPARE(lines.at(lines.size() - 101), QString::number(burst - 1) + " connected");
}

void ServerWindowTest::closingWithConnectionsOpen()
{
    m_portHolder.close();
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->StartServer();
    TestClient waiting(m_window->server()->serverPort());
    waiting.socket.write("GET /unfinished");
    QTRY_COMPARE(shownLog().size(), 1);
    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QTRY_VERIFY(waiting.closed);
    QCOMPARE(waiting.received, QByteArray());
}

void ServerWindowTest::helpWindow()
{
    WindowRegistry &windows = m_test->context->windows();
    click("Command3");
    QPointer<QWidget> help = windows.find(QLatin1String(WindowNames::WebServerHelp));
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->windowTitle(), QStringLiteral("Web Server Help"));
    // Eight lines, each with its CR LF.
    const QString expected = QString::fromLatin1(testData("help.txt"));
    QCOMPARE(ServerHelpWindow::helpText(), expected);
    QCOMPARE(help->findChild<QPlainTextEdit *>("Text1")->toPlainText(),
        QString(expected).replace("\r\n", "\n"));
    // A second click shows the same window.
    click("Command3");
    QCOMPARE(windows.find(QLatin1String(WindowNames::WebServerHelp)), help.data());
    delete help.data();
}

WAVECREST_TEST(ServerWindowTest)
#include "tst_serverwindow.moc"
