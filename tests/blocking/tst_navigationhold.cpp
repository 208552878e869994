#include "blocking/contentblocking.h"
#include "engine/navigationgate.h"
#include "engine/webengineprofile.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QTest>
#include <QUrl>

// Pages wait for the filter lists at start only when there are lists to read.
class NavigationHoldTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void holdsPagesForListsOnDisk_data();
    void holdsPagesForListsOnDisk();
};

void NavigationHoldTest::holdsPagesForListsOnDisk_data()
{
    QTest::addColumn<bool>("listOnDisk");
    QTest::newRow("first start, nothing fetched yet") << false;
    QTest::newRow("a list on disk") << true;
}

void NavigationHoldTest::holdsPagesForListsOnDisk()
{
    QFETCH(bool, listOnDisk);
    TestContext ctx;
    if (listOnDisk) {
        ctx.writeFile("list.txt", "[Adblock Plus 2.0]\n||blocked.test^\n");
        ctx.writeFile("Wavecrest.ini",
            "[Wavecrest]\r\nFilterLists=" + QUrl::fromLocalFile(ctx.file("list.txt")).toEncoded()
                + "\r\n");
    }
    ContentBlocking blocking(*ctx.context, sharedWebEngineProfile());
    blocking.start();
    QCOMPARE(NavigationGate::instance().isOpen(), !listOnDisk);
    QTRY_VERIFY(NavigationGate::instance().isOpen());
}

WAVECREST_TEST(NavigationHoldTest)
#include "tst_navigationhold.moc"
