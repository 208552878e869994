#include "webserver/fileanswer.h"

#include "webserver/httphead.h"

#include <QFile>
#include <QMimeDatabase>

namespace {

const QByteArray lineBreak = QByteArrayLiteral("\r\n");
constexpr qsizetype SniffedBytes = 16 * 1024;

// The name decides; the bytes are examined only when it says nothing.
QMimeType contentTypeOf(const QString &fileName, const QByteArray &firstChunk)
{
    const QMimeDatabase types;
    const QMimeType byName = types.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (!byName.isDefault())
        return byName;
    // The signatures of file types sit at their start.
    return types.mimeTypeForData(QByteArray::fromRawData(
        firstChunk.constData(), qMin<qsizetype>(firstChunk.size(), SniffedBytes)));
}

bool isText(const QMimeType &type)
{
    return type.name().startsWith(QLatin1String("text/"))
        || type.inherits(QStringLiteral("text/html"))
        || type.name() == QLatin1String("application/xhtml+xml");
}

} // namespace

FileAnswer::FileAnswer(std::unique_ptr<QFile> file, const QString &fileName, Form form,
    const QByteArray &localAddress, Keep keep)
    : m_file(std::move(file)), m_fileName(fileName), m_form(form), m_localAddress(localAddress),
      m_keep(std::move(keep))
{ }

FileAnswer::~FileAnswer() = default;

bool FileAnswer::next(QByteArray *piece)
{
    piece->clear();
    if (m_done)
        return true;
    if (!m_started)
        return start(piece);
    QByteArray chunk;
    bool ended = false;
    if (!readChunk(&chunk, ChunkSize, &ended))
        return false;
    *piece = body(chunk, ended);
    return true;
}

bool FileAnswer::start(QByteArray *piece)
{
    m_started = true;
    // Asked once: the length the head announces is the length then sent.
    const qint64 size = m_form == Form::Bare ? -1 : m_file->size();
    m_remaining = size;
    QByteArray chunk;
    bool ended = false;
    if (!readChunk(&chunk, FirstChunkSize, &ended))
        return false;
    const QMimeType type = contentTypeOf(m_fileName, chunk);
    const QByteArray typeName = type.name().toLatin1();
    const bool text = isText(type);
    if (ended && m_keep)
        m_keep(chunk, typeName, text);
    if (m_form == Form::Bare || text)
        m_replacer.emplace("$ip", m_localAddress);
    if (m_form == Form::Bare) {
        *piece = body(chunk, ended);
        return true;
    }
    // Text with "$ip" replaced has a known length only once it has all been
    // read; anything else is as long as the file.
    if (text)
        m_remaining = -1;
    QByteArray sent = body(chunk, ended);
    const qint64 length = text ? (ended ? sent.size() : -1) : size;
    *piece = httpHead("200 OK", typeName, length);
    if (m_form == Form::HttpHeadOnly)
        m_done = true;
    else
        *piece += sent;
    return true;
}

bool FileAnswer::readChunk(QByteArray *chunk, qint64 size, bool *ended)
{
    const qint64 wanted = m_remaining >= 0 ? qMin(size, m_remaining) : size;
    chunk->resize(wanted);
    const qint64 read = wanted > 0 ? m_file->read(chunk->data(), wanted) : 0;
    if (read < 0)
        return false;
    chunk->truncate(read);
    if (m_remaining >= 0) {
        // Fewer bytes than the length given in the head: the file has shrunk
        // since, and the client must see the answer cut short.
        if (read < wanted)
            return false;
        m_remaining -= read;
        *ended = m_remaining == 0;
    } else {
        // An ordinary file reads short only at its end.
        *ended = read < wanted;
    }
    return true;
}

QByteArray FileAnswer::body(const QByteArray &chunk, bool ended)
{
    QByteArray piece = m_replacer ? m_replacer->feed(chunk) : chunk;
    if (ended) {
        if (m_replacer)
            piece += m_replacer->finish();
        if (m_form == Form::Bare)
            piece += lineBreak;
        m_done = true;
    }
    return piece;
}
