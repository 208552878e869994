#include "app/applicationshell.h"
#include "app/reopenoffer.h"
#include "browser/browserwindow.h"
#include "engine/webenginefactory.h"
#include "engine/webengineprofile.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWebEngineProfile>

#include <csignal>

namespace {

using Step = std::function<void(BrowserWindow *, FakeBrowserEngine *)>;

// The steps, the engine's calls, the find bar's count and the control with
// the focus at the end (not looked at when empty).
using Offer = std::tuple<QStringList, QStringList, QString>;
using Typing = std::tuple<QList<Step>, QStringList, QString, QString>;

Step key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    return [=](BrowserWindow *w, auto) { QTest::keyClick(w->focusWidget(), key, modifiers); };
}
Step answer(const char *text, int active, int count)
{
    return [=](auto, FakeBrowserEngine *e) { Q_EMIT e->findTextFinished(text, active, count); };
}
const Step find = [](BrowserWindow *w, auto) { w->findChild<QAction *>("mnuEditFind")->trigger(); };
const Step typeAp = [](BrowserWindow *w, auto) { QTest::keyClicks(w->focusWidget(), "ap"); };
const Step loadBegins = [](auto, FakeBrowserEngine *e) { Q_EMIT e->DownloadBegin(); };
const Step focusPage = [](auto, FakeBrowserEngine *e) { e->view()->setFocus(); };
const Step show = [](BrowserWindow *w, auto) {
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
};
const Step homeArrives
    = [](auto, FakeBrowserEngine *e) { Q_EMIT e->NavigateComplete2(e->location = "http://h/"); };

} // namespace

