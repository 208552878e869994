#include "support/testregistry.h"

#include "ui/picturefile.h"

#include <QTemporaryDir>
#include <QTest>

class TestPictureFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheTopLeftWithinTheBound()
    {
        QTemporaryDir dir;
        QImage image(300, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = dir.filePath("wide.png");
        QVERIFY(image.save(path));
        QCOMPARE(readPictureWithin(path, {100, 90}).toImage(), image.copy(0, 0, 100, 30));
    }
};

WAVECREST_TEST(TestPictureFile)
#include "tst_picturefile.moc"
