#pragma once

#include <QtGlobal>

// Reading and writing a connected, non-blocking socket by its descriptor.
// A socket object of the toolkit asks the system a dozen questions when it
// takes a connection over and keeps buffers and notifiers of its own; a
// server that answers each connection with one write can do without.

// What readSocket() and writeSocket() return when the system has nothing to
// give or no room to take now.
constexpr qint64 SocketWouldBlock = -2;

// Bytes read, 0 at the end of the peer's data, SocketWouldBlock, or -1 when
// the connection has failed.
qint64 readSocket(qintptr descriptor, char *buffer, qint64 size);

// Bytes the system took, SocketWouldBlock, or -1 when the connection has
// failed. A peer that has gone never raises a signal.
qint64 writeSocket(qintptr descriptor, const char *data, qint64 size);
