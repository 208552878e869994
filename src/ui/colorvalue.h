#pragma once

#include <QColor>
#include <QtGlobal>

// A colour is stored as one 32-bit value. With the top bit clear it is an RGB
// colour laid out as 0x00BBGGRR: red in the lowest byte, green in the next,
// blue in the third. With the top bit set it names a colour of the desktop's
// palette by the index in its lowest byte (15 is the button face). Files hold
// the value as signed decimal text, so the button face reads -2147483633.
namespace ColorValue {

// System colour 15, the button face: the browser window's default.
inline constexpr qint32 ButtonFace = qint32(0x8000000F);

bool isSystemColor(qint32 value);
qint32 fromColor(const QColor &color);
// System colours resolve through the application palette.
QColor toColor(qint32 value);

// Parses the decimal text of a stored value; false for empty or non-numeric
// text or a number outside 32 bits.
bool parse(const QString &text, qint32 *value);
QString format(qint32 value);

} // namespace ColorValue
