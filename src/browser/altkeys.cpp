#include "browser/altkeys.h"

#include <QKeyEvent>

bool typesWithAlt(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const QString text = event->text();
    return modifiers.testFlag(Qt::AltModifier) && !modifiers.testFlag(Qt::ControlModifier)
        && !text.isEmpty() && text.front().isPrint();
}
