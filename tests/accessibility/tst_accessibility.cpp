#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "app/splashscreen.h"
#include "browser/browserwindow.h"
#include "core/windownames.h"
#include "engine/webengineenvironment.h"
#include "engine/webenginefactory.h"
#include "prefs/preferencesdialog.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QAccessible>
#include <QApplication>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace {

QString roleName(QAccessible::Role role)
{
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

// "Role 'name'", as a reader would announce the object.
QString describe(QAccessibleInterface *object)
{
    return roleName(object->role()) + " '" + object->text(QAccessible::Name) + "'";
}

bool labelled(QAccessibleInterface *object)
{
    return !object->relations(QAccessible::Label).isEmpty();
}

// What a screen reader would stumble over in the part of the tree a user can
// reach (hidden objects, such as a closed drop-down list, cannot be reached).
void findProblems(QAccessibleInterface *object, const QString &path, QStringList *problems)
{
    const QAccessible::State state = object->state();
    if (state.invisible)
        return;
    // The object's name in the program only helps to find it; nothing asserts on it.
    const QString objectName = object->object() ? object->object()->objectName() : QString();
    const QString here = path + '/' + describe(object)
        + (objectName.isEmpty() ? QString() : " (" + objectName + ')');
    const bool named = !object->text(QAccessible::Name).trimmed().isEmpty();
    if ((state.focusable || state.editable) && !named)
        problems->append(here + ": can take the focus but has no name");
    if ((state.editable || object->role() == QAccessible::EditableText) && !named
        && !labelled(object))
        problems->append(here + ": a text field with neither label nor name");
    if (object->role() == QAccessible::Graphic && !named)
        problems->append(here + ": a picture without a name");
    // The desktop's bridge passes a border on as a window frame.
    if (object->role() == QAccessible::Border)
        problems->append(here + ": a border, announced as a window frame");
    for (int i = 0; i < object->childCount(); ++i) {
        if (QAccessibleInterface *child = object->child(i))
            findProblems(child, here, problems);
    }
}

QAccessibleInterface *focusedObject(QWidget *window)
{
    QWidget *focus = window->focusWidget();
    return focus ? QAccessible::queryAccessibleInterface(focus) : nullptr;
}

QString focusedName(QWidget *window)
{
    QAccessibleInterface *focused = focusedObject(window);
    return focused ? describe(focused) : QStringLiteral("nothing");
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyWindow_data();
    void everyWindow();
    void colourFromTheKeyboard_data();
    void colourFromTheKeyboard();
    void engineSwitch_data();
    void engineSwitch();
    void pageReachesAssistiveTechnology();
};

void AccessibilityTest::initTestCase()
{
    // Keeps the real engine's profile out of the user's own.
    QStandardPaths::setTestModeEnabled(true);
}

void AccessibilityTest::everyWindow_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QAccessible::Role>("role");
    const std::pair<const char *, QAccessible::Role> windows[] = {
        {WindowNames::Main, QAccessible::Window},
        {WindowNames::Secondary, QAccessible::Window},
        {WindowNames::Preferences, QAccessible::Dialog},
        {WindowNames::SendMail, QAccessible::Window},
        {WindowNames::Comments, QAccessible::Window},
        {WindowNames::WebServer, QAccessible::Window},
        {WindowNames::WebServerHelp, QAccessible::Window},
        {WindowNames::About, QAccessible::Dialog},
        {WindowNames::Splash, QAccessible::Window},
    };
    for (const auto &[name, role] : windows)
        QTest::newRow(name) << QString::fromLatin1(name) << role;
}

// Opens the window as the program does and walks its accessibility tree:
// the window is announced as one, and every object a user can reach says
// what it is.
void AccessibilityTest::everyWindow()
{
    QFETCH(QString, window);
    QFETCH(QAccessible::Role, role);
    TestContext ctx;
    registerApplicationWindows(*ctx.context);
    ApplicationShell shell(*ctx.context);
    shell.start();
    QWidget *opened = window == WindowNames::Splash ? shell.splash()
        : window == WindowNames::Main               ? shell.mainWindow()
                                                    : ctx.context->windows().open(window);
    QVERIFY(opened);
    opened->show();

    QAccessibleInterface *top = QAccessible::queryAccessibleInterface(opened);
    QVERIFY(top);
    QCOMPARE(roleName(top->role()), roleName(role));
    QVERIFY2(!top->text(QAccessible::Name).isEmpty(), "the window has no title");
    QStringList problems;
    findProblems(top, QString(), &problems);
    for (const QString &problem : std::as_const(problems))
        qWarning().noquote() << problem;
    QVERIFY2(problems.isEmpty(), qPrintable(QString::number(problems.size()) + " problems, above"));
}

void AccessibilityTest::colourFromTheKeyboard_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Space") << "Space";
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("Return") << "Return";
    QTest::newRow("the reader's press action") << "press";
}

