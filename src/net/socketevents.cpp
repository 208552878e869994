#include "net/socketevents.h"

#include <QSocketNotifier>

#include <sys/epoll.h>
#include <unistd.h>

namespace {

// Collected at once at most; more stay ready for the next pass.
constexpr int EventsPerPass = 256;

quint32 epollEvents(int interest)
{
    return ((interest & SocketEvents::Readable) ? quint32(EPOLLIN) : 0u)
        | ((interest & SocketEvents::Writable) ? quint32(EPOLLOUT) : 0u);
}

} // namespace

SocketEvents::SocketEvents(QObject *parent) : QObject(parent) { }

SocketEvents::~SocketEvents()
{
    if (m_host) {
        m_host->shareSet(nullptr);
        return;
    }
    delete m_epollNotifier;
    if (m_epoll >= 0)
        ::close(m_epoll);
}

void SocketEvents::chooseSet()
{
    auto *host = qobject_cast<EpollDispatcher *>(QAbstractEventDispatcher::instance());
    if (host && (m_epoll = host->shareSet(this)) >= 0) {
        m_host = host;
        return;
    }
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0)
        return;
    m_epollNotifier = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
    connect(m_epollNotifier, &QSocketNotifier::activated, this, &SocketEvents::dispatch);
}

bool SocketEvents::watch(qintptr descriptor, Watcher *watcher, int interest)
{
    // Without a set yet, or with none to be had the last time.
    if (m_epoll < 0)
        chooseSet();
    if (m_epoll < 0 || descriptor < 0)
        return false;
    if (descriptor >= m_numbered.size())
        m_numbered.resize(descriptor + 1);
    Entry *watched = &m_numbered[descriptor];
    const bool adding = watched->watcher == nullptr;
    if (!adding && watched->interest == interest)
        return true;
    // Numbers stay clear of the bit that marks the dispatcher's own entries.
    const quint32 serial = adding ? (m_serial = (m_serial + 1) & 0x7fffffff) : watched->serial;
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
    for (int i = 0; i < count; ++i)
        descriptorEvent(events[i].events, events[i].data.u64);
}

void SocketEvents::descriptorEvent(quint32 happened, quint64 data)
{
    const int descriptor = int(quint32(data));
    const quint32 serial = quint32(data >> 32);
    // Watchers told before may have forgotten this one, or closed it and
    // watched a new connection under its number.
    if (descriptor >= m_numbered.size() || !m_numbered[descriptor].watcher
        || m_numbered[descriptor].serial != serial)
        return;
    m_numbered[descriptor].watcher->socketEvent(((happened & EPOLLIN) ? Readable : None)
        | ((happened & EPOLLOUT) ? Writable : None)
        | ((happened & (EPOLLERR | EPOLLHUP)) ? Broken : None));
}
