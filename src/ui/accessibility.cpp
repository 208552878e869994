#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QWidget>

namespace {

QAccessibleInterface *programRoles(const QString &className, QObject *object)
{
    // Asked once per class of the object's ancestry, most derived first, so a
    // class with a role of its own (QDialog, QMainWindow, QLabel, ...) is
    // settled before its plain base is named here.
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("QWidget") && widget->isWindow()) {
        switch (widget->windowType()) {
        case Qt::Dialog:
        case Qt::Sheet:
            return new QAccessibleWidget(widget, QAccessible::Dialog);
        case Qt::Popup:
        case Qt::ToolTip:
        case Qt::Desktop:
            return nullptr;
        default:
            return new QAccessibleWidget(widget, QAccessible::Window);
        }
    }
    if (className == QLatin1String("QFrame") && object->metaObject() == &QFrame::staticMetaObject) {
        // The toolkit calls a bare frame a border, which the desktop's bridge
        // passes on as a window frame: a line is a separator, and a box only
        // groups what is drawn inside it. Frames of other classes keep what
        // the toolkit gives them.
        const QFrame::Shape shape = static_cast<QFrame *>(widget)->frameShape();
        const bool line = shape == QFrame::HLine || shape == QFrame::VLine;
        return new QAccessibleWidget(widget, line ? QAccessible::Separator : QAccessible::Pane);
    }
    return nullptr;
}

} // namespace

void installAccessibilityFactory()
{
    // Kept for the whole run; the toolkit installs a factory only once.
    QAccessible::installFactory(programRoles);
}
