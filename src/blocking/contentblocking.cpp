#include "blocking/contentblocking.h"

#include "blocking/filterlistfetcher.h"
#include "blocking/filterlists.h"
#include "blocking/hidingscript.h"
#include "blocking/matcher/filterengine.h"
#include "blocking/matcher/neverblocked.h"
#include "blocking/pageblocker.h"
#include "core/appcontext.h"
#include "core/contentblockingstate.h"
#include "engine/navigationgate.h"
#include "settings/datadir.h"
#include "settings/listfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <algorithm>

namespace {

constexpr char TableScriptName[] = "wavecrest-hiding-table";
// Page loads never wait longer than this for the lists.
constexpr int GateTimeoutMs = 15000;
// After the first page from the web, before stale lists are fetched.
constexpr int FetchDelayMs = 10000;
constexpr int UpdateCheckMs = 60 * 60 * 1000;
// A failed fetch is tried again after this.
constexpr qint64 RetrySeconds = 60 * 60;

QStringList lines(const QString &setting)
{
    return setting.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

ContentBlocking::ContentBlocking(AppContext &context, QWebEngineProfile *profile, QObject *parent)
    : QObject(parent), m_context(context), m_profile(profile),
      m_loader(new FilterEngineLoader(
          QDir(listFolder()).filePath(QStringLiteral("compiled.bin")), this)),
      m_fetcher(new FilterListFetcher(this)), m_updateTimer(new QTimer(this))
{
    connect(m_loader, &FilterEngineLoader::loaded, this, &ContentBlocking::listsRead);
    connect(m_fetcher, &FilterListFetcher::fetched, this, &ContentBlocking::listFetched);
    connect(m_updateTimer, &QTimer::timeout, this, &ContentBlocking::checkForUpdates);
    ContentBlockingState &blocking = state();
    connect(&blocking, &ContentBlockingState::enabledChanged, this, &ContentBlocking::setEnabled);
    connect(&blocking, &ContentBlockingState::filterListsChanged, this, [this] {
        readLists();
        m_lastAttempt.clear();
    });
    connect(
        &blocking, &ContentBlockingState::siteBlockingChanged, this, &ContentBlocking::saveSites);
}

ContentBlocking::~ContentBlocking()
{
    // The pages may outlive this; they must not block with a matcher that
    // is gone.
    for (const QPointer<PageBlocker> &page : std::as_const(m_pages)) {
        if (page)
            page->setActive(false);
    }
}

ContentBlockingState &ContentBlocking::state()
{
    return m_context.contentBlocking();
}

const FilterEngine *ContentBlocking::engine() const
{
    return m_context.contentBlocking().isEnabled() ? m_engine.get() : nullptr;
}

QString ContentBlocking::listFolder() const
{
    return m_context.dataFile(QString::fromUtf16(DataFiles::FilterListFolder));
}

void ContentBlocking::start()
{
    ContentBlockingState &blocking = state();
    blocking.setEnabled(m_context.setting(SettingsKey::ContentBlocking) != QLatin1String("0"));
    blocking.setFilterLists(lines(m_context.setting(SettingsKey::FilterLists)));
    QStringList sites;
    LoadList(&sites, m_context.dataFile(QString::fromUtf16(DataFiles::SitesWithoutBlocking)));
    sites.removeAll(QString());
    blocking.setSitesWithoutBlocking(QSet<QString>(sites.begin(), sites.end()));
    if (!blocking.isEnabled())
        return;
    // Pages wait for the rules only where there are some to read; the first
    // start, before any list was fetched, has none.
    const QList<FilterListFile> files = listFiles();
    if (std::any_of(files.cbegin(), files.cend(),
            [](const FilterListFile &file) { return QFileInfo::exists(file.path); })) {
        NavigationGate::instance().close();
        QTimer::singleShot(GateTimeoutMs, this, [] { NavigationGate::instance().open(); });
    }
    readLists();
}

QList<FilterListFile> ContentBlocking::listFiles() const
{
    QList<FilterListFile> files;
    const QDir folder(listFolder());
    for (const QUrl &address :
        FilterLists::addresses(m_context.contentBlocking().filterLists().join(QLatin1Char(' ')))) {
        files.append({address,
            address.isLocalFile() ? address.toLocalFile()
                                  : folder.filePath(FilterLists::cacheFileName(address))});
    }
    return files;
}

void ContentBlocking::readLists()
{
    m_loader->load(listFiles());
}

void ContentBlocking::listsRead(const FilterLoadResult &result)
{
    m_engine = result.engine;
    m_staleAt.clear();
    for (const auto &[address, staleAt] : result.staleAt)
        m_staleAt.insert(address, staleAt);
    state().setListSummary(result.summary);
    updateTableScript();
    NavigationGate::instance().open();
    if (m_webUsed)
        checkForUpdates();
    Q_EMIT listsLoaded();
}

void ContentBlocking::attach(const BrowserEngine *engine, QWebEnginePage *page)
{
    auto *blocker = new PageBlocker(*this, engine, page);
    m_pages.append(blocker);
    blocker->setActive(state().isEnabled());
    connect(blocker, &QObject::destroyed, this, [this, engine] {
        m_pages.removeAll(nullptr);
        state().forgetEngine(engine);
    });
}

void ContentBlocking::setEnabled(bool enabled)
{
    for (const QPointer<PageBlocker> &page : std::as_const(m_pages)) {
        if (page)
            page->setActive(enabled);
    }
    updateTableScript();
    if (enabled && !m_engine && !m_loader->isLoading())
        readLists();
}

void ContentBlocking::updateTableScript()
{
    QWebEngineScriptCollection *scripts = m_profile->scripts();
    for (const QWebEngineScript &old : scripts->find(QLatin1String(TableScriptName)))
        scripts->remove(old);
    // Without a hiding rule there is nothing for it to do in any frame.
    const FilterEngine *current = engine();
    if (!current || current->hiding().ruleCount() == 0)
        return;
    QWebEngineScript script;
    script.setName(QLatin1String(TableScriptName));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(HidingScript::tableScript(current->hiding()));
    scripts->insert(script);
}

void ContentBlocking::noteWebPage(const QUrl &url)
{
    if (m_webUsed
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))
        || isLocalHost(url.host().toLower().toStdString()))
        return;
    m_webUsed = true;
    QTimer::singleShot(FetchDelayMs, this, &ContentBlocking::checkForUpdates);
    m_updateTimer->start(UpdateCheckMs);
}

void ContentBlocking::checkForUpdates()
{
    if (!state().isEnabled() || m_loader->isLoading())
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const FilterListFile &list : listFiles()) {
        if (list.address.isLocalFile())
            continue;
        const QDateTime staleAt = m_staleAt.value(list.address);
        const QDateTime tried = m_lastAttempt.value(list.address);
        const bool due = staleAt.isNull() || staleAt <= now;
        if (!due || (tried.isValid() && tried.secsTo(now) < RetrySeconds))
            continue;
        m_lastAttempt.insert(list.address, now);
        m_fetcher->fetch(list.address);
    }
}

void ContentBlocking::listFetched(const QUrl &address, bool ok, const QByteArray &bytes)
{
    if (!ok)
        return;
    const QString path = QDir(listFolder()).filePath(FilterLists::cacheFileName(address));
    m_loader->load(listFiles(), {{path, bytes}});
}

void ContentBlocking::saveSites() const
{
    QStringList sites = m_context.contentBlocking().sitesWithoutBlocking().values();
    sites.sort();
    SaveList(sites, m_context.dataFile(QString::fromUtf16(DataFiles::SitesWithoutBlocking)));
}
