#pragma once

#include <QAbstractEventDispatcher>
#include <QHash>

#include <atomic>
#include <vector>

// An event dispatcher for a thread that serves sockets and nothing else:
// the thread sleeps in one epoll_wait() that also tells which sockets are
// ready, and each wake-up costs that one call. The toolkit's own loop polls
// a set of sources first and asks the socket set afterwards, with work of
// its own on every turn.
//
// It serves what a thread without windows needs: posted events and queued
// calls, timers (all as precise ones, to the millisecond) and socket
// notifiers (level-triggered, as the toolkit's). Install it on a thread
// before the thread starts, and only if valid().
class EpollDispatcher : public QAbstractEventDispatcher
{
    Q_OBJECT

public:
    // Told of the descriptors it has added to the dispatcher's set itself.
    class Guest
    {
    public:
        // `events` and `data` as epoll_wait() gave them.
        virtual void descriptorEvent(quint32 events, quint64 data) = 0;

    protected:
        ~Guest() = default;
    };
    // A guest's `data` must not have this bit set: entries with it are the
    // dispatcher's own.
    static constexpr quint64 OwnEntry = quint64(1) << 63;

    explicit EpollDispatcher(QObject *parent = nullptr);
    ~EpollDispatcher() override;

    bool valid() const { return m_epoll >= 0 && m_wake >= 0; }

    // Lets `guest` add descriptors to the set directly (EPOLL_CTL_ADD with
    // the returned descriptor), sparing it a set of its own and the call
    // that would read it. One guest at a time: -1 while another has it;
    // nullptr ends it.
    int shareSet(Guest *guest);

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier *notifier) override;
    void unregisterSocketNotifier(QSocketNotifier *notifier) override;
    void registerTimer(
        int timerId, qint64 interval, Qt::TimerType timerType, QObject *object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject *object) override;
    QList<TimerInfo> registeredTimers(QObject *object) const override;
    int remainingTime(int timerId) override;
    void wakeUp() override;
    void interrupt() override;

private:
    struct Notifiers {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
        QSocketNotifier *exception = nullptr;
    };
    // Times in microseconds, on the steady clock.
    struct Timer {
        int id;
        qint64 interval;
        Qt::TimerType type;
        QObject *object;
        qint64 due;
    };

    void updateNotifiers(int descriptor);
    void activateNotifiers(int descriptor, quint32 events);
    bool activateTimers();
    // Milliseconds until the next timer is due, rounded up; -1 for none.
    int timeToNextTimer() const;

    int m_epoll = -1;
    int m_wake = -1;
    std::atomic<bool> m_wakeSent = false;
    std::atomic<bool> m_interrupted = false;
    Guest *m_guest = nullptr;
    QHash<int, Notifiers> m_notifiers;
    std::vector<Timer> m_timers;
};
