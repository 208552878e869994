#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct FileStamp;

// What tells a client whether its copy of a file is still current: the
// file's modification time, and a strong entity tag made of the file's
// inode, size and modification time and of the address the server puts into
// text (so a text changes its tag when the address does).
struct FileValidators {
    // Seconds since the epoch, and as a Last-Modified header gives them.
    qint64 modified = 0;
    QByteArray lastModified;
    // With its quotes: "1f2e-400-17b1c2d3e4f5a6b7-9c3e".
    QByteArray etag;
};

FileValidators validatorsOf(const FileStamp &stamp, QByteArrayView localAddress);

// A time as an HTTP date: "Sun, 06 Nov 1994 08:49:37 GMT".
QByteArray httpDateOf(qint64 secondsSinceEpoch);

// Reads the three forms of an HTTP date that clients send (RFC 9110,
// section 5.6.7): seconds since the epoch, or nothing when the text is none.
std::optional<qint64> parseHttpDate(QByteArrayView text);

// The conditions a GET or HEAD carries, as far as this server honours them.
struct RequestConditions {
    // Joined with commas when the header came more than once.
    QByteArray ifNoneMatch;
    QByteArray ifModifiedSince;
    QByteArray ifRange;
};

// Whether the client's copy is current, so that 304 answers instead of the
// file: If-None-Match decides when it is there (weak comparison, "*" matches
// any file), else If-Modified-Since.
bool isNotModified(const RequestConditions &conditions, const FileValidators &validators);

// Whether a Range still applies under If-Range: the tag must match strongly,
// or the date must be the file's exact modification time, which must lie a
// second or more before now (a time within the current second may hide a
// second change).
bool rangeStillApplies(
    const RequestConditions &conditions, const FileValidators &validators, qint64 now);
