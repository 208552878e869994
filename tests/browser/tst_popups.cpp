#include "browserfixture.h"

#include "browser/addressbar.h"
#include "browser/browserstatusbar.h"
#include "support/testregistry.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

// The secondary window and the main window's pop-up policy.
class PopUpTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<BrowserFixture> f;

    BrowserWindow *popUp()
    {
        f->engine(0)->requestNewWindow();
        return f->secondary();
    }
    void allowPopUps(bool allowed)
    {
        auto *item = f->child<QAction>("mnuEditAllowPopUps");
        if (item->isChecked() != allowed)
            item->trigger();
    }
    QMap<QString, QByteArray> dataFiles() const
    {
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(f->ctx.dir.path()).entryList(QDir::Files))
            files.insert(name, f->ctx.readFile(name));
        return files;
    }
    static QStringList favouriteTitles(BrowserWindow *window)
    {
        auto *titles = window->findChild<QComboBox *>("Combo2");
        QStringList list;
        for (int i = 0; i < titles->count(); ++i)
            list << titles->itemText(i);
        return list;
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<BrowserFixture>();
        f->ctx.writeFile("Wavecrest.ini", "[Wavecrest]\r\nHomePage=home.example\r\n");
        f->ctx.writeFile("Address.lst", "h1\r\n");
        f->ctx.writeFile("Favorties.lst", "T\r\n");
        f->ctx.writeFile("Favorites2.lst", "t\r\n");
        f->window->show();
    }
    void cleanup() { f.reset(); }

    void allowedPopUpsShareOneSecondaryWindow()
    {
        BrowserEngine *target = f->engine(0)->requestNewWindow();
        QPointer<BrowserWindow> secondary = f->secondary();
        QVERIFY(secondary);
        QVERIFY(secondary->isVisible());
        QVERIFY(!secondary->isMaximized());
        QCOMPARE(secondary->role(), BrowserWindow::Role::Secondary);
        QCOMPARE(target, secondary->engine());
        QCOMPARE(f->engine(1)->navigations, QStringList{"home.example"});

        QCOMPARE(f->engine(0)->requestNewWindow(), target);
        QCOMPARE(f->secondary(), secondary.data());
        QCOMPARE(f->ctx.engines.size(), 2);
        QCOMPARE(f->engine(1)->navigations, QStringList{"home.example"});

        secondary->close();
        QTRY_VERIFY(secondary.isNull());
        QVERIFY(f->engine(0)->requestNewWindow());
        QCOMPARE(f->ctx.engines.size(), 3);
    }

    void blockedPopUpIsOnlyRefused_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::newRow("no secondary window") << false;
        QTest::newRow("secondary window open") << true;
    }
    void blockedPopUpIsOnlyRefused()
    {
        QFETCH(bool, openBefore);
        BrowserWindow *before = openBefore ? popUp() : nullptr;
        const int engines = int(f->ctx.engines.size());
        allowPopUps(false);
        QCOMPARE(f->engine(0)->requestNewWindow(), nullptr);
        QCOMPARE(f->ctx.engines.size(), engines);
        QCOMPARE(f->secondary(), before);
        if (before) {
            QVERIFY(before->isVisible());
            QCOMPARE(f->engine(1)->navigations, QStringList{"home.example"});
        }
        allowPopUps(true);
        QVERIFY(popUp());
    }

    void secondaryWindowDiffers()
    {
        BrowserWindow *secondary = popUp();
        QCOMPARE(secondary->objectName(), "newwindow");
        QCOMPARE(secondary->windowTitle(), "Brimlow Wavecrest");
        QVERIFY(!secondary->findChild<QAction *>("mnuEditAllowPopUps"));
        QStringList editItems;
        for (QAction *item : secondary->findChild<QMenu *>("mnuEdit")->actions())
            editItems << item->objectName();
        QCOMPARE(editItems, QStringList{"mnuEditPrefs"});
        auto *address = secondary->findChild<AddressBar *>("Combo1");
        QCOMPARE(address->currentText(), "");
        QCOMPARE(address->entries(), QStringList{"h1"});

        // Its load gives the window the size of its view at the design size:
        // 80 twips narrower than the design client area, and lower.
        QCOMPARE(secondary->width(), 685);
        QVERIFY(secondary->height() > 300 && secondary->height() < f->window->height());
        QTRY_COMPARE(secondary->findChild<QWidget *>("Browser1")->geometry().bottom() + 1,
            secondary->centralWidget()->height());
    }

    void secondaryProgressSharesPanelOne_data()
    {
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("progressMax");
        QTest::addColumn<QString>("panel1");
        QTest::newRow("under way") << 5 << 10 << "Contacting host... 5  of  10";
        QTest::newRow("negative") << -1 << 0 << "Contacting host... -1  of  0";
    }
    void secondaryProgressSharesPanelOne()
    {
        BrowserWindow *secondary = popUp();
        QFETCH(int, progress);
        QFETCH(int, progressMax);
        Q_EMIT f->engine(1)->ProgressChange(progress, progressMax);
        auto *status = secondary->findChild<BrowserStatusBar *>("StatusBar1");
        QTEST(status->panelText(1), "panel1");
        QCOMPARE(status->panelText(2), "");
        QCOMPARE(f->child<BrowserStatusBar>("StatusBar1")->panelText(2), "");
    }

    void popUpsFromSecondaryLandInItself()
    {
        popUp();
        allowPopUps(false);
        QCOMPARE(f->engine(1)->requestNewWindow(), f->engine(1));
        QCOMPARE(f->ctx.engines.size(), 2);
    }

    void secondaryListsAreNeverWritten()
    {
        f->window->loadFromSettings();
        Q_EMIT f->engine(0)->TitleChange("Main page");
        f->child<QAction>("mnuFavoritesAdd")->trigger();
        const QMap<QString, QByteArray> files = dataFiles();
        QSignalSpy shutdown(f->window.data(), &BrowserWindow::shutdownComplete);

        QPointer<BrowserWindow> secondary = popUp();
        QCOMPARE(favouriteTitles(secondary), QStringList{"T"});
        auto *address = secondary->findChild<AddressBar *>("Combo1");
        address->setEditText("typed.example");
        QTest::keyClick(address, Qt::Key_Return);
        secondary->findChild<QAction *>("mnuFavoritesAdd")->trigger();
        QCOMPARE(favouriteTitles(secondary), QStringList({"Label1", "T"}));
        secondary->findChild<QAction *>("mnuFileExit")->trigger();
        QTRY_VERIFY(secondary.isNull());

        QCOMPARE(dataFiles(), files);
        QCOMPARE(shutdown.count(), 0);
        QVERIFY(f->window->isVisible());
        QCOMPARE(f->child<AddressBar>("Combo1")->entries(), QStringList{"h1"});
        secondary = popUp();
        QCOMPARE(secondary->findChild<AddressBar *>("Combo1")->entries(), QStringList{"h1"});
        QCOMPARE(favouriteTitles(secondary), QStringList{"T"});
    }
};

WAVECREST_TEST(PopUpTest)
#include "tst_popups.moc"
