#include "browser/blockingbutton.h"

#include "core/contentblockingstate.h"
#include "engine/browserengine.h"

#include <QMenu>
#include <QUrl>

BlockingButton::BlockingButton(ContentBlockingState &state, BrowserEngine *engine, QWidget *parent)
    : QToolButton(parent), m_state(state), m_engine(engine)
{
    setObjectName(QStringLiteral("cmdContentBlocking"));
    setAccessibleName(tr("Content blocking"));
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    setFocusPolicy(Qt::StrongFocus);
    auto *menu = new QMenu(this);
    m_siteAction = menu->addAction(tr("&Block Ads and Trackers on This Site"));
    m_siteAction->setObjectName(QStringLiteral("mnuBlockingOnSite"));
    m_siteAction->setCheckable(true);
    m_summaryAction = menu->addAction(QString());
    m_summaryAction->setEnabled(false);
    setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &BlockingButton::prepareMenu);
    connect(m_siteAction, &QAction::triggered, this, &BlockingButton::setSiteBlocking);
    connect(&m_state, &ContentBlockingState::blockedCountChanged, this,
        [this](const BrowserEngine *engine) {
            if (engine == m_engine)
                showCount();
        });
    connect(&m_state, &ContentBlockingState::enabledChanged, this, &BlockingButton::showCount);
    connect(&m_state, &ContentBlockingState::siteBlockingChanged, this, &BlockingButton::showCount);
    connect(m_engine, &BrowserEngine::NavigateComplete2, this, &BlockingButton::showCount);
    showCount();
}

QString BlockingButton::siteHost() const
{
    const QUrl url(m_engine->LocationURL());
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")
        ? url.host()
        : QString();
}

void BlockingButton::showCount()
{
    setVisible(m_state.isEnabled());
    const QString host = siteHost();
    if (!host.isEmpty() && !m_state.isBlockingOnFor(host)) {
        setText(tr("Not blocking"));
        setToolTip(tr("Ads and trackers are not blocked on %1").arg(host));
        return;
    }
    const int count = m_state.blockedCount(m_engine);
    setText(tr("%1 blocked").arg(count));
    setToolTip(tr("Requests blocked on this page: %1").arg(count));
}

void BlockingButton::prepareMenu()
{
    const QString host = siteHost();
    m_siteAction->setEnabled(!host.isEmpty());
    m_siteAction->setChecked(host.isEmpty() || m_state.isBlockingOnFor(host));
    const QString summary = m_state.listSummary();
    m_summaryAction->setText(summary.isEmpty() ? tr("The filter lists are not read yet") : summary);
}

void BlockingButton::setSiteBlocking(bool on)
{
    const QString host = siteHost();
    if (host.isEmpty())
        return;
    m_state.setBlockingOnFor(host, on);
    // The page shows what it loaded; again, it shows the change.
    m_engine->Refresh();
}
