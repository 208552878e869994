#include "net/epolldispatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimerEvent>

#include <algorithm>
#include <chrono>
#include <limits>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Collected at once at most; more stay ready for the next turn.
constexpr int EventsPerTurn = 256;

// The dispatcher's own entries: a socket notifier's descriptor, or the
// wake-up counter.
constexpr quint64 WakeEntry = EpollDispatcher::OwnEntry | quint64(1) << 62;

qint64 steadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

EpollDispatcher::EpollDispatcher(QObject *parent) : QAbstractEventDispatcher(parent)
{
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_epoll < 0 || m_wake < 0)
        return;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = WakeEntry;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event) != 0) {
        ::close(m_wake);
        m_wake = -1;
    }
}

EpollDispatcher::~EpollDispatcher()
{
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

int EpollDispatcher::shareSet(Guest *guest)
{
    if (guest && m_guest && guest != m_guest)
        return -1;
    m_guest = guest;
    return m_epoll;
}

bool EpollDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags)
{
    m_interrupted.store(false, std::memory_order_relaxed);
    Q_EMIT awake();
    // Whatever was posted before the wake-up was read is sent here; whatever
    // is posted from now on sends another.
    QCoreApplication::sendPostedEvents();

    const bool mayWait
        = (flags & QEventLoop::WaitForMoreEvents) && !m_interrupted.load(std::memory_order_relaxed);
    const int timeout = mayWait ? timeToNextTimer() : 0;
    if (timeout != 0)
        Q_EMIT aboutToBlock();
    epoll_event events[EventsPerTurn];
    const int count = ::epoll_wait(m_epoll, events, EventsPerTurn, timeout);
    if (timeout != 0)
        Q_EMIT awake();

    bool handled = false;
    for (int i = 0; i < count; ++i) {
        const quint64 data = events[i].data.u64;
        if (data == WakeEntry) {
            quint64 counter;
            (void)!::read(m_wake, &counter, sizeof counter);
            m_wakeSent.store(false, std::memory_order_release);
        } else if (flags & QEventLoop::ExcludeSocketNotifiers) {
            // Ready sockets stay ready and are told in a later turn.
            continue;
        } else if (data & OwnEntry) {
            activateNotifiers(int(quint32(data)), events[i].events);
        } else if (m_guest) {
            m_guest->descriptorEvent(events[i].events, data);
        }
        handled = true;
    }
    return activateTimers() || handled;
}

void EpollDispatcher::registerSocketNotifier(QSocketNotifier *notifier)
{
    const int descriptor = int(notifier->socket());
    Notifiers &entry = m_notifiers[descriptor];
    switch (notifier->type()) {
    case QSocketNotifier::Read:
        entry.read = notifier;
        break;
    case QSocketNotifier::Write:
        entry.write = notifier;
        break;
    case QSocketNotifier::Exception:
        entry.exception = notifier;
        break;
    }
    updateNotifiers(descriptor);
}

void EpollDispatcher::unregisterSocketNotifier(QSocketNotifier *notifier)
{
    const int descriptor = int(notifier->socket());
    const auto found = m_notifiers.find(descriptor);
    if (found == m_notifiers.end())
        return;
    for (QSocketNotifier **slot : {&found->read, &found->write, &found->exception}) {
        if (*slot == notifier)
            *slot = nullptr;
    }
    updateNotifiers(descriptor);
}

void EpollDispatcher::updateNotifiers(int descriptor)
{
    const auto found = m_notifiers.find(descriptor);
    const Notifiers entry = found == m_notifiers.end() ? Notifiers{} : *found;
    epoll_event event{};
    event.events = (entry.read ? quint32(EPOLLIN) : 0u) | (entry.write ? quint32(EPOLLOUT) : 0u)
        | (entry.exception ? quint32(EPOLLPRI) : 0u);
    event.data.u64 = OwnEntry | quint32(descriptor);
    if (event.events == 0) {
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, descriptor, nullptr);
        if (found != m_notifiers.end())
            m_notifiers.erase(found);
        return;
    }
    if (::epoll_ctl(m_epoll, EPOLL_CTL_MOD, descriptor, &event) != 0
        && ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, descriptor, &event) != 0)
        qWarning("EpollDispatcher: cannot watch descriptor %d", descriptor);
}

