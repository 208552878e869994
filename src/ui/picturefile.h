#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Reads the picture file at path, but only its top-left part of at most
// bound: a picture drawn at its natural size from a window's corner never
// shows more than the desktop holds, and a photograph of many million pixels
// would otherwise be kept whole. A file that is missing or no picture gives a
// null pixmap.
QPixmap readPictureWithin(const QString &path, const QSize &bound);
