#include "browser/addresscompletion.h"
#include "browser/browserlayout.h"
#include "browser/clientarea.h"
#include "browser/favouritesmodel.h"
#include "browser/translation.h"
#include "support/testregistry.h"

#include <QPainter>
#include <QTest>

using Favourite = FavouritesModel::Favourite;
Q_DECLARE_METATYPE(QList<Favourite>)
Q_DECLARE_METATYPE(BrowserLayout)

char *toString(const BrowserLayout &l)
{
    return qstrdup(QString::asprintf("combo %d+%d, view %d+%dx%d, logo %d", l.addressLeft,
        l.addressWidth, l.browserLeft, l.browserWidth, l.browserHeight, l.logoLeft)
                       .toLatin1());
}

// A picture in which every pixel differs from its neighbours, so a tile that
// starts in the wrong place shows up.
static QPixmap patternPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(10 + 40 * x, 20 + 50 * y, 200));
    return QPixmap::fromImage(image);
}

class BrowserLogicTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completion_data()
    {
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selectionStart");
        QTest::addColumn<int>("selectionLength");
        const QStringList mixed = {"xyz", "ABCDEF", "abc"};
        QTest::newRow("prefix without regard to case") << mixed << "ab" << 1 << "ABCDEF" << 2 << 4;
        QTest::newRow("oldest match wins")
            << QStringList{"ab1", "ab2"} << "a" << 0 << "ab1" << 1 << 2;
        QTest::newRow("equal apart from case") << mixed << "AbC" << 1 << "ABCDEF" << 3 << 3;
        QTest::newRow("whole entry, nothing selected")
            << QStringList{"Abc"} << "aBC" << 0 << "Abc" << 3 << 0;
        QTest::newRow("longer than every entry") << mixed << "abcdefg" << -1 << "abcdefg" << 7 << 0;
        QTest::newRow("no entry begins with it") << mixed << "q" << -1 << "q" << 1 << 0;
        QTest::newRow("letters beyond ASCII")
            << QStringList{"ÄÖÜ.example"} << "äöü" << 0 << "ÄÖÜ.example" << 3 << 8;
        QTest::newRow("empty field takes the first entry") << mixed << "" << 0 << "xyz" << 0 << 3;
        QTest::newRow("empty history") << QStringList() << "ab" << -1 << "ab" << 2 << 0;
    }
    void completion()
    {
        QFETCH(QStringList, history);
        QFETCH(QString, typed);
        const AddressCompletion c = completeAddress(history, foldedForCompletion(history), typed);
        QTEST(c.index, "index");
        QTEST(c.text, "text");
        QTEST(c.selectionStart, "selectionStart");
        QTEST(c.selectionLength, "selectionLength");
    }

    void layout_data()
    {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<int>("statusBarTop");
        QTest::addColumn<BrowserLayout>("expected");
        QTest::newRow("design size")
            << 10350 << 7890 << BrowserLayout{50, 10270, 50, 10270, 6690, 9795};
        QTest::newRow("maximised")
            << 28800 << 15000 << BrowserLayout{50, 28720, 50, 28720, 13800, 28245};
        QTest::newRow("too narrow: widths kept, logo follows")
            << 60 << 7890 << BrowserLayout{50, 10215, 50, 10335, 6690, 9860};
        QTest::newRow("too low: height kept")
            << 10350 << 1000 << BrowserLayout{50, 10270, 50, 10270, 6615, 9795};
        QTest::newRow("zero width is a width")
            << 80 << 1200 << BrowserLayout{50, 0, 50, 0, 0, -475};
    }
    void layout()
    {
        QFETCH(int, clientWidth);
        QFETCH(int, statusBarTop);
        QTEST(resizedLayout(BrowserLayout(), clientWidth, statusBarTop), "expected");
    }

    void translation_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("pair");
        QTest::addColumn<QString>("request");
        const QString prefix
            = "http://translate.brimlow.example/cgi-bin/translate?doit=done&urltext=";
        QTest::newRow("plain") << "http://a.example/"
                               << "&lp=en_de" << prefix + "http%3A%2F%2Fa.example%2F&lp=en_de";
        QTest::newRow("query, fragment and blanks stay whole")
            << "a.example/?x=1&y=2#top now"
            << "&lp=fr_en" << prefix + "a.example%2F%3Fx%3D1%26y%3D2%23top%20now&lp=fr_en";
        QTest::newRow("empty") << ""
                               << "&lp=en_es" << prefix + "&lp=en_es";
    }
    void translation()
    {
        QFETCH(QString, address);
        QFETCH(QString, pair);
        QTEST(translationRequestAddress(address, pair), "request");
    }

    void favouritesFromFiles_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QList<Favourite>>("expected");
        QTest::newRow("in step") << QStringList{"A", "B"} << QStringList{"a", "b"}
                                 << QList<Favourite>{{"A", "a"}, {"B", "b"}};
        QTest::newRow("title without address") << QStringList{"A", "B",
            "C"} << QStringList{"a"} << QList<Favourite>{{"A", "a"}, {"B", ""}, {"C", ""}};
        QTest::newRow("address without title")
            << QStringList{} << QStringList{"a"} << QList<Favourite>{{"", "a"}};
    }
    void favouritesFromFiles()
    {
        FavouritesModel model;
        QFETCH(QStringList, titles);
        QFETCH(QStringList, addresses);
        model.setFromLists(titles, addresses);
        QTEST(model.favourites(), "expected");
        QCOMPARE(model.titles().size(), model.addresses().size());
    }

    void tiling_data()
    {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<QRect>("area");
        QTest::newRow("no picture") << QSize() << QRect(0, 0, 9, 7);
        QTest::newRow("1 x 1") << QSize(1, 1) << QRect(0, 0, 9, 7);
        QTest::newRow("3 x 2, repeated both ways") << QSize(3, 2) << QRect(0, 0, 10, 7);
        QTest::newRow("larger than the area, cut") << QSize(5, 4) << QRect(0, 0, 3, 3);
        QTest::newRow("part of the area, same pattern") << QSize(3, 2) << QRect(4, 3, 6, 4);
    }
    void tiling()
    {
        QFETCH(QSize, pictureSize);
        QFETCH(QRect, area);
        const QPixmap picture = pictureSize.isValid()
            ? patternPicture(pictureSize.width(), pictureSize.height())
            : QPixmap();
        const QImage tile = picture.toImage();
        const QColor background(Qt::darkGreen);
        const QColor untouched(Qt::magenta);
        QImage canvas(12, 9, QImage::Format_RGB32);
        canvas.fill(untouched);
        {
            QPainter painter(&canvas);
            paintTiledBackground(painter, area, background, picture);
        }
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                QRgb expected = untouched.rgb();
                if (area.contains(x, y))
                    expected = tile.isNull() ? background.rgb()
                                             : tile.pixel(x % tile.width(), y % tile.height());
                QCOMPARE(canvas.pixel(x, y), expected);
            }
        }
    }

    void zeroSizePictureIsNone()
    {
        QImage canvas(4, 4, QImage::Format_RGB32);
        QPainter painter(&canvas);
        paintTiledBackground(painter, canvas.rect(), Qt::blue, QPixmap(0, 5));
        painter.end();
        QCOMPARE(canvas.pixel(3, 3), QColor(Qt::blue).rgb());
    }

    void colourShowsThroughTransparentPicture()
    {
        QImage picture(2, 1, QImage::Format_ARGB32);
        picture.setPixel(0, 0, qRgba(255, 0, 0, 255));
        picture.setPixel(1, 0, qRgba(0, 0, 0, 0));
        QImage canvas(4, 1, QImage::Format_RGB32);
        canvas.fill(Qt::magenta);
        QPainter painter(&canvas);
        paintTiledBackground(painter, canvas.rect(), Qt::blue, QPixmap::fromImage(picture));
        painter.end();
        const QRgb red = qRgb(255, 0, 0), blue = QColor(Qt::blue).rgb();
        QCOMPARE(QList<QRgb>({canvas.pixel(0, 0), canvas.pixel(1, 0), canvas.pixel(2, 0),
                     canvas.pixel(3, 0)}),
            QList<QRgb>({red, blue, red, blue}));
    }
};

WAVECREST_TEST(BrowserLogicTest)
#include "tst_browserlogic.moc"
