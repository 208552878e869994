#include "core/mainwindowappearance.h"

#include "ui/colorvalue.h"

MainWindowAppearance::MainWindowAppearance(QObject *parent)
    : QObject(parent), m_colorValue(ColorValue::ButtonFace)
{ }

void MainWindowAppearance::setColorValue(qint32 value)
{
    if (value == m_colorValue)
        return;
    m_colorValue = value;
    Q_EMIT colorChanged(value);
}

void MainWindowAppearance::setBackgroundPicture(const QString &path)
{
    Q_EMIT backgroundPictureChanged(path);
}

void MainWindowAppearance::requestClearHistory()
{
    Q_EMIT clearHistoryRequested();
}

void MainWindowAppearance::requestClearFavourites()
{
    Q_EMIT clearFavouritesRequested();
}
