#include "webserver/httprequest.h"

#include <algorithm>
#include <optional>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The characters of a method name (RFC 9110 "token").
bool isTokenCharacter(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (!isTokenCharacter(c))
            return false;
    }
    return true;
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QByteArray> percentDecoded(QByteArrayView text)
{
    QByteArray decoded;
    decoded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded += char(high * 16 + low);
        i += 2;
    }
    return decoded;
}

// The path of an origin-form ("/a/b?q") or absolute-form
// ("http://host/a/b?q") target, %-decoded and without its query; nothing
// when the target is neither or its escapes are broken. The host of an
// absolute-form target goes to *host.
std::optional<QByteArray> targetPath(QByteArrayView target, QByteArray *host)
{
    for (const char c : target) {
        // Controls and DEL never belong in a target; bytes above 127 are let
        // through for the clients that send names unescaped.
        if (uchar(c) < 0x21 || uchar(c) == 0x7F)
            return std::nullopt;
    }
    if (!target.startsWith('/')) {
        const qsizetype schemeEnd = target.indexOf("://");
        if (schemeEnd <= 0)
            return std::nullopt;
        const QByteArray scheme = target.first(schemeEnd).toByteArray().toLower();
        if (scheme != "http" && scheme != "https")
            return std::nullopt;
        const QByteArrayView rest = target.sliced(schemeEnd + 3);
        qsizetype pathStart = 0;
        while (pathStart < rest.size() && rest[pathStart] != '/' && rest[pathStart] != '?'
            && rest[pathStart] != '#')
            ++pathStart;
        if (pathStart == 0)
            return std::nullopt;
        const QByteArrayView authority = rest.first(pathStart);
        *host = authority.sliced(authority.lastIndexOf('@') + 1).toByteArray();
        target = rest.sliced(pathStart);
        if (!target.startsWith('/'))
            return QByteArray("/");
    }
    qsizetype end = 0;
    while (end < target.size() && target[end] != '?' && target[end] != '#')
        ++end;
    return percentDecoded(target.first(end));
}

HttpRequest versionedRequest(QByteArrayView line)
{
    HttpRequest request;
    request.versioned = true;
    request.kind = HttpRequest::Kind::BadRequest;
    const qsizetype firstSpace = line.indexOf(' ');
    const qsizetype lastSpace = line.lastIndexOf(' ');
    const QByteArrayView method = line.first(firstSpace);
    const QByteArrayView version = line.sliced(lastSpace + 1);
    if (firstSpace == lastSpace)
        return request;
    const QByteArrayView target = line.sliced(firstSpace + 1, lastSpace - firstSpace - 1);
    // HTTP-version is case-sensitive: "HTTP/" DIGIT "." DIGIT.
    if (version.size() != 8 || !version.startsWith("HTTP/") || !isDigit(version[5])
        || version[6] != '.' || !isDigit(version[7]))
        return request;
    if (!isToken(method) || target.isEmpty() || target.contains(' '))
        return request;
    if (version[5] != '1') {
        request.kind = HttpRequest::Kind::VersionNotSupported;
        return request;
    }
    if (method != "GET" && method != "HEAD") {
        request.kind = HttpRequest::Kind::NotImplemented;
        return request;
    }
    const std::optional<QByteArray> path = targetPath(target, &request.targetHost);
    if (!path)
        return request;
    request.minorVersion = version[7] - '0';
    request.kind = method == "GET" ? HttpRequest::Kind::Get : HttpRequest::Kind::Head;
    request.target = target.toByteArray();
    request.path = *path;
    return request;
}

