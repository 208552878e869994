#include "webserver/serverwindow.h"

#include "core/appcontext.h"
#include "core/windownames.h"
#include "net/epolldispatcher.h"
#include "net/socketio.h"
#include "ui/messagebox.h"
#include "ui/placement.h"
#include "webserver/serverlog.h"

#include <QAbstractListModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include <deque>

// The log's lines, the newest MaxLogLines of them, made from the server's
// entries only when the list shows them.
class ServerLogModel : public QAbstractListModel
{
public:
    explicit ServerLogModel(QObject *parent) : QAbstractListModel(parent) { }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_entries.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= rowCount())
            return {};
        const ServerLog::Entry &entry = m_entries[size_t(index.row())];
        switch (entry.kind) {
        case ServerLog::Entry::Kind::Line:
            break;
        case ServerLog::Entry::Kind::Connection:
            return ServerWindow::tr("%1 connected").arg(entry.text);
        case ServerLog::Entry::Kind::Request: {
            // One character per byte, the path exactly as it came, then the
            // status and, for part of a file, which part.
            QString line
                = ServerWindow::tr("requested page: %1").arg(QString::fromLatin1(entry.target));
            if (!entry.outcome.isEmpty())
                line += u' ' + QString::fromLatin1(entry.outcome);
            return line;
        }
        }
        return entry.text;
    }

    // Adds the entries after the others, the oldest making room; returns how
    // many rows went from the top.
    int add(QList<ServerLog::Entry> entries)
    {
        const qsizetype kept = qMin<qsizetype>(entries.size(), ServerWindow::MaxLogLines);
        const int excess = int(qMax<qsizetype>(0, rowCount() + kept - ServerWindow::MaxLogLines));
        if (excess > 0) {
            beginRemoveRows({}, 0, excess - 1);
            m_entries.erase(m_entries.begin(), m_entries.begin() + excess);
            endRemoveRows();
        }
        beginInsertRows({}, rowCount(), rowCount() + int(kept) - 1);
        for (auto entry = entries.end() - kept; entry != entries.end(); ++entry)
            m_entries.push_back(std::move(*entry));
        endInsertRows();
        return excess;
    }

    void clear()
    {
        beginResetModel();
        m_entries.clear();
        endResetModel();
    }

private:
    std::deque<ServerLog::Entry> m_entries;
};

