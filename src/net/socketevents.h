#pragma once

#include "net/epolldispatcher.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QSocketNotifier;

// Tells the owners of many sockets when theirs can be read or written.
//
// Every socket is watched through one epoll set, whose descriptor alone is
// in the event loop: watching a socket, changing what is watched and
// forgetting it cost at most one system call, and no allocation or wake-up
// of the event loop, where a notifier per socket costs several of each. On
// a thread run by an EpollDispatcher the sockets join the dispatcher's own
// set instead, and the thread learns of them as it wakes. The set is chosen
// by the first watch(), on the thread that serves. A port to a system
// without epoll provides this class with its own set.
class SocketEvents : public QObject, private EpollDispatcher::Guest
{
    Q_OBJECT

public:
    // What is watched, and what is told.
    enum Event : int {
        None = 0,
        Readable = 1,
        Writable = 2,
        // The connection has failed or both directions have ended, whatever
        // is watched.
        Broken = 4,
    };

    class Watcher
    {
    public:
        virtual void socketEvent(int events) = 0;

    protected:
        ~Watcher() = default;
    };

    explicit SocketEvents(QObject *parent = nullptr);
    ~SocketEvents() override;

    // Starts watching a socket for the events of `interest`, or changes
    // them; unchanged ones take no system call. False when the system has no
    // room for another.
    bool watch(qintptr descriptor, Watcher *watcher, int interest);
    // Before the descriptor is closed: the watcher is told nothing more, not
    // even of events already collected.
    void forget(qintptr descriptor);

private:
    void chooseSet();
    void dispatch();
    void descriptorEvent(quint32 events, quint64 data) override;

    struct Entry {
        Watcher *watcher = nullptr;
        // Which watching of this descriptor number an event belongs to: a
        // number closed and given to a new connection must not hear of the
        // old one.
        quint32 serial = 0;
        int interest = None;
    };

    // By descriptor number.
    QList<Entry> m_numbered;
    quint32 m_serial = 0;
    int m_epoll = -1;
    // The set's own notifier, or the dispatcher whose set it is.
    QSocketNotifier *m_epollNotifier = nullptr;
    QPointer<EpollDispatcher> m_host;
};
