#include "support/testregistry.h"

#include "engine/renderingmode.h"

#include <QTest>

class TestRenderingMode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void variablesAfterTheChoice_data();
    void variablesAfterTheChoice();
};

void TestRenderingMode::variablesAfterTheChoice_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<bool>("softwareGlForced");
    // The user's QT_QUICK_BACKEND, QT_XCB_GL_INTEGRATION and QTWEBENGINE_CHROMIUM_FLAGS,
    // then the three as the page engine and the toolkit find them.
    QTest::addColumn<QByteArrayList>("given");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArrayList software{"software", "none", "--disable-gpu"};
    QTest::newRow("no device") << false << false << QByteArrayList{"", "", ""} << software;
    QTest::newRow("a device") << true << false << QByteArrayList{"", "", ""}
                              << QByteArrayList{"", "", ""};
    QTest::newRow("a device, software GL asked for")
        << true << true << QByteArrayList{"", "", ""} << software;
    QTest::newRow("user flags kept")
        << false << false << QByteArrayList{"", "", "--no-pings --lang=de"}
        << QByteArrayList{"software", "none", "--no-pings --lang=de --disable-gpu"};
    QTest::newRow("GPU already off") << false << false << QByteArrayList{"", "", " --disable-gpu "}
                                     << QByteArrayList{"software", "none", " --disable-gpu "};
    QTest::newRow("a longer flag is another flag")
        << false << false << QByteArrayList{"", "", "--disable-gpu-compositing"}
        << QByteArrayList{"software", "none", "--disable-gpu-compositing --disable-gpu"};
    QTest::newRow("software scene graph chosen")
        << false << false << QByteArrayList{"software", "", ""} << software;
    QTest::newRow("scene graph on OpenGL chosen")
        << false << false << QByteArrayList{"opengl", "", ""} << QByteArrayList{"opengl", "", ""};
    QTest::newRow("GLX chosen") << false << false << QByteArrayList{"", "xcb_glx", ""}
                                << QByteArrayList{"", "xcb_glx", ""};
    QTest::newRow("engine's GL chosen") << false << false << QByteArrayList{"", "", "--use-gl=egl"}
                                        << QByteArrayList{"", "", "--use-gl=egl"};
    QTest::newRow("GPU block list ignored")
        << false << false << QByteArrayList{"", "", "--ignore-gpu-blocklist"}
        << QByteArrayList{"", "", "--ignore-gpu-blocklist"};
}

void TestRenderingMode::variablesAfterTheChoice()
{
    QFETCH(bool, device);
    QFETCH(bool, softwareGlForced);
    QFETCH(QByteArrayList, given);
    QFETCH(QByteArrayList, expected);

    GraphicsEnvironment environment;
    environment.graphicsDevice = device;
    environment.softwareGlForced = softwareGlForced;
    environment.quickBackend = given.at(0);
    environment.xcbGlIntegration = given.at(1);
    environment.chromiumFlags = given.at(2);
    const QByteArrayList names{
        "QT_QUICK_BACKEND", "QT_XCB_GL_INTEGRATION", "QTWEBENGINE_CHROMIUM_FLAGS"};
    QByteArrayList after = given;
    for (const auto &[name, value] : softwareRenderingAssignments(environment)) {
        QVERIFY2(names.contains(name), name.constData());
        after[names.indexOf(name)] = value;
    }
    QCOMPARE(after, expected);
}

WAVECREST_TEST(TestRenderingMode)
#include "tst_renderingmode.moc"
