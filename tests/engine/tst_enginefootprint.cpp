#include "support/testregistry.h"

#include "engine/enginefootprint.h"

#include <QTest>

#include <tuple>

class TestEngineFootprint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // With a device or not, software GL forced or not: QT_QUICK_BACKEND,
    // QT_XCB_GL_INTEGRATION and QTWEBENGINE_CHROMIUM_FLAGS as the user left
    // them and as the engine finds them.
    void variablesAfterTheChoice()
    {
        const QByteArray z = "--no-unsandboxed-zygote", sw = "--disable-gpu " + z;
        using Row = std::tuple<bool, bool, QByteArrayList, QByteArrayList>;
        const Row rows[] = {{false, false, {"", "", ""}, {"software", "none", sw}},
            {true, false, {"", "", ""}, {"", "", z}},
            {true, true, {"", "", ""}, {"software", "none", sw}},
            {false, false, {"software", "", "--lang=de"}, {"software", "none", "--lang=de " + sw}},
            {false, false, {"", "", " " + sw}, {"software", "none", " " + sw}},
            {false, false, {"", "xcb_glx", ""}, {"", "xcb_glx", z}},
            {false, false, {"", "", "--use-gl=egl"}, {"", "", "--use-gl=egl " + z}}};
        const QByteArrayList names{
            "QT_QUICK_BACKEND", "QT_XCB_GL_INTEGRATION", "QTWEBENGINE_CHROMIUM_FLAGS"};
        for (auto [device, softwareGl, variables, expected] : rows) {
            for (const auto &[name, value] : engineFootprintAssignments(
                     {variables[0], variables[1], variables[2], softwareGl, device}))
                variables[names.indexOf(name)] = value;
            QCOMPARE(variables, expected);
        }
    }
};

WAVECREST_TEST(TestEngineFootprint)
#include "tst_enginefootprint.moc"
