#pragma once

#include <QBasicTimer>
#include <QList>
#include <QObject>

class HttpConnection;

// Files are read on the program's one thread, so reading is rationed: one
// chunk per pass of the event loop, given to the connections in the order
// they asked. However many files are on their way, the windows never wait
// for more than one chunk's read.
class ReadTurns : public QObject
{
    Q_OBJECT

public:
    explicit ReadTurns(QObject *parent = nullptr) : QObject(parent) { }

    // Does nothing for a connection that is already waiting.
    void ask(HttpConnection *connection);
    void withdraw(HttpConnection *connection);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QList<HttpConnection *> m_waiting;
    QBasicTimer m_timer;
};
