#include "net/epolldispatcher.h"
#include "support/testregistry.h"

#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>

#include <sys/socket.h>
#include <unistd.h>

// Tells the test, on its own thread, what a scenario has seen.
using See = std::function<void(const char *)>;
// Runs on the thread; `context` lives there until the thread ends. `socket`
// is watched, `peer` is its other end.
using Scenario = std::function<void(QObject *context, See see, int socket, int peer)>;

// The web server's thread runs a loop of its own; whatever the server asks
// of a thread's loop comes out as the toolkit's own loop has it. Each row
// runs on both.
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
        add("timers by their due times, a repeating one until stopped",
            [](QObject *context, See see, int, int) {
                QTimer::singleShot(80, context, [see] { see("late"); });
                QTimer::singleShot(0, context, [see] { see("at once"); });
                auto *timer = new QTimer(context);
                timer->callOnTimeout(context, [timer, see, ticks = 0]() mutable {
                    see("tick");
                    if (++ticks == 3)
                        timer->stop();
                });
                timer->start(5);
            },
            {"at once", "tick", "tick", "tick", "late"});
        // Both are due in the same turn; the first to run deletes the other.
        add("a timer deleted by one due with it",
            [](QObject *context, See see, int, int) {
                auto *first = new QTimer(context), *second = new QTimer(context);
                for (auto [timer, other] : {std::pair(first, second), std::pair(second, first)}) {
                    timer->callOnTimeout(context, [=] { see("one"), delete other, timer->stop(); });
                    timer->start(10);
                }
                QTimer::singleShot(60, context, [see] { see("end"); });
            },
            {"one", "end"});
        // Told again while unread; once the peer has ended, told of the end.
        add("a socket told until read, then of its end",
            [](QObject *context, See see, int socket, int peer) {
                (void)!::write(peer, "x", 1);
                auto *notifier = new QSocketNotifier(socket, QSocketNotifier::Read, context);
                QObject::connect(
                    notifier, &QSocketNotifier::activated, context, [=, told = 0]() mutable {
                        char byte;
                        if (++told == 1)
                            return see("unread");
                        const bool got = ::read(socket, &byte, 1) == 1;
                        see(got ? "read" : "ended");
                        got ? void(::shutdown(peer, SHUT_WR)) : notifier->setEnabled(false);
                    });
                QTimer::singleShot(100, context, [see] { see("end"); });
            },
            {"unread", "read", "ended", "end"});
    }
    void deliversAsTheToolkitsLoop()
    {
        QFETCH(Scenario, scenario);
        QFETCH(QStringList, expected);
        int sockets[2];
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sockets) == 0);
        QThread thread;
        if (QString(QTest::currentDataTag()).endsWith("own loop"))
            thread.setEventDispatcher(new EpollDispatcher);
        auto *context = new QObject;
        context->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, context, &QObject::deleteLater);
        QStringList seen;
        const auto end = qScopeGuard([&] {
            thread.quit();
            thread.wait();
            QCoreApplication::sendPostedEvents(this);
            ::close(sockets[0]);
            ::close(sockets[1]);
        });
        thread.start();
        const See see = [this, &seen](const char *what) {
            QMetaObject::invokeMethod(this, [&seen, what] { seen.append(what); });
        };
        // Calls queued from here arrive in order, then the scenario starts.
        for (const char *call : {"queued 1", "queued 2"})
            QMetaObject::invokeMethod(context, [see, call] { see(call); });
        QMetaObject::invokeMethod(context, [=] { scenario(context, see, sockets[0], sockets[1]); });
        expected = QStringList{"queued 1", "queued 2"} + expected;
        QTRY_COMPARE(seen.size(), expected.size());
        // Nothing more after the last.
        QTest::qWait(30);
        QCOMPARE(seen, expected);
    }
};

WAVECREST_TEST(ServerThreadLoopTest)
#include "tst_webserverloop.moc"
