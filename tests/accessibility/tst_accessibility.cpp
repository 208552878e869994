#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "app/splashscreen.h"
#include "browser/browserwindow.h"
#include "core/windownames.h"
#include "downloads/downloadwindow.h"
#include "engine/webengineenvironment.h"
#include "mail/mailloginwindow.h"
#include "prefs/preferencesdialog.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QtTest>
#include <QtWidgets>

namespace {

using Flags = std::tuple<QByteArray, bool, QByteArray>;
// A window by name, its role, the controls Tab visits (see tabOrder()) and
// the pictures' names.
using Shown = std::tuple<QString, QAccessible::Role, QString, QStringList>;

// "Role 'name'", as a reader would announce the object.
QString describe(QAccessibleInterface *object)
{
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(object->role()))
        + " '" + object->text(QAccessible::Name) + "'";
}

QString spokenName(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// What a screen reader would stumble over in the part of the tree a user can
// reach (hidden objects, such as a closed drop-down list, cannot be reached),
// and the names it gives the pictures there.
void findProblems(
    QAccessibleInterface *object, const QString &path, QStringList *problems, QStringList *pictures)
{
    const QAccessible::State state = object->state();
    if (state.invisible)
        return;
    const QString here = path + '/' + describe(object);
    const bool named = !object->text(QAccessible::Name).trimmed().isEmpty();
    if ((state.focusable || state.editable) && !named)
        problems->append(here + ": can take the focus but has no name");
    if ((state.editable || object->role() == QAccessible::EditableText) && !named
        && object->relations(QAccessible::Label).isEmpty())
        problems->append(here + ": a text field with neither label nor name");
    if ((object->role() == QAccessible::Graphic || object->role() == QAccessible::ProgressBar)
        && !named)
        problems->append(here + ": a picture or progress bar without a name");
    if (object->role() == QAccessible::Graphic)
        pictures->append(object->text(QAccessible::Name));
    // The desktop's bridge passes a border on as a window frame.
    if (object->role() == QAccessible::Border)
        problems->append(here + ": a border, announced as a window frame");
    for (int i = 0; i < object->childCount(); ++i) {
        if (QAccessibleInterface *child = object->child(i))
            findProblems(child, here, problems, pictures);
    }
}

// The controls in the order Tab visits them from the one that has the focus
// when the window opens, each with what a reader says of it (of an address
// field, what it says of the field); controls that are disabled for now
// stand where Tab will find them.
QString tabOrder(QWidget *window)
{
    QStringList visited;
    QWidget *first = window->focusWidget() ? window->focusWidget() : window;
    QWidget *control = first;
    do {
        const auto *list = qobject_cast<QComboBox *>(control);
        if ((control->focusPolicy() & Qt::TabFocus) && !control->focusProxy()
            && control->isVisibleTo(window)) {
            visited << control->objectName() + ": "
                    + spokenName(list && list->isEditable() ? list->lineEdit() : control);
        }
        control = control->nextInFocusChain();
    } while (control && control != first && visited.size() < 50);
    return visited.join(", ");
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Keeps the real engine's profile out of the user's own.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every window of the program, opened as the program opens it: it is
    // announced as what it is, every object a user can reach says what it
    // is, Tab visits the controls in an order that makes sense, and the
    // pictures have the names a reader speaks.
    void everyWindow_data()
    {
        QTest::addColumn<Shown>("shown");
        const auto row = [](const char *window, QAccessible::Role role, const char *tabs,
                             const QStringList &pictures = {}) {
            QTest::newRow(window) << Shown{window, role, tabs, pictures};
        };
        // The page's view stands where the engine's would.
        const char *const browser
            = "Combo1: Address, Browser1: Page, Command1: Go Back, Command2: Go Forward, Command3: "
              "Stop, Command4: Reload, Command5: Go Home, Picture1: Brimlow's Webpage, Command7: "
              "Remove From Favorites, Command8: Go To This Favorite, Combo2: Favorites, "
              "Command6: Send Email, cmdContentBlocking: Content blocking";
        const QStringList logo = {"Wavecrest logo"};
        row(WindowNames::Main, QAccessible::Window, browser);
        row(WindowNames::Secondary, QAccessible::Window, browser);
        row(WindowNames::Preferences, QAccessible::Dialog,
            "Text1: Home Page, Image1: Wavecrest Color, Command1: OK, Command2: Cancel, Command3: "
            "Clear Address Bar, Command4: Clear Favorites, Text2: Background Image, Command5: Get, "
            "Command6: Apply, cmdClearSitePermissions: Clear Site Permissions, chkContentBlocking: "
            "Block ads and trackers, txtFilterLists: Filter lists",
            logo);
        row(WindowNames::SendMail, QAccessible::Window,
            "Command1: Send E-Mail, txtFromEmailAddress: From (e-mail address), "
            "txtToEmailAddress: To, txtEmailSubject: Subject, txtEmailBodyOfMessage: Message, "
            "txtFromName: Your Name, txtEmailServer: E-Mail Server");
        row(WindowNames::Comments, QAccessible::Window,
            "Command1: Send E-Mail, txtFromEmailAddress: From (e-mail address), "
            "txtEmailBodyOfMessage: Message, Command2: Exit, txtFromName: Your Name, "
            "txtEmailServer: E-Mail Server");
        row("login", QAccessible::Dialog,
            "txtUserName: User Name, txtPassword: Password, chkRememberPassword: Remember "
            "password, cmdOK: OK, cmdCancel: Cancel");
        row(WindowNames::WebServer, QAccessible::Window,
            "List1: Log On History, Text1: Your IP Adress, Command1: Start, Command2: Stop, "
            "Command3: Help");
        row(WindowNames::WebServerHelp, QAccessible::Window, "Text1: Web Server Help");
        row(WindowNames::About, QAccessible::Dialog, "cmdOK: OK, cmdSysInfo: System Info", logo);
        row(WindowNames::Splash, QAccessible::Window, "", logo);
        row("frmDownload", QAccessible::Window, "cmdCancel: Cancel");
    }
    void everyWindow()
    {
        QFETCH(Shown, shown);
        const auto &[window, role, tabs, pictures] = shown;
        TestContext ctx;
        registerApplicationWindows(*ctx.context);
        ApplicationShell shell(*ctx.context);
        shell.start();
        MailLoginWindow login;
        DownloadWindow download("a.bin", "/tmp/a.bin");
        QWidget *opened = window == WindowNames::Splash ? shell.splash()
            : window == WindowNames::Main               ? shell.mainWindow()
            : window == "login"                         ? &login
            : window == "frmDownload"                   ? &download
                                                        : ctx.context->windows().open(window);
        QVERIFY(opened);
        if (opened == &login)
            login.ask("mail.test", "530 5.7.0 Authentication required", {}, false);
        opened->show();
        opened->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(opened));

        QAccessibleInterface *top = QAccessible::queryAccessibleInterface(opened);
        QCOMPARE(top->role(), role);
        QVERIFY2(!top->text(QAccessible::Name).isEmpty(), "the window has no title");
        QStringList problems, named;
        findProblems(top, QString(), &problems, &named);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        QCOMPARE(tabOrder(opened), tabs);
        QCOMPARE(named, pictures);
    }

    // The colour button, reached by Tab from the home page, opens the picker
    // (and not the dialog's default button) however it is pressed, and then
    // describes the colour picked.
    void colourFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key"); // none: the reader's press action
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("the reader's press action") << 0;
    }
    void colourFromTheKeyboard()
    {
        QFETCH(int, key);
        TestContext ctx;
        registerApplicationWindows(*ctx.context);
        auto *dialog = qobject_cast<PreferencesDialog *>(
            ctx.context->windows().open(WindowNames::Preferences));
        int pickerOpened = 0;
        dialog->setColorChooser(
            [&](QWidget *, const QColor &, std::function<void(const QColor &)> set) {
                ++pickerOpened;
                set(QColor(255, 128, 0));
            });
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
        QAccessibleInterface *colour = QAccessible::queryAccessibleInterface(dialog->focusWidget());
        QCOMPARE(describe(colour), "Button 'Wavecrest Color'");
        QVERIFY(!colour->relations(QAccessible::Label).isEmpty());
        if (key)
            QTest::keyClick(dialog->focusWidget(), Qt::Key(key));
        else
            colour->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(pickerOpened, 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(colour->text(QAccessible::Description), "Red 255, green 128, blue 0");
        // The button lets Tab and Shift+Tab through.
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(dialog->focusWidget()->objectName(), "Command1");
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QAccessible::queryAccessibleInterface(dialog->focusWidget()), colour);
    }

    // The engine shows pages to assistive technology only while something
    // listens, and never against the user's own switches.
    void engineSwitch_data()
    {
        // The flags (null: not set at all), whether something listens, the
        // flags after.
        QTest::addColumn<Flags>("row");
        const QByteArray unset, on = "--force-renderer-accessibility";
        const QByteArray off = "--disable-renderer-accessibility", gpu = "--disable-gpu";
        QTest::newRow("listening, no flags") << Flags{unset, true, on};
        QTest::newRow("listening, flags kept")
            << Flags{gpu + "  --no-pings", true, gpu + "  --no-pings " + on};
        QTest::newRow("listening, already asked for")
            << Flags{gpu + " " + on + "=1", true, gpu + " " + on + "=1"};
        QTest::newRow("listening, switched off by the user") << Flags{off, true, off};
        QTest::newRow("nobody listening") << Flags{gpu, false, gpu};
        QTest::newRow("nobody listening, no flags") << Flags{unset, false, unset};
    }
    void engineSwitch()
    {
        QFETCH(Flags, row);
        auto [flags, listening, expected] = row;
        const char *const variable = "QTWEBENGINE_CHROMIUM_FLAGS";
        const std::optional<QByteArray> saved
            = qEnvironmentVariableIsSet(variable) ? std::optional(qgetenv(variable)) : std::nullopt;
        flags.isNull() ? qunsetenv(variable) : qputenv(variable, flags);
        exposePagesToAssistiveTechnology(listening);
        const QByteArray result
            = qEnvironmentVariableIsSet(variable) ? qgetenv(variable) : QByteArray();
        saved ? qputenv(variable, *saved) : qunsetenv(variable);
        QCOMPARE(result.isNull(), expected.isNull());
        QCOMPARE(result, expected);
    }

    // The toolkit's own switch counts as something listening.
    void listenerFoundByTheToolkitsSwitch()
    {
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        const bool found = assistiveTechnologyActive();
        qunsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
        QVERIFY(found);
    }
};

WAVECREST_TEST(AccessibilityTest)
#include "tst_accessibility.moc"
