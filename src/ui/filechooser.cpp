#include "ui/filechooser.h"

#include <QFileDialog>

QStringList nameFiltersFromPairs(const QString &pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        filters.append(parts.at(i) + QLatin1String(" (") + patterns.join(u' ') + u')');
    }
    return filters;
}

FileChooser nativeFileChooser()
{
    return [](QWidget *parent, const QStringList &nameFilters,
               std::function<void(const QString &)> onChosen) {
        auto *dialog = new QFileDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setNameFilters(nameFilters);
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
            [onChosen = std::move(onChosen)](const QString &path) {
                if (!path.isEmpty())
                    onChosen(path);
            });
        dialog->open();
    };
}
