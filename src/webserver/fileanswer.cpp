#include "webserver/fileanswer.h"

#include "webserver/httphead.h"

#include <QFile>

namespace {

const QByteArray lineBreak = QByteArrayLiteral("\r\n");

// One piece of a chunked body; an empty piece would end the body.
QByteArray chunk(const QByteArray &piece)
{
    if (piece.isEmpty())
        return piece;
    return QByteArray::number(piece.size(), 16) + lineBreak + piece + lineBreak;
}

} // namespace

FileAnswer::FileAnswer(
    std::unique_ptr<QFile> file, Form form, Head head, const QByteArray &localAddress, Keep keep)
    : m_file(std::move(file)), m_form(form), m_head(std::move(head)), m_keep(std::move(keep)),
      m_replacer("$ip", localAddress)
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
    QByteArray chunk;
    bool ended = false;
    if (!readChunk(&chunk, FirstChunkSize, &ended))
        return false;
    if (ended && m_keep)
        m_keep(chunk);
    if (m_form == Form::Bare) {
        *piece = body(chunk, ended);
        return true;
    }
    m_chunked = !ended && !m_head.close;
    QByteArray sent = body(chunk, ended);
    *piece = httpHead({.status = "200 OK",
        .contentType = m_head.contentType,
        .contentLength = ended ? sent.size() : -1,
        .chunked = m_chunked,
        .validators = &m_head.validators,
        .close = m_head.close});
    if (m_form == Form::HttpHeadOnly)
        m_done = true;
    else
        *piece += sent;
    return true;
}

bool FileAnswer::readChunk(QByteArray *chunk, qint64 size, bool *ended)
{
    chunk->resize(size);
    const qint64 read = m_file->read(chunk->data(), size);
    if (read < 0)
        return false;
    chunk->truncate(read);
    // An ordinary file reads short only at its end.
    *ended = read < size;
    return true;
}

QByteArray FileAnswer::body(const QByteArray &chunk, bool ended)
{
    QByteArray piece = m_replacer.feed(chunk);
    if (ended) {
        piece += m_replacer.finish();
        if (m_form == Form::Bare)
            piece += lineBreak;
        m_done = true;
    }
    if (!m_chunked)
        return piece;
    return ended ? ::chunk(piece) + "0\r\n\r\n" : ::chunk(piece);
}
