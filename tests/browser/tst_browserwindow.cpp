#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "browser/addressbar.h"
#include "browser/browserlayout.h"
#include "browser/browserstatusbar.h"
#include "browser/browserwindow.h"
#include "browser/pagezoom.h"
#include "browser/translation.h"
#include "platform/webenginefactory.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString Maker = QStringLiteral("https://www.brimlow.example/");
const QStringList LoadedHistory = {"xyz", "ABCDEF", "abc"};

// A browser window as a test drives it: what the user does with mouse, keys
// and menus, and the events its scripted engine reports.
struct Window {
    BrowserWindow *window;
    FakeBrowserEngine *engine;
    TestContext *ctx;
    // Which window each pop-up was sent to ("none" when refused).
    QStringList *popUpTargets;
    // Answers the last file dialog the window opened.
    std::function<void(const QString &)> *fileDialog;

    template <typename T = QWidget> T *child(const QString &name) const
    {
        return window->findChild<T *>(name);
    }
    AddressBar *addressBar() const { return child<AddressBar>("Combo1"); }

    void click(const QString &control) const { QTest::mouseClick(child(control), Qt::LeftButton); }
    void rightClick(const QString &control) const
    {
        QTest::mouseClick(child(control), Qt::RightButton);
    }
    // Pressed on the control, released off it.
    void releaseOutside(const QString &control) const
    {
        QTest::mouseRelease(child(control), Qt::RightButton, {}, {-5, -5});
    }
    void pressKey(const QString &control, Qt::Key key) const
    {
        QTest::keyClick(child(control), key);
    }
    void choose(const QString &menuItem) const { child<QAction>(menuItem)->trigger(); }
    void chooseFile(const QString &path) const { (*fileDialog)(path); }
    void focusPage() const { engine->view()->setFocus(); }
    // Keys as they are written, "Ctrl+L", pressed where the focus is.
    void pressKeys(const QString &keys) const
    {
        QTest::keySequence(window->focusWidget(), QKeySequence(keys));
    }
    void chooseNextFavourite() const { pressKey("Combo2", Qt::Key_Down); }

    // The address bar's text as if typed, the caret where the typing ended.
    void type(const QString &text) const { addressBar()->setEditText(text); }
    void putCaretAt(int position) const { addressBar()->lineEdit()->setCursorPosition(position); }
    void typeKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(addressBar(), key, modifiers);
    }
    // Before the first character.
    void clickIntoAddress() const
    {
        QLineEdit *edit = addressBar()->lineEdit();
        QTest::mouseClick(edit, Qt::LeftButton, {}, {1, edit->height() / 2});
    }
    void pressEnter() const { QTest::keyClick(addressBar(), Qt::Key_Return); }
    void setHistory(const QStringList &entries) const { addressBar()->setEntries(entries); }

    void setHomePage(const QByteArray &address) const
    {
        ctx->writeFile("Wavecrest.ini", "[Wavecrest]\r\nHomePage=" + address + "\r\n");
    }
    // The engine has moved to address (the user followed a link, say).
    void engineAt(const QString &address) const { engine->location = address; }
    void navigationCompletes(const QString &address) const
    {
        engine->location = address;
        Q_EMIT engine->NavigateComplete2(address);
    }
    // What the engine reports while it loads the blank page.
    void blankPageLoads() const
    {
        Q_EMIT engine->DownloadBegin();
        navigationCompletes("about:blank");
        Q_EMIT engine->ProgressChange(100, 100);
        Q_EMIT engine->TitleChange("about:blank");
        Q_EMIT engine->StatusTextChange("");
        Q_EMIT engine->DownloadComplete();
    }
    void pageAsksForNewWindow() const
    {
        const BrowserEngine *target = engine->requestNewWindow();
        popUpTargets->append(target ? target->view()->window()->objectName() : "none");
    }
};

using Action = std::function<void(const Window &)>;

// What a browser window shows, and what its engine was asked to do. The
// defaults are those of the main window once it has loaded; a row names only
// what differs.
struct Shown {
    QString status;
    QString progress;
    QString caption = QStringLiteral("Brimlow Wavecrest");
    QString address = QStringLiteral("Combo1");
    QString selected; // the selected part of the address
    int caret = -1; // where the caret stands in the address, -1 for its end
    bool backEnabled = false;
    bool forwardEnabled = false;
    bool stopEnabled = false;
    QStringList engineCalls;
    QStringList history = LoadedHistory;
    // "title = address"; the files are out of step, so C has no address.
    QStringList favourites = {"A = a", "B = b", "C = "};
    int chosenFavourite = -1;
    // The program's other windows that are open, by name.
    QStringList openWindows;
    bool viewShown = true;
    // The control with the keyboard focus; not looked at when empty.
    QString focus;
    bool fullScreen = false;
};

Shown shownBy(const Window &w, const TestContext &ctx)
{
    Shown shown;
    const auto *status = w.child<BrowserStatusBar>("StatusBar1");
    shown.status = status->statusText();
    shown.progress = status->progressText();
    shown.caption = w.window->windowTitle();
    const QLineEdit *edit = w.addressBar()->lineEdit();
    shown.address = edit->text();
    shown.selected = edit->selectedText();
    shown.caret = edit->cursorPosition() == edit->text().size() ? -1 : edit->cursorPosition();
    shown.backEnabled = w.child("Command1")->isEnabled();
    shown.forwardEnabled = w.child("Command2")->isEnabled();
    shown.stopEnabled = w.child("Command3")->isEnabled();
    shown.engineCalls = w.engine->calls;
    shown.history = w.addressBar()->entries();
    const auto *titles = w.child<QComboBox>("Combo2");
    const auto *addresses = w.child<QComboBox>("Combo3");
    shown.favourites.clear();
    for (int i = 0; i < qMax(titles->count(), addresses->count()); ++i)
        shown.favourites << titles->itemText(i) + " = " + addresses->itemText(i);
    // The address list follows the title list's choice.
    shown.chosenFavourite
        = titles->currentIndex() == addresses->currentIndex() ? titles->currentIndex() : -2;
    for (const char *name : {"Form2", "Form3", "Form4", "server", "frmAbout", "newwindow"}) {
        if (const QWidget *open = ctx.context->windows().find(name); open && open->isVisible())
            shown.openWindows << name;
    }
    shown.viewShown = !w.engine->view()->isHidden();
    // The line edit of the address bar has no name of its own.
    for (const QWidget *focus = w.window->focusWidget(); focus && shown.focus.isEmpty();
         focus = focus->parentWidget())
        shown.focus = focus->objectName();
    shown.fullScreen = w.window->isFullScreen();
    return shown;
}

