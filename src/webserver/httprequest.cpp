#include "webserver/httprequest.h"

namespace {

bool endsInHttp1Version(QByteArrayView text)
{
    return text.endsWith(" HTTP/1.0") || text.endsWith(" HTTP/1.1");
}

} // namespace

HttpRequest parseRequestLine(QByteArrayView line)
{
    HttpRequest request;
    if (!line.startsWith("GET")) {
        if (endsInHttp1Version(line))
            request.kind = HttpRequest::Kind::NotImplemented;
        return request;
    }

    // The path starts right after the first "GET " and runs to the next
    // space, looked for from the path's second character on. A line without
    // "GET " (such as "GETX /a") has its path start at its fourth character.
    const qsizetype getAt = line.indexOf("GET ");
    const qsizetype pathStart = getAt < 0 ? 3 : getAt + 4;
    const qsizetype pathEnd = line.indexOf(' ', pathStart + 1);
    if (pathEnd < 0) {
        // The line ends with the path: the old bare form, "GET /page".
        request.path = line.sliced(qMin(pathStart, line.size())).toByteArray();
    } else {
        request.path = line.sliced(pathStart, pathEnd - pathStart).toByteArray();
        request.wantsHttpHeaders = endsInHttp1Version(line.sliced(pathEnd));
    }
    // A GET that names no page is no request; the connection goes on waiting.
    if (!request.path.isEmpty())
        request.kind = HttpRequest::Kind::Get;
    return request;
}
