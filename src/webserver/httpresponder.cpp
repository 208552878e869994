#include "webserver/httpresponder.h"

#include "webserver/generatedpages.h"
#include "webserver/httphead.h"
#include "webserver/httprequest.h"
#include "webserver/preparedpages.h"

#include <QFile>

namespace {

const QByteArray lineBreak = QByteArrayLiteral("\r\n");

FileAnswer::Form formOf(const HttpRequest &request)
{
    if (!request.versioned)
        return FileAnswer::Form::Bare;
    return request.kind == HttpRequest::Kind::Head ? FileAnswer::Form::HttpHeadOnly
                                                   : FileAnswer::Form::Http;
}

QByteArray withHead(
    const HttpRequest &request, QByteArrayView status, QByteArrayView type, const QByteArray &body)
{
    const QByteArray head = httpHead(status, type, body.size());
    return request.kind == HttpRequest::Kind::Head ? head : head + body;
}

HttpAnswer preparedAnswer(PreparedPages::Page &page, const HttpRequest &request)
{
    if (!request.versioned)
        return {page.withAddress + lineBreak, nullptr};
    const QByteArray &body = page.isText ? page.withAddress : page.content;
    if (request.kind == HttpRequest::Kind::Head)
        return {withHead(request, "200 OK", page.contentType, body), nullptr};
    const QByteArray date = httpDate();
    if (page.httpAnswerDate != date) {
        page.httpAnswer = withHead(request, "200 OK", page.contentType, body);
        page.httpAnswerDate = date;
    }
    return {page.httpAnswer, nullptr};
}

} // namespace

HttpResponder::HttpResponder(const QString &dataDirectory, const QByteArray &localAddress)
    : m_files(dataDirectory), m_localAddress(localAddress), m_notFoundPage(BuildNotFoundPage()),
      m_prepared(std::make_shared<PreparedPages>(localAddress))
{ }

HttpResponder::~HttpResponder() = default;

HttpAnswer HttpResponder::answer(const HttpRequest &request)
{
    const QByteArray path = request.path == "/" ? QByteArray(IndexPage) : request.path;
    const std::optional<ServedFile> file = m_files.resolve(path);
    if (!file)
        return notFoundAnswer(path, request);
    if (PreparedPages::Page *page = m_prepared->find(*file))
        return preparedAnswer(*page, request);
    std::unique_ptr<QFile> opened = ServedFiles::open(*file);
    if (!opened) {
        // A file that exists but cannot be read is answered with what could
        // be read of it: nothing.
        return {request.versioned ? statusAnswer("500 Internal Server Error") : lineBreak, nullptr};
    }
    FileAnswer::Keep keep;
    if (file->stampIsReliable && file->stamp.size <= FileAnswer::FirstChunkSize) {
        keep = [pages = std::weak_ptr<PreparedPages>(m_prepared), file = *file](
                   const QByteArray &content, const QByteArray &type, bool isText) {
            if (const auto kept = pages.lock())
                kept->keep(file, content, type, isText);
        };
    }
    return {QByteArray(),
        std::make_unique<FileAnswer>(
            std::move(opened), file->fileName, formOf(request), m_localAddress, std::move(keep))};
}

QByteArray HttpResponder::statusAnswer(QByteArrayView status)
{
    return httpHead(status, {}, 0);
}

int HttpResponder::keptPages() const
{
    return m_prepared->count();
}

HttpAnswer HttpResponder::notFoundAnswer(const QByteArray &path, const HttpRequest &request) const
{
    QByteArray body;
    if (path == IndexPage)
        body = missingIndexText() + lineBreak;
    body += m_notFoundPage + lineBreak;
    if (!request.versioned)
        return {body, nullptr};
    return {withHead(request, "404 Not Found", "text/html", body), nullptr};
}
