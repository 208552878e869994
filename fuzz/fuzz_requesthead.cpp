// Feeds what a client might send to the reading of whole requests: the bytes
// are read once whole and once in pieces, and both readings must agree. Of
// every request read, the Range header must select a part inside the file,
// the dates must read back as written, and the conditions and the host must
// be judged without harm.
#include "webserver/byteranges.h"
#include "webserver/httpvalidators.h"
#include "webserver/ownhostnames.h"
#include "webserver/requestreader.h"
#include "webserver/servedfiles.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// What a reading gives, as text that compares.
QByteArray summary(RequestReader::Status status, const HttpRequest &request)
{
    const RequestHeaders &h = request.headers;
    return QByteArray::number(int(status)) + ' ' + QByteArray::number(int(request.kind)) + ' '
        + request.target + ' ' + request.path + ' ' + request.targetHost + ' ' + h.host + ' '
        + QByteArray::number(h.hostCount) + ' ' + h.range + ' ' + QByteArray::number(h.rangeCount)
        + ' ' + h.conditions.ifNoneMatch + ' ' + h.conditions.ifModifiedSince + ' '
        + h.conditions.ifRange + ' '
        + QByteArray::number(h.close * 1 + h.keepAlive * 2 + h.hasBody * 4 + h.malformed * 8
            + request.versioned * 16);
}

QList<QByteArray> read(QByteArrayView bytes, qsizetype pieceSize, QList<HttpRequest> *requests)
{
    RequestReader reader;
    QList<QByteArray> reading;
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        reader.append(bytes.sliced(at, qMin(pieceSize, bytes.size() - at)));
        for (;;) {
            HttpRequest request;
            const RequestReader::Status status = reader.next(&request);
            if (status == RequestReader::Status::NeedMore)
                break;
            reading.append(summary(status, request));
            // A connection ends with anything but a request to serve.
            if (status != RequestReader::Status::Request || request.path.isEmpty())
                return reading;
            if (requests)
                requests->append(request);
        }
    }
    return reading;
}

void checkRequest(const HttpRequest &request, qint64 size)
{
    const RequestHeaders &headers = request.headers;
    check(headers.range.size() <= RequestLineReader::MaxLineLength);
    const RangeSelection range = selectRange(headers.range, size);
    if (range.kind == RangeSelection::Kind::Part)
        check(range.first >= 0 && range.first <= range.last && range.last < size);
    else
        check(range.kind == RangeSelection::Kind::Whole || size > 0);
    FileStamp stamp;
    stamp.size = size;
    stamp.modified = qint64(size % 4000000000) * 1000 * 1000 * 1000;
    const FileValidators validators = validatorsOf(stamp, request.target);
    check(parseHttpDate(validators.lastModified) == validators.modified);
    if (const auto since = parseHttpDate(headers.conditions.ifModifiedSince))
        check(parseHttpDate(httpDateOf(*since)) == *since);
    isNotModified(headers.conditions, validators);
    rangeStillApplies(headers.conditions, validators, validators.modified + 10);
    isOwnHost(headers.host, {"wavecrest"});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses how the rest is cut into pieces, the second the
    // size of the file asked for.
    const qsizetype pieceSize = data[0] % 64 + 1;
    const qint64 fileSize = qint64(data[1]) * data[1] * 977;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    QList<HttpRequest> requests;
    check(read(bytes, qMax<qsizetype>(bytes.size(), 1), &requests)
        == read(bytes, pieceSize, nullptr));
    for (const HttpRequest &request : requests)
        checkRequest(request, fileSize);
    return 0;
}
