#include "webserver/httpresponder.h"

#include "settings/datadir.h"
#include "webserver/generatedpages.h"
#include "webserver/httprequest.h"

#include <QDateTime>
#include <QFile>
#include <QMimeType>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QByteArray lineBreak = QByteArrayLiteral("\r\n");

bool hasParentSegment(QByteArrayView path)
{
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf('/', start);
        if (end < 0)
            end = path.size();
        if (path.sliced(start, end - start) == "..")
            return true;
        start = end + 1;
    }
    return false;
}

// Status line and headers, then the body and what follows it, assembled in
// one buffer: a page is copied once on its way to the socket.
QByteArray withStatus(const char *status, const QByteArray &contentType, QByteArrayView body,
    QByteArrayView trailer = {})
{
    QByteArray answer;
    answer.reserve(160 + body.size() + trailer.size());
    answer += "HTTP/1.0 ";
    answer += status;
    answer += "\r\n";
    if (!contentType.isEmpty()) {
        answer += "Content-Type: ";
        answer += contentType;
        answer += "\r\n";
    }
    answer += "Content-Length: ";
    answer += QByteArray::number(body.size() + trailer.size());
    answer += "\r\nConnection: close\r\n\r\n";
    answer += body;
    answer += trailer;
    return answer;
}

constexpr qint64 NanosecondsPerMillisecond = 1000 * 1000;

// What a prepared page takes, its bookkeeping included: many names of small
// files must not add up unseen.
qsizetype memoryTaken(const QByteArray &path, const QString &fileName, const QByteArray &answer)
{
    return 256 + path.size() + fileName.size() * 2 + answer.size();
}

#ifdef Q_OS_UNIX
qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000 * NanosecondsPerMillisecond + time.tv_nsec;
}
#endif

} // namespace

HttpResponder::HttpResponder(const QString &dataDirectory, const QByteArray &localAddress)
    : m_dataDirectory(dataDirectory), m_localAddress(localAddress),
      m_notFoundPage(BuildNotFoundPage())
{ }

QByteArray HttpResponder::answer(const HttpRequest &request) const
{
    const QByteArray path = request.path == "/" ? QByteArray(IndexPage) : request.path;
    // Reading and preparing a page every time costs more than the rest of a
    // request. A prepared page's path has passed every check before, and an
    // unchanged stamp shows it still names the same ordinary file with the
    // same content, so the page is sent as it was prepared then.
    const auto cached = m_preparedFiles.constFind(path);
    if (cached != m_preparedFiles.constEnd()) {
        if (stampOf(cached->fileName) == cached->stamp)
            return request.wantsHttpHeaders ? cached->answer : cached->body + lineBreak;
        m_preparedBytes -= memoryTaken(path, cached->fileName, cached->answer);
        m_preparedFiles.erase(cached);
    }
    if (isServable(path)) {
        // "/" characters in the path act as directory separators; the path is
        // joined to the directory as it came.
        const QString fileName = m_dataDirectory + u'/' + QFile::decodeName(path);
        if (FileExists(fileName))
            return fileAnswer(path, fileName, request.wantsHttpHeaders);
    }
    return notFoundAnswer(path, request.wantsHttpHeaders);
}

QByteArray HttpResponder::notImplementedAnswer()
{
    return withStatus("501 Not Implemented", QByteArray(), QByteArray());
}

bool HttpResponder::isServable(const QByteArray &path) const
{
    // Nothing may lead out of the data directory, and the files holding the
    // user's history, favourites and mail settings stay private.
    if (path.contains('\\') || path.contains('\0'))
        return false;
#ifdef Q_OS_WIN
    // Drive letters and alternate data streams.
    if (path.contains(':'))
        return false;
#endif
    return !hasParentSegment(path) && !isPrivateDataFile(QFile::decodeName(path));
}

std::optional<HttpResponder::FileStamp> HttpResponder::stampOf(const QString &fileName)
{
#ifdef Q_OS_UNIX
    // One stat call; QFileInfo's times go through the local time zone, which
    // costs more than the rest of a cached answer.
    struct stat status;
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0)
        return std::nullopt;
    // The change time moves with every write, rename, link and permission
    // change and cannot be set back, and the inode tells a file replaced by
    // another.
    return FileStamp{qint64(status.st_size), qint64(status.st_ino), nanoseconds(status.st_mtim),
        nanoseconds(status.st_ctim)};
#else
    // Elsewhere attributes that hide a file change no time: every request
    // reads its file.
    Q_UNUSED(fileName);
    return std::nullopt;
#endif
}

QByteArray HttpResponder::fileAnswer(
    const QByteArray &path, const QString &fileName, bool withHeaders) const
{
    const std::optional<FileStamp> stamp = stampOf(fileName);
    PreparedFile prepared{fileName, stamp.value_or(FileStamp()),
        ReplaceText(ReadTextFile(fileName), "$ip", m_localAddress), {}};
    prepared.answer
        = withStatus("200 OK", contentType(fileName, prepared.body), prepared.body, lineBreak);
    // File times have coarse steps: a file written again within the step of
    // its last change keeps its times, so only a file that has been left
    // alone for a while is known by them.
    const qint64 settled
        = (QDateTime::currentMSecsSinceEpoch() - SettleSeconds * 1000) * NanosecondsPerMillisecond;
    const qsizetype taken = memoryTaken(path, fileName, prepared.answer);
    if (stamp && stamp->modified < settled && stamp->changed < settled
        && taken <= MaxPreparedBytes / 16) {
        m_preparedBytes += taken;
        if (m_preparedBytes > MaxPreparedBytes) {
            m_preparedFiles.clear();
            m_preparedBytes = taken;
        }
        m_preparedFiles.insert(path, prepared);
    }
    return withHeaders ? prepared.answer : prepared.body + lineBreak;
}

QByteArray HttpResponder::contentType(const QString &fileName, const QByteArray &body) const
{
    // Looking a type up costs more than sending a small page, and only the
    // files of the data directory ever get here: remember each one's type.
    auto known = m_contentTypes.constFind(fileName);
    if (known != m_contentTypes.constEnd())
        return *known;
    // The name decides; the bytes are examined only when it says nothing.
    QMimeType type = m_mimeTypes.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (type.isDefault())
        type = m_mimeTypes.mimeTypeForData(body);
    const QByteArray name = type.name().toLatin1();
    if (!type.isDefault())
        m_contentTypes.insert(fileName, name);
    return name;
}

QByteArray HttpResponder::notFoundAnswer(const QByteArray &path, bool withHeaders) const
{
    QByteArray body;
    if (path == IndexPage)
        body = missingIndexText() + lineBreak;
    body += m_notFoundPage + lineBreak;
    return withHeaders ? withStatus("404 Not Found", "text/html", body) : body;
}