// What a user meets first: the address bar at start, the offer to reopen
// the pages of a run that did not end cleanly, find in page and PDFs.
class EverydayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // On a scripted engine: the find bar asks the engine only while it is
    // open and shows the newest answer; the first address typed after start
    // replaces what the address bar shows, whenever the page's address came,
    // but a caret the user placed is kept.
    void typing_data()
    {
        QTest::addColumn<Typing>("row");
        const QStringList ap = {"FindText:a", "FindText:ap"}, x = {"Navigate:x.example"};
        const Step enterX = [](BrowserWindow *w, auto) {
            QTest::keyClicks(w->focusWidget(), "x.example");
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
        };
        const Step click = [](BrowserWindow *w, auto) {
            QTest::mouseClick(
                w->findChild<QComboBox *>("Combo1")->lineEdit(), Qt::LeftButton, {}, {1, 5});
        };
        const auto row = [](const char *name, QList<Step> steps, QStringList calls,
                             const char *count = "", const char *focus = "txtFind") {
            QTest::newRow(name) << Typing{steps, calls, count, focus};
        };
        row("none found; an older text's answer",
            {show, find, typeAp, answer("ap", 0, 0), answer("a", 2, 9)}, ap, "No matches");
        row("a new page drops the count", {show, find, typeAp, answer("ap", 1, 3), loadBegins}, ap);
        row("Escape while a page loads closes the bar, not the load",
            {show, find, typeAp, loadBegins, key(Qt::Key_Escape), answer("ap", 1, 3), loadBegins,
                key(Qt::Key_Escape)},
            ap + QStringList{"StopFinding", "Stop"}, "", "Browser1");
        row("F3 opens with the last text; F3, Shift+F3 from the page",
            {show, find, typeAp, key(Qt::Key_Escape), key(Qt::Key_F3), focusPage, key(Qt::Key_F3),
                key(Qt::Key_F3, Qt::ShiftModifier)},
            ap + QStringList{"StopFinding", "FindText:ap", "FindText:ap", "FindTextBackward:ap"},
            "", "Browser1");
        row("no home page", {show, enterX}, x, "", "");
        row("address, then the window", {homeArrives, show, enterX}, x, "", "");
        row("window, then the address", {show, homeArrives, enterX}, x, "", "");
        row("a caret placed", {show, click, homeArrives, enterX}, {"Navigate:http://h/x.example"},
            "", "");
    }
    void typing()
    {
        QFETCH(Typing, row);
        const auto &[steps, calls, count, focus] = row;
        TestContext ctx;
        BrowserWindow window(*ctx.context, BrowserWindow::Role::Main);
        for (const Step &step : steps)
            step(&window, ctx.engines.first());
        QCOMPARE(ctx.engines.first()->calls, calls);
        QCOMPARE(window.findChild<QLabel *>("lblFindCount")->text(), count);
        if (!focus.isEmpty())
            QCOMPARE(window.focusWidget()->objectName(), focus);
    }

    // A run, from the file the last one left ("-" for none): the windows show
    // "main|secondary", the user answers ("reopen", "dismiss"), or the program
    // dies and starts again from what the file holds ("crash").
    void offer_data()
    {
        // The steps, the files written, and what is offered at the end.
        QTest::addColumn<Offer>("row");
        const auto row
            = [](const char *name, QStringList steps, QStringList writes, const char *offered) {
                  QTest::newRow(name) << Offer{steps, writes, offered};
              };
        row("no file, or one of empty addresses: the file follows the windows, once per change",
            {"|", "a", "a", "a|b", "a|", "|"}, {"a", "a|b", "a", ""}, "");
        row("offered, and kept until answered", {"a|b", "c", "d|e"}, {}, "a|b");
        row("dismissed: the file follows the windows", {"a|b", "c", "dismiss", "c", "|f"},
            {"c", "|f"}, "");
        row("reopened: kept until the windows show others", {"a|b", "x", "reopen", "a|b", "c"},
            {"c"}, "");
        row("dies again before the answer: offered once more", {"a", "x", "crash"}, {}, "a");
        row("an overlong address is not kept",
            {"-", QString(ReopenOffer::MaxAddressLength + 1, u'a') + "|b"}, {"|b"}, "");
    }

    void offer()
    {
        QFETCH(Offer, row);
        const auto &[steps, writes, offered] = row;
        std::optional<QStringList> file;
        if (steps.first() != "-")
            file = steps.first().split(u'|');
        ReopenOffer offer(file);
        QStringList written;
        for (const QString &step : steps.mid(1)) {
            std::optional<QStringList> write;
            if (step == "crash")
                offer = ReopenOffer(file);
            else if (step == "reopen" || step == "dismiss")
                write = offer.answer(step == "reopen");
            else
                write = offer.windowsShow(step.split(u'|'));
            if (write)
                written << (file = write)->join(u'|');
        }
        QCOMPARE(written, writes);
        QCOMPARE(offer.offered().join(u'|'), offered);
    }

    // The real program killed outright: the next start offers its page, never
    // opens it unasked, and "Reopen" brings it back. Then find on the real
    // engine counts, goes round the end and finds none; the open bar takes its
    // room from the page. A PDF shows in the engine's viewer, titled by the
    // document, and nothing is downloaded. A clean end removes the file.
    void afterKill()
    {
        QTemporaryDir dir;
        const QString bin = dir.filePath("bin"), page = dir.filePath("page.html");
        QVERIFY(QDir().mkpath(bin) && QFile::copy(WAVECREST_PROGRAM, bin + "/wavecrest"));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.flush()
            && file.write("<title>Before the crash</title><p>apple banana Apple</p><p>pineAPPLE")
            && file.flush());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", dir.filePath("home"));
        program.setProcessEnvironment(environment);
        program.start(bin + "/wavecrest", {page});
        const QString address = QUrl::fromLocalFile(page).toString(),
                      session = bin + "/Session.lst";
        QTRY_COMPARE_WITH_TIMEOUT(fileContents(session), address.toUtf8() + "\r\n", 60000);
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished());

        AppContext context(bin, webEngineFactory());
        ApplicationShell shell(context);
        shell.start();
        BrowserWindow *window = shell.mainWindow();
        QSignalSpy loaded(window->engine(), &BrowserEngine::DownloadComplete);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(window->pageAddress(), QString());
        window->findChild<QAbstractButton *>("cmdReopen")->click();
        QVERIFY(loaded.wait(30000));
        QCOMPARE(window->windowTitle(), "Before the crash - Brimlow Wavecrest");
        QCOMPARE(window->pageAddress(), address);

        find(window, nullptr);
        auto *field = window->findChild<QLineEdit *>("txtFind");
        QCOMPARE(field->accessibleName(), "Find in page");
        QCOMPARE(window->engine()->view()->y(), 80 + field->parentWidget()->sizeHint().height());
        const QList<std::pair<Step, QString>> finds = {{typeAp, "1 of 3"},
            {key(Qt::Key_Return), "2 of 3"}, {key(Qt::Key_Return, Qt::ShiftModifier), "1 of 3"},
            {key(Qt::Key_Return, Qt::ShiftModifier), "3 of 3"}, {key(Qt::Key_Z), "No matches"}};
        for (const auto &[step, count] : finds) {
            step(window, nullptr);
            QTRY_COMPARE_WITH_TIMEOUT(
                window->findChild<QLabel *>("lblFindCount")->text(), count, 30000);
        }
        QTest::keyClick(field, Qt::Key_Escape);
        QCOMPARE(window->engine()->view()->y(), 80);

        QPdfWriter pdf(dir.filePath("timetable.pdf"));
        pdf.setTitle("Harbour timetable");
        QPainter(&pdf).drawText(100, 100, "Ferries leave on the hour.");
        QSignalSpy downloads(sharedWebEngineProfile(), &QWebEngineProfile::downloadRequested);
        window->navigate(dir.filePath("timetable.pdf"));
        QTRY_COMPARE_WITH_TIMEOUT(
            window->windowTitle(), "Harbour timetable - Brimlow Wavecrest", 30000);
        QCOMPARE(downloads.count(), 0);
        window->close();
        QVERIFY(!QFile::exists(session));
    }
};

WAVECREST_TEST(EverydayTest)
#include "tst_everyday.moc"
