#include "platform/socketaccept.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>
#endif

AcceptedConnection acceptConnection(qintptr listeningDescriptor)
{
    using Outcome = AcceptedConnection::Outcome;
#ifdef Q_OS_WIN
    // The accepted socket takes on the listening one's non-blocking mode.
    const SOCKET accepted = ::accept(SOCKET(listeningDescriptor), nullptr, nullptr);
    if (accepted != INVALID_SOCKET)
        return {Outcome::Accepted, qintptr(accepted)};
    switch (::WSAGetLastError()) {
    case WSAEWOULDBLOCK:
        return {Outcome::NoneWaiting};
    case WSAEMFILE:
    case WSAENOBUFS:
        return {Outcome::OutOfResources};
    default:
        return {Outcome::Gone};
    }
#else
    int accepted;
    do {
        accepted
            = ::accept4(int(listeningDescriptor), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted >= 0)
        return {Outcome::Accepted, accepted};
    switch (errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return {Outcome::NoneWaiting};
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return {Outcome::OutOfResources};
    default:
        return {Outcome::Gone};
    }
#endif
}

void closeAcceptedConnection(qintptr descriptor)
{
#ifdef Q_OS_WIN
    ::closesocket(SOCKET(descriptor));
#else
    ::close(int(descriptor));
#endif
}
