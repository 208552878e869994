#include "app/installation.h"
#include "support/testregistry.h"
#include "system/spellingdictionaries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// The session buses the D-Bus library started for a program on the display:
// dbus-launch and dbus-daemon carry the display in their environment.
QList<qint64> busesStartedFor(const QString &display)
{
    QList<qint64> found;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile command("/proc/" + pid + "/cmdline");
        QFile environment("/proc/" + pid + "/environ");
        if (command.open(QIODevice::ReadOnly) && environment.open(QIODevice::ReadOnly)
            && command.readAll().split('\0').constFirst().contains("dbus-")
            && environment.readAll().split('\0').contains("DISPLAY=" + display.toLatin1()))
            found << pid.toLongLong();
    }
    return found;
}

} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void suitsTheLocale_data()
    {
        QTest::addColumn<QString>("available");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("chosen");
        const auto row
            = [](const char *name, const char *available, const char *locale, const char *chosen) {
                  QTest::newRow(name) << QString(available) << QString(locale) << QString(chosen);
              };
        const char *pages = "de-DE en-GB en-US es-ES fr";
        row("language and country", pages, "en_GB.UTF-8", "en-GB");
        row("language alone", pages, "fr_CA", "fr");
        row("the language elsewhere", pages, "de_AT@euro", "de-DE");
        row("Hunspell's names, BCP 47 locale", "en_US es_ES es_MX", "es-MX", "es_MX");
        row("another language: English (US)", pages, "ja_JP", "en-US");
        row("the C locale: English (US)", pages, "C", "en-US");
        row("nothing that fits", "de-DE", "ja_JP", "");
    }

    void suitsTheLocale()
    {
        QFETCH(QString, available);
        QFETCH(QString, locale);
        QFETCH(QString, chosen);
        QCOMPARE(dictionaryForLocale(available.split(' '), locale), chosen);
    }

    // A build finds the dictionaries it made beside itself, an installed
    // copy those under its prefix.
    void foundBesideTheProgram()
    {
        const QString build = QFileInfo(WAVECREST_PROGRAM).absolutePath();
        QVERIFY(dictionariesIn(programDictionaryFolder(build), ".bdic").contains("en-US"));
        QTemporaryDir prefix;
        const QString installed = prefix.filePath("share/wavecrest/qtwebengine_dictionaries");
        QVERIFY(QDir().mkpath(prefix.filePath("bin")));
        QCOMPARE(programDictionaryFolder(prefix.filePath("bin")), QString());
        QVERIFY(QDir().mkpath(installed));
        QCOMPARE(programDictionaryFolder(prefix.filePath("bin")),
            QFileInfo(installed).canonicalFilePath());
    }

    // A plain start on a desktop without a session bus: a few lines on
    // stderr at most, and no bus left running.
    void startsQuietlyWithoutBus()
    {
        QProcess server;
        server.start(
            "Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        const QString display = ':' + QString::fromLatin1(server.readLine().trimmed());
        // A copy of its own keeps the program's files out of the build.
        QTemporaryDir dir;
        QVERIFY(QFile::copy(WAVECREST_PROGRAM, dir.filePath("wavecrest")));
        QVERIFY(QDir(dir.path()).mkdir("home") && QDir(dir.path()).mkdir("run"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
            {"DBUS_SESSION_BUS_ADDRESS", "QT_LOGGING_RULES", "QTWEBENGINE_DISABLE_SANDBOX"})
            environment.remove(name);
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("HOME", dir.filePath("home"));
        environment.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        QProcess browser;
        browser.setProcessEnvironment(environment);
        browser.start(dir.filePath("wavecrest"), {});
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

        const QString errors = QString::fromLocal8Bit(browser.readAllStandardError());
        QVERIFY2(errors.count(u'\n') <= 3 && !errors.contains("qt.webenginecontext")
                && errors.count("andbox") <= 1,
            qPrintable(errors));
        QCOMPARE(buses, QList<qint64>());
    }
};

WAVECREST_TEST(TestStartUp)
#include "tst_startup.moc"
