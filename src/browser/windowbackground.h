#pragma once

#include <QObject>
#include <QPixmap>

class ClientArea;
class MainWindowAppearance;
class QLabel;
class QWidget;

// The colour and the tiled picture behind a browser window's controls. The
// picture is also held, once, by a label (Image1) in the client area's top
// left corner, beneath every control, where the window's drawing put it.
class WindowBackground : public QObject
{
    Q_OBJECT

public:
    // Made before the client area's controls, so that the label lies beneath them.
    explicit WindowBackground(ClientArea *client);

    // The main window keeps its look in the shared appearance, which
    // Preferences changes too: from now on, setting the colour or the picture
    // sets it there, and the background shows whatever it holds.
    void follow(MainWindowAppearance &appearance);

    // The colour in the stored 32-bit encoding.
    qint32 colorValue() const { return m_colorValue; }
    void setColorValue(qint32 value);
    // An empty or unreadable path leaves no picture. Returns whether a
    // picture is now shown.
    bool setPicture(const QString &path);
    QPixmap picture() const { return m_picture; }

    // Image1, which hides with the other controls while a page has the screen.
    QWidget *pictureHolder() const;

private:
    void showColor(qint32 value);
    void loadPicture(const QString &path);
    void update();

    ClientArea *m_client;
    QLabel *m_holder;
    MainWindowAppearance *m_followed = nullptr;
    qint32 m_colorValue;
    QPixmap m_picture;
};
