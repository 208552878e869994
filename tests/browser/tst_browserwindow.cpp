#include "browserfixture.h"

#include "browser/addressbar.h"
#include "browser/browserstatusbar.h"
#include "support/testregistry.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

const QString Prompt = QStringLiteral("                          === Favorites ===");

QString shownText(const QWidget *w)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->isEditable() || combo->currentIndex() >= 0 ? combo->currentText()
                                                                 : combo->placeholderText();
    return QString();
}

QStringList items(const QComboBox *combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

} // namespace

class BrowserWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<BrowserFixture> f;

    AddressBar *addressBar() const { return f->child<AddressBar>("Combo1"); }
    QComboBox *combo(const char *name) const { return f->child<QComboBox>(name); }
    bool enabled(const char *name) const { return f->child<QWidget>(name)->isEnabled(); }

    // Clicks a button, chooses a menu item or delivers an engine event.
    void run(const QString &step)
    {
        FakeBrowserEngine *engine = f->engine();
        const QString arg = step.section(u':', 1);
        if (step == u"begin")
            Q_EMIT engine->DownloadBegin();
        else if (step == u"complete")
            Q_EMIT engine->DownloadComplete();
        else if (step.startsWith(u"navigated:"))
            Q_EMIT engine->NavigateComplete2(engine->location = arg);
        else if (step.startsWith(u"status:"))
            Q_EMIT engine->StatusTextChange(arg);
        else if (step.startsWith(u"title:"))
            Q_EMIT engine->TitleChange(arg);
        else if (step.startsWith(u"progress:"))
            Q_EMIT engine->ProgressChange(
                arg.section(u':', 0, 0).toInt(), arg.section(u':', 1).toInt());
        else if (step.startsWith(u"mnu"))
            f->child<QAction>(qPrintable(step))->trigger();
        else
            QTest::mouseClick(f->child<QPushButton>(qPrintable(step)), Qt::LeftButton);
    }

    // Chosen with the arrow keys, starting from no choice.
    void chooseFavourite(int row)
    {
        combo("Combo2")->setCurrentIndex(-1);
        for (int i = 0; i <= row; ++i)
            QTest::keyClick(combo("Combo2"), Qt::Key_Down);
    }

    void loadFavourites(const QByteArray &titles, const QByteArray &addresses)
    {
        f->ctx.writeFile("Favorties.lst", titles);
        f->ctx.writeFile("Favorites2.lst", addresses);
        f->window->loadFromSettings();
        f->engine()->navigations.clear();
    }