void EpollDispatcher::activateNotifiers(int descriptor, quint32 events)
{
    // A failed or ended socket is reported to whoever watches it, as the
    // toolkit's loop does, so that the owner reads the end or the error.
    const bool broken = events & (EPOLLERR | EPOLLHUP);
    const struct {
        QSocketNotifier *Notifiers::*slot;
        bool happened;
    } kinds[] = {
        {&Notifiers::read, (events & EPOLLIN) || broken},
        {&Notifiers::write, (events & EPOLLOUT) || broken},
        {&Notifiers::exception, bool(events & EPOLLPRI)},
    };
    for (const auto &kind : kinds) {
        if (!kind.happened)
            continue;
        // Each activation may remove or replace any notifier.
        const auto found = m_notifiers.constFind(descriptor);
        if (found == m_notifiers.cend())
            return;
        if (QSocketNotifier *notifier = (*found).*kind.slot) {
            QEvent event(QEvent::SockAct);
            QCoreApplication::sendEvent(notifier, &event);
        }
    }
}

void EpollDispatcher::registerTimer(
    int timerId, qint64 interval, Qt::TimerType timerType, QObject *object)
{
    m_timers.push_back({timerId, interval * 1000, timerType, object, steadyUs() + interval * 1000});
}

bool EpollDispatcher::unregisterTimer(int timerId)
{
    return std::erase_if(m_timers, [timerId](const Timer &timer) { return timer.id == timerId; })
        > 0;
}

bool EpollDispatcher::unregisterTimers(QObject *object)
{
    return std::erase_if(m_timers, [object](const Timer &timer) { return timer.object == object; })
        > 0;
}

QList<QAbstractEventDispatcher::TimerInfo> EpollDispatcher::registeredTimers(QObject *object) const
{
    QList<TimerInfo> timers;
    for (const Timer &timer : m_timers) {
        if (timer.object == object)
            timers.append(TimerInfo(timer.id, int(timer.interval / 1000), timer.type));
    }
    return timers;
}

int EpollDispatcher::remainingTime(int timerId)
{
    for (const Timer &timer : m_timers) {
        if (timer.id == timerId)
            return int(qMax<qint64>(0, timer.due - steadyUs()) / 1000);
    }
    return -1;
}

int EpollDispatcher::timeToNextTimer() const
{
    if (m_timers.empty())
        return -1;
    qint64 next = m_timers.front().due;
    for (const Timer &timer : m_timers)
        next = qMin(next, timer.due);
    // Rounded up: waking before the time only to wait again costs a turn.
    const qint64 ms = (next - steadyUs() + 999) / 1000;
    return int(qBound(qint64(0), ms, qint64(std::numeric_limits<int>::max())));
}

bool EpollDispatcher::activateTimers()
{
    const qint64 now = steadyUs();
    QVarLengthArray<int, 8> due;
    for (const Timer &timer : m_timers) {
        if (timer.due <= now)
            due.append(timer.id);
    }
    for (const int id : due) {
        // Earlier timers may have stopped this one, or stopped and started it
        // again under the same number with a later time.
        const auto timer = std::find_if(
            m_timers.begin(), m_timers.end(), [id](const Timer &t) { return t.id == id; });
        if (timer == m_timers.end() || timer->due > now)
            continue;
        // Keeps its rhythm, unless it has fallen a whole interval behind.
        timer->due = timer->due + timer->interval > now ? timer->due + timer->interval
                                                        : now + timer->interval;
        QObject *object = timer->object;
        QTimerEvent event(id);
        QCoreApplication::sendEvent(object, &event);
    }
    return !due.isEmpty();
}

void EpollDispatcher::wakeUp()
{
    if (m_wakeSent.exchange(true, std::memory_order_acq_rel))
        return;
    const quint64 one = 1;
    (void)!::write(m_wake, &one, sizeof one);
}

void EpollDispatcher::interrupt()
{
    m_interrupted.store(true, std::memory_order_relaxed);
    wakeUp();
}
