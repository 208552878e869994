// Feeds what a client might send to the server's request-line reading: the
// bytes are read once whole and once in pieces, and each line is parsed.
// Both readings must agree (an over-long line's kept end included), and every
// parsed request must hold together.
#include "webserver/httprequest.h"
#include "webserver/requestlinereader.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

using Reading = QList<std::pair<RequestLineReader::Status, QByteArray>>;

Reading readInPieces(QByteArrayView bytes, qsizetype pieceSize)
{
    RequestLineReader reader;
    Reading reading;
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        reader.append(bytes.sliced(at, qMin(pieceSize, bytes.size() - at)));
        QByteArray line;
        RequestLineReader::Status status;
        while ((status = reader.takeLine(&line)) == RequestLineReader::Status::Line)
            reading.append({status, line});
        if (status == RequestLineReader::Status::TooLong) {
            reading.append({status, line});
            return reading;
        }
    }
    return reading;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkRequest(const QByteArray &line)
{
    check(line.size() <= RequestLineReader::MaxLineLength);
    check(!line.contains('\n'));
    const HttpRequest request = parseRequestLine(line);
    check(request.versioned == namesHttpVersion(line));
    switch (request.kind) {
    case HttpRequest::Kind::Get:
    case HttpRequest::Kind::Head:
        check(line.contains(request.target));
        if (request.versioned) {
            // Decoding only shortens, and the query is gone.
            check(request.path.startsWith('/'));
            check(request.path.size() <= request.target.size());
            check(line.startsWith(request.kind == HttpRequest::Kind::Get ? "GET " : "HEAD "));
        } else {
            check(request.kind == HttpRequest::Kind::Get && line.startsWith("GET"));
            check(!request.path.isEmpty() && request.path == request.target);
        }
        break;
    case HttpRequest::Kind::Ignored:
        check(!request.versioned && request.path.isEmpty());
        break;
    case HttpRequest::Kind::BadRequest:
    case HttpRequest::Kind::NotImplemented:
    case HttpRequest::Kind::VersionNotSupported:
        check(request.versioned && request.path.isEmpty());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the rest is cut into pieces.
    const qsizetype pieceSize = data[0] % 64 + 1;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const Reading whole = readInPieces(bytes, qMax<qsizetype>(bytes.size(), 1));
    const Reading pieces = readInPieces(bytes, pieceSize);
    check(whole == pieces);
    for (const auto &[status, line] : whole) {
        if (status == RequestLineReader::Status::Line)
            checkRequest(line);
        else
            check(line.size() <= RequestLineReader::KeptTailLength);
    }
    return 0;
}