// Tab from the home page reaches the colour; pressing it opens the picker
// (and not the dialog's default button), and the colour picked is what the
// control then describes.
void AccessibilityTest::colourFromTheKeyboard()
{
    QFETCH(QString, how);
    TestContext ctx;
    registerApplicationWindows(*ctx.context);
    auto *dialog
        = qobject_cast<PreferencesDialog *>(ctx.context->windows().open(WindowNames::Preferences));
    QVERIFY(dialog);
    int pickerOpened = 0;
    dialog->setColorChooser(
        [&](QWidget *, const QColor &, std::function<void(const QColor &)> set) {
            ++pickerOpened;
            set(QColor(255, 128, 0));
        });
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(focusedName(dialog), "EditableText 'Home Page'");

    QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusedName(dialog), "Button 'Wavecrest Color'");
    QAccessibleInterface *colour = focusedObject(dialog);
    QVERIFY(labelled(colour));
    QCOMPARE(pickerOpened, 0);

    if (how == "press")
        colour->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    else
        QTest::keyClick(dialog->focusWidget(),
            how == "Space"       ? Qt::Key_Space
                : how == "Enter" ? Qt::Key_Enter
                                 : Qt::Key_Return);
    QTRY_COMPARE(pickerOpened, 1);
    QVERIFY(dialog->isVisible());
    QCOMPARE(colour->text(QAccessible::Description), "Red 255, green 128, blue 0");

    QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusedName(dialog), "Button 'OK'");
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab);
    QCOMPARE(focusedName(dialog), "Button 'Wavecrest Color'");
}

void AccessibilityTest::engineSwitch_data()
{
    QTest::addColumn<QByteArray>("flags"); // null: not set at all
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray unset, on = "--force-renderer-accessibility";

    QTest::newRow("listening, no flags") << unset << true << on;
    QTest::newRow("listening, flags kept")
        << QByteArray("--disable-gpu  --no-pings") << true << "--disable-gpu  --no-pings " + on;
    QTest::newRow("listening, already asked for")
        << "--disable-gpu " + on + "=1" << true << "--disable-gpu " + on + "=1";
    QTest::newRow("listening, switched off by the user")
        << QByteArray("--disable-renderer-accessibility") << true
        << QByteArray("--disable-renderer-accessibility");
    QTest::newRow("nobody listening")
        << QByteArray("--disable-gpu") << false << QByteArray("--disable-gpu");
    QTest::newRow("nobody listening, no flags") << unset << false << unset;
}

void AccessibilityTest::engineSwitch()
{
    QFETCH(QByteArray, flags);
    QFETCH(bool, listening);
    QFETCH(QByteArray, expected);
    const char *const variable = "QTWEBENGINE_CHROMIUM_FLAGS";
    const QByteArray saved = qgetenv(variable);
    const bool wasSet = qEnvironmentVariableIsSet(variable);
    flags.isNull() ? qunsetenv(variable) : qputenv(variable, flags);

    exposePagesToAssistiveTechnology(listening);
    const bool isSet = qEnvironmentVariableIsSet(variable);
    const QByteArray result = qgetenv(variable);
    wasSet ? qputenv(variable, saved) : qunsetenv(variable);

    QCOMPARE(isSet, !expected.isNull());
    QCOMPARE(result, expected);
}

// With the switch, a page's headings, links, labelled fields, buttons and
// pictures' alternative texts reach the accessibility tree of the view. The
// engine reads its flags when the first profile is made, which in this test
// program happens here.
void AccessibilityTest::pageReachesAssistiveTechnology()
{
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    exposePagesToAssistiveTechnology();
    qunsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    QVERIFY(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").startsWith(flags));

    QTemporaryDir dir;
    const QString page = dir.filePath("page.html");
    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<title>Timetable</title><h1>Harbour timetable</h1>"
               "<p><a href='#fares'>Fares and tickets</a></p>"
               "<label for='q'>Destination</label><input id='q'><button>Search</button>"
               "<img alt='Map of the harbour' width='20' height='20'>");
    file.close();
    QWidget host;
    BrowserEngine *engine = webEngineFactory()(&host);
    (new QVBoxLayout(&host))->addWidget(engine->view());
    host.resize(640, 480);
    host.show();
    QSignalSpy loaded(engine, &BrowserEngine::DownloadComplete);
    engine->Navigate(QUrl::fromLocalFile(page).toString());
    QVERIFY(loaded.wait(30000));

    const QStringList expected{"Heading 'Harbour timetable'", "Link 'Fares and tickets'",
        "EditableText 'Destination'", "Button 'Search'", "Graphic 'Map of the harbour'"};
    QStringList found;
    const std::function<void(QAccessibleInterface *)> collect = [&](QAccessibleInterface *object) {
        if (expected.contains(describe(object)))
            found.append(describe(object));
        for (int i = 0; i < object->childCount(); ++i) {
            if (QAccessibleInterface *child = object->child(i))
                collect(child);
        }
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        (found.clear(), collect(QAccessible::queryAccessibleInterface(engine->view())),
            found.size() == expected.size()),
        30000);
    QCOMPARE(found, expected);
}

WAVECREST_TEST(AccessibilityTest)
#include "tst_accessibility.moc"
