#pragma once

#include <QObject>
#include <QString>

// The main window's colour, background picture and lists as other windows
// may change them: the Preferences dialog sets them here and asks for the
// lists to be cleared, and the main window, which keeps this up to date,
// follows. The home page needs no place here: it is a setting, read from the
// settings file at every use.
class MainWindowAppearance : public QObject
{
    Q_OBJECT

public:
    explicit MainWindowAppearance(QObject *parent = nullptr);

    // The colour in the stored 32-bit encoding.
    qint32 colorValue() const { return m_colorValue; }
    void setColorValue(qint32 value);

    // Shows the tiled picture at path; empty for none.
    void setBackgroundPicture(const QString &path);

    void requestClearHistory();
    void requestClearFavourites();

Q_SIGNALS:
    void colorChanged(qint32 value);
    // Also for the same path: the file behind it may have changed, and the
    // user asked for it to be shown.
    void backgroundPictureChanged(const QString &path);
    void clearHistoryRequested();
    void clearFavouritesRequested();

private:
    qint32 m_colorValue;
};
