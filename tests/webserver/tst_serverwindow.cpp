#include "app/applicationwindows.h"
#include "app/windownames.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "testclient.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

class ServerWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void startShowsAddressAndStopClearsEverything();
    void logLines_data();
    void logLines();
    void logKeepsTheNewestLines();
    void failedListenIsReported();
    void closingWithConnectionsOpen();
    void helpWindow();

private:
    template <typename T> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    QStringList shownLog() const;
    quint16 port() const { return m_window->server()->serverPort(); }

    std::unique_ptr<TestContext> m_test;
    QPointer<ServerWindow> m_window;
};

void ServerWindowTest::init()
{
    m_test = std::make_unique<TestContext>();
    registerApplicationWindows(*m_test->context);
    m_window = new ServerWindow(*m_test->context, 0, QHostAddress::LocalHost);
    m_window->show();
}

void ServerWindowTest::cleanup()
{
    delete m_window.data();
    m_test.reset();
}

QStringList ServerWindowTest::shownLog() const
{
    QStringList lines;
    const auto *list = control<QListWidget>("List1");
    for (int row = 0; row < list->count(); ++row)
        lines.append(list->item(row)->text());
    return lines;
}

void ServerWindowTest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("enabled");

    const auto row = [](const char *name, const QString &text, QRect geometry, bool enabled) {
        QTest::newRow(name) << QString::fromLatin1(name) << text << geometry << enabled;
    };
    row("Label1", "Log On History", QRect(8, 0, 209, 17), true);
    row("List1", {}, QRect(8, 16, 209, 79), true);
    row("Label2", "Your IP Adress", QRect(8, 96, 209, 17), true);
    row("Text1", {}, QRect(8, 112, 209, 19), true);
    row("Command1", "Start", QRect(8, 136, 65, 25), true);
    row("Command2", "Stop", QRect(80, 136, 65, 25), false);
    row("Command3", "Help", QRect(152, 136, 65, 25), true);
}

void ServerWindowTest::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(bool, enabled);

    QCOMPARE(m_window->objectName(), QLatin1String(WindowNames::WebServer));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Brimlow Web Server"));
    QCOMPARE(m_window->size(), QSize(221, 162));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());

    QWidget *widget = m_window->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isEnabled(), enabled);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), text);
    else if (auto *list = qobject_cast<QListWidget *>(widget))
        QCOMPARE(list->count(), 0);
    else
        QFAIL("unexpected kind of control");
    QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
    QVERIFY(widget->font().bold());
}

void ServerWindowTest::startShowsAddressAndStopClearsEverything()
{
    m_test->writeFile(QStringLiteral("index.html"), "served from $IP");
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QVERIFY(m_window->server()->isListening());
    QVERIFY(!control<QPushButton>("Command1")->isEnabled());
    QVERIFY(control<QPushButton>("Command2")->isEnabled());

    const QString shown = control<QLineEdit>("Text1")->text();
    QVERIFY2(shown.startsWith(QLatin1String("http://")), qPrintable(shown));
    const QHostAddress address(shown.mid(7));
    QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
    // Pages name the server by the address the window shows.
    const auto received = fetch(port(), "GET /\r\n");
    QVERIFY(received);
    QCOMPARE(*received, "served from " + shown.mid(7).toLatin1() + "\r\n");
    QTRY_COMPARE(shownLog().size(), 2);

    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    QVERIFY(!m_window->server()->isListening());
    QVERIFY(control<QPushButton>("Command1")->isEnabled());
    QVERIFY(!control<QPushButton>("Command2")->isEnabled());
    QCOMPARE(control<QLineEdit>("Text1")->text(), QString());
    QCOMPARE(shownLog(), QStringList());
}

void ServerWindowTest::logLines_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("browser asking for /")
        << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n")
        << QStringList{"127.0.0.1 connected", "requested page: /"};
    QTest::newRow("path as received, query included")
        << QByteArray("GET /a%20b.html?x=1\r\n")
        << QStringList{"127.0.0.1 connected", "requested page: /a%20b.html?x=1"};
    QTest::newRow("refused path is still logged")
        << QByteArray("GET /../Wavecrest.ini\r\n")
        << QStringList{"127.0.0.1 connected", "requested page: /../Wavecrest.ini"};
    QTest::newRow("ignored line logs the connection only")
        << QByteArray("get /\r\n") << QStringList{"127.0.0.1 connected"};
}

