#include "browser/windowbackground.h"

#include "browser/clientarea.h"
#include "core/mainwindowappearance.h"
#include "ui/colorvalue.h"
#include "ui/picturefile.h"
#include "ui/placement.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

WindowBackground::WindowBackground(ClientArea *client)
    : QObject(client), m_client(client),
      m_holder(placeControl(new QLabel(client), "Image1", {0, -120, 1575, 1095})),
      m_colorValue(ColorValue::ButtonFace)
{
    m_holder->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_holder->setAccessibleName(tr("Background Picture"));
    update();
}

void WindowBackground::follow(MainWindowAppearance &appearance)
{
    m_followed = &appearance;
    // A main window made again (tests do) starts from the default look.
    appearance.setColorValue(m_colorValue);
    // Each change alone: a new colour does not read the picture's file again.
    connect(&appearance, &MainWindowAppearance::colorChanged, this, &WindowBackground::showColor);
    connect(&appearance, &MainWindowAppearance::backgroundPictureChanged, this,
        &WindowBackground::loadPicture);
}

void WindowBackground::setColorValue(qint32 value)
{
    if (m_followed)
        m_followed->setColorValue(value);
    else
        showColor(value);
}

bool WindowBackground::setPicture(const QString &path)
{
    if (m_followed)
        m_followed->setBackgroundPicture(path);
    else
        loadPicture(path);
    return !m_picture.isNull();
}

QWidget *WindowBackground::pictureHolder() const
{
    return m_holder;
}

void WindowBackground::showColor(qint32 value)
{
    m_colorValue = value;
    update();
}

void WindowBackground::loadPicture(const QString &path)
{
    m_picture = QPixmap();
    // A file that fails to load leaves the pixmap null, which is also what a
    // picture of no width or height would be. Beyond the whole desktop's
    // size nothing of the picture ever shows.
    if (!path.isEmpty()) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        m_picture = readPictureWithin(path, screen ? screen->virtualSize() : QSize());
    }
    update();
}

void WindowBackground::update()
{
    m_client->setBackground(ColorValue::toColor(m_colorValue), m_picture);
    m_holder->setPixmap(m_picture);
    if (!m_picture.isNull())
        m_holder->resize(m_picture.deviceIndependentSize().toSize());
}
