#include "webserver/httpresponder.h"

#include "settings/datadir.h"
#include "webserver/generatedpages.h"
#include "webserver/httprequest.h"

#include <QFile>
#include <QMimeType>

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

QByteArray withStatus(const char *status, const QByteArray &contentType, const QByteArray &body)
{
    QByteArray head = QByteArray("HTTP/1.0 ") + status + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    return head + body;
}

} // namespace

HttpResponder::HttpResponder(const QString &dataDirectory, const QByteArray &localAddress)
    : m_dataDirectory(dataDirectory), m_localAddress(localAddress),
      m_notFoundPage(BuildNotFoundPage())
{ }

QByteArray HttpResponder::answer(const HttpRequest &request) const
{
    const QByteArray path = request.path == "/" ? QByteArray(IndexPage) : request.path;
    if (isServable(path)) {
        // "/" characters in the path act as directory separators; the path is
        // joined to the directory as it came.
        const QString fileName = m_dataDirectory + u'/' + QFile::decodeName(path);
        if (FileExists(fileName))
            return fileAnswer(fileName, path, request.wantsHttpHeaders);
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

QByteArray HttpResponder::fileAnswer(
    const QString &fileName, const QByteArray &path, bool withHeaders) const
{
    const QByteArray body = ReplaceText(ReadTextFile(fileName), "$ip", m_localAddress) + lineBreak;
    if (!withHeaders)
        return body;
    const QMimeType type = m_mimeTypes.mimeTypeForFileNameAndData(QFile::decodeName(path), body);
    return withStatus("200 OK", type.name().toLatin1(), body);
}

QByteArray HttpResponder::notFoundAnswer(const QByteArray &path, bool withHeaders) const
{
    QByteArray body;
    if (path == IndexPage)
        body = missingIndexText() + lineBreak;
    body += m_notFoundPage + lineBreak;
    return withHeaders ? withStatus("404 Not Found", "text/html", body) : body;
}