void ServerWindowTest::logLines()
{
    QFETCH(QByteArray, request);
    QFETCH(QStringList, lines);

    m_window->StartServer();
    TestClient client(port());
    QVERIFY(waitUntil([&] { return client.isConnected(); }));
    client.send(request);
    QTRY_COMPARE(shownLog(), lines);
}

void ServerWindowTest::logKeepsTheNewestLines()
{
    m_window->StartServer();
    // A burst far larger than the log, as the server reports it.
    const int burst = ServerWindow::MaxLogLines + 2500;
    for (int i = 0; i < burst; ++i)
        Q_EMIT m_window->server()->connectionAccepted(QStringLiteral("peer %1").arg(i));
    QTRY_COMPARE(shownLog().size(), ServerWindow::MaxLogLines);
    for (int i = 0; i < 100; ++i)
        Q_EMIT m_window->server()->requestReceived("/more");
    QTRY_COMPARE(shownLog().last(), QStringLiteral("requested page: /more"));

    const QStringList lines = shownLog();
    QCOMPARE(lines.size(), ServerWindow::MaxLogLines);
    QCOMPARE(lines.first(),
        QStringLiteral("peer %1 connected").arg(burst + 100 - ServerWindow::MaxLogLines));
    QCOMPARE(lines.at(lines.size() - 101), QStringLiteral("peer %1 connected").arg(burst - 1));
}

void ServerWindowTest::failedListenIsReported()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    delete m_window.data();
    m_window = new ServerWindow(*m_test->context, holder.serverPort(), QHostAddress::LocalHost);
    m_window->show();

    MessageBoxRecorder recorder;
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(recorder.boxes.size(), 1);
    const MessageBoxRequest &box = recorder.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.contains(QString::number(holder.serverPort())), qPrintable(box.text));
    QVERIFY2(box.text.contains(QLatin1String("in use"), Qt::CaseInsensitive), qPrintable(box.text));
    QVERIFY(!m_window->server()->isListening());
    QVERIFY(control<QPushButton>("Command1")->isEnabled());
    QVERIFY(!control<QPushButton>("Command2")->isEnabled());
    QCOMPARE(control<QLineEdit>("Text1")->text(), QString());
}

void ServerWindowTest::closingWithConnectionsOpen()
{
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->StartServer();
    QSignalSpy accepted(m_window->server(), &HttpServer::connectionAccepted);
    TestClient waiting(port());
    waiting.send("GET /unfinished");
    QVERIFY(waitUntil([&] { return accepted.count() == 1; }));

    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(waitUntil([&] { return waiting.isClosed(); }));
    QCOMPARE(waiting.received, QByteArray());
}

void ServerWindowTest::helpWindow()
{
    WindowRegistry &windows = m_test->context->windows();
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QPointer<QWidget> help = windows.find(QLatin1String(WindowNames::WebServerHelp));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowTitle(), QStringLiteral("Web Server Help"));
    QCOMPARE(help->size(), QSize(312, 160));
    auto *text = help->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    QVERIFY(text);
    QCOMPARE(text->geometry(), QRect(0, 0, 313, 161));
    QCOMPARE(text->font().family(), QStringLiteral("Arial"));
    QCOMPARE(text->font().pointSize(), 12);
    QVERIFY(text->font().bold());
    // Eight lines, each with its break; all but the last end in a space.
    QCOMPARE(ServerHelpWindow::helpText(),
        QStringLiteral("In order for the web server to work \r\n"
                       "properly, you must move all of \r\n"
                       "your web pages into the Wavecrest \r\n"
                       "directory. Then just hit \"start\" \r\n"
                       "and tell all your friends and co-workers \r\n"
                       "your IP adress. Your web page will be \r\n"
                       "accessable as long as the web server is \r\n"
                       "running.\r\n"));
    QCOMPARE(text->toPlainText(), ServerHelpWindow::helpText().replace("\r\n", "\n"));

    // A second click shows the same window.
    QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
    QCOMPARE(windows.find(QLatin1String(WindowNames::WebServerHelp)), help.data());
    delete help.data();
}

WAVECREST_TEST(ServerWindowTest)
#include "tst_serverwindow.moc"
