#include "browserfixture.h"

#include "support/testregistry.h"

#include <QTest>

// The window as a user sees it: where the stretching controls stand after a
// resize, and what the gaps between the controls show.
class BrowserLayoutTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<BrowserFixture> f;

    QRect geometry(const char *name) const { return f->child<QWidget>(name)->geometry(); }
    QWidget *client() const { return f->window->centralWidget(); }

    void resizeTo(const QSize &size)
    {
        f->window->resize(size);
        QTRY_COMPARE(f->window->size(), size);
        QTRY_COMPARE(client()->width(), size.width());
    }

    // 50 twips from the left, 30 short of the right edge, the view down to the
    // status bar, the logo 475 twips left of the view's right end.
    void verifyStretched() const
    {
        const int width = client()->width();
        for (const char *name : {"Combo1", "Browser1"}) {
            QCOMPARE(geometry(name).left(), 3);
            QVERIFY2(qAbs(width - geometry(name).right() - 1 - 2) <= 1, name);
        }
        QCOMPARE(geometry("Browser1").top(), 80);
        QVERIFY(qAbs(geometry("Browser1").bottom() + 1 - client()->height()) <= 1);
        QVERIFY(qAbs(geometry("Picture1").left() - (geometry("Browser1").width() - 32)) <= 1);
    }

    void verifyFixedControls() const
    {
        QCOMPARE(geometry("Command1"), QRect(8, 8, 33, 33));
        QCOMPARE(geometry("Command6"), QRect(240, 8, 41, 33));
        QCOMPARE(geometry("Command7").topLeft(), QPoint(600, 16));
        QCOMPARE(geometry("Picture1").top(), 8);
        QCOMPARE(geometry("Combo1").top(), 48);
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<BrowserFixture>();
        f->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f->window));
    }
    void cleanup() { f.reset(); }

    void stretchesWithTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(640, 300);
        QTest::newRow("medium") << QSize(800, 600);
        QTest::newRow("full HD") << QSize(1920, 1080);
    }
    void stretchesWithTheWindow()
    {
        QFETCH(QSize, size);
        resizeTo(size + QSize(1, 1));
        resizeTo(size);
        verifyStretched();
        verifyFixedControls();
    }

    void tooLowKeepsTheViewHeight()
    {
        resizeTo(QSize(800, 600));
        const int height = geometry("Browser1").height();
        resizeTo(QSize(700, f->window->height() - client()->height() + 40));
        QCOMPARE(client()->height(), 40);
        QCOMPARE(geometry("Browser1").height(), height);
        QVERIFY(qAbs(client()->width() - geometry("Browser1").right() - 3) <= 1);
    }

    void minimisedChangesNothing()
    {
        resizeTo(QSize(800, 600));
        const QList<QRect> before
            = {geometry("Combo1"), geometry("Browser1"), geometry("Picture1")};
        f->window->setWindowState(Qt::WindowMinimized);
        resizeTo(QSize(1000, 700));
        QCOMPARE(
            QList<QRect>({geometry("Combo1"), geometry("Browser1"), geometry("Picture1")}), before);
        f->window->setWindowState(Qt::WindowNoState);
        verifyStretched();
    }

    void background_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("shown");
        QTest::newRow("tiled picture") << "tile.png" << true;
        QTest::newRow("no picture") << "" << false;
        QTest::newRow("unreadable picture") << "missing.png" << false;
    }
    void background()
    {
        QFETCH(QString, picture);
        QImage tile(3, 2, QImage::Format_RGB32);
        for (int i = 0; i < 6; ++i)
            tile.setPixel(i % 3, i / 3, qRgb(40 * i, 255 - 40 * i, 7 * i));
        QVERIFY(tile.save(f->ctx.file("tile.png")));
        f->window->setBackgroundColorValue(0x00FF0000); // blue in the stored encoding
        QTEST(f->window->setBackgroundPicture(picture.isEmpty() ? picture : f->ctx.file(picture)),
            "shown");
        QFETCH(bool, shown);
        QCOMPARE(f->window->backgroundPicture().isNull(), !shown);
        if (shown)
            QCOMPARE(geometry("Image1").size(), QSize(3, 2));

        const QImage image = client()->grab().toImage();
        // Above the button row the whole width is background.
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(
                    image.pixel(x, y), shown ? tile.pixel(x % 3, y % 2) : QColor(Qt::blue).rgb());
    }
};

WAVECREST_TEST(BrowserLayoutTest)
#include "tst_browserlayout.moc"
