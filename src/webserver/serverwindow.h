#pragma once

#include <QHostAddress>
#include <QStringList>
#include <QWidget>

#include "webserver/httpserver.h"

class AppContext;
class QLineEdit;
class QListView;
class QPushButton;
class QThread;
class QTimer;
class ServerLog;
class ServerLogModel;

// The "server" window: starts and stops the web server, shows the address
// under which this machine serves, and logs connections and requests.
//
// The server runs on a thread of its own, so that clients never wait for the
// window and the window never waits for clients; Start and Stop wait only
// for the server to open or close its sockets.
class ServerWindow : public QWidget
{
    Q_OBJECT

public:
    // The log keeps the newest lines only, so a long run cannot eat memory.
    static constexpr int MaxLogLines = 10000;
    // Lines reach the list in batches: a burst of connections adds them a
    // few times a second instead of once per line.
    static constexpr int LogFlushIntervalMs = 100;
    // The program serves on port 80 of every interface unless the settings
    // name another port; tests pass other ports and addresses.
    explicit ServerWindow(AppContext &context, quint16 port = HttpServer::DefaultPort,
        const QHostAddress &address = QHostAddress::Any, QWidget *parent = nullptr);
    ~ServerWindow() override;

    // Lives on the server's thread. Its settings may be changed while it is
    // stopped.
    HttpServer *server() const { return m_server; }

    void StartServer();
    void StopServer();

private:
    void createControls();
    quint16 firstPort() const;
    void reportStartFailure();
    void appendToLog(const QString &line);
    void logLinesWaiting();
    void flushLog();
    void openHelp();

    AppContext &m_context;
    const quint16 m_defaultPort;
    QThread *m_thread;
    HttpServer *m_server;
    ServerLog *m_serverLog;
    ServerLogModel *m_logModel;
    QListView *m_log = nullptr;
    QLineEdit *m_address = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QTimer *m_logTimer;
};
