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
        // Only an empty read leaves open whether the file is there at all.
        QByteArray content = ReadTextFile(fileName);
        if (!content.isEmpty() || FileExists(fileName))
            return fileAnswer(fileName, std::move(content), request.wantsHttpHeaders);
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
    const QString &fileName, QByteArray content, bool withHeaders) const
{
    content = ReplaceText(content, "$ip", m_localAddress);
    if (!withHeaders)
        return content + lineBreak;
    return withStatus("200 OK", contentType(fileName, content), content, lineBreak);
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
