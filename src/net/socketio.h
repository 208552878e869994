#pragma once

#include <QtGlobal>

// Reading and writing a connected, non-blocking socket by its descriptor.
// A socket object of the toolkit asks the system a dozen questions when it
// takes a connection over and keeps buffers and notifiers of its own; a
// server that answers each connection with a write or two can do without.

// What readSocket() and the writing functions return when the system has
// nothing to give or no room to take now.
constexpr qint64 SocketWouldBlock = -2;

// Bytes read, 0 at the end of the peer's data, SocketWouldBlock, or -1 when
// the connection has failed.
qint64 readSocket(qintptr descriptor, char *buffer, qint64 size);

// Bytes the system took, SocketWouldBlock, or -1 when the connection has
// failed. A peer that has gone never raises a signal. With `more`, the
// system holds the bytes back a moment for what follows, so that a head and
// a small body go out in one packet.
qint64 writeSocket(qintptr descriptor, const char *data, qint64 size, bool more = false);

// The same for two pieces, one after the other, in one call.
qint64 writeSocket(
    qintptr descriptor, const char *first, qint64 firstSize, const char *second, qint64 secondSize);

// Sends up to `count` bytes of a file, from *offset on, straight from the
// system's file cache, and moves *offset past them. Bytes sent, 0 when the
// file ends before *offset, SocketWouldBlock, or -1 when the connection has
// failed; a peer that has gone never raises a signal here either.
qint64 sendFileToSocket(qintptr descriptor, int fileDescriptor, qint64 *offset, qint64 count);
