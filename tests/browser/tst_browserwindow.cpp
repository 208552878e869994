#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "browser/addressbar.h"
#include "browser/browserlayout.h"
#include "browser/browserstatusbar.h"
#include "browser/browserwindow.h"
#include "browser/translation.h"
#include "engine/webenginefactory.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "ui/twips.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString Maker = QStringLiteral("https://www.brimlow.example/");
const QStringList LoadedHistory = {"xyz", "ABCDEF", "abc"};

// A browser window with its scripted engine, and where the pop-ups of the
// test's windows went ("none" for one refused).
struct Window {
    BrowserWindow *window;
    FakeBrowserEngine *engine;
    TestContext *ctx;
    QStringList *popUpTargets;

    template <typename T = QWidget> T *child(const QString &name) const
    {
        return window->findChild<T *>(name);
    }
    AddressBar *addressBar() const { return child<AddressBar>("Combo1"); }
};

// One thing the user does, or the engine reports; a row plays its steps in order.
using Step = std::function<void(Window)>;
using Steps = QList<Step>;

void play(const Window &w, const Steps &steps)
{
    for (const Step &step : steps)
        step(w);
}

// What the user does, and what the engine reports, as steps of a row.
Step click(const QString &control, Qt::MouseButton button = Qt::LeftButton)
{
    return [=](Window w) { QTest::mouseClick(w.child(control), button); };
}
Step pressKey(const QString &control, Qt::Key key)
{
    return [=](Window w) { QTest::keyClick(w.child(control), key); };
}
// Keys as they are written, "Ctrl+L", pressed where the focus is.
Step press(const QString &keys)
{
    return [=](Window w) { QTest::keySequence(w.window->focusWidget(), QKeySequence(keys)); };
}
const Step focusPage = [](Window w) { w.engine->view()->setFocus(); };
Step choose(const QString &item)
{
    return [=](Window w) { w.child<QAction>(item)->trigger(); };
}
// The title list's arrow key, as often as it takes to reach the row.
Step chooseFavourite(int row)
{
    return [=](Window w) {
        for (int i = 0; i <= row; ++i)
            QTest::keyClick(w.child("Combo2"), Qt::Key_Down);
    };
}
// The address bar's text as if typed, the caret where the typing ended.
Step type(const QString &text, int caret = -1)
{
    return [=](Window w) {
        w.addressBar()->setEditText(text);
        if (caret >= 0)
            w.addressBar()->lineEdit()->setCursorPosition(caret);
    };
}
Step typeKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return [=](Window w) { QTest::keyClick(w.addressBar(), key, modifiers); };
}
const Step pressEnter = typeKey(Qt::Key_Return);
const Step clickIntoAddress = [](Window w) { // before its first character
    QTest::mouseClick(w.addressBar()->lineEdit(), Qt::LeftButton, {}, {1, 5});
};
Step homePageIs(const QByteArray &address)
{
    return
        [=](Window w) { w.ctx->writeFile("Wavecrest.ini", "[Wavecrest]\r\nHomePage=" + address); };
}

const Step downloadBegins = [](Window w) { Q_EMIT w.engine->DownloadBegin(); };
const Step downloadCompletes = [](Window w) { Q_EMIT w.engine->DownloadComplete(); };
Step titleChanges(const QString &title)
{
    return [=](Window w) { Q_EMIT w.engine->TitleChange(title); };
}
// The engine has moved to the address (the user followed a link, say).
Step engineAt(const QString &address)
{
    return [=](Window w) { w.engine->location = address; };
}
Step navigationCompletes(const QString &address)
{
    return [=](Window w) {
        w.engine->location = address;
        Q_EMIT w.engine->NavigateComplete2(address);
    };
}
// What the engine reports while it loads the blank page.
const Step blankPageLoads = [](Window w) {
    play(w, {downloadBegins, navigationCompletes("about:blank"), titleChanges("about:blank")});
    Q_EMIT w.engine->ProgressChange(100, 100);
    Q_EMIT w.engine->StatusTextChange("");
    Q_EMIT w.engine->DownloadComplete();
};
const Step pageAsksForNewWindow = [](Window w) {
    const BrowserEngine *target = w.engine->requestNewWindow();
    w.popUpTargets->append(target ? target->view()->window()->objectName() : "none");
};
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
    QStringList openWindows; // the program's other windows, by name
    QStringList popUps; // the window each pop-up went to, "none" for one refused
    bool viewShown = true;
    QString focus; // the control with the keyboard focus; not looked at when empty
    // "normal", "maximised" or "full screen", after "the page's " while the
    // page has the screen: its view alone fills the window and takes the keys.
    QString screen = "normal";
};