void compare(const Shown &actual, const Shown &expected)
{
    QCOMPARE(actual.status, expected.status);
    QCOMPARE(actual.progress, expected.progress);
    QCOMPARE(actual.caption, expected.caption);
    QCOMPARE(actual.address, expected.address);
    QCOMPARE(actual.selected, expected.selected);
    QCOMPARE(actual.caret, expected.caret);
    QCOMPARE(actual.backEnabled, expected.backEnabled);
    QCOMPARE(actual.forwardEnabled, expected.forwardEnabled);
    QCOMPARE(actual.stopEnabled, expected.stopEnabled);
    QCOMPARE(actual.engineCalls, expected.engineCalls);
    QCOMPARE(actual.history, expected.history);
    QCOMPARE(actual.favourites, expected.favourites);
    QCOMPARE(actual.chosenFavourite, expected.chosenFavourite);
    QCOMPARE(actual.openWindows, expected.openWindows);
    QCOMPARE(actual.viewShown, expected.viewShown);
    if (!expected.focus.isEmpty())
        QCOMPARE(actual.focus, expected.focus);
    QCOMPARE(actual.fullScreen, expected.fullScreen);
}

void row(const char *name, const Action &action, const Shown &shown)
{
    QTest::newRow(name) << action << shown;
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Shown)

// The main window with scripted engines in a temporary data directory. The
// one-instance windows of other areas are stood in for by plain widgets, so a
// test sees which of them a command opened.
class BrowserWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestContext> ctx;
    QPointer<BrowserWindow> window;
    std::function<void(const QString &)> answerFileDialog;
    QStringList popUpTargets;

    Window driven(BrowserWindow *w)
    {
        return {w, static_cast<FakeBrowserEngine *>(w->engine()), ctx.get(), &popUpTargets,
            &answerFileDialog};
    }
    Window main() { return driven(window); }
    BrowserWindow *secondary() const
    {
        return ctx->context->windows().find<BrowserWindow>("newwindow");
    }
    QRect geometry(const char *name) { return main().child(name)->geometry(); }
    QWidget *client() const { return window->centralWidget(); }

    void openMainWindow()
    {
        delete window;
        window = new BrowserWindow(*ctx->context, BrowserWindow::Role::Main);
        ctx->context->windows().adopt("Form1", window);
        window->setFileChooser(
            [this](QWidget *, auto, auto onChosen) { answerFileDialog = onChosen; });
        window->loadFromSettings();
        window->show();
        // Keys reach the window's shortcuts only while it is active.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    // The body of every table of actions and what the window shows after them.
    void actAndCompare()
    {
        QFETCH(Action, action);
        QFETCH(Shown, shown);
        action(main());
        compare(shownBy(main(), *ctx), shown);
    }
    static void addActionColumns()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Shown>("shown");
    }

    // The program's first start, with nothing in its data directory, as the
    // child process of maximisedOnFirstStart() sees it.
    void firstStartOnThisDisplay()
    {
        // The engine's profile goes to a test folder, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        QTemporaryDir data;
        AppContext context(data.path(), webEngineFactory());
        registerApplicationWindows(context);
        ApplicationShell shell(context);
        shell.start();
        QTRY_VERIFY_WITH_TIMEOUT(shell.mainWindow()->isVisible(), 10000);
        const QSize available = shell.mainWindow()->screen()->availableGeometry().size();
        QTRY_COMPARE_WITH_TIMEOUT(shell.mainWindow()->frameGeometry().size(), available, 20000);
    }

