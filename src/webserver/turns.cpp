#include "webserver/turns.h"

#include "webserver/httpconnection.h"

#include <QTimerEvent>

void Turns::ask(HttpConnection *connection)
{
    if (m_waiting.contains(connection))
        return;
    m_waiting.append(connection);
    if (!m_timer.isActive())
        m_timer.start(0, this);
}

void Turns::withdraw(HttpConnection *connection)
{
    m_waiting.removeOne(connection);
    if (m_waiting.isEmpty())
        m_timer.stop();
}

void Turns::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    if (m_waiting.isEmpty()) {
        m_timer.stop();
        return;
    }
    HttpConnection *connection = m_waiting.takeFirst();
    if (m_waiting.isEmpty())
        m_timer.stop();
    // It may ask again at once, for its next chunk.
    connection->takeTurn();
}
