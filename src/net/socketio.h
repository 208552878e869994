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
// failed. A peer that has gone never raises a signal. With moreFollows, the
// system waits for what is written next to fill its packets.
qint64 writeSocket(qintptr descriptor, const char *data, qint64 size, bool moreFollows = false);

// The same for two pieces, one after the other, in one call.
qint64 writeSocket(qintptr descriptor, const char *first, qint64 firstSize, const char *second,
    qint64 secondSize, bool moreFollows = false);

// Sends up to `count` bytes of a file, from *offset on, straight from the
// system's file cache, and moves *offset past them. Bytes sent, 0 when the
// file ends before *offset, SocketWouldBlock, or -1 when the connection has
// failed; a peer that has gone never raises a signal here either.
qint64 sendFileToSocket(qintptr descriptor, int fileDescriptor, qint64 *offset, qint64 count);

// Holds back, on the calling thread and for good, the signal a peer that has
// gone raises, so that sending a file needs no more care of it. Not for a
// thread that starts programs: they would keep it held back.
void holdBrokenPipeSignal();

// While held, the system sends only full packets of what is written, and
// whatever is left when the hold is released or the connection ends. A head
// then goes out with the start of the file after it, and the end with the
// file's last packet.
void holdSocketOutput(qintptr descriptor, bool hold);

// The largest packet the connection sends; 0 when the system cannot tell.
int socketPacketSize(qintptr descriptor);

// From now on the socket takes more only while less than `bytes` of what it
// holds has yet to go out.
void limitUnsentOutput(qintptr descriptor, int bytes);

// From now on the last, short packet of what is written goes at once,
// without waiting for the peer to acknowledge the packets before it.
void sendShortPacketsAtOnce(qintptr descriptor);