private Q_SLOTS:
    void init() { f = std::make_unique<BrowserFixture>(); }
    void cleanup() { f.reset(); }

    void controls()
    {
        // name | tool tip | text shown | enabled | hidden
        const QStringList expected = {
            "Command1|Go Back||0|0",
            "Command2|Go Forward||0|0",
            "Command3|Stop||0|0",
            "Command4|Reload||1|0",
            "Command5|Go Home||1|0",
            "Command6|Send Email||1|0",
            "Combo2|Favorites|" + Prompt + "|1|0",
            "Command8|Go To This Favorite|Go|1|0",
            "Command7|Remove From Favorites|---|1|0",
            "Picture1|Click Here To Go To Brimlow's Webpage||1|0",
            "Combo1||Combo1|1|0",
            "Browser1|||1|0",
            "StatusBar1|||1|0",
            "Combo3||=== Favorites ===|1|1",
            "Label1||Label1|1|1",
            "Image1|||1|0",
        };
        QStringList actual;
        for (const QString &row : expected) {
            const QString name = row.section(u'|', 0, 0);
            const QWidget *w = f->child<QWidget>(qPrintable(name));
            QVERIFY2(w, qPrintable(name));
            actual << QStringList{name, w->toolTip(), shownText(w), QString::number(w->isEnabled()),
                QString::number(w->isHidden())}
                          .join(u'|');
        }
        QCOMPARE(actual, expected);
        QCOMPARE(f->window->windowTitle(), "Brimlow Wavecrest");
    }

    void menus()
    {
        QStringList actual;
        for (QAction *top : f->window->menuBar()->actions()) {
            actual << top->objectName() + u' ' + top->text();
            for (const QAction *item : top->menu()->actions())
                actual << QStringList{"", item->objectName(), item->text(),
                    item->shortcut().toString(),
                    item->isCheckable() && item->isChecked() ? "ticked" : ""}
                              .join(u'|');
        }
        QCOMPARE(actual,
            QStringList({"mnuFile &File", "|mnuFileOpen|&Open File|Ctrl+O|", "|mnuFileLine|||",
                "|mnuFileExit|&Exit||", "mnuEdit &Edit", "|mnuEditPrefs|&Preferences|Ctrl+P|",
                "|mnuEditAllowPopUps|Allow Pop Ups||ticked", "mnuGo &Go",
                "|mnuGoBack|&Back     |Ctrl+B|", "|mnuGoForward|&Forward     |Ctrl+F|",
                "|mnuGoHome|&Home     |Ctrl+H|", "|mnuGoStop|&Stop     |Ctrl+S|",
                "|mnuRefresh|&Refresh     |Ctrl+R|", "|mnuGoLine|||", "|mnuGoEmail|Send Email||",
                "|mnuGoWebServer|Run Web Server||", "mnuTranslate &Translate",
                "|mnuLanguageEngSpa|English to Spanish||", "|mnuLanguageEngGer|English to German||",
                "|mnuLanguageEngFre|English to French||", "|mnuLanguageEngIta|English to Italian||",
                "|mnuLanguageEngPor|English to Portuguese||", "|mnuLanguageLine|||",
                "|mnuLanguageSpaEng|Spanish to English||", "|mnuLanguageGerEng|German to English||",
                "|mnuLanguageFreEng|French to English||", "|mnuLanguageItaEng|Italian to English||",
                "|mnuLanguagePorEng|Portuguese to English||", "mnuFavorites F&avorites",
                "|mnuFavoritesAdd|&Add To Favorites...|Ctrl+D|", "mnuHelp &Help",
                "|mnuHelpWebpage|Wavecrest Webpage||", "|mnuHelpLine|||",
                "|mnuAbout|&About Wavecrest...|F1|", "|mnuHelpLine2|||",
                "|mnuHelpComments|Send Us Comments and Suggestions||"}));
        run("mnuEditAllowPopUps");
        QVERIFY(!f->window->popUpsAllowed());
        run("mnuEditAllowPopUps");
        QVERIFY(f->window->popUpsAllowed());
    }

    void tabOrder()
    {
        QStringList expected
            = {"Combo1", "Browser1", "Command1", "Command2", "Command3", "Command4", "Command5",
                "Picture1", "Command7", "Command8", "Combo2", "StatusBar1", "Command6"};
        // Widgets that never take the focus have no place in the order.
        expected.removeIf([this](const QString &name) {
            return !(f->child<QWidget>(qPrintable(name))->focusPolicy() & Qt::TabFocus);
        });
        QStringList order;
        QWidget *w = addressBar();
        do {
            if (expected.contains(w->objectName()) && !order.contains(w->objectName()))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != addressBar());
        QCOMPARE(order, expected);
        f->window->show();
        QVERIFY(QTest::qWaitForWindowActive(f->window));
        QCOMPARE(QApplication::focusWidget(), addressBar());
    }

    void events_data()
    {
        QTest::addColumn<QStringList>("steps");
        // panel 1 | panel 2 | caption | Label1 | Combo1 | Back | Stop
        QTest::addColumn<QString>("state");
        const auto row = [](const char *name, const QStringList &steps, const QString &state) {
            QTest::newRow(name) << steps << state;
        };
        row("download begins", {"begin"},
            "Contacting host...||Brimlow Wavecrest|Label1|Combo1|1|1");
        row("navigation completes", {"begin", "navigated:http://a.example/"},
            "Receiving data...||Brimlow Wavecrest|Label1|http://a.example/|1|1");
        row("progress", {"progress:512:2048"},
            "|512  of  2048|Brimlow Wavecrest|Label1|Combo1|0|0");
        row("negative progress", {"progress:-1:100"},
            "|-1  of  100|Brimlow Wavecrest|Label1|Combo1|0|0");
        row("status text replaces", {"begin", "status:a", "status:b"},
            "b||Brimlow Wavecrest|Label1|Combo1|1|1");
        row("title", {"title:Page"}, "||Page - Brimlow Wavecrest|Page|Combo1|0|0");
        row("empty title", {"title:Page", "title:"}, "|| - Brimlow Wavecrest||Combo1|0|0");
        row("download completes", {"begin", "complete"},
            "Done.||Brimlow Wavecrest|Label1|Combo1|1|0");
    }
    void events()
    {
        QFETCH(QStringList, steps);
        for (const QString &step : steps)
            run(step);
        const auto *status = f->child<BrowserStatusBar>("StatusBar1");
        QTEST(QStringList(
                  {status->panelText(1), status->panelText(2), f->window->windowTitle(),
                      f->child<QLabel>("Label1")->text(), addressBar()->currentText(),
                      QString::number(enabled("Command1")), QString::number(enabled("Command3"))})
                  .join(u'|'),
            "state");
        QVERIFY(!status->panelText(3).isEmpty());
        QVERIFY(!status->panelText(4).isEmpty());
    }

    void commands_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("result"); // last engine call | Forward | Stop
        QTest::newRow("Back") << QStringList{"begin", "Command1"} << "GoBack|1|1";
        QTest::newRow("Go Back, button disabled") << QStringList{"mnuGoBack"} << "GoBack|1|0";
        QTest::newRow("Forward") << QStringList{"mnuGoBack", "Command2"} << "GoForward|1|0";
        QTest::newRow("Go Forward, button disabled")
            << QStringList{"mnuGoForward"} << "GoForward|0|0";
        QTest::newRow("Stop") << QStringList{"begin", "Command3"} << "Stop|0|0";
        QTest::newRow("Go Stop, button disabled") << QStringList{"mnuGoStop"} << "Stop|0|0";
        QTest::newRow("Reload") << QStringList{"Command4"} << "Refresh|0|0";
        QTest::newRow("Go Refresh") << QStringList{"mnuRefresh"} << "Refresh|0|0";
        QTest::newRow("Home") << QStringList{"Command5"} << "Navigate:h.example|0|0";
        QTest::newRow("Go Home") << QStringList{"mnuGoHome"} << "Navigate:h.example|0|0";
    }
    void commands()
    {
        f->ctx.writeFile("Wavecrest.ini", "[Wavecrest]\r\nHomePage=h.example\r\n");
        QFETCH(QStringList, steps);
        for (const QString &step : steps)
            run(step);
        QTEST(QStringList(
                  {f->engine()->calls.value(f->engine()->calls.size() - 1),
                      QString::number(enabled("Command2")), QString::number(enabled("Command3"))})
                  .join(u'|'),
            "result");
    }

    void homeRereadsSettingsFile()
    {
        run("mnuGoHome");
        f->ctx.writeFile("Wavecrest.ini", "[Wavecrest]\r\nHomePage=one.example\r\n");
        run("Command5");
        f->ctx.writeFile("Wavecrest.ini", "[wavecrest]\r\nhomepage=  two.example \r\n");
        run("Command5");
        QCOMPARE(f->engine()->navigations, QStringList({"", "one.example", "two.example"}));
    }

    void opensWindow_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("window");
        QTest::newRow("Command6, left button") << "left"
                                               << "Form3";
        QTest::newRow("Command6, right button") << "right"
                                                << "Form3";
        QTest::newRow("Command6, middle button") << "middle"
                                                 << "Form3";
        QTest::newRow("Command6, Space key") << "space"
                                             << "Form3";
        QTest::newRow("Command6, released off it") << "outside"
                                                   << "";
        QTest::newRow("Go, Send Email") << "mnuGoEmail"
                                        << "Form3";
        QTest::newRow("Edit, Preferences") << "mnuEditPrefs"
                                           << "Form2";
        QTest::newRow("Go, Run Web Server") << "mnuGoWebServer"
                                            << "server";
        QTest::newRow("Help, About") << "mnuAbout"
                                     << "frmAbout";
        QTest::newRow("Help, Comments") << "mnuHelpComments"
                                        << "Form4";
    }
    void opensWindow()
    {
        QFETCH(QString, trigger);
        QFETCH(QString, window);
        auto *button = f->child<QPushButton>("Command6");
        const QHash<QString, Qt::MouseButton> buttons
            = {{"left", Qt::LeftButton}, {"right", Qt::RightButton}, {"middle", Qt::MiddleButton}};
        if (buttons.contains(trigger))
            QTest::mouseClick(button, buttons.value(trigger));
        else if (trigger == u"space")
            QTest::keyClick(button, Qt::Key_Space);
        else if (trigger == u"outside")
            QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(-5, -5));
        else
            run(trigger);
        for (const char *name : {"Form2", "Form3", "Form4", "server", "frmAbout", "newwindow"})
            QCOMPARE(f->isOpen(name), window == QLatin1String(name));
    }

    void enter_data()
    {
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("viewHidden");
        QTest::addColumn<QStringList>("expectedHistory");
        QTest::addColumn<QStringList>("navigations");
        const QString odd = " A.example/x y ";
        QTest::newRow("typed text, unchanged")
            << QStringList() << odd << false << QStringList{odd} << QStringList{odd};
        QTest::newRow("empty text recorded, not navigated")
            << QStringList{"x"} << "" << false << QStringList{"x", ""} << QStringList();
        QTest::newRow("duplicates kept") << QStringList{"a.b"} << "a.b" << false
                                         << QStringList{"a.b", "a.b"} << QStringList{"a.b"};
        QTest::newRow("hidden view shown, recorded twice")
            << QStringList() << "b.c" << true << QStringList{"b.c", "b.c"} << QStringList{"b.c"};
        // A longer list is cut when it is loaded, and no entry is added.
        QTest::newRow("history full") << QStringList(32768, "e") << "c.d" << false
                                      << QStringList(32767, "e") << QStringList{"c.d"};
    }
    void enter()
    {
        QFETCH(QStringList, history);
        QFETCH(QString, text);
        QFETCH(bool, viewHidden);
        addressBar()->setEntries(history);
        addressBar()->setEditText(text);
        f->engine()->view()->setHidden(viewHidden);
        QTest::keyClick(addressBar(), Qt::Key_Return);
        QTEST(addressBar()->entries(), "expectedHistory");
        QTEST(f->engine()->navigations, "navigations");
        QVERIFY(!f->engine()->view()->isHidden());
        QCOMPARE(addressBar()->currentText(), text);
    }

    void completionOnKeyRelease_data()
    {
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("result"); // text | caret | selected text | entry chosen
        const QStringList history = {"xyz", "ABCDEF", "abc"};
        // The field holds "ab" with the caret after "a".
        QTest::newRow("letter") << history << int(Qt::Key_B) << 0 << "ABCDEF|6|CDEF|1";
        QTest::newRow("Ctrl and a letter")
            << history << int(Qt::Key_V) << int(Qt::ControlModifier) << "ABCDEF|6|CDEF|1";
        QTest::newRow("no match: caret to the end")
            << QStringList{"xyz"} << int(Qt::Key_Q) << 0 << "ab|2||-1";
        QTest::newRow("empty history") << QStringList() << int(Qt::Key_Q) << 0 << "ab|1||-1";
        for (int key : {Qt::Key_1, Qt::Key_Period, Qt::Key_Slash, Qt::Key_Colon, Qt::Key_Minus,
                 Qt::Key_Space, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left, Qt::Key_Home,
                 Qt::Key_End, Qt::Key_Shift, Qt::Key_Control})
            QTest::addRow("key %s", qPrintable(QKeySequence(key).toString()))
                << history << key << 0 << "ab|1||-1";
    }
    void completionOnKeyRelease()
    {
        QFETCH(QStringList, history);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        addressBar()->setEntries(history);
        addressBar()->setEditText("ab");
        addressBar()->lineEdit()->setCursorPosition(1);
        QTest::keyRelease(addressBar(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const QLineEdit *edit = addressBar()->lineEdit();
        QTEST(QStringList({edit->text(), QString::number(edit->cursorPosition()),
                              edit->selectedText(), QString::number(addressBar()->currentIndex())})
                  .join(u'|'),
            "result");
        QCOMPARE(addressBar()->entries(), history);
    }

    void typingOverCompletion()
    {
        addressBar()->setEntries({"xyz", "ABCDEF"});
        addressBar()->setEditText(QString());
        QTest::keyClicks(addressBar(), "ab");
        QCOMPARE(addressBar()->lineEdit()->selectedText(), "CDEF");
        QTest::keyClicks(addressBar(), "c");
        QCOMPARE(addressBar()->lineEdit()->selectedText(), "DEF");
        QTest::keyClick(addressBar(), Qt::Key_Backspace);
        QCOMPARE(addressBar()->currentText(), "ABC");
        addressBar()->lineEdit()->selectAll();
        QTest::keyClick(addressBar(), Qt::Key_Delete);
        QTest::keyRelease(addressBar(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(addressBar()->lineEdit()->selectedText(), "xyz");
    }

    void addFavourite_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("pairs");
        QTest::newRow("nothing chosen: at the top")
            << -1 << "title:N" << QStringList{"N=n", "A=a", "B=b", "C=c"};
        QTest::newRow("after the chosen title")
            << 2 << "title:N" << QStringList{"A=a", "B=b", "C=c", "N=n"};
        QTest::newRow("before any title")
            << 0 << "" << QStringList{"A=a", "Label1=n", "B=b", "C=c"};
        QTest::newRow("empty title") << -1 << "title:" << QStringList{"=n", "A=a", "B=b", "C=c"};
    }
    void addFavourite()
    {
        QFETCH(int, chosen);
        QFETCH(QString, title);
        loadFavourites("A,B,C\r\n", "a\r\nb\r\nc\r\n");
        chooseFavourite(chosen);
        run("navigated:n");
        if (!title.isEmpty())
            run(title);
        run("mnuFavoritesAdd");
        QCOMPARE(combo("Combo2")->currentIndex(), chosen);
        QCOMPARE(combo("Combo3")->currentIndex(), chosen);
        QStringList pairs;
        const QStringList addresses = items(combo("Combo3"));
        for (const QString &t : items(combo("Combo2")))
            pairs << t + u'=' + addresses.value(int(pairs.size()), "missing");
        QTEST(pairs, "pairs");
        QCOMPARE(addresses.size(), pairs.size());
    }

    void chooseGoAndRemove()
    {
        loadFavourites("A,B,C\r\n", "a,b,c\r\n");
        QCOMPARE(shownText(combo("Combo2")), Prompt);
        run("Command8");
        run("Command7");
        QCOMPARE(f->engine()->navigations, QStringList());
        QVERIFY(!enabled("Command3"));
        QCOMPARE(combo("Combo2")->count(), 3);
        chooseFavourite(1);
        QCOMPARE(combo("Combo3")->currentText(), "b");
        run("Command8");
        QVERIFY(enabled("Command3"));
        run("Command7");
        QCOMPARE(shownText(combo("Combo2")), Prompt);
        chooseFavourite(1);
        run("Command8");
        QCOMPARE(f->engine()->navigations, QStringList({"b", "c"}));
        QCOMPARE(items(combo("Combo3")), QStringList({"a", "c"}));
    }

    void outOfStepFilesArePairedAndSavedInStep()
    {
        loadFavourites("A,B,C\r\n", "a\r\n");
        chooseFavourite(2);
        run("Command8");
        QCOMPARE(f->engine()->navigations, QStringList{""});
        run("title:x, \"y\"");
        run("navigated:x.example");
        run("mnuFavoritesAdd");
        f->window->saveToSettings();
        QCOMPARE(f->ctx.readFile("Favorties.lst"), "A\r\nB\r\nC\r\n\"x, \"\"y\"\"\"\r\n");
        QCOMPARE(f->ctx.readFile("Favorites2.lst"), "a\r\n\r\n\r\nx.example\r\n");
    }

    void translateWrapsEscapedAddress()
    {
        const QString prefix
            = "http://translate.brimlow.example/cgi-bin/translate?doit=done&urltext=";
        addressBar()->setEditText("a.example/?q=1&r=2");
        run("mnuLanguageEngGer");
        const QString first = prefix + "a.example%2F%3Fq%3D1%26r%3D2&lp=en_de";
        QCOMPARE(addressBar()->currentText(), first);
        run("mnuLanguagePorEng");
        const QString second = addressBar()->currentText();
        QVERIFY(second.startsWith(prefix) && second.endsWith("&lp=pt_en"));
        QCOMPARE(
            QUrl::fromPercentEncoding(second.sliced(prefix.size()).chopped(9).toLatin1()), first);
        QCOMPARE(f->engine()->navigations, QStringList({first, second}));
    }

    void openFile_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("navigations");
        QTest::newRow("file chosen") << "/tmp/notes.txt" << QStringList{"/tmp/notes.txt"};
        QTest::newRow("dialog cancelled") << QString() << QStringList();
    }
    void openFile()
    {
        QFETCH(QString, chosen);
        QStringList filters;
        std::function<void(const QString &)> answer;
        f->window->setFileChooser([&](QWidget *, const QStringList &nameFilters,
                                      std::function<void(const QString &)> onChosen) {
            filters = nameFilters;
            answer = std::move(onChosen);
        });
        run("mnuFileOpen");
        QCOMPARE(filters.size(), 4);
        QVERIFY(
            filters.first().startsWith("Image Files ") && filters.at(2).startsWith("Text  Files"));
        if (!chosen.isNull())
            answer(chosen);
        QTEST(f->engine()->navigations, "navigations");
        // The answer may come after the window has gone.
        delete f->window;
        answer("/tmp/late.txt");
    }

    void makerPage_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QStringList>("navigations");
        const QStringList home = {"https://www.brimlow.example/"};
        QTest::newRow("Help, Wavecrest Webpage") << "mnuHelpWebpage" << home;
        QTest::newRow("logo, left click") << "left" << home;
        QTest::newRow("logo, right click") << "right" << QStringList();
    }
    void makerPage()
    {
        QFETCH(QString, trigger);
        if (trigger.startsWith(u"mnu"))
            run(trigger);
        else
            QTest::mouseClick(f->child<QLabel>("Picture1"),
                trigger == u"left" ? Qt::LeftButton : Qt::RightButton);
        QTEST(f->engine()->navigations, "navigations");
        QCOMPARE(addressBar()->currentText(), "Combo1");
    }
};

WAVECREST_TEST(BrowserWindowTest)
#include "tst_browserwindow.moc"
