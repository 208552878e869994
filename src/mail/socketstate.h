#pragma once

#include <QAbstractSocket>

// The number users are shown for a socket's state: 0 closed, 1 open,
// 2 listening, 4 resolving host, 6 connecting, 7 connected, 8 closing.
// (5 "host resolved" and 9 "error" are never reported: Qt passes through the
// first without a state of its own and returns to closed after an error.)
int socketStateNumber(QAbstractSocket::SocketState state);
