#pragma once

#include <QHostAddress>

// Takes the next connection waiting on a listening socket. Qt's listener
// cannot be asked why an accept failed: its socket layer keeps the first
// error it ever saw, so that once no client was waiting, running out of
// descriptors reads as "try again" (and the server spins), and once it ran
// out, every empty queue reads as running out. Here the system's own answer
// is read each time.
struct AcceptedConnection {
    enum class Outcome {
        Accepted,
        // No client waits now.
        NoneWaiting,
        // The process or the system has no descriptor or memory to spare.
        OutOfResources,
        // The client went before it was taken, or another passing failure.
        Gone,
    };
    Outcome outcome;
    // Non-blocking, closed on exec; valid for Accepted only.
    qintptr descriptor = -1;
    // Whom the connection is with, as the system told on accepting.
    QHostAddress peer;
};

AcceptedConnection acceptConnection(qintptr listeningDescriptor);

// Closes a descriptor that acceptConnection() gave.
void closeAcceptedConnection(qintptr descriptor);
