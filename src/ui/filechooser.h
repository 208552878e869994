#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Turns a "description|patterns|description|patterns" filter list, patterns
// separated by ";", into Qt's name filters, in order.
QStringList nameFiltersFromPairs(const QString &pairs);

// Asks for a file to open without blocking: onChosen runs with the chosen
// path once the user picks one, and never when the dialog is cancelled.
using FileChooser = std::function<void(QWidget *parent, const QStringList &nameFilters,
    std::function<void(const QString &path)> onChosen)>;

// The real chooser: a non-modal file dialog that deletes itself when closed.
FileChooser nativeFileChooser();
