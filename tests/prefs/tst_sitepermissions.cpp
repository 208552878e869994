#include "prefs/preferencesdialog.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QPushButton>
#include <QTest>

class SitePermissionsPrefsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What sites were allowed or blocked is forgotten at a click.
    void clearSitePermissions()
    {
        TestContext ctx;
        QVERIFY(ctx.context->sitePermissions().remember("https://a.example", "camera", false));
        PreferencesDialog dialog(*ctx.context);
        auto *clear = dialog.findChild<QPushButton *>("cmdClearSitePermissions");
        QVERIFY(clear->isEnabled());
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(!clear->isEnabled());
        QCOMPARE(
            ctx.context->sitePermissions().decision("https://a.example", "camera"), std::nullopt);
        QVERIFY(!QFile::exists(ctx.file("SitePermissions.lst")));
    }
};

WAVECREST_TEST(SitePermissionsPrefsTest)
#include "tst_sitepermissions.moc"
