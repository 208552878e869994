#include "support/testregistry.h"

#include "engine/enginefootprint.h"

#include <QTest>

class TestEngineFootprint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void variablesAfterTheChoice_data();
    void variablesAfterTheChoice();
};

void TestEngineFootprint::variablesAfterTheChoice_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<bool>("softwareGlForced");
    // QT_QUICK_BACKEND, QT_XCB_GL_INTEGRATION and QTWEBENGINE_CHROMIUM_FLAGS as
    // the user left them, then as the toolkit and the engine find them.
    QTest::addColumn<QByteArrayList>("given");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArrayList none{"", "", ""};
    const QByteArrayList software{"software", "none", "--disable-gpu --no-unsandboxed-zygote"};
    const QByteArrayList gpu{"", "", "--no-unsandboxed-zygote"};
    QTest::newRow("no device") << false << false << none << software;
    QTest::newRow("a device") << true << false << none << gpu;
    QTest::newRow("a device, software GL asked for") << true << true << none << software;
    QTest::newRow("user flags kept")
        << false << false << QByteArrayList{"", "", "--no-pings --lang=de"}
        << QByteArrayList{
               "software", "none", "--no-pings --lang=de --disable-gpu --no-unsandboxed-zygote"};
    QTest::newRow("flags already there")
        << false << false << QByteArrayList{"", "", " --no-unsandboxed-zygote  --disable-gpu "}
        << QByteArrayList{"software", "none", " --no-unsandboxed-zygote  --disable-gpu "};
    QTest::newRow("a longer flag is another flag")
        << true << false << QByteArrayList{"", "", "--no-unsandboxed-zygote-sandbox"}
        << QByteArrayList{"", "", "--no-unsandboxed-zygote-sandbox --no-unsandboxed-zygote"};
    QTest::newRow("software scene graph chosen")
        << false << false << QByteArrayList{"software", "", ""} << software;
    QTest::newRow("scene graph on OpenGL chosen")
        << false << false << QByteArrayList{"opengl", "", ""}
        << QByteArrayList{"opengl", "", "--no-unsandboxed-zygote"};
    QTest::newRow("GLX chosen") << false << false << QByteArrayList{"", "xcb_glx", ""}
                                << QByteArrayList{"", "xcb_glx", "--no-unsandboxed-zygote"};
    QTest::newRow("engine's GL chosen")
        << false << false << QByteArrayList{"", "", "--use-gl=egl"}
        << QByteArrayList{"", "", "--use-gl=egl --no-unsandboxed-zygote"};
    QTest::newRow("GPU block list ignored")
        << false << false << QByteArrayList{"", "", "--ignore-gpu-blocklist"}
        << QByteArrayList{"", "", "--ignore-gpu-blocklist --no-unsandboxed-zygote"};
}

void TestEngineFootprint::variablesAfterTheChoice()
{
    QFETCH(bool, device);
    QFETCH(bool, softwareGlForced);
    QFETCH(QByteArrayList, given);
    QFETCH(QByteArrayList, expected);

    EngineEnvironment environment;
    environment.graphicsDevice = device;
    environment.softwareGlForced = softwareGlForced;
    environment.quickBackend = given.at(0);
    environment.xcbGlIntegration = given.at(1);
    environment.chromiumFlags = given.at(2);
    const QByteArrayList names{
        "QT_QUICK_BACKEND", "QT_XCB_GL_INTEGRATION", "QTWEBENGINE_CHROMIUM_FLAGS"};
    QByteArrayList after = given;
    for (const auto &[name, value] : engineFootprintAssignments(environment)) {
        QVERIFY2(names.contains(name), name.constData());
        after[names.indexOf(name)] = value;
    }
    QCOMPARE(after, expected);
}

WAVECREST_TEST(TestEngineFootprint)
#include "tst_enginefootprint.moc"
