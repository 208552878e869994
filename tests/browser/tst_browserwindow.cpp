#include "app/applicationwindows.h"
#include "browser/addressbar.h"
#include "browser/browserlayout.h"
#include "browser/browserstatusbar.h"
#include "browser/browserwindow.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

namespace {

// Controls, then the menus: name|caption|tool tip or shortcut.
const char Controls[]
    = "Combo1|Combo1|;Browser1||;Command1||Go Back;Command2||Go Forward;Command3||Stop;"
      "Command4||Reload;Command5||Go Home;Picture1||Click Here To Go To Brimlow's Webpage;"
      "Command7|---|Remove From Favorites;Command8|Go|Go To This Favorite;"
      "Combo2|                          === Favorites ===|Favorites;StatusBar1||;"
      "Command6||Send Email;Combo3 (hidden)|=== Favorites ===|;Label1 (hidden)|Label1|;Image1||;"
      "mnuFile|&File|;mnuFileOpen|&Open File|Ctrl+O;mnuFileLine||;mnuFileExit|&Exit|;"
      "mnuEdit|&Edit|;mnuEditPrefs|&Preferences|Ctrl+P;mnuEditAllowPopUps|Allow Pop Ups|ticked;"
      "mnuGo|&Go|;mnuGoBack|&Back     |Ctrl+B;mnuGoForward|&Forward     |Ctrl+F;"
      "mnuGoHome|&Home     |Ctrl+H;mnuGoStop|&Stop     |Ctrl+S;mnuRefresh|&Refresh     |Ctrl+R;"
      "mnuGoLine||;mnuGoEmail|Send Email|;mnuGoWebServer|Run Web Server|;mnuTranslate|&Translate|;"
      "mnuLanguageEngSpa|English to Spanish|;mnuLanguageEngGer|English to German|;"
      "mnuLanguageEngFre|English to French|;mnuLanguageEngIta|English to Italian|;"
      "mnuLanguageEngPor|English to Portuguese|;mnuLanguageLine||;"
      "mnuLanguageSpaEng|Spanish to English|;mnuLanguageGerEng|German to English|;"
      "mnuLanguageFreEng|French to English|;mnuLanguageItaEng|Italian to English|;"
      "mnuLanguagePorEng|Portuguese to English|;mnuFavorites|F&avorites|;"
      "mnuFavoritesAdd|&Add To Favorites...|Ctrl+D;mnuHelp|&Help|;"
      "mnuHelpWebpage|Wavecrest Webpage|;mnuHelpLine||;mnuAbout|&About Wavecrest...|F1;"
      "mnuHelpLine2||;mnuHelpComments|Send Us Comments and Suggestions|";

const QString Maker = QStringLiteral("https://www.brimlow.example/");
const QString Translator
    = QStringLiteral("http://translate.brimlow.example/cgi-bin/translate?doit=done&urltext=");
const QString History = QStringLiteral("history=xyz|ABCDEF|abc");

// What the main window shows once it has loaded; a script row names only what
// differs. The favourite files are out of step: the third title has no address.
const QStringList Loaded
    = {"p1=", "p2=", "caption=Brimlow Wavecrest", "address=Combo1", "buttons=000",
        "calls=", History, "favs=A=a B=b C=", "open=", "engines=1", "targets=", "view=shown"};

} // namespace

