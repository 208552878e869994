#include "browser/browserstatusbar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

BrowserStatusBar::BrowserStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panels[i]->setContentsMargins(4, 0, 4, 0);
        addPermanentWidget(m_panels[i], i == 0 ? 1 : 0);
    }
    m_panels[1]->setMinimumWidth(110);
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &BrowserStatusBar::updateClock);
    clock->start(1000);
    updateClock();
}

QString BrowserStatusBar::panelText(int panel) const
{
    return panel >= 1 && panel <= 4 ? m_panels[panel - 1]->text() : QString();
}

void BrowserStatusBar::setPanelText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 4)
        m_panels[panel - 1]->setText(text);
}

void BrowserStatusBar::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_panels[2]->setText(locale.toString(now.time(), QLocale::ShortFormat));
    m_panels[3]->setText(locale.toString(now.date(), QLocale::ShortFormat));
}
