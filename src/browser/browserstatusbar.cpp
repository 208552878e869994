#include "browser/browserstatusbar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace {

QLabel *panel(QStatusBar *bar, const char *name, int stretch)
{
    auto *label = new QLabel(bar);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    bar->addPermanentWidget(label, stretch);
    return label;
}

} // namespace

BrowserStatusBar::BrowserStatusBar(QWidget *parent)
    : QStatusBar(parent), m_status(panel(this, "Panel1", 1)), m_progress(panel(this, "Panel2", 0)),
      m_time(panel(this, "Panel3", 0)), m_date(panel(this, "Panel4", 0))
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    m_progress->setMinimumWidth(110);
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &BrowserStatusBar::updateClock);
    clock->start(1000);
    updateClock();
}

QString BrowserStatusBar::statusText() const
{
    return m_status->text();
}

void BrowserStatusBar::setStatusText(const QString &text)
{
    m_status->setText(text);
}

QString BrowserStatusBar::progressText() const
{
    return m_progress->text();
}

void BrowserStatusBar::setProgressText(const QString &text)
{
    m_progress->setText(text);
}

QString BrowserStatusBar::timeText() const
{
    return m_time->text();
}

QString BrowserStatusBar::dateText() const
{
    return m_date->text();
}

void BrowserStatusBar::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_time->setText(locale.toString(now.time(), QLocale::ShortFormat));
    m_date->setText(locale.toString(now.date(), QLocale::ShortFormat));
}
