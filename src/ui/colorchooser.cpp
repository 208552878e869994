#include "ui/colorchooser.h"

#include <QColorDialog>

ColorChooser nativeColorChooser()
{
    return
        [](QWidget *parent, const QColor &initial, std::function<void(const QColor &)> onChosen) {
            auto *dialog = new QColorDialog(initial, parent);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QColorDialog::colorSelected, dialog,
                [onChosen = std::move(onChosen)](const QColor &color) {
                    if (color.isValid())
                        onChosen(color);
                });
            dialog->open();
        };
}
