#pragma once

#include <QColor>
#include <QtGlobal>

// Colours are stored as the 32-bit values of the Windows original: with the
// top bit clear 0x00BBGGRR, with it set a system colour by the index in the
// lowest byte. Files hold them as signed decimal text.
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
