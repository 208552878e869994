#include "webserver/serverwindow.h"

#include "core/appcontext.h"
#include "core/windownames.h"
#include "platform/messagebox.h"
#include "platform/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

ServerWindow::ServerWindow(
    AppContext &context, quint16 port, const QHostAddress &address, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_context(context),
      m_server(new HttpServer(context.dataDirectory(), port, address, this)),
      m_logTimer(new QTimer(this))
{
    setObjectName(QLatin1String(WindowNames::WebServer));
    setWindowTitle(tr("Brimlow Web Server"));
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setFixedSize(Twips::toPixels(3315), Twips::toPixels(2430));
    createControls();

    m_logTimer->setSingleShot(true);
    m_logTimer->setInterval(LogFlushIntervalMs);
    connect(m_logTimer, &QTimer::timeout, this, &ServerWindow::flushLog);
    connect(m_server, &HttpServer::connectionAccepted, this,
        [this](const QString &peerAddress) { appendToLog(peerAddress + tr(" connected")); });
    connect(m_server, &HttpServer::requestReceived, this, [this](const QByteArray &path) {
        // One character per byte, the path exactly as it came.
        appendToLog(tr("requested page: ") + QString::fromLatin1(path));
    });
}

void ServerWindow::createControls()
{
    auto *logTitle = new QLabel(tr("Log On History"), this);
    logTitle->setObjectName(QStringLiteral("Label1"));
    logTitle->setGeometry(Twips::toRect(120, 0, 3135, 255));

    m_log = new QListWidget(this);
    m_log->setObjectName(QStringLiteral("List1"));
    m_log->setGeometry(Twips::toRect(120, 240, 3135, 1185));
    m_log->setUniformItemSizes(true);

    auto *addressTitle = new QLabel(tr("Your IP Adress"), this);
    addressTitle->setObjectName(QStringLiteral("Label2"));
    addressTitle->setGeometry(Twips::toRect(120, 1440, 3135, 255));

    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("Text1"));
    m_address->setGeometry(Twips::toRect(120, 1680, 3135, 285));

    m_start = new QPushButton(tr("Start"), this);
    m_start->setObjectName(QStringLiteral("Command1"));
    m_start->setGeometry(Twips::toRect(120, 2040, 975, 375));
    connect(m_start, &QPushButton::clicked, this, &ServerWindow::StartServer);

    m_stop = new QPushButton(tr("Stop"), this);
    m_stop->setObjectName(QStringLiteral("Command2"));
    m_stop->setGeometry(Twips::toRect(1200, 2040, 975, 375));
    m_stop->setEnabled(false);
    connect(m_stop, &QPushButton::clicked, this, &ServerWindow::StopServer);

    auto *help = new QPushButton(tr("Help"), this);
    help->setObjectName(QStringLiteral("Command3"));
    help->setGeometry(Twips::toRect(2280, 2040, 975, 375));
    connect(help, &QPushButton::clicked, this, &ServerWindow::openHelp);
}

void ServerWindow::StartServer()
{
    if (!m_server->start()) {
        showMessageBox(this,
            tr("The web server could not listen on port %1.\n%2")
                .arg(m_server->port())
                .arg(m_server->errorString()),
            QMessageBox::Critical);
        return;
    }
    // The port is not shown: browsers ask for 80 by themselves.
    m_address->setText(QStringLiteral("http://") + m_server->localAddress());
    m_start->setEnabled(false);
    m_stop->setEnabled(true);
}

void ServerWindow::StopServer()
{
    m_start->setEnabled(true);
    m_stop->setEnabled(false);
    m_log->clear();
    m_pendingLog.clear();
    m_logTimer->stop();
    m_address->clear();
    m_server->stop();
}

void ServerWindow::appendToLog(const QString &line)
{
    m_pendingLog.append(line);
    if (!m_logTimer->isActive())
        m_logTimer->start();
}

void ServerWindow::flushLog()
{
    // Of a batch larger than the whole log only its newest lines can stay.
    if (m_pendingLog.size() > MaxLogLines)
        m_pendingLog.remove(0, m_pendingLog.size() - MaxLogLines);
    const int excess = m_log->count() + int(m_pendingLog.size()) - MaxLogLines;
    if (excess > 0)
        m_log->model()->removeRows(0, excess);
    m_log->addItems(m_pendingLog);
    m_pendingLog.clear();
}

void ServerWindow::openHelp()
{
    m_context.windows().open(QLatin1String(WindowNames::WebServerHelp));
}
