#include "webserver/httpresponder.h"

#include "webserver/byteranges.h"
#include "webserver/generatedpages.h"
#include "webserver/httphead.h"
#include "webserver/httprequest.h"
#include "webserver/ownhostnames.h"
#include "webserver/preparedpages.h"

#include <QDateTime>
#include <QFile>
#include <QMimeDatabase>

#include <algorithm>

#include <unistd.h>

namespace {

const QByteArray lineBreak = QByteArrayLiteral("\r\n");
constexpr qsizetype SniffedBytes = 16 * 1024;

bool isText(const QMimeType &type)
{
    return type.name().startsWith(QLatin1String("text/"))
        || type.inherits(QStringLiteral("text/html"))
        || type.name() == QLatin1String("application/xhtml+xml");
}

// Control characters that text does not hold (tab, line breaks, form feed
// and escape it may).
bool holdsBinary(QByteArrayView bytes)
{
    return std::ranges::any_of(bytes, [](char c) {
        const auto byte = uchar(c);
        return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\v' && byte != '\f'
            && byte != '\r' && byte != 0x1b;
    });
}

// The name decides; the first bytes are read only when it says nothing, as
// the signatures of file types sit at their start. Some kinds of text are
// told by a single first character (a '%' for a script), which any other
// file may begin with: a file taken for text by its start must read as text
// too, or its bytes would be changed on their way.
QMimeType typeOf(const QString &fileName, QFile &file)
{
    const QMimeDatabase types;
    const QMimeType byName = types.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (!byName.isDefault())
        return byName;
    QByteArray start(SniffedBytes, Qt::Uninitialized);
    const ssize_t read = ::pread(file.handle(), start.data(), size_t(start.size()), 0);
    start.truncate(qMax<ssize_t>(read, 0));
    const QMimeType byContent = types.mimeTypeForData(start);
    return isText(byContent) && holdsBinary(start)
        ? types.mimeTypeForName(QStringLiteral("application/octet-stream"))
        : byContent;
}

QByteArray contentRange(const RangeSelection &range, qint64 size)
{
    const QByteArray total = '/' + QByteArray::number(size);
    if (range.kind == RangeSelection::Kind::Unsatisfiable)
        return "bytes *" + total;
    return "bytes " + QByteArray::number(range.first) + '-' + QByteArray::number(range.last)
        + total;
}

// The head of an answer with a file of this size and type, or a part of
// it, and what to log for it.
HttpAnswer fileHead(const RangeSelection &range, qint64 size, QByteArrayView type,
    const FileValidators &validators, bool acceptsRanges, bool close)
{
    HttpHead head{.status = "200 OK",
        .contentType = type,
        .contentLength = size,
        .validators = &validators,
        .acceptsRanges = acceptsRanges,
        .close = close};
    QByteArray rangeText;
    if (range.kind == RangeSelection::Kind::Part) {
        head.status = "206 Partial Content";
        head.contentLength = range.length();
        rangeText = contentRange(range, size);
    } else if (range.kind == RangeSelection::Kind::Unsatisfiable) {
        head.status = "416 Range Not Satisfiable";
        head.contentType = {};
        head.contentLength = 0;
        rangeText = contentRange(range, size);
    }
    head.contentRange = rangeText;
    HttpAnswer answer;
    answer.ready = httpHead(head);
    answer.close = close;
    answer.outcome = head.status.first(3).toByteArray();
    if (!rangeText.isEmpty())
        answer.outcome += ' ' + rangeText;
    return answer;
}

} // namespace

// A request as far as answering it goes.
struct HttpResponder::Reply {
    const HttpRequest &request;
    bool close;
    FileValidators validators;

    bool isHead() const { return request.kind == HttpRequest::Kind::Head; }

    // Which part of a file of this size the client asked for: a Range
    // counts for GET only, only alone, and only while If-Range holds.
    RangeSelection range(qint64 size) const
    {
        const RequestHeaders &headers = request.headers;
        if (isHead() || headers.rangeCount != 1
            || !rangeStillApplies(
                headers.conditions, validators, QDateTime::currentSecsSinceEpoch()))
            return {};
        return selectRange(headers.range, size);
    }
};

HttpResponder::HttpResponder(
    const QString &dataDirectory, const QByteArray &localAddress, const QStringList &privateFolders)
    : m_files(dataDirectory, privateFolders), m_localAddress(localAddress),
      m_ownNames(ownHostNames()), m_notFoundPage(BuildNotFoundPage()),
      m_prepared(std::make_shared<PreparedPages>(localAddress))
{ }

HttpResponder::~HttpResponder() = default;

HttpAnswer HttpResponder::answer(const HttpRequest &request, bool keepAlive)
{
    if (request.versioned) {
        const RequestHeaders &headers = request.headers;
        if (headers.malformed || headers.hostCount > 1)
            return {.ready = statusAnswer("400 Bad Request"), .outcome = "400"};
        // A page of another site must not read this machine's files, though
        // its name may have been pointed here.
        const QByteArray &host = request.targetHost.isEmpty() ? headers.host : request.targetHost;
        if (!isOwnHost(host, m_ownNames)) {
            return {.ready = statusAnswer("421 Misdirected Request"),
                .outcome = "421 " + host.left(255)};
        }
    }
    const QByteArray path = request.path == "/" ? QByteArray(IndexPage) : request.path;
    const std::optional<ServedFile> file = m_files.resolve(path);
    PreparedPages::Page *page = file ? m_prepared->find(*file) : nullptr;
    const Reply reply{request, !keepAlive || !request.versioned,
        page ? page->validators
             : (file ? validatorsOf(file->stamp, m_localAddress) : FileValidators())};
    if (!file)
        return notFoundAnswer(path, reply);
    if (request.versioned && isNotModified(request.headers.conditions, reply.validators)) {
        return {.ready = httpHead({.status = "304 Not Modified",
                    .validators = &reply.validators,
                    .close = reply.close}),
            .close = reply.close,
            .outcome = "304"};
    }
    if (page)
        return preparedAnswer(*page, reply);
    return fileAnswer(reply, *file);
}

