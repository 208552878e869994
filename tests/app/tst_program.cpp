#include "support/testcontext.h"
#include "support/testregistry.h"

#include "app/commandline.h"
#include "app/installation.h"
#include "core/version.h"
#include "system/terminationsignals.h"

#include <QtTest>

#include <csignal>
#include <cstring>

namespace {

// Whether the process has a handler for the signal yet (Linux tells in /proc).
bool catchesSignal(qint64 pid, int signalNumber)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
    }
    return false;
}

using Parsed = std::tuple<QStringList, CommandLine::Action, QString>;
using Answer = std::tuple<QString, int, QString, QString>;

// A copy of the real program in a folder of its own, which is where it keeps
// its files; home and the per-user folders are temporary too.
struct ProgramCopy {
    explicit ProgramCopy(bool installed)
    {
        const QString binDir = dir.filePath("bin");
        program = binDir + "/wavecrest";
        QDir().mkpath(binDir);
        copied = QFile::copy(WAVECREST_PROGRAM, program);
        if (installed) {
            // What `make install` puts beside it tells an installed copy.
            QDir().mkpath(dir.filePath("share/applications"));
            QFile entry(dir.filePath("share/applications/" + desktopApplicationId() + ".desktop"));
            copied = copied && entry.open(QIODevice::WriteOnly);
        }
        dataDirectory = installed ? dir.filePath("home/.local/share/Brimlow/Wavecrest") : binDir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", dir.filePath("home"));
        for (const char *name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            environment.remove(name);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir.path());
    }

    QString file(const QString &name) const { return QDir(dataDirectory).filePath(name); }

