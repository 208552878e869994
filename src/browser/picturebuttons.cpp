#include "browser/picturebuttons.h"

#include "ui/placement.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPushButton>

namespace {

// The desktop theme's icon, or our bundled one of the same name.
QIcon themedIcon(const char *name)
{
    const QString themeName = QLatin1String(name);
    return QIcon::fromTheme(
        themeName, QIcon(QLatin1String(":/icons/") + themeName + QLatin1String(".svg")));
}

// The buttons' places are those of the window, in twips; the row is their
// parent, so they move by its own place.
QPushButton *pictureButton(QWidget *row, const char *name, const QString &toolTip,
    const char *iconName, const QRect &inWindow)
{
    auto *button = placeControl(new QPushButton(row), name,
        inWindow.translated(-PictureButtons::Left, -PictureButtons::Top));
    button->setToolTip(toolTip);
    // A screen reader would otherwise say only "push button".
    button->setAccessibleName(toolTip);
    button->setIcon(themedIcon(iconName));
    button->setIconSize(QSize(22, 22));
    return button;
}

} // namespace

PictureButtons::PictureButtons(QWidget *parent)
    : QWidget(parent),
      m_back(pictureButton(this, "Command1", tr("Go Back"), "go-previous", {120, 120, 495, 495})),
      m_forward(pictureButton(this, "Command2", tr("Go Forward"), "go-next", {720, 120, 615, 495})),
      m_stop(pictureButton(this, "Command3", tr("Stop"), "process-stop", {1440, 120, 615, 495})),
      m_reload(
          pictureButton(this, "Command4", tr("Reload"), "view-refresh", {2160, 120, 615, 495})),
      m_home(pictureButton(this, "Command5", tr("Go Home"), "go-home", {2880, 120, 615, 495})),
      m_sendMail(
          pictureButton(this, "Command6", tr("Send Email"), "mail-send", {3600, 120, 615, 495}))
{
    // From Go Back to the right edge of Send Email, no wider: the favourites
    // strip begins just after it.
    placeControl(this, "PictureButtons", {Left, Top, 3600 + 615 - Left, 495});
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    m_stop->setEnabled(false);
    connect(m_back, &QPushButton::clicked, this, &PictureButtons::backClicked);
    connect(m_forward, &QPushButton::clicked, this, &PictureButtons::forwardClicked);
    connect(m_stop, &QPushButton::clicked, this, &PictureButtons::stopClicked);
    connect(m_reload, &QPushButton::clicked, this, &PictureButtons::reloadClicked);
    connect(m_home, &QPushButton::clicked, this, &PictureButtons::homeClicked);
    connect(m_sendMail, &QPushButton::clicked, this, &PictureButtons::sendMailClicked);
    // Any mouse button released over it opens the mail window, not only the left.
    m_sendMail->installEventFilter(this);
}

void PictureButtons::enableBack()
{
    m_back->setEnabled(true);
}

void PictureButtons::enableForward()
{
    m_forward->setEnabled(true);
}

void PictureButtons::setStopEnabled(bool enabled)
{
    m_stop->setEnabled(enabled);
}

QList<QWidget *> PictureButtons::navigationTabChain() const
{
    return {m_back, m_forward, m_stop, m_reload, m_home};
}

QWidget *PictureButtons::sendMailButton() const
{
    return m_sendMail;
}

bool PictureButtons::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_sendMail && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool inside = m_sendMail->rect().contains(mouse->position().toPoint());
        if (inside && mouse->button() != Qt::LeftButton)
            Q_EMIT sendMailClicked();
    }
    return QWidget::eventFilter(watched, event);
}