ServerWindow::ServerWindow(
    AppContext &context, quint16 port, const QHostAddress &address, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_context(context),
      m_defaultPort(port), m_thread(new QThread(this)),
      m_server(new HttpServer(context.dataDirectory(), port, address)),
      m_serverLog(new ServerLog(MaxLogLines, this)), m_logModel(new ServerLogModel(this)),
      m_logTimer(new QTimer(this))
{
    m_server->setPrivateFolders(context.engineStorage());
    setObjectName(QLatin1String(WindowNames::WebServer));
    setWindowTitle(tr("Brimlow Web Server"));
    setFont(windowFont());
    setFixedSize(Twips::toPixels(3315), Twips::toPixels(2430));
    createControls();

    m_logTimer->setSingleShot(true);
    m_logTimer->setInterval(LogFlushIntervalMs);
    connect(m_logTimer, &QTimer::timeout, this, &ServerWindow::flushLog);
    connect(m_serverLog, &ServerLog::linesWaiting, this, &ServerWindow::logLinesWaiting);
    // Taken down where the server tells of them, on its thread; made into
    // lines only when the list shows them.
    connect(m_server, &HttpServer::connectionAccepted, m_serverLog, &ServerLog::appendConnection,
        Qt::DirectConnection);
    connect(m_server, &HttpServer::requestReceived, m_serverLog, &ServerLog::appendRequest,
        Qt::DirectConnection);

    m_thread->setObjectName(QStringLiteral("web server"));
    auto *dispatcher = new EpollDispatcher;
    if (dispatcher->valid())
        m_thread->setEventDispatcher(dispatcher);
    else
        delete dispatcher;
    m_server->moveToThread(m_thread);
    // The server ends its connections as it goes, on its own thread.
    connect(m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    // The thread only serves: it never starts a program that would inherit
    // the held signal.
    connect(m_thread, &QThread::started, m_server, &holdBrokenPipeSignal, Qt::DirectConnection);
    m_thread->start();
}

ServerWindow::~ServerWindow()
{
    m_thread->quit();
    m_thread->wait();
}

void ServerWindow::createControls()
{
    auto *logTitle
        = placeControl(new QLabel(tr("Log On History"), this), "Label1", {120, 0, 3135, 255});
    m_log = placeControl(new QListView(this), "List1", {120, 240, 3135, 1185});
    m_log->setModel(m_logModel);
    m_log->setUniformItemSizes(true);
    m_log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The label names the list for screen readers; a list, unlike a text
    // field, does not take its name from the label by itself.
    logTitle->setBuddy(m_log);
    m_log->setAccessibleName(logTitle->text());

    auto *addressTitle
        = placeControl(new QLabel(tr("Your IP Adress"), this), "Label2", {120, 1440, 3135, 255});
    m_address = placeControl(new QLineEdit(this), "Text1", {120, 1680, 3135, 285});
    addressTitle->setBuddy(m_address);

    m_start = placeControl(new QPushButton(tr("Start"), this), "Command1", {120, 2040, 975, 375});
    connect(m_start, &QPushButton::clicked, this, &ServerWindow::StartServer);

    m_stop = placeControl(new QPushButton(tr("Stop"), this), "Command2", {1200, 2040, 975, 375});
    m_stop->setEnabled(false);
    connect(m_stop, &QPushButton::clicked, this, &ServerWindow::StopServer);

    auto *help
        = placeControl(new QPushButton(tr("Help"), this), "Command3", {2280, 2040, 975, 375});
    connect(help, &QPushButton::clicked, this, &ServerWindow::openHelp);
}

quint16 ServerWindow::firstPort() const
{
    bool valid = false;
    const uint port = m_context.setting(SettingsKey::WebServerPort).toUInt(&valid);
    return valid && port >= 1 && port <= 65535 ? quint16(port) : m_defaultPort;
}

void ServerWindow::StartServer()
{
    const quint16 first = firstPort();
    bool listening = false;
    // A moment's wait while the server opens its socket on its own thread;
    // what it then tells of its start stays as it is until the next one.
    QMetaObject::invokeMethod(
        m_server,
        [server = m_server, first] {
            server->setPort(first);
            return server->start();
        },
        Qt::BlockingQueuedConnection, &listening);
    if (!listening) {
        reportStartFailure();
        return;
    }
    const quint16 port = m_server->serverPort();
    // Browsers ask for port 80 by themselves; any other must be named.
    QString address = QStringLiteral("http://") + m_server->localAddress();
    if (port != HttpServer::DefaultPort)
        address += u':' + QString::number(port);
    m_address->setText(address);
    // Two short lines: the log is narrow.
    if (port != m_server->port()) {
        appendToLog(tr("Port %1 is reserved.").arg(m_server->port()));
        appendToLog(tr("Serving on port %1.").arg(port));
    }
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
}

void ServerWindow::reportStartFailure()
{
    QString text = tr("The web server could not listen on port %1.\n%2")
                       .arg(m_server->port())
                       .arg(m_server->errorString());
    const QList<quint16> fallbacks = m_server->fallbackPorts();
    if (m_server->triedFallbackPorts() && !fallbacks.isEmpty()) {
        text += u'\n'
            + tr("Ports %1 to %2 could not be used either.")
                  .arg(fallbacks.first())
                  .arg(fallbacks.last());
    }
    showMessageBox(this, text, QMessageBox::Critical);
}

void ServerWindow::StopServer()
{
    m_start->setEnabled(true);
    m_stop->setEnabled(false);
    m_address->clear();
    QMetaObject::invokeMethod(m_server, &HttpServer::stop, Qt::BlockingQueuedConnection);
    // Nothing is added now until the next start.
    m_serverLog->clear();
    m_logTimer->stop();
    m_logModel->clear();
}

void ServerWindow::appendToLog(const QString &line)
{
    m_serverLog->append(line);
}

void ServerWindow::logLinesWaiting()
{
    if (!m_logTimer->isActive())
        m_logTimer->start();
}

void ServerWindow::flushLog()
{
    QList<ServerLog::Entry> entries = m_serverLog->takeAll();
    if (entries.isEmpty())
        return;
    QScrollBar *scroll = m_log->verticalScrollBar();
    // The log follows its newest line unless the user has scrolled up to
    // read; then the lines in view stay in view.
    const bool following = scroll->value() == scroll->maximum();
    const int firstInView = scroll->value();
    const int excess = m_logModel->add(std::move(entries));
    if (following)
        m_log->scrollToBottom();
    else if (excess > 0)
        m_log->scrollTo(
            m_logModel->index(qMax(0, firstInView - excess)), QAbstractItemView::PositionAtTop);
}

void ServerWindow::openHelp()
{
    m_context.windows().open(QLatin1String(WindowNames::WebServerHelp));
}