HttpAnswer HttpResponder::preparedAnswer(PreparedPages::Page &page, const Reply &reply)
{
    if (!reply.request.versioned)
        return {.ready = page.withAddress + lineBreak, .outcome = "200"};
    const QByteArray &body = page.body();
    // Text whose "$ip" is replaced goes whole: its length is not the file's.
    const RangeSelection range = page.isText ? RangeSelection() : reply.range(body.size());
    HttpAnswer answer;
    if (range.kind == RangeSelection::Kind::Whole) {
        const QByteArray date = httpDate();
        if (page.headsDate != date) {
            for (const bool close : {false, true}) {
                page.heads[close] = fileHead(
                    range, body.size(), page.contentType, page.validators, !page.isText, close)
                                        .ready;
            }
            page.headsDate = date;
        }
        answer = {.ready = page.heads[reply.close], .close = reply.close, .outcome = "200"};
    } else {
        answer = fileHead(range, body.size(), page.contentType, page.validators, true, reply.close);
    }
    if (reply.isHead() || range.kind == RangeSelection::Kind::Unsatisfiable)
        return answer;
    const bool part = range.kind == RangeSelection::Kind::Part;
    const qsizetype from = part ? range.first : 0;
    const qsizetype length = part ? range.length() : body.size();
    // Copying a large page costs more than the system's sending it from its
    // file cache.
    if (page.file && length >= PreparedPages::SentFromFileFrom) {
        answer.file = page.file;
        answer.fileFrom = from;
        answer.fileLength = length;
        return answer;
    }
    answer.page = body;
    answer.pageFrom = from;
    answer.pageLength = length;
    return answer;
}

HttpAnswer HttpResponder::fileAnswer(const Reply &reply, const ServedFile &file)
{
    const bool versioned = reply.request.versioned;
    std::unique_ptr<QFile> opened = ServedFiles::open(file);
    if (!opened) {
        // A file that exists but cannot be read is answered with what could
        // be read of it: nothing.
        return {.ready = versioned ? statusAnswer("500 Internal Server Error") : lineBreak,
            .outcome = "500"};
    }
    const auto [typeName, text] = contentTypeOf(file, *opened);
    if (!versioned || text)
        return streamedAnswer(reply, file, std::move(opened), typeName, text);
    const qint64 size = file.stamp.size;
    const RangeSelection range = reply.range(size);
    HttpAnswer answer = fileHead(range, size, typeName, reply.validators, true, reply.close);
    if (reply.isHead() || range.kind == RangeSelection::Kind::Unsatisfiable)
        return answer;
    const bool part = range.kind == RangeSelection::Kind::Part;
    answer.file = std::move(opened);
    answer.fileFrom = part ? range.first : 0;
    answer.fileLength = part ? range.length() : size;
    return answer;
}

HttpResponder::ContentType HttpResponder::contentTypeOf(const ServedFile &file, QFile &opened)
{
    const auto known = m_knownTypes.constFind(file.fileName);
    if (known != m_knownTypes.cend() && known->stamp == file.stamp && file.stampIsReliable)
        return known->type;
    const QMimeType type = typeOf(file.fileName, opened);
    const ContentType found{type.name().toLatin1(), isText(type)};
    if (file.stampIsReliable) {
        // Rarely full: then those of a while ago go, all at once.
        if (m_knownTypes.size() >= KnownTypes)
            m_knownTypes.clear();
        m_knownTypes.insert(file.fileName, {file.stamp, found});
    }
    return found;
}

HttpAnswer HttpResponder::streamedAnswer(const Reply &reply, const ServedFile &file,
    std::unique_ptr<QFile> opened, const QByteArray &type, bool text)
{
    FileAnswer::Keep keep;
    if (file.stampIsReliable && file.stamp.size <= FileAnswer::FirstChunkSize) {
        keep = [pages = std::weak_ptr<PreparedPages>(m_prepared), file, type, text](
                   const QByteArray &content) {
            if (const auto kept = pages.lock())
                kept->keep(file, content, type, text);
        };
    }
    FileAnswer::Form form = FileAnswer::Form::Bare;
    if (reply.request.versioned)
        form = reply.isHead() ? FileAnswer::Form::HttpHeadOnly : FileAnswer::Form::Http;
    return {
        .stream = std::make_unique<FileAnswer>(std::move(opened), form,
            FileAnswer::Head{type, reply.validators, reply.close}, m_localAddress, std::move(keep)),
        .close = reply.close,
        .outcome = "200"};
}

QByteArray HttpResponder::statusAnswer(QByteArrayView status)
{
    return httpHead({.status = status, .contentLength = 0, .close = true});
}

int HttpResponder::keptPages() const
{
    return m_prepared->count();
}

HttpAnswer HttpResponder::notFoundAnswer(const QByteArray &path, const Reply &reply) const
{
    QByteArray body;
    if (path == IndexPage)
        body = missingIndexText() + lineBreak;
    body += m_notFoundPage + lineBreak;
    if (!reply.request.versioned)
        return {.ready = body, .outcome = "404"};
    QByteArray head = httpHead({.status = "404 Not Found",
        .contentType = "text/html",
        .contentLength = body.size(),
        .close = reply.close});
    return {.ready = reply.isHead() ? head : head + body, .close = reply.close, .outcome = "404"};
}
