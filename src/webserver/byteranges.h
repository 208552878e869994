#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// What a Range header (RFC 9110, section 14) asks of a file of a given size.
//
// One byte range ("a-b", "a-" or "-n") that reaches into the file gives that
// part; one that lies wholly beyond its end cannot be satisfied. Several
// ranges get the whole file, unless none of them could be satisfied. A header
// that does not hold together, or names another unit than bytes, is ignored,
// as is any range of an empty file. Numbers too large for 64 bits count as
// infinitely large.
struct RangeSelection {
    enum class Kind { Whole, Part, Unsatisfiable };
    Kind kind = Kind::Whole;
    // The part, first and last byte included; for Part only.
    qint64 first = 0;
    qint64 last = -1;

    qint64 length() const { return last - first + 1; }
};

RangeSelection selectRange(QByteArrayView header, qint64 size);
