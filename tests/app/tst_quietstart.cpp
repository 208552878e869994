#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// The programs on this machine that a start of the program on the display
// may have left behind: a session bus the D-Bus library started for it.
QList<qint64> busesStartedFor(const QString &display)
{
    QList<qint64> found;
    const QStringList processes = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : processes) {
        QFile command("/proc/" + pid + "/cmdline");
        QFile environment("/proc/" + pid + "/environ");
        if (!command.open(QIODevice::ReadOnly) || !environment.open(QIODevice::ReadOnly))
            continue;
        const QByteArray program = command.readAll().split('\0').constFirst();
        if ((program.endsWith("dbus-launch") || program.endsWith("dbus-daemon"))
            && environment.readAll().split('\0').contains("DISPLAY=" + display.toLatin1()))
            found << pid.toLongLong();
    }
    return found;
}

} // namespace

class TestQuietStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A plain start on a desktop without a session bus: a few lines on
    // stderr at most, and no bus left running after the program.
    void startsQuietlyWithoutBus()
    {
        QProcess server;
        server.start(
            "Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        QVERIFY2(server.waitForStarted(), "no Xvfb (scripts/install-deps installs it)");
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        const QString display = ':' + QString::fromLatin1(server.readLine().trimmed());

        // A copy of its own keeps the program's files out of the build.
        QTemporaryDir dir;
        const QString program = dir.filePath("wavecrest");
        QVERIFY(QFile::copy(WAVECREST_PROGRAM, program));
        QVERIFY(QDir(dir.path()).mkpath("home"));
        QVERIFY(QDir(dir.path()).mkpath("runtime"));
        QFile::setPermissions(
            dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
            {"DBUS_SESSION_BUS_ADDRESS", "QT_LOGGING_RULES", "QTWEBENGINE_DISABLE_SANDBOX",
                "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            environment.remove(name);
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("HOME", dir.filePath("home"));
        environment.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));

        QProcess browser;
        browser.setProcessEnvironment(environment);
        browser.start(program, {});
        QProcess search;
        search.setProcessEnvironment(environment);
        search.start(
            "xdotool", {"search", "--sync", "--onlyvisible", "--name", "Brimlow Wavecrest"});
        QVERIFY2(search.waitForFinished(90000), "the main window never came up");
        QCOMPARE(::kill(pid_t(browser.processId()), SIGTERM), 0);
        QVERIFY(browser.waitForFinished(60000));
        const QList<qint64> buses = busesStartedFor(display);
        for (qint64 pid : buses)
            ::kill(pid_t(pid), SIGKILL);
        server.terminate();
        server.waitForFinished();

        const QString errors = QString::fromLocal8Bit(browser.readAllStandardError());
        QVERIFY2(errors.count(u'\n') <= 3, qPrintable(errors));
        QVERIFY2(!errors.contains("qt.webenginecontext"), qPrintable(errors));
        QVERIFY2(errors.count("andbox") <= 1, qPrintable(errors));
        QCOMPARE(buses, QList<qint64>());
    }
};

WAVECREST_TEST(TestQuietStart)
#include "tst_quietstart.moc"