    bool write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(dataDirectory);
        QFile out(file(name));
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
    }

    QTemporaryDir dir;
    QString program;
    QString dataDirectory;
    bool copied = false;
    QProcess process;
};

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesCommandLine_data()
    {
        // The arguments, what the program does and the address it starts with
        // ("{dir}": the working directory).
        QTest::addColumn<Parsed>("row");
        using A = CommandLine::Action;
        const auto row
            = [](const char *name, QStringList arguments, A action, const char *address = "") {
                  QTest::newRow(name) << Parsed{arguments, action, QString::fromUtf8(address)};
              };
        row("nothing: the home page", {}, A::Run);
        row("web address", {"http://127.0.0.1:8080/a?b=c"}, A::Run, "http://127.0.0.1:8080/a?b=c");
        row("bare host stays a site", {"example.org"}, A::Run, "example.org");
        row("relative file", {"page.html"}, A::Run, "file://{dir}/page.html");
        row("relative file in a folder", {"sub dir/a#b?.html"}, A::Run,
            "file://{dir}/sub%20dir/a%23b%3F.html");
        row("dotted path to a missing file", {"./missing.html"}, A::Run,
            "file://{dir}/missing.html");
        row("parent folder", {"sub dir/../page.html"}, A::Run, "file://{dir}/page.html");
        row("missing file without a path is an address", {"missing.html"}, A::Run, "missing.html");
        row("address after --", {"--", "-page.html"}, A::Run, "file://{dir}/-page.html");
        row("engine arguments are the engine's", {"page.html", "--webEngineArgs", "--x", "y"},
            A::Run, "file://{dir}/page.html");
        row("--help", {"--help"}, A::ShowHelp);
        row("-h beside an address", {"page.html", "-h"}, A::ShowHelp);
        row("help wins over a wrong option", {"--bogus", "--help"}, A::ShowHelp);
        row("--version", {"--version"}, A::ShowVersion);
        row("-v", {"-v"}, A::ShowVersion);
        row("the toolkit's options and values",
            {"-platform", "xcb", "--display", ":9", "-reverse", "-style=fusion", "page.html"},
            A::Run, "file://{dir}/page.html");
        row("unknown option", {"--bogus"}, A::Fail);
        row("two addresses", {"a.html", "b.html"}, A::Fail);
    }
    void parsesCommandLine()
    {
        QFETCH(Parsed, row);
        auto [arguments, action, startAddress] = row;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub dir"));
        for (const char *name : {"page.html", "-page.html", "sub dir/a#b?.html"})
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        const CommandLine commandLine
            = parseCommandLine(QStringList{"wavecrest"} + arguments, dir.path());
        QCOMPARE(commandLine.action, action);
        const QString dirUrl = QUrl::fromLocalFile(dir.path()).toString(QUrl::FullyEncoded);
        QCOMPARE(commandLine.startAddress, startAddress.replace("file://{dir}", dirUrl));
        QCOMPARE(commandLine.error.isEmpty(), action != CommandLine::Action::Fail);
    }

    // Answered before any window could be made: no display is needed.
    void answersWithoutDisplay_data()
    {
        // The argument, the exit code, a pattern for the whole output, the
        // end of the errors.
        QTest::addColumn<Answer>("row");
        QTest::newRow("--version") << Answer{
            "--version", 0, "Wavecrest " + QRegularExpression::escape(productVersion()) + "\n", ""};
        QTest::newRow("--help names both options")
            << Answer{"--help", 0, "Usage: wavecrest .*\n.* --help .*\n.* --version .*\n", ""};
        QTest::newRow("unknown option") << Answer{
            "--bogus", 2, "", "wavecrest: Unknown option: --bogus\nTry 'wavecrest --help'.\n"};
        QTest::newRow("a start") << Answer{"about:blank", 1, "",
            "wavecrest: no display to show the browser on (DISPLAY is not set)\n"};
    }
    void answersWithoutDisplay()
    {
        QFETCH(Answer, row);
        const auto &[argument, exitCode, output, errors] = row;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        process.setProcessEnvironment(environment);
        process.start(WAVECREST_PROGRAM, {argument});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString shown = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(output),
            QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(pattern.match(shown).hasMatch(), qPrintable(shown));
        const QString shownErrors = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(errors.isEmpty() ? shownErrors.isEmpty() : shownErrors.endsWith(errors),
            qPrintable(shownErrors));
    }

    // Each signal by which a desktop asks a program to end reaches the GUI
    // thread; what the program then does is the same for all of them (see
    // savesAndEndsOnSignal).
    void terminationSignalsReported()
    {
        const int handled[] = {SIGTERM, SIGHUP, SIGINT};
        struct sigaction before[3];
        for (int i = 0; i < 3; ++i)
            sigaction(handled[i], nullptr, &before[i]);
        QVERIFY(TerminationSignals::install());
        TerminationSignals endRequests;
        QSignalSpy received(&endRequests, &TerminationSignals::received);
        for (int i = 0; i < 3; ++i) {
            struct sigaction now;
            sigaction(handled[i], nullptr, &now);
            // Raised only once handled, lest it end this test program.
            QVERIFY2(now.sa_handler != before[i].sa_handler, strsignal(handled[i]));
            QCOMPARE(std::raise(handled[i]), 0);
            QVERIFY(received.wait(5000));
            QCOMPARE(received.takeFirst().first().toInt(), handled[i]);
            sigaction(handled[i], &before[i], nullptr);
        }
    }

    void savesAndEndsOnSignal_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("whileStarting");
        QTest::newRow("while it starts") << false << true;
        QTest::newRow("once it runs") << false << false;
        QTest::newRow("installed copy: per-user folder") << true << false;
    }
    // A logout without a session manager sends SIGTERM: the colour and the
    // lists are saved as at File > Exit, and the program ends by itself.
    void savesAndEndsOnSignal()
    {
        QFETCH(bool, installed);
        QFETCH(bool, whileStarting);
        ProgramCopy copy(installed);
        QVERIFY(copy.copied);
        // Values that only a save changes: a colour that is not a number and a
        // history written in the old comma-separated form.
        QVERIFY(copy.write("Wavecrest.ini", "[Wavecrest]\r\nColor=abc\r\n"));
        QVERIFY(copy.write("Address.lst", "first,second\r\n"));
        QSignalSpy ended(&copy.process, &QProcess::finished);
        copy.process.start(copy.program, {});
        QVERIFY(copy.process.waitForStarted());
        const qint64 pid = copy.process.processId();
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(pid, SIGTERM), 30000);
        if (!whileStarting) {
            // The page engine's profile is made with the main window.
            const QString profile
                = copy.dir.filePath("home/.local/share/Brimlow/WavecrestEngine/QtWebEngine");
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(profile), 30000);
        }
        QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);

        QVERIFY(ended.wait(60000));
        QCOMPARE(copy.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.process.exitCode(), 0);
        QCOMPARE(fileContents(copy.file("Wavecrest.ini")), "[Wavecrest]\r\nColor=-2147483633\r\n");
        QCOMPARE(fileContents(copy.file("Address.lst")), "first\r\nsecond\r\n");
        QCOMPARE(fileContents(copy.file("Favorites2.lst"), "missing"), "");
        QCOMPARE(fileContents(copy.file("Favorties.lst"), "missing"), "");
        QCOMPARE(QFile::exists(copy.dir.filePath("bin/Wavecrest.ini")), !installed);
    }
};

WAVECREST_TEST(TestProgram)
#include "tst_program.moc"