// The main window with scripted engines in a temporary data directory. The
// one-instance windows of other areas are stood in for by plain widgets, so a
// test sees which of them a command opened.
class BrowserWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestContext> ctx;
    QPointer<BrowserWindow> window;
    std::function<void(const QString &)> answer; // the open-file dialog's
    QStringList targets; // the window each pop-up went to

    template <typename T = QWidget> T *child(const QString &name, QWidget *in = nullptr) const
    {
        return (in ? in : window.data())->findChild<T *>(name);
    }
    static auto *fake(BrowserWindow *w) { return static_cast<FakeBrowserEngine *>(w->engine()); }
    AddressBar *address(QWidget *in = nullptr) const { return child<AddressBar>("Combo1", in); }
    auto *secondary() const { return ctx->context->windows().find<BrowserWindow>("newwindow"); }

    // Each step is "verb:argument", a menu item, or a control to click.
    void run(const QStringList &steps, BrowserWindow *w = nullptr)
    {
        w = w ? w : window.data();
        FakeBrowserEngine *e = fake(w);
        AddressBar *bar = address(w);
        const QHash<QString, std::function<void(const QString &)>> verbs = {
            {"begin", [e](auto) { Q_EMIT e->DownloadBegin(); }},
            {"complete", [e](auto) { Q_EMIT e->DownloadComplete(); }},
            {"navigated", [e](auto a) { Q_EMIT e->NavigateComplete2(e->location = a); }},
            {"at", [e](auto a) { e->location = a; }},
            {"status", [e](auto a) { Q_EMIT e->StatusTextChange(a); }},
            {"title", [e](auto a) { Q_EMIT e->TitleChange(a); }},
            {"progress", [e](auto a) { Q_EMIT e->ProgressChange(a.toInt(), 100); }},
            {"popup",
                [this, e](auto) {
                    BrowserEngine *to = e->requestNewWindow();
                    targets << (to ? to->view()->window()->objectName() : "none");
                }},
            {"ini",
                [this](auto a) { ctx->writeFile("Wavecrest.ini", "[Wavecrest]\n" + a.toUtf8()); }},
            {"history", [bar](auto a) { bar->setEntries(a.split(u'|', Qt::SkipEmptyParts)); }},
            {"type", [bar](auto a) { bar->setEditText(a); }},
            {"caret", [bar](auto a) { bar->lineEdit()->setCursorPosition(a.toInt()); }},
            {"release", [bar](auto a) { QTest::keyRelease(bar, Qt::Key(a.toInt())); }},
            {"Enter", [bar](auto) { QTest::keyClick(bar, Qt::Key_Return); }},
            {"hideview", [e](auto) { e->view()->hide(); }},
            {"down", [this, w](auto) { QTest::keyClick(child("Combo2", w), Qt::Key_Down); }},
            {"chosen", [this](auto a) { answer(a); }},
            {"right", [this, w](auto a) { QTest::mouseClick(child(a, w), Qt::RightButton); }},
            {"space", [this, w](auto a) { QTest::keyClick(child(a, w), Qt::Key_Space); }},
            {"away",
                [this, w](auto a) {
                    QTest::mouseRelease(child(a, w), Qt::RightButton, {}, {-5, -5});
                }},
        };
        for (const QString &step : steps) {
            const QString verb = step.section(u':', 0, 0);
            if (verbs.contains(verb))
                verbs[verb](step.section(u':', 1));
            else if (QAction *item = child<QAction>(step, w))
                item->trigger();
            else if (QWidget *control = child(step, w))
                QTest::mouseClick(control, Qt::LeftButton);
            else
                QFAIL(qPrintable("no such step: " + step));
        }
    }

    // What a browser window shows, and what its engine was asked to do.
    QStringList state(BrowserWindow *w) const
    {
        QString buttons;
        for (const char *name : {"Command1", "Command2", "Command3"})
            buttons += child(name, w)->isEnabled() ? u'1' : u'0';
        // The address with its selection in brackets, or a bar where the
        // caret stands when that is not at the end.
        const QLineEdit *edit = address(w)->lineEdit();
        QString text = edit->text();
        if (edit->hasSelectedText())
            text.insert(edit->selectionEnd(), u']').insert(edit->selectionStart(), u'[');
        else if (edit->cursorPosition() < text.size())
            text.insert(edit->cursorPosition(), u'|');
        // Each title with the address beside it; "[" marks the chosen title,
        // "]" the address chosen with it.
        const auto *titles = child<QComboBox>("Combo2", w), *sites = child<QComboBox>("Combo3", w);
        QStringList favs;
        for (int i = 0; i < qMax(titles->count(), sites->count()); ++i)
            favs << (i == titles->currentIndex() ? "[" : "") + titles->itemText(i) + '='
                    + sites->itemText(i) + (i == sites->currentIndex() ? "]" : "");
        QStringList open;
        for (const char *name : {"Form2", "Form3", "Form4", "server", "frmAbout", "newwindow"})
            if (auto *opened = ctx->context->windows().find(name); opened && opened->isVisible())
                open << name;
        if (open.endsWith("newwindow"))
            open.last() += '(' + fake(secondary())->calls.join(u'|') + ')';
        const auto *status = child<BrowserStatusBar>("StatusBar1", w);
        return {"p1=" + status->panelText(1), "p2=" + status->panelText(2),
            "caption=" + w->windowTitle(), "address=" + text, "buttons=" + buttons,
            "calls=" + fake(w)->calls.join(u'|'), "history=" + address(w)->entries().join(u'|'),
            "favs=" + favs.join(u' '), "open=" + open.join(u' '),
            "engines=" + QString::number(ctx->engines.size()), "targets=" + targets.join(u' '),
            fake(w)->view()->isHidden() ? "view=hidden" : "view=shown"};
    }
    static QStringList expect(const QStringList &changes)
    {
        QStringList expected = Loaded;
        for (const QString &change : changes)
            expected.replaceInStrings(
                QRegularExpression('^' + change.section('=', 0, 0) + "=.*"), change);
        return expected;
    }

    QRect geometry(const char *name) const { return child(name)->geometry(); }
    QWidget *client() const { return window->centralWidget(); }

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
        window = new BrowserWindow(*ctx->context, BrowserWindow::Role::Main);
        ctx->context->windows().adopt("Form1", window);
        window->setFileChooser([this](QWidget *, auto, auto onChosen) { answer = onChosen; });
        window->loadFromSettings();
        fake(window)->calls.clear();
        targets.clear();
        window->show();
    }
    void cleanup() { ctx.reset(); }

    void controlsAndMenus()
    {
        const QStringList expected = QString::fromUtf8(Controls).split(u';');
        QStringList actual;
        for (const QString &row : expected) {
            const QString name = row.section(u' ', 0, 0).section(u'|', 0, 0);
            const QWidget *w = child(name);
            if (name.startsWith(u"mnu"))
                break;
            QVERIFY2(w, qPrintable(name));
            // A combo box with nothing chosen shows its placeholder.
            const QString caption = w->property("text").toString()
                + w->property("currentText").toString() + w->property("placeholderText").toString();
            actual << name + (w->isHidden() ? " (hidden)|" : "|") + caption + '|' + w->toolTip();
        }
        for (QAction *top : window->menuBar()->actions()) {
            actual << top->objectName() + '|' + top->text() + '|';
            for (const QAction *item : top->menu()->actions())
                actual << item->objectName() + '|' + item->text() + '|'
                        + (item->isChecked() ? "ticked" : item->shortcut().toString());
        }
        QCOMPARE(actual, expected);
        // The clock's date panel.
        const auto *bar = child<BrowserStatusBar>("StatusBar1");
        QCOMPARE(bar->panelText(4), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    }

    // Steps apart by ", ", changes to what the window shows apart by "; ".
    void script_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("changes");
        const auto row = [](const char *name, const QString &steps, const QString &changes) {
            QTest::newRow(name) << steps.split(", ") << changes.split("; ", Qt::SkipEmptyParts);
        };
        row("download begins", "begin", "p1=Contacting host...; buttons=101");
        row("navigation completes", "begin, navigated:a.example",
            "p1=Receiving data...; address=a.example; buttons=101");
        row("progress", "progress:50", "p2=50  of  100");
        row("negative progress", "progress:-1", "p2=-1  of  100");
        row("status text replaces", "begin, status:a, status:b", "p1=b; buttons=101");
        row("title", "title:Page", "caption=Page - Brimlow Wavecrest");
        row("empty title, added at the top", "title:Page, title:, at:n, mnuFavoritesAdd",
            "caption= - Brimlow Wavecrest; favs==n A=a B=b C=");
        row("download completes", "begin, complete", "p1=Done.; buttons=100");

        const QString popUp = "open=newwindow(Navigate:home.example); engines=2; targets=newwindow";
        row("pop-ups share one new window", "popup, popup", popUp + " newwindow");
        row("pop-up refused once unticked", "mnuEditAllowPopUps, popup", "targets=none");
        row("refused, the open one left alone", "popup, mnuEditAllowPopUps, popup",
            popUp + " none");
        row("ticked again: allowed", "mnuEditAllowPopUps, mnuEditAllowPopUps, popup", popUp);

        // Each Go item does what its button does, even while the button is disabled.
        row("Go Back, Back", "mnuGoBack, begin, Command1",
            "p1=Contacting host...; buttons=111; calls=GoBack|GoBack");
        row("Go Forward, Forward", "mnuGoForward, mnuGoBack, Command2",
            "buttons=010; calls=GoForward|GoBack|GoForward");
        row("Go Stop, Stop", "mnuGoStop, begin, Command3",
            "p1=Contacting host...; buttons=100; calls=Stop|Stop");
        row("Reload and Go Refresh", "Command4, mnuRefresh", "calls=Refresh|Refresh");
        row("Home and Go Home re-read the settings file",
            "ini:HomePage=one.example, Command5, ini:HomePage=two.example, mnuGoHome",
            "calls=Navigate:one.example|Navigate:two.example");

        row("Send Email button", "Command6", "open=Form3");
        row("Send Email button, right click", "right:Command6", "open=Form3");
        row("Send Email button, Space key", "space:Command6", "open=Form3");
        row("Send Email button, released off it", "away:Command6", "");
        row("Go, Send Email", "mnuGoEmail", "open=Form3");
        row("Edit, Preferences", "mnuEditPrefs", "open=Form2");
        row("Go, Run Web Server", "mnuGoWebServer", "open=server");
        row("Help, About", "mnuAbout", "open=frmAbout");
        row("Help, Comments", "mnuHelpComments", "open=Form4");
        row("Help, Wavecrest Webpage", "mnuHelpWebpage", "calls=Navigate:" + Maker);
        row("logo", "Picture1", "calls=Navigate:" + Maker);
        row("logo, right click", "right:Picture1", "");
        row("Open File", "mnuFileOpen, chosen:/tmp/a b.txt", "calls=Navigate:/tmp/a b.txt");

        // The address reaches the service whole; a second use wraps the first request.
        const QString first = Translator + "a.example%2F%3Fq%3D1%26r%3D2%23top%20now&lp=en_de";
        const QString second = Translator
            + "http%3A%2F%2Ftranslate.brimlow.example%2Fcgi-bin%2Ftranslate%3Fdoit%3Ddone%26urltext"
              "%3Da.example%252F%253Fq%253D1%2526r%253D2%2523top%2520now%26lp%3Den_de&lp=pt_en";
        row("translate twice",
            "type:a.example/?q=1&r=2#top now, mnuLanguageEngGer, mnuLanguagePorEng",
            "address=" + second + "; calls=Navigate:" + first + "|Navigate:" + second);

        row("Enter: typed text as it is", "type: A.example/x y , Enter",
            "address= A.example/x y ; calls=Navigate: A.example/x y ; " + History
                + "| A.example/x y ");
        row("Enter: empty text only recorded", "type:, Enter", "address=; " + History + '|');
        row("Enter: duplicates kept", "type:abc, Enter",
            "address=abc; calls=Navigate:abc; " + History + "|abc");
        row("Enter: hidden view shown, recorded twice", "hideview, type:b.c, Enter",
            "address=b.c; calls=Navigate:b.c; " + History + "|b.c|b.c");
        row("Enter: history full",
            "history:" + QStringList(32768, "e").join(u'|') + ", type:c, Enter",
            "address=c; calls=Navigate:c; history=" + QStringList(32767, "e").join(u'|'));

        // A released letter key completes from the oldest entry that begins
        // with the whole text, letters compared without regard to case.
        row("completion", "type:ab, caret:1, release:66", "address=AB[CDEF]");
        row("completion of a whole entry", "type:aBcDeF, release:70", "address=ABCDEF");
        row("no completion: caret to the end", "type:abq, caret:1, release:81", "address=abq");
        row("completion of an empty field", "type:, release:88", "address=[xyz]");
        row("no completion from an empty history", "history:, type:ab, caret:1, release:66",
            "history=; address=a|b");
        for (int key : {Qt::Key_1, Qt::Key_Slash, Qt::Key_Space, Qt::Key_Backspace, Qt::Key_Left,
                 Qt::Key_Shift})
            QTest::addRow("no completion on key %s", qPrintable(QKeySequence(key).toString()))
                << QString("type:ab, caret:1, release:%1").arg(key).split(", ")
                << QStringList{"address=a|b"};

        row("Go and remove with nothing chosen", "Command8, Command7", "");
        row("choose and go", "down, down, Command8",
            "favs=A=a [B=b] C=; calls=Navigate:b; buttons=001");
        row("go to a title without address", "down, down, down, Command8",
            "favs=A=a B=b [C=]; calls=Navigate:; buttons=001");
        row("remove clears the choice", "down, down, Command7, Command8", "favs=A=a C=");
        row("add after the chosen title", "down, down, down, at:n, mnuFavoritesAdd",
            "favs=A=a B=b [C=] Label1=n");
        row("add after the first", "down, at:n, mnuFavoritesAdd", "favs=[A=a] Label1=n B=b C=");
    }
    void script()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, changes);
        run(steps);
        QCOMPARE(state(window), expect(changes));
    }

    void favouritesAreSavedInStep()
    {
        run({"title:x, \"y\"", "at:x.example", "mnuFavoritesAdd"});
        window->saveToSettings();
        QCOMPARE(ctx->readFile("Favorties.lst"), "\"x, \"\"y\"\"\"\r\nA\r\nB\r\nC\r\n");
        QCOMPARE(ctx->readFile("Favorites2.lst"), "x.example\r\na\r\nb\r\n\r\n");
    }

    void fileChosenAfterTheWindowHasGone()
    {
        run({"mnuFileOpen"});
        delete window;
        answer("/tmp/late.txt");
    }

    void secondaryWindowKeepsToItself()
    {
        run({"title:Main page", "at:m", "mnuFavoritesAdd", "popup", "mnuEditAllowPopUps"});
        const QByteArray lists = ctx->readFile("Address.lst") + ctx->readFile("Favorties.lst");
        QPointer<BrowserWindow> second = secondary();
        // Its pop-ups land in itself, even while the main window blocks them.
        run({"popup", "progress:-1", "type:typed.example", "Enter", "mnuFavoritesAdd"}, second);
        QCOMPARE(state(second),
            expect({"p1=Contacting host... -1  of  100", "address=typed.example",
                History + "|typed.example", "calls=Navigate:home.example|Navigate:typed.example",
                "favs=Label1= A=a B=b C=",
                "open=newwindow(Navigate:home.example|Navigate:typed.example)", "engines=2",
                "targets=newwindow newwindow"}));
        run({"mnuFileExit"}, second);
        QTRY_VERIFY(second.isNull());
        QCOMPARE(ctx->readFile("Address.lst") + ctx->readFile("Favorties.lst"), lists);
        QVERIFY(window->isVisible());
        QCOMPARE(state(window),
            expect({"caption=Main page - Brimlow Wavecrest",
                "favs=Main page=m A=a B=b C=", "engines=2", "targets=newwindow newwindow"}));
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
};

WAVECREST_TEST(BrowserWindowTest)
#include "tst_browserwindow.moc"
