#include "app/splashscreen.h"

#include "core/addresses.h"
#include "core/version.h"
#include "core/windownames.h"
#include "ui/messagebox.h"
#include "ui/placement.h"
#include "ui/windowutils.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace {

QLabel *splashLabel(QWidget *parent, const char *name, const QString &text, qreal pointSize,
    bool bold, const QRect &twips)
{
    auto *label = placeControl(new QLabel(text, parent), name, twips);
    label->setFont(arialFont(pointSize, bold));
    return label;
}

} // namespace

SplashScreen::SplashScreen(const QIcon &logo, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_frame(new QFrame(this)),
      m_timer(new QTimer(this))
{
    setObjectName(QLatin1String(WindowNames::Splash));
    setWindowTitle(applicationTitle());
    setFixedSize(Twips::toPixels(7380), Twips::toPixels(4245));
    setAutoFillBackground(true);
    QPalette lightBlue = palette();
    lightBlue.setColor(QPalette::Window, QColor(128, 128, 255));
    setPalette(lightBlue);

    placeControl(m_frame, "Frame1", {150, 60, 7080, 4050});
    m_frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_frame->installEventFilter(this);

    // The frame's children are placed relative to the frame, as they were drawn.
    auto *image = placeControl(new QLabel(m_frame), "imgLogo", {600, 840, 1332, 1668});
    image->setScaledContents(true);
    image->setPixmap(logo.pixmap(image->size() * 2));
    image->setAccessibleName(tr("Wavecrest logo"));

    QLabel *product = splashLabel(
        m_frame, "lblProductName", applicationTitle(), 32.25, true, {2520, 1140, 2430, 765});
    product->adjustSize();
    QLabel *version = splashLabel(
        m_frame, "lblVersion", productVersionText(), 12, true, {5970, 2700, 885, 285});
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int right = version->geometry().right();
    version->adjustSize();
    version->move(right - version->width() + 1, version->y());
    splashLabel(m_frame, "lblCopyright", tr("Copyright \u00A9 Brimlow"), 8.25, false,
        {4560, 3060, 2415, 255});
    splashLabel(
        m_frame, "lblCompany", QStringLiteral("Brimlow"), 8.25, false, {4560, 3270, 2415, 255});
    splashLabel(m_frame, "lblWarning", QLatin1String(Addresses::MakerHomePage), 8.25, false,
        {150, 3660, 6855, 195});

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SplashScreen::finish);
    m_timer->start(DisplayMilliseconds);
    centerOnScreen(this);
}

void SplashScreen::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty())
        finish();
    else
        QWidget::keyPressEvent(event);
}

bool SplashScreen::eventFilter(QObject *watched, QEvent *event)
{
    // Only the frame itself answers a click; its labels and picture do not.
    if (watched == m_frame && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint position = mouse->position().toPoint();
        if (mouse->button() == Qt::LeftButton && m_frame->rect().contains(position)
            && !m_frame->childAt(position))
            finish();
    }
    return QWidget::eventFilter(watched, event);
}

void SplashScreen::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer->stop();
    Q_EMIT finished();
}
