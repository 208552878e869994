#include "platform/socketevents.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/epoll.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX
// Collected at once at most; more stay ready for the next pass.
constexpr int EventsPerPass = 256;

quint32 epollEvents(int interest)
{
    return ((interest & SocketEvents::Readable) ? quint32(EPOLLIN) : 0u)
        | ((interest & SocketEvents::Writable) ? quint32(EPOLLOUT) : 0u);
}
#endif

} // namespace

SocketEvents::SocketEvents(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_LINUX
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll >= 0) {
        m_epollNotifier = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
        connect(m_epollNotifier, &QSocketNotifier::activated, this, &SocketEvents::dispatch);
    }
#endif
}

SocketEvents::~SocketEvents()
{
#ifdef Q_OS_LINUX
    delete m_epollNotifier;
    if (m_epoll >= 0)
        ::close(m_epoll);
#endif
}

#ifdef Q_OS_LINUX

bool SocketEvents::watch(qintptr descriptor, Watcher *watcher, int interest)
{
    if (m_epoll < 0 || descriptor < 0)
        return false;
    if (descriptor >= m_numbered.size())
        m_numbered.resize(descriptor + 1);
    Entry *watched = &m_numbered[descriptor];
    const bool adding = watched->watcher == nullptr;
    if (!adding && watched->interest == interest)
        return true;
    const quint32 serial = adding ? ++m_serial : watched->serial;
    epoll_event event{};
    event.events = epollEvents(interest);
    event.data.u64 = (quint64(serial) << 32) | quint32(descriptor);
    if (::epoll_ctl(m_epoll, adding ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, int(descriptor), &event) != 0)
        return false;
    *watched = Entry{watcher, serial, interest};
    return true;
}

void SocketEvents::forget(qintptr descriptor)
{
    // Closing the descriptor takes it out of the set; should a copy of it
    // live on for a moment in a child process being started, its events
    // find no watcher here.
    if (descriptor >= 0 && descriptor < m_numbered.size())
        m_numbered[descriptor] = Entry{};
}

void SocketEvents::dispatch()
{
    epoll_event events[EventsPerPass];
    const int count = ::epoll_wait(m_epoll, events, EventsPerPass, 0);
    for (int i = 0; i < count; ++i) {
        const int descriptor = int(quint32(events[i].data.u64));
        const quint32 serial = quint32(events[i].data.u64 >> 32);
        // Watchers told before may have forgotten this one, or closed it and
        // watched a new connection under its number.
        if (descriptor >= m_numbered.size() || !m_numbered[descriptor].watcher
            || m_numbered[descriptor].serial != serial)
            continue;
        const quint32 happened = events[i].events;
        m_numbered[descriptor].watcher->socketEvent(((happened & EPOLLIN) ? Readable : None)
            | ((happened & EPOLLOUT) ? Writable : None)
            | ((happened & (EPOLLERR | EPOLLHUP)) ? Broken : None));
    }
}

#else

bool SocketEvents::watch(qintptr descriptor, Watcher *watcher, int interest)
{
    Entry *watched = &m_handles[descriptor];
    if (watched->watcher == watcher && watched->interest == interest)
        return true;
    watched->watcher = watcher;
    watched->interest = interest;
    const auto turn = [&](QSocketNotifier *&notifier, QSocketNotifier::Type type, Event event) {
        const bool wanted = interest & event;
        if (wanted && !notifier) {
            notifier = new QSocketNotifier(descriptor, type, this);
            connect(notifier, &QSocketNotifier::activated, this,
                [this, descriptor, event] { notifierActivated(descriptor, event); });
        }
        if (notifier)
            notifier->setEnabled(wanted);
    };
    turn(watched->read, QSocketNotifier::Read, Readable);
    turn(watched->write, QSocketNotifier::Write, Writable);
    return true;
}

void SocketEvents::forget(qintptr descriptor)
{
    const auto watched = m_handles.constFind(descriptor);
    if (watched == m_handles.constEnd())
        return;
    // Either may be the one being told now.
    delete watched->read;
    delete watched->write;
    m_handles.erase(watched);
}

void SocketEvents::notifierActivated(qintptr descriptor, Event event)
{
    const auto watched = m_handles.constFind(descriptor);
    if (watched != m_handles.constEnd() && watched->watcher)
        watched->watcher->socketEvent(event);
}

#endif
