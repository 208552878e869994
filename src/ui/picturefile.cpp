#include "ui/picturefile.h"

#include <QImageReader>
#include <QRect>

QPixmap readPictureWithin(const QString &path, const QSize &bound)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && bound.isValid()) {
        const QSize shown = size.boundedTo(bound);
        // Readers that cannot cut while they decode are cut by QImageReader.
        if (shown != size)
            reader.setClipRect(QRect(QPoint(0, 0), shown));
    }
    return QPixmap::fromImage(reader.read());
}
