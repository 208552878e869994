#include "net/epolldispatcher.h"
#include "support/testregistry.h"

#include <QMutex>
#include <QSocketNotifier>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// What a scenario running on the thread has seen, in order.
class Seen
{
public:
    void add(const QString &what)
    {
        QMutexLocker lock(&m_mutex);
        m_seen.append(what);
    }
    QStringList all() const
    {
        QMutexLocker lock(&m_mutex);
        return m_seen;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_seen;
};

// Runs on the thread; `context` lives there and is deleted as the thread ends.
using Scenario = std::function<void(QObject *context, Seen &seen, int peer)>;

} // namespace

// The web server's thread runs its own loop; whatever the server asks of a
// thread's loop comes out as the toolkit's own loop has it. Each row runs on
// both.
class ServerThreadLoopTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deliversAsTheToolkitsLoop_data()
    {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QStringList>("expected");
        const auto add = [](const char *name, const Scenario &scenario, const QStringList &seen) {
            for (const char *loop : {"toolkit", "own"})
                QTest::addRow("%s, %s loop", name, loop) << scenario << seen;
        };
        add("timers by their due times",
            [](QObject *context, Seen &seen, int) {
                QTimer::singleShot(60, context, [&seen] { seen.add("late"); });
                QTimer::singleShot(10, context, [&seen] { seen.add("early"); });
                QTimer::singleShot(0, context, [&seen] { seen.add("at once"); });
            },
            {"at once", "early", "late"});
        add("a repeating timer until stopped",
            [](QObject *context, Seen &seen, int) {
                auto *timer = new QTimer(context);
                QObject::connect(
                    timer, &QTimer::timeout, context, [timer, &seen, ticks = 0]() mutable {
                        seen.add("tick");
                        if (++ticks == 3) {
                            timer->stop();
                            QTimer::singleShot(50, timer, [&seen] { seen.add("end"); });
                        }
                    });
                timer->start(5);
            },
            {"tick", "tick", "tick", "end"});
        // Both are due in the same turn; the first to run stops the other.
        add("a timer stopped by one due with it",
            [](QObject *context, Seen &seen, int) {
                auto *first = new QTimer(context);
                auto *second = new QTimer(context);
                for (auto [timer, other] : {std::pair(first, second), std::pair(second, first)}) {
                    timer->setSingleShot(true);
                    QObject::connect(timer, &QTimer::timeout, context, [other, &seen] {
                        seen.add("one");
                        delete other;
                    });
                }
                first->start(10);
                second->start(10);
                QTimer::singleShot(60, context, [&seen] { seen.add("end"); });
            },
            {"one", "end"});
        // Told again while unread; once the peer has ended, told of the end.
        add("a socket told until read, then of its end",
            [](QObject *context, Seen &seen, int peer) {
                (void)!::write(peer, "x", 1);
                auto *notifier = new QSocketNotifier(
                    context->property("socket").toInt(), QSocketNotifier::Read, context);
                QObject::connect(notifier, &QSocketNotifier::activated, context,
                    [notifier, peer, &seen, told = 0]() mutable {
                        char byte;
                        if (++told == 1) {
                            seen.add("unread");
                            return;
                        }
                        const auto got = ::read(int(notifier->socket()), &byte, 1);
                        seen.add(got == 1 ? "read" : "ended");
                        if (got == 1)
                            ::shutdown(peer, SHUT_WR);
                        else
                            notifier->setEnabled(false);
                    });
                QTimer::singleShot(100, context, [&seen] { seen.add("end"); });
            },
            {"unread", "read", "ended", "end"});
    }
    void deliversAsTheToolkitsLoop()
    {
        QFETCH(Scenario, scenario);
        QFETCH(QStringList, expected);
        const bool own = QString(QTest::currentDataTag()).endsWith("own loop");
        int sockets[2];
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sockets) == 0);
        Seen seen;
        QThread thread;
        if (own) {
            auto *dispatcher = new EpollDispatcher;
            QVERIFY(dispatcher->valid());
            thread.setEventDispatcher(dispatcher);
        }
        auto *context = new QObject;
        context->setProperty("socket", sockets[0]);
        context->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, context, &QObject::deleteLater);
        thread.start();
        // Calls queued from here arrive in order, then the scenario starts.
        for (const char *call : {"queued 1", "queued 2"})
            QMetaObject::invokeMethod(context, [&seen, call] { seen.add(call); });
        QMetaObject::invokeMethod(context, [&, context] { scenario(context, seen, sockets[1]); });
        expected = QStringList{"queued 1", "queued 2"} + expected;
        QTRY_COMPARE(seen.all().size(), expected.size());
        // Nothing more after the last.
        QTest::qWait(30);
        QCOMPARE(seen.all(), expected);
        thread.quit();
        QVERIFY(thread.wait(5000));
        ::close(sockets[0]);
        ::close(sockets[1]);
    }
};

WAVECREST_TEST(ServerThreadLoopTest)
#include "tst_webserverloop.moc"