HttpRequest versionlessRequest(QByteArrayView line)
{
    HttpRequest request;
    if (!line.startsWith("GET"))
        return request;
    // The path starts right after the first "GET " and runs to the next
    // space, looked for from the path's second character on. A line without
    // "GET " (such as "GETX /a") has its path start at its fourth character.
    const qsizetype getAt = line.indexOf("GET ");
    const qsizetype pathStart = getAt < 0 ? 3 : getAt + 4;
    const qsizetype pathEnd = line.indexOf(' ', pathStart + 1);
    // A line that ends with its path is the old bare form, "GET /page".
    request.path = (pathEnd < 0 ? line.sliced(qMin(pathStart, line.size()))
                                : line.sliced(pathStart, pathEnd - pathStart))
                       .toByteArray();
    request.target = request.path;
    // A GET that names no page is no request; the connection goes on waiting.
    if (!request.path.isEmpty())
        request.kind = HttpRequest::Kind::Get;
    return request;
}

// Calls `element` for each non-empty element of a comma-separated list.
template <typename Element> void forEachElement(QByteArrayView list, Element element)
{
    while (!list.isEmpty()) {
        const qsizetype comma = list.indexOf(',');
        const QByteArrayView item = trimmedFieldValue(comma < 0 ? list : list.first(comma));
        if (!item.isEmpty())
            element(item);
        list = comma < 0 ? QByteArrayView() : list.sliced(comma + 1);
    }
}

void appendToList(QByteArray *list, QByteArrayView value)
{
    if (!list->isEmpty())
        *list += ", ";
    *list += value;
}

void readContentLength(QByteArrayView value, RequestHeaders *headers)
{
    // A list of one and the same length is allowed; anything else would
    // leave the body's end in doubt.
    QByteArrayView length;
    bool valid = !value.isEmpty();
    forEachElement(value, [&](QByteArrayView item) {
        valid = valid && std::all_of(item.begin(), item.end(), isDigit)
            && (length.isEmpty() || item == length);
        length = item;
    });
    if (!valid || length.isEmpty()) {
        headers->malformed = true;
        return;
    }
    if (std::any_of(length.begin(), length.end(), [](char c) { return c != '0'; }))
        headers->hasBody = true;
}

} // namespace

QByteArrayView trimmedFieldValue(QByteArrayView text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

void readHeaderLine(QByteArrayView line, RequestHeaders *headers)
{
    const qsizetype colon = line.indexOf(':');
    // A folded line, no name, or blanks before the colon.
    if (colon <= 0 || !isToken(line.first(colon))) {
        headers->malformed = true;
        return;
    }
    const QByteArrayView name = line.first(colon);
    const QByteArrayView value = trimmedFieldValue(line.sliced(colon + 1));
    if (value.contains('\0') || value.contains('\r')) {
        headers->malformed = true;
        return;
    }
    const auto is
        = [name](const char *known) { return name.compare(known, Qt::CaseInsensitive) == 0; };
    if (is("Host")) {
        headers->host = value.toByteArray();
        ++headers->hostCount;
    } else if (is("Connection")) {
        forEachElement(value, [headers](QByteArrayView option) {
            if (option.compare("close", Qt::CaseInsensitive) == 0)
                headers->close = true;
            else if (option.compare("keep-alive", Qt::CaseInsensitive) == 0)
                headers->keepAlive = true;
        });
    } else if (is("Range")) {
        headers->range = value.toByteArray();
        ++headers->rangeCount;
    } else if (is("If-None-Match")) {
        appendToList(&headers->conditions.ifNoneMatch, value);
    } else if (is("If-Modified-Since")) {
        headers->conditions.ifModifiedSince = value.toByteArray();
    } else if (is("If-Range")) {
        headers->conditions.ifRange = value.toByteArray();
    } else if (is("Content-Length")) {
        readContentLength(value, headers);
    } else if (is("Transfer-Encoding")) {
        headers->hasBody = true;
    }
}

bool namesHttpVersion(QByteArrayView line)
{
    const QByteArrayView lastWord = line.sliced(line.lastIndexOf(' ') + 1);
    return line.contains(' ') && lastWord.size() >= 5
        && lastWord.first(5).compare("HTTP/", Qt::CaseInsensitive) == 0;
}

HttpRequest parseRequestLine(QByteArrayView line)
{
    return namesHttpVersion(line) ? versionedRequest(line) : versionlessRequest(line);
}
