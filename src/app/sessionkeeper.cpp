#include "app/sessionkeeper.h"

#include "app/reopenbar.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "settings/datadir.h"

SessionKeeper::SessionKeeper(AppContext &context, QObject *parent)
    : QObject(parent), m_context(context),
      m_file(context.dataFile(QString::fromUtf16(DataFiles::Session)))
{ }

void SessionKeeper::start(BrowserWindow *mainWindow)
{
    m_main = mainWindow;
    m_offer = ReopenOffer(m_file.read());
    connect(mainWindow, &BrowserWindow::pageAddressChanged, this, &SessionKeeper::windowsChanged);
    const QStringList offered = m_offer.offered();
    if (offered.isEmpty())
        return;
    auto *bar = new ReopenBar(offered);
    connect(bar, &ReopenBar::reopenChosen, this, &SessionKeeper::reopen);
    connect(bar, &ReopenBar::dismissed, this, &SessionKeeper::dismiss);
    mainWindow->addPageBar(bar);
}

void SessionKeeper::watch(BrowserWindow *secondaryWindow)
{
    m_secondary = secondaryWindow;
    connect(
        secondaryWindow, &BrowserWindow::pageAddressChanged, this, &SessionKeeper::windowsChanged);
    // What is left of the window when it tells of its end is no window.
    connect(secondaryWindow, &QObject::destroyed, this, [this](QObject *gone) {
        if (!m_secondary || m_secondary.data() == gone) {
            m_secondary = nullptr;
            windowsChanged();
        }
    });
}

void SessionKeeper::end()
{
    m_ended = true;
    m_file.remove();
}

void SessionKeeper::windowsChanged()
{
    QStringList addresses = {m_main ? m_main->pageAddress() : QString()};
    if (m_secondary)
        addresses.append(m_secondary->pageAddress());
    write(m_offer.windowsShow(addresses));
}

void SessionKeeper::reopen()
{
    const QStringList pages = m_offer.offered();
    write(m_offer.answer(true));
    if (m_main && !pages.value(0).isEmpty())
        m_main->navigate(pages.value(0));
    if (!pages.value(1).isEmpty()) {
        auto *secondary = qobject_cast<BrowserWindow *>(
            m_context.windows().open(QLatin1String(WindowNames::Secondary)));
        if (secondary)
            secondary->navigate(pages.value(1));
    }
}

void SessionKeeper::dismiss()
{
    write(m_offer.answer(false));
}

void SessionKeeper::write(const std::optional<QStringList> &addresses)
{
    if (addresses && !m_ended)
        m_file.save(*addresses);
}