Shown shownBy(const Window &w)
{
    const auto *status = w.child<BrowserStatusBar>("StatusBar1");
    const QLineEdit *edit = w.addressBar()->lineEdit();
    Shown shown{.status = status->statusText(),
        .progress = status->progressText(),
        .caption = w.window->windowTitle(),
        .address = edit->text(),
        .selected = edit->selectedText(),
        .caret = edit->cursorPosition() == edit->text().size() ? -1 : edit->cursorPosition(),
        .backEnabled = w.child("Command1")->isEnabled(),
        .forwardEnabled = w.child("Command2")->isEnabled(),
        .stopEnabled = w.child("Command3")->isEnabled(),
        .engineCalls = w.engine->calls,
        .history = w.addressBar()->entries(),
        .favourites = {},
        .popUps = *w.popUpTargets,
        .viewShown = !w.engine->view()->isHidden()};
    const auto *titles = w.child<QComboBox>("Combo2");
    const auto *addresses = w.child<QComboBox>("Combo3");
    for (int i = 0; i < qMax(titles->count(), addresses->count()); ++i)
        shown.favourites << titles->itemText(i) + " = " + addresses->itemText(i);
    // The address list follows the title list's choice.
    shown.chosenFavourite
        = titles->currentIndex() == addresses->currentIndex() ? titles->currentIndex() : -2;
    for (const char *name : {"Form2", "Form3", "Form4", "server", "frmAbout", "newwindow"}) {
        if (const QWidget *open = w.ctx->context->windows().find(name); open && open->isVisible())
            shown.openWindows << name;
    }
    // The line edit of the address bar has no name of its own.
    for (const QWidget *focus = w.window->focusWidget(); focus && shown.focus.isEmpty();
         focus = focus->parentWidget())
        shown.focus = focus->objectName();
    const bool pageScreen = !w.window->menuBar()->isVisible();
    shown.screen = QString(pageScreen ? "the page's " : "")
        + (w.window->isFullScreen()       ? "full screen"
                : w.window->isMaximized() ? "maximised"
                                          : "normal");
    const QRect view = w.child("Browser1")->geometry(), client = w.window->centralWidget()->rect();
    for (const char *control : {"StatusBar1", "Combo1", "Command1", "Combo2", "Picture1"}) {
        if (w.child(control)->isVisible() == pageScreen)
            shown.screen += QString(" but ") + control + " shown";
    }
    if (pageScreen ? view != client || w.window->focusWidget() != w.engine->view()
                   : view.top() != Twips::toPixels(BrowserLayout::BrowserTop))
        shown.screen += " but the view misplaced";
    return shown;
}

// A line for each thing shown, so that a failure names what differs.
QStringList lines(const Shown &s)
{
    const auto number = [](int n) { return QString::number(n); };
    return {"status: " + s.status, "progress: " + s.progress, "caption: " + s.caption,
        "address: " + s.address, "selected: " + s.selected, "caret: " + number(s.caret),
        "back enabled: " + number(s.backEnabled), "forward enabled: " + number(s.forwardEnabled),
        "stop enabled: " + number(s.stopEnabled), "engine calls: " + s.engineCalls.join(" | "),
        "history: " + s.history.join(" | "), "favourites: " + s.favourites.join(" | "),
        "chosen favourite: " + number(s.chosenFavourite),
        "open windows: " + s.openWindows.join(" "), "pop-ups: " + s.popUps.join(" "),
        "view shown: " + number(s.viewShown), "focus: " + s.focus, "screen: " + s.screen};
}

void compare(Shown actual, const Shown &expected)
{
    if (expected.focus.isEmpty())
        actual.focus.clear();
    QCOMPARE(lines(actual), lines(expected));
}

// The texts given more than once, empty ones aside.
QStringList duplicates(QStringList texts)
{
    texts.removeAll(QString());
    texts.sort();
    QStringList repeated;
    for (qsizetype i = 1; i < texts.size(); ++i) {
        if (texts.at(i) == texts.at(i - 1))
            repeated << texts.at(i);
    }
    return repeated;
}

void row(const char *name, const Steps &steps, const Shown &shown)
{
    QTest::newRow(name) << steps << shown;
}

} // namespace

Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Shown)

