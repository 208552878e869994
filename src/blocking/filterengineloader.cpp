#include "blocking/filterengineloader.h"

#include "blocking/filterlists.h"
#include "blocking/matcher/filterengine.h"
#include "settings/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>

namespace {

// No list comes near these; a bigger file is no list of ours.
constexpr qint64 MaxListBytes = 64 * 1024 * 1024;
constexpr qint64 MaxCompiledBytes = 256 * 1024 * 1024;

QByteArray readBounded(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > limit)
        return {};
    return file.readAll();
}

// What the compiled form was made from: each list's address and its file's
// size and time. A list changed in any way gives another fingerprint.
std::string fingerprint(const QList<FilterListFile> &lists)
{
    QByteArray text;
    for (const FilterListFile &list : lists) {
        const QFileInfo info(list.path);
        text += list.address.toEncoded() + '\n';
        text += info.exists() ? QByteArray::number(info.size()) + ' '
                + QByteArray::number(info.lastModified().toMSecsSinceEpoch())
                              : QByteArray("missing");
        text += '\n';
    }
    return text.toStdString();
}

QString summaryOf(const FilterEngine &engine)
{
    const QLocale locale;
    const FilterListStats &stats = engine.stats();
    return FilterEngineLoader::tr("%1 rules in use, %2 lines set aside")
        .arg(locale.toString(qulonglong(stats.networkRules + stats.hidingRules)),
            locale.toString(qulonglong(stats.ignoredTotal())));
}

} // namespace

FilterEngineLoader::FilterEngineLoader(const QString &compiledPath, QObject *parent)
    : QObject(parent), m_compiledPath(compiledPath)
{
    m_pool.setMaxThreadCount(1);
}

FilterEngineLoader::~FilterEngineLoader()
{
    m_pool.waitForDone();
}

void FilterEngineLoader::load(
    const QList<FilterListFile> &lists, const QList<QPair<QString, QByteArray>> &copiesToWrite)
{
    // Copies waiting to be written are kept, even when a newer load replaces
    // the one they came with.
    m_next.writes += copiesToWrite;
    m_next.lists = lists;
    m_hasNext = true;
    if (!m_running)
        startNext();
}

void FilterEngineLoader::startNext()
{
    m_running = true;
    m_hasNext = false;
    const Job job = std::exchange(m_next, Job());
    const QString compiledPath = m_compiledPath;
    const QPointer<FilterEngineLoader> self(this);
    m_pool.start([job, compiledPath, self] {
        FilterLoadResult result = run(job, compiledPath);
        // The loader waits for this in its destructor, so it is still there.
        QMetaObject::invokeMethod(
            self.data(),
            [self, result] {
                if (!self)
                    return;
                self->m_running = false;
                Q_EMIT self->loaded(result);
                if (self && self->m_hasNext && !self->m_running)
                    self->startNext();
            },
            Qt::QueuedConnection);
    });
}

FilterLoadResult FilterEngineLoader::run(const Job &job, const QString &compiledPath)
{
    for (const auto &[path, bytes] : job.writes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeFileAtomically(path, bytes);
    }
    FilterLoadResult result;
    for (const FilterListFile &list : job.lists) {
        const QFileInfo info(list.path);
        QDateTime staleAt;
        if (info.exists()) {
            QFile file(list.path);
            const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
            staleAt = info.lastModified().addSecs(FilterLists::lifetimeSeconds(head));
        }
        result.staleAt.append({list.address, staleAt});
    }
    const std::string print = fingerprint(job.lists);
    // Mapped rather than read: the engine copies out what it keeps.
    QFile compiled(compiledPath);
    const uchar *mapped = compiled.open(QIODevice::ReadOnly) && compiled.size() > 0
            && compiled.size() <= MaxCompiledBytes
        ? compiled.map(0, compiled.size())
        : nullptr;
    std::optional<FilterEngine> engine = mapped
        ? FilterEngine::fromStoredForm(
            std::string_view(reinterpret_cast<const char *>(mapped), size_t(compiled.size())),
            print)
        : std::nullopt;
    compiled.close();
    if (!engine) {
        QList<QByteArray> texts;
        for (const FilterListFile &list : job.lists)
            texts << readBounded(list.path, MaxListBytes);
        std::vector<std::string_view> views;
        for (const QByteArray &text : std::as_const(texts))
            views.emplace_back(text.constData(), size_t(text.size()));
        engine = FilterEngine::fromLists(views);
        const std::string stored = engine->storedForm(print);
        QDir().mkpath(QFileInfo(compiledPath).absolutePath());
        writeFileAtomically(compiledPath, QByteArray::fromStdString(stored));
    }
    result.summary = summaryOf(*engine);
    result.engine = std::make_shared<const FilterEngine>(std::move(*engine));
    return result;
}
