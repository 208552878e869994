#include "ui/colorvalue.h"

#include <QGuiApplication>
#include <QPalette>

#include <limits>

namespace ColorValue {

namespace {

// The Windows system colour indices that have a counterpart in a Qt palette.
QColor systemColor(int index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 1: // desktop
    case 5: // window
        return palette.color(QPalette::Base);
    case 2: // active caption
    case 13: // highlight
        return palette.color(QPalette::Highlight);
    case 6: // window frame
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 7: // menu text
    case 8: // window text
    case 18: // button text
        return palette.color(QPalette::WindowText);
    case 14: // highlight text
        return palette.color(QPalette::HighlightedText);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 23: // tooltip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return palette.color(QPalette::ToolTipBase);
    default: // 15 button face, 4 menu and everything else
        return palette.color(QPalette::Button);
    }
}

} // namespace

bool isSystemColor(qint32 value)
{
    return value < 0;
}

qint32 fromColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return qint32(quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16));
}

QColor toColor(qint32 value)
{
    const auto bits = quint32(value);
    if (isSystemColor(value))
        return systemColor(int(bits & 0xFF));
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

bool parse(const QString &text, qint32 *value)
{
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min()
        || number > std::numeric_limits<qint32>::max())
        return false;
    *value = qint32(number);
    return true;
}

QString format(qint32 value)
{
    return QString::number(value);
}

} // namespace ColorValue