private Q_SLOTS:
    void init()
    {
        ctx = std::make_unique<TestContext>();
        registerApplicationWindows(*ctx->context);
        for (const char *name : {"Form2", "Form3", "Form4", "server", "frmAbout"})
            ctx->context->windows().registerWindow(name, [] { return new QWidget; });
        ctx->writeFile("Wavecrest.ini", "[Wavecrest]\r\nHomePage=home.example\r\n");
        ctx->writeFile("Address.lst", "xyz\r\nABCDEF\r\nabc\r\n");
        ctx->writeFile("Favorties.lst", "A,B,C\r\n");
        ctx->writeFile("Favorites2.lst", "a\r\nb\r\n");
        openMainWindow();
        main().engine->calls.clear();
        popUpTargets.clear();
    }
    void cleanup() { ctx.reset(); }

    void controls_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("visible");
        const auto control
            = [](const char *name, const QString &caption, const QString &toolTip,
                  bool visible = true) { QTest::newRow(name) << caption << toolTip << visible; };
        control("Combo1", "Combo1", "");
        control("Browser1", "", "");
        control("Command1", "", "Go Back");
        control("Command2", "", "Go Forward");
        control("Command3", "", "Stop");
        control("Command4", "", "Reload");
        control("Command5", "", "Go Home");
        control("Command6", "", "Send Email");
        control("Picture1", "", "Click Here To Go To Brimlow's Webpage");
        control("Command7", "---", "Remove From Favorites");
        control("Command8", "Go", "Go To This Favorite");
        // A list with nothing chosen shows its prompt.
        control("Combo2", "                          === Favorites ===", "Favorites");
        control("Combo3", "=== Favorites ===", "", false);
        control("Label1", "Label1", "", false);
        control("StatusBar1", "", "");
        control("Image1", "", "");
    }
    void controls()
    {
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QFETCH(bool, visible);
        const QWidget *control = main().child(QTest::currentDataTag());
        QVERIFY(control);
        QString shown = control->property("text").toString();
        if (const auto *list = qobject_cast<const QComboBox *>(control))
            shown = list->currentIndex() < 0 && !list->isEditable() ? list->placeholderText()
                                                                    : list->currentText();
        QCOMPARE(shown, caption);
        QCOMPARE(control->toolTip(), toolTip);
        QCOMPARE(control->isVisible(), visible);
    }

    // Every menu and item in order: name, caption, and the shortcut, or
    // "ticked" for a ticked item.
    void menus()
    {
        const QStringList expected = {
            "mnuFile  &File",
            "mnuFileOpen  &Open File  Ctrl+O",
            "mnuFileLine",
            "mnuFileExit  &Exit",
            "mnuEdit  &Edit",
            "mnuEditPrefs  &Preferences  Ctrl+P",
            "mnuEditAllowPopUps  Allow Pop Ups  ticked",
            "mnuGo  &Go",
            "mnuGoBack  &Back       Ctrl+B",
            "mnuGoForward  &Forward       Ctrl+F",
            "mnuGoHome  &Home       Ctrl+H",
            "mnuGoStop  &Stop       Ctrl+S",
            "mnuRefresh  &Refresh       Ctrl+R",
            "mnuGoLine",
            "mnuGoEmail  Send Email",
            "mnuGoWebServer  Run Web Server",
            "mnuTranslate  &Translate",
            "mnuLanguageEngSpa  English to Spanish",
            "mnuLanguageEngGer  English to German",
            "mnuLanguageEngFre  English to French",
            "mnuLanguageEngIta  English to Italian",
            "mnuLanguageEngPor  English to Portuguese",
            "mnuLanguageLine",
            "mnuLanguageSpaEng  Spanish to English",
            "mnuLanguageGerEng  German to English",
            "mnuLanguageFreEng  French to English",
            "mnuLanguageItaEng  Italian to English",
            "mnuLanguagePorEng  Portuguese to English",
            "mnuFavorites  F&avorites",
            "mnuFavoritesAdd  &Add To Favorites...  Ctrl+D",
            "mnuHelp  &Help",
            "mnuHelpWebpage  Wavecrest Webpage",
            "mnuHelpLine",
            "mnuAbout  &About Wavecrest...  F1",
            "mnuHelpLine2",
            "mnuHelpComments  Send Us Comments and Suggestions",
        };
        const auto describe = [](const QAction *item) {
            QStringList parts = {item->objectName(), item->text(),
                item->isChecked() ? QStringLiteral("ticked") : item->shortcut().toString()};
            parts.removeAll(QString());
            return parts.join("  ");
        };
        QStringList actual;
        for (const QAction *menu : window->menuBar()->actions()) {
            actual << describe(menu);
            for (const QAction *item : menu->menu()->actions())
                actual << describe(item);
        }
        QCOMPARE(actual, expected);
    }

    void statusBarShowsTimeAndDate()
    {
        const auto *bar = main().child<BrowserStatusBar>("StatusBar1");
        QCOMPARE(bar->dateText(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(!bar->timeText().isEmpty());
    }

    // What a screen reader says for each control; the tool tips and visible
    // texts stay as they are.
    void accessibleNames_data()
    {
        QTest::addColumn<QString>("name");
        const char *const controls[][2]
            = {{"Command1", "Go Back"}, {"Command2", "Go Forward"}, {"Command3", "Stop"},
                {"Command4", "Reload"}, {"Command5", "Go Home"}, {"Command6", "Send Email"},
                {"Combo2", "Favorites"}, {"Command7", "Remove From Favorites"},
                {"Command8", "Go To This Favorite"}, {"Picture1", "Brimlow's Webpage"},
                {"Combo1", "Address"}, {"Image1", "Background Picture"}};
        for (const auto &[control, name] : controls)
            QTest::newRow(control) << QString::fromLatin1(name);
    }
    void accessibleNames()
    {
        QFETCH(QString, name);
        QWidget *control = main().child(QTest::currentDataTag());
        // The address bar's own name is the address it shows, as the
        // toolkit has it on Linux; its edit field is the named one.
        if (control == main().addressBar())
            control = main().addressBar()->lineEdit();
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), name);
    }

    // Both browser windows, as a screen reader walks them: whatever can take
    // the focus has a name, and so has every picture.
    void everyControlNamed()
    {
        main().pageAsksForNewWindow();
        for (BrowserWindow *w : {window.data(), secondary()}) {
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            QStringList unnamed;
            int focusable = 0;
            std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *object) {
                const QAccessible::State state = object->state();
                if (state.invisible)
                    return;
                const bool named = !object->text(QAccessible::Name).isEmpty();
                focusable += state.focusable;
                if ((state.focusable || object->role() == QAccessible::Graphic) && !named)
                    unnamed << object->object()->objectName() + " "
                            + object->object()->metaObject()->className();
                for (int i = 0; i < object->childCount(); ++i)
                    walk(object->child(i));
            };
            walk(QAccessible::queryAccessibleInterface(w));
            QVERIFY2(unnamed.isEmpty(), qPrintable(w->objectName() + ": " + unnamed.join(", ")));
            // The address bar, its field, the six buttons, the favourites
            // list, "Go", "---" and the logo at least.
            QVERIFY2(focusable >= 12, qPrintable(QString::number(focusable)));
        }
    }

    void engineEvents_data()
    {
        addActionColumns();
        row("download begins", [](auto &w) { Q_EMIT w.engine->DownloadBegin(); },
            {.status = "Contacting host...", .backEnabled = true, .stopEnabled = true});
        row("navigation completes",
            [](auto &w) {
                Q_EMIT w.engine->DownloadBegin();
                w.navigationCompletes("a.example");
            },
            {.status = "Receiving data...",
                .address = "a.example",
                .backEnabled = true,
                .stopEnabled = true});
        row("progress", [](auto &w) { Q_EMIT w.engine->ProgressChange(50, 100); },
            {.progress = "50  of  100"});
        row("negative progress", [](auto &w) { Q_EMIT w.engine->ProgressChange(-1, 100); },
            {.progress = "-1  of  100"});
        row("a status text replaces the one before",
            [](auto &w) {
                Q_EMIT w.engine->DownloadBegin();
                Q_EMIT w.engine->StatusTextChange("a");
                Q_EMIT w.engine->StatusTextChange("b");
            },
            {.status = "b", .backEnabled = true, .stopEnabled = true});
        row("title", [](auto &w) { Q_EMIT w.engine->TitleChange("Page"); },
            {.caption = "Page - Brimlow Wavecrest"});
        row("empty title, then added to the favourites at the top",
            [](auto &w) {
                Q_EMIT w.engine->TitleChange("Page");
                Q_EMIT w.engine->TitleChange("");
                w.engineAt("n");
                w.choose("mnuFavoritesAdd");
            },
            {.caption = " - Brimlow Wavecrest", .favourites = {" = n", "A = a", "B = b", "C = "}});
        row("download completes",
            [](auto &w) {
                Q_EMIT w.engine->DownloadBegin();
                Q_EMIT w.engine->DownloadComplete();
            },
            {.status = "Done.", .backEnabled = true});
    }
    void engineEvents() { actAndCompare(); }

    // Each Go item does what its button does, even while the button is disabled.
    void navigation_data()
    {
        addActionColumns();
        row("Go > Back, then Back",
            [](auto &w) {
                w.choose("mnuGoBack");
                Q_EMIT w.engine->DownloadBegin();
                w.click("Command1");
            },
            {.status = "Contacting host...",
                .backEnabled = true,
                .forwardEnabled = true,
                .stopEnabled = true,
                .engineCalls = {"GoBack", "GoBack"}});
        row("Go > Forward, Go > Back, then Forward",
            [](auto &w) {
                w.choose("mnuGoForward");
                w.choose("mnuGoBack");
                w.click("Command2");
            },
            {.forwardEnabled = true, .engineCalls = {"GoForward", "GoBack", "GoForward"}});
        row("Go > Stop, then Stop",
            [](auto &w) {
                w.choose("mnuGoStop");
                Q_EMIT w.engine->DownloadBegin();
                w.click("Command3");
            },
            {.status = "Contacting host...", .backEnabled = true, .engineCalls = {"Stop", "Stop"}});
        row("Reload, then Go > Refresh",
            [](auto &w) {
                w.click("Command4");
                w.choose("mnuRefresh");
            },
            {.engineCalls = {"Refresh", "Refresh"}});
        row("Home and Go > Home read the home page anew",
            [](auto &w) {
                w.setHomePage("one.example");
                w.click("Command5");
                w.setHomePage("two.example");
                w.choose("mnuGoHome");
            },
            {.engineCalls = {"Navigate:one.example", "Navigate:two.example"}});
        row("Help > Wavecrest Webpage", [](auto &w) { w.choose("mnuHelpWebpage"); },
            {.engineCalls = {"Navigate:" + Maker}});
        row("logo", [](auto &w) { w.click("Picture1"); }, {.engineCalls = {"Navigate:" + Maker}});
        row("logo, right click", [](auto &w) { w.rightClick("Picture1"); }, {});
        row("logo, Space", [](auto &w) { w.pressKey("Picture1", Qt::Key_Space); },
            {.engineCalls = {"Navigate:" + Maker}});
        row("logo, Enter", [](auto &w) { w.pressKey("Picture1", Qt::Key_Return); },
            {.engineCalls = {"Navigate:" + Maker}});
    }
    void navigation() { actAndCompare(); }

    void otherWindows_data()
    {
        addActionColumns();
        row("Send Email button", [](auto &w) { w.click("Command6"); }, {.openWindows = {"Form3"}});
        row("Send Email button, right click", [](auto &w) { w.rightClick("Command6"); },
            {.openWindows = {"Form3"}});
        row("Send Email button, Space", [](auto &w) { w.pressKey("Command6", Qt::Key_Space); },
            {.openWindows = {"Form3"}});
        row("Send Email button, released off it", [](auto &w) { w.releaseOutside("Command6"); },
            {});
        row("Go > Send Email", [](auto &w) { w.choose("mnuGoEmail"); }, {.openWindows = {"Form3"}});
        row("Edit > Preferences", [](auto &w) { w.choose("mnuEditPrefs"); },
            {.openWindows = {"Form2"}});
        row("Go > Run Web Server", [](auto &w) { w.choose("mnuGoWebServer"); },
            {.openWindows = {"server"}});
        row("Help > About", [](auto &w) { w.choose("mnuAbout"); }, {.openWindows = {"frmAbout"}});
        row("Help > Comments", [](auto &w) { w.choose("mnuHelpComments"); },
            {.openWindows = {"Form4"}});
    }
    void otherWindows() { actAndCompare(); }

    // With no home page a blank page loads, and shows as no page at all.
    void noHomePage_data()
    {
        addActionColumns();
        const QStringList blank = {"Navigate:about:blank"};
        row("the blank page's events show nothing", [](auto &w) { w.blankPageLoads(); },
            {.engineCalls = blank});
        row("nor do they on Reload",
            [](auto &w) {
                w.blankPageLoads();
                w.click("Command4");
                w.blankPageLoads();
            },
            {.engineCalls = blank + QStringList{"Refresh"}});
        row("Home, with no home page still",
            [](auto &w) {
                w.click("Command5");
                w.blankPageLoads();
            },
            {.engineCalls = blank + QStringList{"Navigate:"}});
        row("Enter records what the address bar shows",
            [](auto &w) {
                w.blankPageLoads();
                w.pressEnter();
            },
            {.engineCalls = blank + QStringList{"Navigate:Combo1"},
                .history = LoadedHistory + QStringList{"Combo1"}});
        row("Add To Favorites adds no address",
            [](auto &w) {
                w.blankPageLoads();
                w.choose("mnuFavoritesAdd");
            },
            {.engineCalls = blank, .favourites = {"Label1 = ", "A = a", "B = b", "C = "}});
        row("the next page shows as usual",
            [](auto &w) {
                w.blankPageLoads();
                w.type("x.example");
                w.pressEnter();
                Q_EMIT w.engine->DownloadBegin();
                w.navigationCompletes("http://x.example/");
                Q_EMIT w.engine->TitleChange("X");
            },
            {.status = "Receiving data...",
                .caption = "X - Brimlow Wavecrest",
                .address = "http://x.example/",
                .backEnabled = true,
                .stopEnabled = true,
                .engineCalls = blank + QStringList{"Navigate:x.example"},
                .history = LoadedHistory + QStringList{"x.example"}});
    }
    void noHomePage()
    {
        ctx->writeFile("Wavecrest.ini", "");
        openMainWindow();
        actAndCompare();
    }

    // Under a real X server with a window manager, which the offscreen
    // platform has not: the test runs itself again, on a display of its own,
    // with this function's name (so this executable has one test class).
    void maximisedOnFirstStart()
    {
        if (qEnvironmentVariableIsSet("WAVECREST_TEST_ON_DISPLAY"))
            return firstStartOnThisDisplay();
        QProcess server;
        server.start(
            "Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        QVERIFY2(server.waitForStarted(), "no Xvfb (scripts/install-deps installs it)");
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", ':' + QString::fromLatin1(server.readLine().trimmed()));
        environment.insert("QT_QPA_PLATFORM", "xcb");

        QTemporaryDir dir;
        const QString started = dir.filePath("window-manager-started");
        QProcess windowManager;
        windowManager.setProcessEnvironment(environment);
        windowManager.start("openbox", {"--sm-disable", "--startup", "touch " + started});
        QVERIFY2(windowManager.waitForStarted(), "no openbox (scripts/install-deps installs it)");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);

        QProcess program;
        environment.insert("WAVECREST_TEST_ON_DISPLAY", "1");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QCoreApplication::applicationFilePath(), {QTest::currentTestFunction()});
        QVERIFY(program.waitForFinished(90000));
        const QByteArray output = program.readAll();
        QVERIFY2(program.exitCode() == 0, output.constData());
        windowManager.terminate();
        windowManager.waitForFinished();
        server.terminate();
        server.waitForFinished();
    }

    // Keys pressed while the page has the focus; those of the menus keep
    // their meaning.
    void keys_data()
    {
        addActionColumns();
        const auto onPage = [](const char *keys, Action before = {}) {
            return Action([=](auto &w) {
                w.focusPage();
                if (before)
                    before(w);
                w.pressKeys(keys);
            });
        };
        const auto loading = [](auto &w) { Q_EMIT w.engine->DownloadBegin(); };
        const Shown addressSelected{.selected = "Combo1", .focus = "Combo1"};
        row("Ctrl+L", onPage("Ctrl+L"), addressSelected);
        row("Alt+D", onPage("Alt+D"), addressSelected);
        row("F6", onPage("F6"), addressSelected);
        row("F5", onPage("F5"), {.engineCalls = {"Refresh"}, .focus = "Browser1"});
        row("Alt+Left", onPage("Alt+Left"),
            {.forwardEnabled = true, .engineCalls = {"GoBack"}, .focus = "Browser1"});
        row("Alt+Right", onPage("Alt+Right"), {.engineCalls = {"GoForward"}, .focus = "Browser1"});
        row("Escape while a page loads", onPage("Esc", loading),
            {.status = "Contacting host...",
                .backEnabled = true,
                .engineCalls = {"Stop"},
                .focus = "Browser1"});
        row("Escape with nothing loading", onPage("Esc"), {.focus = "Browser1"});
        row("Escape after the load",
            onPage("Esc",
                [](auto &w) {
                    Q_EMIT w.engine->DownloadBegin();
                    Q_EMIT w.engine->DownloadComplete();
                }),
            {.status = "Done.", .backEnabled = true, .focus = "Browser1"});
        row("Ctrl+plus", onPage("Ctrl++"),
            {.engineCalls = {"ZoomFactor:1.1"}, .focus = "Browser1"});
        row("Ctrl+=, where plus needs Shift", onPage("Ctrl+="),
            {.engineCalls = {"ZoomFactor:1.1"}, .focus = "Browser1"});
        row("Ctrl+minus", onPage("Ctrl+-"),
            {.engineCalls = {"ZoomFactor:0.9"}, .focus = "Browser1"});
        row("Ctrl+0", onPage("Ctrl+0", [](auto &w) { w.pressKeys("Ctrl++"); }),
            {.engineCalls = {"ZoomFactor:1.1", "ZoomFactor:1"}, .focus = "Browser1"});
        row("F11", onPage("F11"), {.focus = "Browser1", .fullScreen = true});
        row("F11 twice", onPage("F11", [](auto &w) { w.pressKeys("F11"); }), {.focus = "Browser1"});

        row("Ctrl+B", onPage("Ctrl+B"),
            {.forwardEnabled = true, .engineCalls = {"GoBack"}, .focus = "Browser1"});
        row("Ctrl+F", onPage("Ctrl+F"), {.engineCalls = {"GoForward"}, .focus = "Browser1"});
        row("Ctrl+H", onPage("Ctrl+H"),
            {.engineCalls = {"Navigate:home.example"}, .focus = "Browser1"});
        row("Ctrl+S", onPage("Ctrl+S", loading),
            {.status = "Contacting host...",
                .backEnabled = true,
                .engineCalls = {"Stop"},
                .focus = "Browser1"});
        row("Ctrl+R", onPage("Ctrl+R"), {.engineCalls = {"Refresh"}, .focus = "Browser1"});
        row("Ctrl+P", onPage("Ctrl+P"), {.openWindows = {"Form2"}});
        row("Ctrl+D", onPage("Ctrl+D"),
            {.favourites = {"Label1 = ", "A = a", "B = b", "C = "}, .focus = "Browser1"});
        row("Ctrl+O",
            [](auto &w) {
                w.focusPage();
                w.pressKeys("Ctrl+O");
                w.chooseFile("/tmp/f.txt");
            },
            {.engineCalls = {"Navigate:/tmp/f.txt"}, .focus = "Browser1"});
        row("F1", onPage("F1"), {.openWindows = {"frmAbout"}});

        row("a click into the address bar selects it",
            [](auto &w) {
                w.focusPage();
                w.clickIntoAddress();
            },
            {.selected = "Combo1", .focus = "Combo1"});
        row("a second click places the caret",
            [](auto &w) {
                w.focusPage();
                w.clickIntoAddress();
                w.clickIntoAddress();
            },
            {.caret = 0, .focus = "Combo1"});
    }
    void keys() { actAndCompare(); }

    // A page's own full screen shows its view alone, until Escape.
    void pageFullScreen()
    {
        const Window w = main();
        const QRect view = geometry("Browser1");
        Q_EMIT w.engine->fullScreenRequested(true);
        QVERIFY(window->isFullScreen());
        QVERIFY(!window->menuBar()->isVisible());
        for (const char *control : {"StatusBar1", "Combo1", "Command1", "Combo2", "Picture1"})
            QVERIFY2(!w.child(control)->isVisible(), control);
        QTRY_COMPARE(geometry("Browser1"), client()->rect());
        w.pressKeys("Esc");
        QCOMPARE(w.engine->calls, QStringList{"ExitFullScreen"});
        Q_EMIT w.engine->fullScreenRequested(false);
        QVERIFY(!window->isFullScreen());
        QVERIFY(window->menuBar()->isVisible());
        for (const char *control : {"StatusBar1", "Combo1", "Command1", "Combo2", "Picture1"})
            QVERIFY2(w.child(control)->isVisible(), control);
        QTRY_COMPARE(geometry("Browser1"), view);
        // Escape belongs to the page again.
        w.pressKeys("Esc");
        QCOMPARE(w.engine->calls, QStringList{"ExitFullScreen"});
    }

    // The page's full screen ends in the state the window had before it;
    // meanwhile F11 asks the page to leave, as Escape does.
    void pageFullScreenReturns_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<bool>("menusShown");
        QTest::addColumn<QStringList>("engineCalls");
        const auto page = [](auto &w, bool on) { Q_EMIT w.engine->fullScreenRequested(on); };
        QTest::newRow("maximised before, maximised after") << Action([=](auto &w) {
            w.window->setWindowState(Qt::WindowMaximized);
            page(w, true);
            page(w, false);
        }) << false << true << true << QStringList{};
        QTest::newRow("the user's own full screen kept") << Action([=](auto &w) {
            w.focusPage();
            w.pressKeys("F11");
            page(w, true);
            page(w, false);
        }) << true << false << true << QStringList{};
        QTest::newRow("asked twice, left once") << Action([=](auto &w) {
            page(w, true);
            page(w, true);
            page(w, false);
        }) << false << false << true << QStringList{};
        QTest::newRow("F11 while the page has the screen") << Action([=](auto &w) {
            page(w, true);
            w.pressKeys("F11");
        }) << true << false << false << QStringList{"ExitFullScreen"};
        QTest::newRow("left without having been entered")
            << Action([=](auto &w) { page(w, false); }) << false << false << true << QStringList{};
    }
    void pageFullScreenReturns()
    {
        QFETCH(Action, action);
        QFETCH(bool, fullScreen);
        QFETCH(bool, maximised);
        QFETCH(bool, menusShown);
        QFETCH(QStringList, engineCalls);
        action(main());
        QCOMPARE(window->isFullScreen(), fullScreen);
        QCOMPARE(window->isMaximized(), maximised);
        QCOMPARE(main().engine->calls, engineCalls);
        QCOMPARE(window->menuBar()->isVisible(), menusShown);
    }

    void zoomSteps_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("natural size") << 1.0 << 1.1 << 0.9;
        QTest::newRow("a rounding error off a level") << 1.0999999 << 1.25 << 1.0;
        QTest::newRow("between levels") << 1.3 << 1.5 << 1.25;
        QTest::newRow("smallest") << 0.25 << 0.33 << 0.25;
        QTest::newRow("largest") << 5.0 << 5.0 << 4.0;
    }
    void zoomSteps()
    {
        QFETCH(double, factor);
        QFETCH(double, in);
        QFETCH(double, out);
        QCOMPARE(zoomedIn(factor), in);
        QCOMPARE(zoomedOut(factor), out);
    }

    void openFile()
    {
        main().choose("mnuFileOpen");
        answerFileDialog("/tmp/a b.txt");
        QCOMPARE(main().engine->calls, QStringList{"Navigate:/tmp/a b.txt"});
    }

    void translationAddress_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("request");
        const QString google = "https://translate.google.com/translate?sl=en&tl=de&u=";
        QTest::newRow("a page") << ""
                                << "http://a.example/" << google + "http%3A%2F%2Fa.example%2F";
        QTest::newRow("&, #, ? and blanks reach the service whole")
            << ""
            << "a.example/?q=1&r=2#top now" << google + "a.example%2F%3Fq%3D1%26r%3D2%23top%20now";
        QTest::newRow("letters beyond ASCII in UTF-8")
            << "" << u"http://\u00e4.example/\u00fc"_qs
            << google + "http%3A%2F%2F%C3%A4.example%2F%C3%BC";
        QTest::newRow("an empty address bar") << ""
                                              << "" << google;
        QTest::newRow("a service of one's own")
            << "https://t.example/{address}?into={to}&from={from}&again={to}"
            << "a.example/x"
            << "https://t.example/a.example%2Fx?into=de&from=en&again=de";
        QTest::newRow("placeholders in the page's address stay as they are")
            << "https://t.example/?u={address}&l={to}"
            << "{to}{from}"
            << "https://t.example/?u=%7Bto%7D%7Bfrom%7D&l=de";
        QTest::newRow("a service without {address}: the program's own")
            << "https://t.example/?l={to}"
            << "a.example" << google + "a.example";
    }
    void translationAddress()
    {
        QFETCH(QString, service);
        QFETCH(QString, address);
        QFETCH(QString, request);
        QCOMPARE(translationRequestAddress(service, "en", "de", address), request);
    }

    // The ten items keep their language pairs.
    void translateItems_data()
    {
        QTest::addColumn<QString>("languages");
        const char *const items[][2]
            = {{"mnuLanguageEngSpa", "sl=en&tl=es"}, {"mnuLanguageEngGer", "sl=en&tl=de"},
                {"mnuLanguageEngFre", "sl=en&tl=fr"}, {"mnuLanguageEngIta", "sl=en&tl=it"},
                {"mnuLanguageEngPor", "sl=en&tl=pt"}, {"mnuLanguageSpaEng", "sl=es&tl=en"},
                {"mnuLanguageGerEng", "sl=de&tl=en"}, {"mnuLanguageFreEng", "sl=fr&tl=en"},
                {"mnuLanguageItaEng", "sl=it&tl=en"}, {"mnuLanguagePorEng", "sl=pt&tl=en"}};
        for (const auto &[item, languages] : items)
            QTest::newRow(item) << QString::fromLatin1(languages);
    }
    void translateItems()
    {
        QFETCH(QString, languages);
        main().type("a.example");
        main().choose(QTest::currentDataTag());
        const QString request
            = "https://translate.google.com/translate?" + languages + "&u=a.example";
        QCOMPARE(main().addressBar()->currentText(), request);
        QCOMPARE(main().engine->calls, QStringList{"Navigate:" + request});
    }

    // The service is read at every use and never written; a second use
    // wraps the first request.
    void translateTwiceWithAServiceOfOnesOwn()
    {
        const QByteArray settings
            = "[Wavecrest]\r\nTranslateService=http://t.example/{from}/{to}/{address}\r\n";
        ctx->writeFile("Wavecrest.ini", settings);
        main().type("a.example/?q=1");
        main().choose("mnuLanguageEngGer");
        main().choose("mnuLanguagePorEng");
        const QString first = "http://t.example/en/de/a.example%2F%3Fq%3D1";
        const QString second = "http://t.example/pt/en/"
                               "http%3A%2F%2Ft.example%2Fen%2Fde%2Fa.example%252F%253Fq%253D1";
        QCOMPARE(main().addressBar()->currentText(), second);
        QCOMPARE(main().engine->calls, QStringList({"Navigate:" + first, "Navigate:" + second}));
        QCOMPARE(ctx->readFile("Wavecrest.ini"), settings);
    }

    // Enter records the text as it stands and navigates to it.
    void enter_data()
    {
        addActionColumns();
        row("typed text, blanks and all",
            [](auto &w) {
                w.type(" A.example/x y ");
                w.pressEnter();
            },
            {.address = " A.example/x y ",
                .engineCalls = {"Navigate: A.example/x y "},
                .history = LoadedHistory + QStringList{" A.example/x y "}});
        row("empty text only recorded",
            [](auto &w) {
                w.type("");
                w.pressEnter();
            },
            {.address = "", .history = LoadedHistory + QStringList{""}});
        row("a duplicate kept",
            [](auto &w) {
                w.type("abc");
                w.pressEnter();
            },
            {.address = "abc",
                .engineCalls = {"Navigate:abc"},
                .history = LoadedHistory + QStringList{"abc"}});
        row("hidden view shown, recorded twice",
            [](auto &w) {
                w.engine->view()->hide();
                w.type("b.c");
                w.pressEnter();
            },
            {.address = "b.c",
                .engineCalls = {"Navigate:b.c"},
                .history = LoadedHistory + QStringList{"b.c", "b.c"}});
        row("history full",
            [](auto &w) {
                w.setHistory(QStringList(32768, "e"));
                w.type("c");
                w.pressEnter();
            },
            {.address = "c", .engineCalls = {"Navigate:c"}, .history = QStringList(32767, "e")});
    }
    void enter() { actAndCompare(); }

    // A typed letter completes, on its release, from the oldest entry that
    // begins with the whole text, letters compared without regard to case;
    // the history holds xyz, ABCDEF, abc.
    void completion_data()
    {
        addActionColumns();
        row("the completed tail selected",
            [](auto &w) {
                w.type("b");
                w.putCaretAt(0);
                w.typeKey(Qt::Key_A);
            },
            {.address = "ABCDEF", .selected = "CDEF"});
        row("a whole entry taken in its own case",
            [](auto &w) {
                w.type("aBcDe");
                w.typeKey(Qt::Key_F);
            },
            {.address = "ABCDEF"});
        row("Shift and a letter",
            [](auto &w) {
                w.type("");
                w.typeKey(Qt::Key_A, Qt::ShiftModifier);
            },
            {.address = "ABCDEF", .selected = "BCDEF"});
        row("no entry matches: caret to the end",
            [](auto &w) {
                w.type("aq");
                w.putCaretAt(1);
                w.typeKey(Qt::Key_B);
            },
            {.address = "abq"});
        row("empty history: nothing happens",
            [](auto &w) {
                w.setHistory({});
                w.type("b");
                w.putCaretAt(0);
                w.typeKey(Qt::Key_A);
            },
            {.address = "ab", .caret = 1, .history = {}});

        // Nothing but a letter typed completes: the text and caret stay as
        // the key left them.
        const auto notOn = [](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &address,
                               int caret) {
            const QByteArray name = "not on " + QKeySequence(key | modifiers).toString().toUtf8();
            row(name.constData(),
                [=](auto &w) {
                    w.type("ab");
                    w.putCaretAt(1);
                    w.typeKey(key, modifiers);
                },
                {.address = address, .caret = caret});
        };
        notOn(Qt::Key_1, Qt::NoModifier, "a1b", 2);
        notOn(Qt::Key_Slash, Qt::NoModifier, "a/b", 2);
        notOn(Qt::Key_Space, Qt::NoModifier, "a b", 2);
        notOn(Qt::Key_Backspace, Qt::NoModifier, "b", 0);
        notOn(Qt::Key_Left, Qt::NoModifier, "ab", 0);
        notOn(Qt::Key_Shift, Qt::NoModifier, "ab", 1);
        notOn(Qt::Key_K, Qt::AltModifier, "akb", 2);
        notOn(Qt::Key_K, Qt::MetaModifier, "akb", 2);
        notOn(Qt::Key_K, Qt::ControlModifier, "ab", 1);

        row("Ctrl+A selects the address as it is",
            [](auto &w) {
                w.type("abc");
                w.typeKey(Qt::Key_A, Qt::ControlModifier);
            },
            {.address = "abc", .selected = "abc"});
        row("Ctrl+A, Ctrl let go before A",
            [](auto &w) {
                w.type("abc");
                QTest::keyPress(w.addressBar(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyRelease(w.addressBar(), Qt::Key_Control, Qt::ControlModifier);
                QTest::keyRelease(w.addressBar(), Qt::Key_A);
            },
            {.address = "abc", .selected = "abc"});
        row("Ctrl+A, then typing replaces the address",
            [](auto &w) {
                w.type("/index.html");
                w.typeKey(Qt::Key_A, Qt::ControlModifier);
                w.typeKey(Qt::Key_Q);
                w.typeKey(Qt::Key_R);
            },
            {.address = "qr"});
        row("Ctrl+V pastes without completing",
            [](auto &w) {
                QGuiApplication::clipboard()->setText("ab");
                w.type("");
                w.typeKey(Qt::Key_V, Qt::ControlModifier);
            },
            {.address = "ab"});
    }
    void completion() { actAndCompare(); }

    // The favourites files hold A, B, C with the addresses a, b.
    void favourites_data()
    {
        addActionColumns();
        row("Go and remove with nothing chosen",
            [](auto &w) {
                w.click("Command8");
                w.click("Command7");
            },
            {});
        row("choose the second, Go",
            [](auto &w) {
                w.chooseNextFavourite();
                w.chooseNextFavourite();
                w.click("Command8");
            },
            {.stopEnabled = true, .engineCalls = {"Navigate:b"}, .chosenFavourite = 1});
        row("Go to a title without an address",
            [](auto &w) {
                for (int i = 0; i < 3; ++i)
                    w.chooseNextFavourite();
                w.click("Command8");
            },
            {.stopEnabled = true, .engineCalls = {"Navigate:"}, .chosenFavourite = 2});
        row("remove clears the choice",
            [](auto &w) {
                w.chooseNextFavourite();
                w.chooseNextFavourite();
                w.click("Command7");
                w.click("Command8");
            },
            {.favourites = {"A = a", "C = "}});
        row("add after the chosen last title",
            [](auto &w) {
                for (int i = 0; i < 3; ++i)
                    w.chooseNextFavourite();
                w.engineAt("n");
                w.choose("mnuFavoritesAdd");
            },
            {.favourites = {"A = a", "B = b", "C = ", "Label1 = n"}, .chosenFavourite = 2});
        row("add after the chosen first title",
            [](auto &w) {
                w.chooseNextFavourite();
                w.engineAt("n");
                w.choose("mnuFavoritesAdd");
            },
            {.favourites = {"A = a", "Label1 = n", "B = b", "C = "}, .chosenFavourite = 0});
    }
    void favourites() { actAndCompare(); }

    void favouritesAreSavedInStep()
    {
        Q_EMIT main().engine->TitleChange("x, \"y\"");
        main().engineAt("x.example");
        main().choose("mnuFavoritesAdd");
        window->saveToSettings();
        QCOMPARE(ctx->readFile("Favorties.lst"), "\"x, \"\"y\"\"\"\r\nA\r\nB\r\nC\r\n");
        QCOMPARE(ctx->readFile("Favorites2.lst"), "x.example\r\na\r\nb\r\n\r\n");
    }

    // The window each pop-up goes to, after the switch has been flipped as the row says.
    void popUps_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("targets");
        QTest::newRow("two pop-ups share one new window") << Action([](auto &w) {
            w.pageAsksForNewWindow();
            w.pageAsksForNewWindow();
        }) << QStringList{"newwindow", "newwindow"};
        QTest::newRow("refused once unticked") << Action([](auto &w) {
            w.choose("mnuEditAllowPopUps");
            w.pageAsksForNewWindow();
        }) << QStringList{"none"};
        QTest::newRow("refused, the open one left alone") << Action([](auto &w) {
            w.pageAsksForNewWindow();
            w.choose("mnuEditAllowPopUps");
            w.pageAsksForNewWindow();
        }) << QStringList{"newwindow", "none"};
        QTest::newRow("ticked again: allowed") << Action([](auto &w) {
            w.choose("mnuEditAllowPopUps");
            w.choose("mnuEditAllowPopUps");
            w.pageAsksForNewWindow();
        }) << QStringList{"newwindow"};
    }
    void popUps()
    {
        QFETCH(Action, action);
        QFETCH(QStringList, targets);
        action(main());
        QCOMPARE(popUpTargets, targets);
        // One secondary window at most, which loaded the home page once.
        const bool opened = targets.contains("newwindow");
        QCOMPARE(ctx->engines.size(), opened ? 2 : 1);
        QCOMPARE(secondary() && secondary()->isVisible(), opened);
        if (opened)
            QCOMPARE(driven(secondary()).engine->calls, QStringList{"Navigate:home.example"});
    }

    // The secondary window's lists are its own copies, never written back.
    void secondaryWindowKeepsToItself()
    {
        Q_EMIT main().engine->TitleChange("Main page");
        main().engineAt("m");
        main().choose("mnuFavoritesAdd");
        main().pageAsksForNewWindow();
        main().choose("mnuEditAllowPopUps");
        const QByteArray lists = ctx->readFile("Address.lst") + ctx->readFile("Favorties.lst");
        QPointer<BrowserWindow> second = secondary();
        const Window w = driven(second);

        // Its pop-ups land in itself, even while the main window refuses them.
        w.pageAsksForNewWindow();
        Q_EMIT w.engine->ProgressChange(-1, 100);
        w.type("typed.example");
        w.pressEnter();
        w.choose("mnuFavoritesAdd");
        QCOMPARE(popUpTargets, QStringList({"newwindow", "newwindow"}));
        compare(shownBy(w, *ctx),
            {.status = "Contacting host... -1  of  100",
                .address = "typed.example",
                .engineCalls = {"Navigate:home.example", "Navigate:typed.example"},
                .history = LoadedHistory + QStringList{"typed.example"},
                .favourites = {"Label1 = ", "A = a", "B = b", "C = "},
                .openWindows = {"newwindow"}});
        if (QTest::currentTestFailed())
            return;

        w.choose("mnuFileExit");
        QTRY_VERIFY(second.isNull());
        QCOMPARE(ctx->readFile("Address.lst") + ctx->readFile("Favorties.lst"), lists);
        compare(shownBy(main(), *ctx),
            {.caption = "Main page - Brimlow Wavecrest",
                .favourites = {"Main page = m", "A = a", "B = b", "C = "}});
    }

    void layoutFollowsTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("minimised");
        QTest::newRow("small") << QSize(640, 300) << false;
        QTest::newRow("full HD") << QSize(1920, 1080) << false;
        QTest::newRow("too low for the view: its height kept") << QSize(700, 100) << false;
        QTest::newRow("minimised, then restored") << QSize(1000, 700) << true;
    }
    void layoutFollowsTheWindow()
    {
        QFETCH(QSize, size);
        QFETCH(bool, minimised);
        window->resize(800, 600);
        QTRY_COMPARE(client()->width(), 800);
        const QRect view = geometry("Browser1"), fixed = geometry("Command7");
        window->setWindowState(minimised ? Qt::WindowMinimized : Qt::WindowNoState);
        window->resize(size);
        QTRY_COMPARE(client()->width(), size.width());
        if (minimised) {
            QCOMPARE(geometry("Browser1"), view);
            window->setWindowState(Qt::WindowNoState);
        }
        // In pixels: 50 twips from the left, 30 short of the right edge, the
        // view from 1200 twips down to the status bar, the logo 475 twips left
        // of the view's right end; nothing else moves.
        const QRect combo = geometry("Combo1");
        QCOMPARE(combo, QRect(3, combo.top(), size.width() - 5, combo.height()));
        const int height = client()->height() < 80 ? view.height() : client()->height() - 80;
        QCOMPARE(geometry("Browser1"), QRect(3, 80, size.width() - 5, height));
        QCOMPARE(geometry("Picture1").left(), size.width() - 37);
        QCOMPARE(geometry("Command7"), fixed);
    }

    // Narrower than the margins, in twips: the widths are kept and the logo
    // still follows the view.
    void tooNarrowKeepsWidths()
    {
        const BrowserLayout l = resizedLayout(BrowserLayout(), 60, 7890);
        QCOMPARE(QList<int>({l.addressWidth, l.browserWidth, l.logoLeft}),
            QList<int>({10215, 10335, 9860}));
    }

    void background_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QImage>("picture");
        QImage tile(3, 2, QImage::Format_ARGB32);
        for (int i = 0; i < 6; ++i)
            tile.setPixel(i % 3, i / 3, qRgba(40 * i, 255 - 40 * i, 7 * i, i == 4 ? 0 : 255));
        QTest::newRow("no picture") << "" << QImage();
        QTest::newRow("3 x 2, one pixel transparent") << "p.png" << tile;
        QTest::newRow("zero size") << "p.png" << QImage(0, 2, QImage::Format_ARGB32);
    }
    void background()
    {
        QFETCH(QString, file);
        QFETCH(QImage, picture);
        picture.save(ctx->file("p.png")); // nothing to save of a zero-size picture
        window->setBackgroundColorValue(0x00FF0000); // blue in the stored encoding
        QCOMPARE(window->setBackgroundPicture(file.isEmpty() ? file : ctx->file(file)),
            !picture.isNull());
        // Above the button row the whole width is background, tiled from the
        // top-left corner; the colour shows through the transparent pixel.
        const QImage image = client()->grab().toImage();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = picture.isNull()
                    ? 0
                    : picture.pixel(x % picture.width(), y % picture.height());
                QCOMPARE(image.pixel(x, y), qAlpha(pixel) ? pixel : QColor(Qt::blue).rgb());
            }
    }

    // Preferences changes the main window's look only; the secondary window
    // keeps its own, which goes nowhere else.
    void secondaryWindowKeepsItsLook()
    {
        main().pageAsksForNewWindow();
        BrowserWindow *second = secondary();
        MainWindowAppearance &appearance = ctx->context->mainWindowAppearance();
        appearance.setColorValue(0x00FF0000);
        second->setBackgroundColorValue(0x0000FF00);
        QCOMPARE(window->backgroundColorValue(), 0x00FF0000);
        QCOMPARE(second->backgroundColorValue(), 0x0000FF00);
        QCOMPARE(appearance.colorValue(), 0x00FF0000);
    }
};

WAVECREST_TEST(BrowserWindowTest)
#include "tst_browserwindow.moc"
