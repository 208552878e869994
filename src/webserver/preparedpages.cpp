#include "webserver/preparedpages.h"

#include "webserver/generatedpages.h"

#include <QDateTime>
#include <QFile>

namespace {

// What a page takes, its bookkeeping included: many small files must not add
// up unseen.
qsizetype memoryTaken(const QString &fileName, const PreparedPages::Page &page)
{
    const bool shared = page.withAddress.constData() == page.content.constData();
    // The heads are made on first use; they are counted from the start.
    const qsizetype heads = 2 * 384;
    return 384 + fileName.size() * 2 + page.content.size() + (shared ? 0 : page.withAddress.size())
        + heads;
}

} // namespace

PreparedPages::Page *PreparedPages::find(const ServedFile &file)
{
    const auto page = m_pages.find(file.fileName);
    if (page == m_pages.end())
        return nullptr;
    if (file.stampIsReliable && page->stamp == file.stamp)
        return &*page;
    forget(page);
    return nullptr;
}

void PreparedPages::forget(QHash<QString, Page>::iterator page)
{
    m_bytes -= memoryTaken(page.key(), *page);
    m_openFiles -= page->file ? 1 : 0;
    m_pages.erase(page);
}

void PreparedPages::keep(
    const ServedFile &file, const QByteArray &content, const QByteArray &contentType, bool isText)
{
    const qint64 settled
        = (QDateTime::currentMSecsSinceEpoch() - SettleSeconds * 1000) * 1000 * 1000;
    if (!file.stampIsReliable || content.size() != file.stamp.size || file.stamp.modified >= settled
        || file.stamp.changed >= settled)
        return;
    Page page{file.stamp, content, ReplaceText(content, "$ip", m_localAddress), contentType, isText,
        validatorsOf(file.stamp, m_localAddress), {}, {}};
    const qsizetype taken = memoryTaken(file.fileName, page);
    if (taken > MaxBytes / 16)
        return;
    if (const auto old = m_pages.find(file.fileName); old != m_pages.end())
        forget(old);
    if (m_bytes + taken > MaxBytes) {
        m_pages.clear();
        m_bytes = 0;
        m_openFiles = 0;
    }
    // The file still is what was read: the page's stamp says so.
    if (content.size() >= SentFromFileFrom && page.body().constData() == content.constData()
        && m_openFiles < MaxOpenFiles) {
        page.file = ServedFiles::open(file);
        m_openFiles += page.file ? 1 : 0;
    }
    m_bytes += taken;
    m_pages.insert(file.fileName, page);
}
