#include "about/aboutbox.h"
#include "app/applicationwindows.h"
#include "app/windownames.h"
#include "browser/browserwindow.h"
#include "fakeplatform.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

template <typename T> T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void fonts();
    void windowKind();
    void iconWithoutMainWindow();
    void iconAndOwnerFromMainWindow();
    void closingKeys_data();
    void closingKeys();
    void systemInfoButton_data();
    void systemInfoButton();
    void oneInstance();
};

void TestAboutBox::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("title") << "lblTitle"
                           << "Wavecrest";
    QTest::newRow("version") << "lblVersion"
                             << "Version 2.0.0";
    QTest::newRow("description")
        << "lblDescription"
        << "Brimlow Wavecrest is a simple and easy to use web browser for everyone to use. This "
           "offers you an alternative to Internet Explorer and Netscape browsers. For updates "
           "visit: https://www.brimlow.example/";
    QTest::newRow("OK") << "cmdOK"
                        << "OK";
    QTest::newRow("System Info") << "cmdSysInfo"
                                 << "&System Info";
}

void TestAboutBox::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    TestContext ctx;
    AboutBox box(*ctx.context);

    QCOMPARE(box.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(box.windowTitle(), QStringLiteral("About Wavecrest"));
    QWidget *widget = box.findChild<QWidget *>(name);
    QVERIFY(widget);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), expected);
    else
        QCOMPARE(qobject_cast<QPushButton *>(widget)->text(), expected);
}

void TestAboutBox::fonts()
{
    TestContext ctx;
    AboutBox box(*ctx.context);

    const QFont title = child<QLabel>(&box, "lblTitle")->font();
    QCOMPARE(title.family(), QStringLiteral("Arial"));
    QCOMPARE(title.pointSize(), 24);
    QVERIFY(title.bold());
    const QFont version = child<QLabel>(&box, "lblVersion")->font();
    QCOMPARE(version.family(), QStringLiteral("Arial"));
    QCOMPARE(version.pointSize(), 9);
    QVERIFY(version.bold());
}

void TestAboutBox::windowKind()
{
    TestContext ctx;
    AboutBox box(*ctx.context);
    box.show();

    const Qt::WindowFlags flags = box.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(box.size(), QSize(382, 201));
    QVERIFY(!box.isModal());
    QVERIFY(child<QPushButton>(&box, "cmdOK")->isDefault());
    QVERIFY(child<QFrame>(&box, "Line1")->isVisible());
}

void TestAboutBox::iconWithoutMainWindow()
{
    TestContext ctx;
    AboutBox box(*ctx.context);

    QVERIFY(!child<QLabel>(&box, "picIcon")->pixmap().isNull());
    QVERIFY(!box.windowIcon().isNull());
}

void TestAboutBox::iconAndOwnerFromMainWindow()
{
    TestContext ctx;
    auto *main = new BrowserWindow(*ctx.context, BrowserWindow::Role::Main);
    ctx.context->windows().adopt(QLatin1String(WindowNames::Main), main);
    QPixmap red(32, 32);
    red.fill(Qt::red);
    main->setWindowIcon(QIcon(red));

    AboutBox box(*ctx.context);

    QCOMPARE(child<QLabel>(&box, "picIcon")->pixmap().toImage(), red.toImage());
    QCOMPARE(box.windowIcon().pixmap(32, 32).toImage(), red.toImage());
    // Owned by the main window, so it has no task-bar entry of its own.
    QCOMPARE(box.parentWidget(), main);
    QVERIFY(box.isWindow());
}

void TestAboutBox::closingKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestAboutBox::closingKeys()
{
    QFETCH(int, key);
    TestContext ctx;
    QPointer<AboutBox> box = new AboutBox(*ctx.context);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();

    QTest::keyClick(box.data(), Qt::Key(key));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(box.isNull());
}

void TestAboutBox::systemInfoButton_data()
{
    QTest::addColumn<bool>("registered");
    QTest::addColumn<QStringList>("expectedStarts");
    QTest::addColumn<int>("expectedMessages");

    QTest::newRow("tool registered")
        << true << QStringList{QStringLiteral("C:\\msinfo32.exe")} << 0;
    QTest::newRow("nothing to start") << false << QStringList() << 1;
}

void TestAboutBox::systemInfoButton()
{
    QFETCH(bool, registered);
    QFETCH(QStringList, expectedStarts);
    QFETCH(int, expectedMessages);
    TestContext ctx;
    AboutBox box(*ctx.context);
    auto registry = std::make_unique<FakeRegistry>();
    if (registered)
        registry->setValue(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
            QStringLiteral("PATH"), QStringLiteral("C:\\msinfo32.exe"));
    auto launcher = std::make_unique<FakeLauncher>();
    FakeLauncher *launched = launcher.get();
    box.setPlatform(std::move(registry), std::move(launcher));
    MessageBoxRecorder recorder;
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));

    // The accelerator clicks the button a moment later, as a mouse click would look.
    QTest::keyClick(&box, Qt::Key_S, Qt::AltModifier);

    QTRY_COMPARE(launched->started.size() + recorder.boxes.size(), 1);
    QCOMPARE(launched->started, expectedStarts);
    QCOMPARE(recorder.boxes.size(), expectedMessages);
    QVERIFY(box.isVisible());
}

void TestAboutBox::oneInstance()
{
    TestContext ctx;
    registerApplicationWindows(*ctx.context);

    QWidget *first = ctx.context->windows().open(QLatin1String(WindowNames::About));
    QWidget *second = ctx.context->windows().open(QLatin1String(WindowNames::About));

    QVERIFY(qobject_cast<AboutBox *>(first));
    QCOMPARE(second, first);
    int shown = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        shown += window->objectName() == QLatin1String("frmAbout") && window->isVisible();
    QCOMPARE(shown, 1);
}

WAVECREST_TEST(TestAboutBox)
#include "tst_aboutbox.moc"
