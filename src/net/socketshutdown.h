#pragma once

#include <QtGlobal>

// Ends the sending direction of a connected TCP socket (a FIN to the peer)
// while still letting it receive. Qt's sockets only close both ways at once,
// and closing with unread data arriving turns into a reset that can destroy
// what the peer has not read yet. Returns false when the system refuses.
bool shutdownSending(qintptr socketDescriptor);
