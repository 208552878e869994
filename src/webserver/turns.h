#pragma once

#include <QBasicTimer>
#include <QList>
#include <QObject>

class HttpConnection;

// Work a connection leaves for later is rationed: one turn per pass of the
// server's event loop, given to the connections in the order they asked. A
// turn reads one chunk of a file that is changed on its way, or goes on with
// an answer or with requests that were passed over to let the others have a
// turn. However many clients are served, none waits for more than one turn.
class Turns : public QObject
{
    Q_OBJECT

public:
    explicit Turns(QObject *parent = nullptr) : QObject(parent) { }

    // Does nothing for a connection that is already waiting.
    void ask(HttpConnection *connection);
    void withdraw(HttpConnection *connection);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QList<HttpConnection *> m_waiting;
    QBasicTimer m_timer;
};