// The main window with scripted engines in a temporary data directory. The
// one-instance windows of other areas are stood in for by plain widgets, so a
// test sees which of them a command opened.
class BrowserWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestContext> ctx;
    QPointer<BrowserWindow> window;
    QStringList popUpTargets;

    Window driven(BrowserWindow *w)
    {
        return {w, static_cast<FakeBrowserEngine *>(w->engine()), ctx.get(), &popUpTargets};
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
        // The user picks this file in every file dialog.
        window->setFileChooser([](QWidget *, auto, auto onChosen) { onChosen("/tmp/a b.txt"); });
        window->loadFromSettings();
        window->show();
        // Keys reach the window's shortcuts only while it is active.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        // The rows start from a caret; the selection at start has tests of its own.
        main().addressBar()->lineEdit()->deselect();
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

    // What each control shows as the window opens (a list with nothing chosen
    // shows its prompt) and its tool tip; the favourites' address list and
    // the title label stay hidden. No two controls overlap, and all lie in
    // the window (the background picture lies behind them).
    void controls()
    {
        const char *const shown[][3] = {{"Command1", "", "Go Back"}, {"Command2", "", "Go Forward"},
            {"Command3", "", "Stop"}, {"Command4", "", "Reload"}, {"Command5", "", "Go Home"},
            {"Command6", "", "Send Email"},
            {"Combo2", "                          === Favorites ===", "Favorites"},
            {"Command8", "Go", "Go To This Favorite"}, {"Command7", "---", "Remove From Favorites"},
            {"Picture1", "", "Click Here To Go To Brimlow's Webpage"}, {"Combo1", "Combo1", ""},
            {"Browser1", "", ""}, {"StatusBar1", "", ""}};
        QList<QRect> taken;
        for (const auto &[name, caption, toolTip] : shown) {
            QWidget *control = main().child(name);
            QString text = control->property("text").toString();
            if (const auto *list = qobject_cast<const QComboBox *>(control))
                text = list->isEditable() ? list->currentText() : list->placeholderText();
            QCOMPARE(text, caption);
            QCOMPARE(control->toolTip(), toolTip);
            // Places in twips may round to a pixel's overlap.
            const QRect place
                = QRect(control->mapTo(window, QPoint()), control->size()).adjusted(0, 0, -1, -1);
            QVERIFY2(control->isVisible() && window->rect().contains(place), name);
            for (const QRect &other : std::as_const(taken))
                QVERIFY2(!place.intersects(other), name);
            taken << place;
        }
        QVERIFY(!main().child("Combo3")->isVisible() && !main().child("Label1")->isVisible());
    }

    // Every menu item says what it does; no two share a name or a shortcut,
    // nor, on the menu bar or within a menu, an access key.
    void menus()
    {
        const auto accessKey = [](const QAction *item) {
            const qsizetype at = item->text().indexOf('&');
            return at < 0 ? QString() : item->text().mid(at + 1, 1).toLower();
        };
        QStringList names, shortcuts;
        QList<QStringList> accessKeys = {{}}; // the menu bar's, then each menu's
        for (const QAction *menu : window->menuBar()->actions()) {
            names << menu->objectName();
            accessKeys.first() << accessKey(menu);
            accessKeys << QStringList();
            for (const QAction *item : menu->menu()->actions()) {
                names << item->objectName();
                QVERIFY2(item->isSeparator() || !item->text().isEmpty(), qPrintable(names.last()));
                shortcuts << item->shortcut().toString();
                accessKeys.last() << accessKey(item);
            }
        }
        QCOMPARE(duplicates(names), QStringList());
        QCOMPARE(duplicates(shortcuts), QStringList());
        for (const QStringList &keys : std::as_const(accessKeys))
            QCOMPARE(duplicates(keys), QStringList());
    }

    void statusBarShowsTimeAndDate()
    {
        const auto *bar = main().child<BrowserStatusBar>("StatusBar1");
        QCOMPARE(bar->dateText(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(!bar->timeText().isEmpty());
    }

    // What the window shows after what the user does and the engine reports.
    void steps_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<Shown>("shown");

        row("progress, and a status text that replaces the one before",
            {[](auto w) { Q_EMIT w.engine->ProgressChange(50, 100); },
                [](auto w) { Q_EMIT w.engine->StatusTextChange("a"); },
                [](auto w) { Q_EMIT w.engine->StatusTextChange("b"); }},
            {.status = "b", .progress = "50  of  100"});
        row("an empty title, added to the favourites at the top",
            {titleChanges("Page"), titleChanges(""), engineAt("n"), choose("mnuFavoritesAdd")},
            {.caption = " - Brimlow Wavecrest", .favourites = {" = n", "A = a", "B = b", "C = "}});
        // The buttons, and the menu items without a key of their own (the
        // keys come next, which work even while their button is disabled).

        row("Back, then Forward, while a page loads",
            {downloadBegins, click("Command1"), click("Command2")},
            {.status = "Contacting host...",
                .backEnabled = true,
                .forwardEnabled = true,
                .stopEnabled = true,
                .engineCalls = {"GoBack", "GoForward"}});
        row("Stop while a page loads", {downloadBegins, click("Command3")},
            {.status = "Contacting host...", .backEnabled = true, .engineCalls = {"Stop"}});
        row("Home and Go > Home read the home page anew",
            {homePageIs("one.example"), click("Command5"), homePageIs("two.example"),
                choose("mnuGoHome")},
            {.engineCalls = {"Navigate:one.example", "Navigate:two.example"}});
        const QStringList toMaker = {"Navigate:" + Maker, "Navigate:" + Maker};
        row("the logo (not its right click), and Help > Wavecrest Webpage",
            {click("Picture1", Qt::RightButton), click("Picture1"), choose("mnuHelpWebpage")},
            {.engineCalls = toMaker});
        row("the logo, Space and Enter",
            {pressKey("Picture1", Qt::Key_Space), pressKey("Picture1", Qt::Key_Return)},
            {.engineCalls = toMaker});
        row("Send Email", {click("Command6")}, {.openWindows = {"Form3"}});
        row("Send Email, right click", {click("Command6", Qt::RightButton)},
            {.openWindows = {"Form3"}});
        row("Send Email, Space", {pressKey("Command6", Qt::Key_Space)}, {.openWindows = {"Form3"}});
        const Step releasedOffIt = [](auto w) { // after a press on it
            QTest::mouseRelease(w.child("Command6"), Qt::RightButton, {}, {-5, -5});
        };
        row("Send Email, released off it", {releasedOffIt}, {});
        row("Go > Send Email, Go > Run Web Server, Help > Comments",
            {choose("mnuGoEmail"), choose("mnuGoWebServer"), choose("mnuHelpComments")},
            {.openWindows = {"Form3", "Form4", "server"}});
        // Keys pressed while the page has the focus, which stays there unless
        // the row says otherwise; those of the menus keep their meaning.

        const auto onPage = [](const char *name, Steps steps, Shown shown) {
            if (shown.focus.isEmpty())
                shown.focus = "Browser1";
            row(name, Steps{focusPage} + steps, shown);
        };
        const auto key
            = [=](const char *keys, const Shown &shown) { onPage(keys, {press(keys)}, shown); };
        for (const char *keys : {"Ctrl+L", "Alt+D", "F6"})
            key(keys, {.selected = "Combo1", .focus = "Combo1"});
        key("F5", {.engineCalls = {"Refresh"}});
        key("Alt+Left", {.forwardEnabled = true, .engineCalls = {"GoBack"}});
        key("Alt+Right", {.engineCalls = {"GoForward"}});
        onPage("Escape while a page loads", {downloadBegins, press("Esc")},
            {.status = "Contacting host...", .backEnabled = true, .engineCalls = {"Stop"}});
        onPage("Escape after the load", {downloadBegins, downloadCompletes, press("Esc")},
            {.status = "Done.", .backEnabled = true});
        key("Ctrl+=", {.engineCalls = {"ZoomFactor:1.1"}}); // where plus needs Shift
        key("Ctrl+-", {.engineCalls = {"ZoomFactor:0.9"}});
        onPage("Ctrl+plus twice, then Ctrl+0", {press("Ctrl++"), press("Ctrl++"), press("Ctrl+0")},
            {.engineCalls = {"ZoomFactor:1.1", "ZoomFactor:1.25", "ZoomFactor:1"}});
        // Zoom steps from a level a rounding error off, between levels, and at the ends.
        const auto zoomedTo
            = [](double factor) -> Step { return [=](Window w) { w.engine->zoom = factor; }; };
        onPage("Ctrl+plus just under 1.1", {zoomedTo(1.0999999), press("Ctrl++")},
            {.engineCalls = {"ZoomFactor:1.25"}});
        onPage("Ctrl+minus just under 1.1", {zoomedTo(1.0999999), press("Ctrl+-")},
            {.engineCalls = {"ZoomFactor:1"}});
        onPage("Ctrl+minus between levels", {zoomedTo(1.3), press("Ctrl+-")},
            {.engineCalls = {"ZoomFactor:1.25"}});
        onPage("Ctrl+minus at the smallest", {zoomedTo(0.25), press("Ctrl+-")},
            {.engineCalls = {"ZoomFactor:0.25"}});
        onPage("Ctrl+plus at the largest", {zoomedTo(5), press("Ctrl++")},
            {.engineCalls = {"ZoomFactor:5"}});
        onPage("F11 twice", {press("F11"), press("F11")}, {});

        key("Ctrl+B", {.forwardEnabled = true, .engineCalls = {"GoBack"}});
        key("Ctrl+F", {.engineCalls = {"GoForward"}});
        key("Ctrl+H", {.engineCalls = {"Navigate:home.example"}});
        key("Ctrl+S", {.engineCalls = {"Stop"}});
        key("Ctrl+R", {.engineCalls = {"Refresh"}});
        key("Ctrl+P", {.openWindows = {"Form2"}});
        key("Ctrl+D", {.favourites = {"Label1 = ", "A = a", "B = b", "C = "}});
        key("Ctrl+O", {.engineCalls = {"Navigate:/tmp/a b.txt"}}); // the file chosen
        key("F1", {.openWindows = {"frmAbout"}});

        onPage("a click into the address bar selects it", {clickIntoAddress},
            {.selected = "Combo1", .focus = "Combo1"});
        onPage("a second click places the caret", {clickIntoAddress, clickIntoAddress},
            {.caret = 0, .focus = "Combo1"});
        // A page's own full screen shows its view alone over the whole client
        // area, and ends in the state the window had before it; meanwhile
        // Escape and F11 ask the page to leave.
        const Step asks = [](auto w) { Q_EMIT w.engine->fullScreenRequested(true); };
        const Step leaves = [](auto w) { Q_EMIT w.engine->fullScreenRequested(false); };
        const Step maximise = [](auto w) { w.window->setWindowState(Qt::WindowMaximized); };
        const QStringList exit = {"ExitFullScreen"};
        const QString pageScreen = "the page's full screen";
        row("Escape asks the page to leave", {asks, press("Esc")},
            {.engineCalls = exit, .screen = pageScreen});
        row("F11 asks the page to leave", {asks, press("F11")},
            {.engineCalls = exit, .screen = pageScreen});
        row("left, Escape is the page's again", {asks, leaves, press("Esc")}, {});
        row("maximised before, maximised after", {maximise, asks, leaves}, {.screen = "maximised"});
        row("the user's own full screen kept", {focusPage, press("F11"), asks, leaves},
            {.screen = "full screen"});
        row("asked twice, left once", {asks, asks, leaves}, {});

        // Translate sends what the address bar shows to the service that the
        // TranslateService key names (read at each use, never written) or,
        // with none, to the program's own; the address bar shows the request.
        const auto translate
            = [](const char *name, const QByteArray &service, const QString &address,
                  const char *item, const QString &request) {
                  const QByteArray settings = "[Wavecrest]\r\nTranslateService=" + service + "\r\n";
                  const Step unwritten
                      = [=](Window w) { QCOMPARE(w.ctx->readFile("Wavecrest.ini"), settings); };
                  row(name,
                      {[=](Window w) { w.ctx->writeFile("Wavecrest.ini", settings); },
                          type(address), choose(item), unwritten},
                      {.address = request, .engineCalls = {"Navigate:" + request}});
              };
        // The ten items keep their language pairs.
        const char *const items[][2]
            = {{"mnuLanguageEngSpa", "sl=en&tl=es"}, {"mnuLanguageEngGer", "sl=en&tl=de"},
                {"mnuLanguageEngFre", "sl=en&tl=fr"}, {"mnuLanguageEngIta", "sl=en&tl=it"},
                {"mnuLanguageEngPor", "sl=en&tl=pt"}, {"mnuLanguageSpaEng", "sl=es&tl=en"},
                {"mnuLanguageGerEng", "sl=de&tl=en"}, {"mnuLanguageFreEng", "sl=fr&tl=en"},
                {"mnuLanguageItaEng", "sl=it&tl=en"}, {"mnuLanguagePorEng", "sl=pt&tl=en"}};
        const QString google = "https://translate.google.com/translate?";
        for (const auto &[item, languages] : items)
            translate(item, "", "a.example", item, google + languages + "&u=a.example");
        const QString german = google + "sl=en&tl=de&u=";
        const char *const toGerman = "mnuLanguageEngGer";
        translate("&, #, ? and blanks reach the service whole", "",
            "http://a.example/?q=1&r=2#top now", toGerman,
            german + "http%3A%2F%2Fa.example%2F%3Fq%3D1%26r%3D2%23top%20now");
        translate("letters beyond ASCII in UTF-8", "", u"\u00e4.example/\u00fc"_qs, toGerman,
            german + "%C3%A4.example%2F%C3%BC");
        translate("an empty address bar", "", "", toGerman, german);
        translate("a service of one's own",
            "https://t.example/{address}?into={to}&from={from}&again={to}", "a.example/x", toGerman,
            "https://t.example/a.example%2Fx?into=de&from=en&again=de");
        translate("placeholders in the page's address stay as they are",
            "https://t.example/?u={address}&l={to}", "{to}{from}", toGerman,
            "https://t.example/?u=%7Bto%7D%7Bfrom%7D&l=de");
        translate("a service without {address}: the program's own", "https://t.example/?l={to}",
            "a.example", toGerman, german + "a.example");

        // Enter records the text as it stands and navigates to it.

        row("typed text, blanks and all", {type(" A.example/x y "), pressEnter},
            {.address = " A.example/x y ",
                .engineCalls = {"Navigate: A.example/x y "},
                .history = LoadedHistory + QStringList{" A.example/x y "}});
        row("empty text only recorded", {type(""), pressEnter},
            {.address = "", .history = LoadedHistory + QStringList{""}});
        row("a duplicate kept", {type("abc"), pressEnter},
            {.address = "abc",
                .engineCalls = {"Navigate:abc"},
                .history = LoadedHistory + QStringList{"abc"}});
        row("hidden view shown, recorded twice",
            {[](auto w) { w.engine->view()->hide(); }, type("b.c"), pressEnter},
            {.address = "b.c",
                .engineCalls = {"Navigate:b.c"},
                .history = LoadedHistory + QStringList{"b.c", "b.c"}});
        row("history full",
            {[](auto w) { w.addressBar()->setEntries(QStringList(32768, "e")); }, type("c"),
                pressEnter},
            {.address = "c", .engineCalls = {"Navigate:c"}, .history = QStringList(32767, "e")});
        // A typed letter completes, on its release, from the oldest entry that
        // begins with the whole text, letters compared without regard to case;
        // the history holds xyz, ABCDEF, abc.

        row("the completed tail selected", {type("b", 0), typeKey(Qt::Key_A)},
            {.address = "ABCDEF", .selected = "CDEF"});
        row("a whole entry taken in its own case", {type("aBcDe"), typeKey(Qt::Key_F)},
            {.address = "ABCDEF"});
        row("Shift and a letter", {type(""), typeKey(Qt::Key_A, Qt::ShiftModifier)},
            {.address = "ABCDEF", .selected = "BCDEF"});
        row("no entry matches: caret to the end", {type("aq", 1), typeKey(Qt::Key_B)},
            {.address = "abq"});
        row("empty history: nothing happens",
            {[](auto w) { w.addressBar()->setEntries({}); }, type("b", 0), typeKey(Qt::Key_A)},
            {.address = "ab", .caret = 1, .history = {}});

        // Nothing but a letter typed without Ctrl, Alt or Meta completes: the
        // text and caret stay as the key left them.
        const Step ab = type("ab", 1);
        row("not on a digit", {ab, typeKey(Qt::Key_1)}, {.address = "a1b", .caret = 2});
        row("not on Backspace", {ab, typeKey(Qt::Key_Backspace)}, {.address = "b", .caret = 0});
        row("not on Shift alone", {ab, typeKey(Qt::Key_Shift)}, {.address = "ab", .caret = 1});
        row("not on Alt+K, which types nothing", {ab, typeKey(Qt::Key_K, Qt::AltModifier)},
            {.address = "ab", .caret = 1});
        row("not on Meta+K", {ab, typeKey(Qt::Key_K, Qt::MetaModifier)},
            {.address = "akb", .caret = 2});
        row("not on Ctrl+K", {ab, typeKey(Qt::Key_K, Qt::ControlModifier)},
            {.address = "ab", .caret = 1});
        row("not on Ctrl+A, Ctrl let go before A",
            {ab,
                [](auto w) {
                    QTest::keyPress(w.addressBar(), Qt::Key_A, Qt::ControlModifier);
                    QTest::keyRelease(w.addressBar(), Qt::Key_Control, Qt::ControlModifier);
                    QTest::keyRelease(w.addressBar(), Qt::Key_A);
                }},
            {.address = "ab", .selected = "ab"});
        row("Ctrl+A, then typing replaces the address",
            {type("/index.html"), typeKey(Qt::Key_A, Qt::ControlModifier), typeKey(Qt::Key_Q),
                typeKey(Qt::Key_R)},
            {.address = "qr"});
        // The favourites files hold A, B, C with the addresses a, b.

        row("Go and remove with nothing chosen", {click("Command8"), click("Command7")}, {});
        row("the second chosen, Go", {chooseFavourite(1), click("Command8")},
            {.stopEnabled = true, .engineCalls = {"Navigate:b"}, .chosenFavourite = 1});
        row("Go to a title without an address", {chooseFavourite(2), click("Command8")},
            {.stopEnabled = true, .engineCalls = {"Navigate:"}, .chosenFavourite = 2});
        row("remove clears the choice", {chooseFavourite(1), click("Command7"), click("Command8")},
            {.favourites = {"A = a", "C = "}});
        row("added after the chosen last title",
            {chooseFavourite(2), engineAt("n"), choose("mnuFavoritesAdd")},
            {.favourites = {"A = a", "B = b", "C = ", "Label1 = n"}, .chosenFavourite = 2});
        row("added after the chosen first title",
            {chooseFavourite(0), engineAt("n"), choose("mnuFavoritesAdd")},
            {.favourites = {"A = a", "Label1 = n", "B = b", "C = "}, .chosenFavourite = 0});
        // Where each pop-up goes, with Edit > Allow Pop Ups chosen as the row says.

        const Step popUp = pageAsksForNewWindow, allowPopUps = choose("mnuEditAllowPopUps");
        const QStringList opened = {"newwindow"};
        row("two pop-ups share one new window", {popUp, popUp},
            {.openWindows = opened, .popUps = {"newwindow", "newwindow"}});
        row("refused once unticked, the open one left alone", {popUp, allowPopUps, popUp},
            {.openWindows = opened, .popUps = {"newwindow", "none"}});
        row("ticked again: allowed", {allowPopUps, allowPopUps, popUp},
            {.openWindows = opened, .popUps = {"newwindow"}});
    }
    void steps()
    {
        QFETCH(Steps, steps);
        QFETCH(Shown, shown);
        play(main(), steps);
        compare(shownBy(main()), shown);
    }

    // With no home page a blank page loads, and shows as no page at all.
    void noHomePage_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<Shown>("shown");
        const QStringList blank = {"Navigate:about:blank"};
        row("its events show nothing, nor after Reload or Home",
            {blankPageLoads, click("Command4"), blankPageLoads, click("Command5"), blankPageLoads},
            {.engineCalls = blank + QStringList{"Refresh", "Navigate:"}});
        row("Add To Favorites adds no address", {blankPageLoads, choose("mnuFavoritesAdd")},
            {.engineCalls = blank, .favourites = {"Label1 = ", "A = a", "B = b", "C = "}});
        row("the next page shows as usual",
            {blankPageLoads, type("x.example"), pressEnter, downloadBegins,
                navigationCompletes("http://x.example/"), titleChanges("X")},
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
        steps();
    }

    // Under a real X server with a window manager, which the offscreen
    // platform has not: the test runs itself again, on a display of its own,
    // with this function's name (so this executable has one test class).
    void maximisedOnFirstStart()
    {
        if (qEnvironmentVariableIsSet("WAVECREST_TEST_ON_DISPLAY")) {
            // The child: the program's first start, with nothing in its data
            // directory and the engine's profile in a test folder.
            QStandardPaths::setTestModeEnabled(true);
            QTemporaryDir data;
            AppContext context(data.path(), webEngineFactory());
            registerApplicationWindows(context);
            ApplicationShell shell(context);
            shell.start();
            QTRY_VERIFY_WITH_TIMEOUT(shell.mainWindow()->isVisible(), 10000);
            const QSize available = shell.mainWindow()->screen()->availableGeometry().size();
            QTRY_COMPARE_WITH_TIMEOUT(shell.mainWindow()->frameGeometry().size(), available, 20000);
            return;
        }
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

    void favouritesAreSavedInStep()
    {
        play(main(), {titleChanges("x, \"y\""), engineAt("x.example"), choose("mnuFavoritesAdd")});
        window->saveToSettings();
        QCOMPARE(ctx->readFile("Favorties.lst"), "\"x, \"\"y\"\"\"\r\nA\r\nB\r\nC\r\n");
        QCOMPARE(ctx->readFile("Favorites2.lst"), "x.example\r\na\r\nb\r\n\r\n");
    }

    // The secondary window's lists and colour are its own copies, never
    // written back; Preferences changes the main window's look only.
    void secondaryWindowKeepsToItself()
    {
        play(main(),
            {titleChanges("Main page"), engineAt("m"), choose("mnuFavoritesAdd"),
                pageAsksForNewWindow, choose("mnuEditAllowPopUps")});
        const QByteArray lists = ctx->readFile("Address.lst") + ctx->readFile("Favorties.lst");
        QPointer<BrowserWindow> second = secondary();
        // Its pop-ups land in itself, even while the main window refuses them.
        play(driven(second),
            {pageAsksForNewWindow, [](auto w) { Q_EMIT w.engine->ProgressChange(-1, 100); },
                type("typed.example"), pressEnter, choose("mnuFavoritesAdd")});
        compare(shownBy(driven(second)),
            {.status = "Contacting host... -1  of  100",
                .address = "typed.example",
                .engineCalls = {"Navigate:home.example", "Navigate:typed.example"},
                .history = LoadedHistory + QStringList{"typed.example"},
                .favourites = {"Label1 = ", "A = a", "B = b", "C = "},
                .openWindows = {"newwindow"},
                .popUps = {"newwindow", "newwindow"}});
        if (QTest::currentTestFailed())
            return;
        MainWindowAppearance &appearance = ctx->context->mainWindowAppearance();
        appearance.setColorValue(0x00FF0000);
        second->setBackgroundColorValue(0x0000FF00);
        QCOMPARE(window->backgroundColorValue(), 0x00FF0000);
        QCOMPARE(second->backgroundColorValue(), 0x0000FF00);
        QCOMPARE(appearance.colorValue(), 0x00FF0000);

        play(driven(second), {choose("mnuFileExit")});
        QTRY_VERIFY(second.isNull());
        QCOMPARE(ctx->readFile("Address.lst") + ctx->readFile("Favorties.lst"), lists);
        compare(shownBy(main()),
            {.caption = "Main page - Brimlow Wavecrest",
                .favourites = {"Main page = m", "A = a", "B = b", "C = "},
                .popUps = {"newwindow", "newwindow"}});
    }

    void layoutFollowsTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("minimised");
        QTest::newRow("smaller: the address bar and view follow, the buttons stay")
            << QSize(640, 300) << false;
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
        QCOMPARE(combo, QRect(3, 48, size.width() - 5, combo.height()));
        const int height = client()->height() < 80 ? view.height() : client()->height() - 80;
        QCOMPARE(geometry("Browser1"), QRect(3, 80, size.width() - 5, height));
        QCOMPARE(geometry("Picture1"), QRect(size.width() - 37, 8, 33, 33));
        QCOMPARE(geometry("Command7"), fixed);
    }

    void background_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QImage>("picture");
        QImage tile(3, 2, QImage::Format_ARGB32);
        for (int i = 0; i < 6; ++i)
            tile.setPixel(i % 3, i / 3, qRgba(40 * i, 255 - 40 * i, 7 * i, i == 4 ? 0 : 255));
        QTest::newRow("no picture: the colour alone") << "" << QImage();
        QTest::newRow("a picture tiled from the corner, the colour through its holes")
            << "p.png" << tile;
        QTest::newRow("a picture of no width is no picture")
            << "p.png" << QImage(0, 2, QImage::Format_ARGB32);
    }
    void background()
    {
        QFETCH(QString, file);
        QFETCH(QImage, picture);
        picture.save(ctx->file("p.png")); // nothing to save of a zero-size picture
        window->setBackgroundColorValue(0x00FF0000); // blue in the stored encoding
        QCOMPARE(window->setBackgroundPicture(file.isEmpty() ? file : ctx->file(file)),
            !picture.isNull());
        QCOMPARE(
            QAccessible::queryAccessibleInterface(main().child("Image1"))->text(QAccessible::Name),
            "Background Picture");
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
};

WAVECREST_TEST(BrowserWindowTest)
#include "tst_browserwindow.moc"
