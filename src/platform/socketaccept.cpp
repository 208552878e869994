#include "platform/socketaccept.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>
#endif

AcceptedConnection acceptConnection(qintptr listeningDescriptor)
{
    using Outcome = AcceptedConnection::Outcome;
#ifdef Q_OS_WIN
    sockaddr_storage peer{};
    int length = sizeof peer;
    // The accepted socket takes on the listening one's non-blocking mode.
    const SOCKET accepted
        = ::accept(SOCKET(listeningDescriptor), reinterpret_cast<sockaddr *>(&peer), &length);
    if (accepted != INVALID_SOCKET)
        return {Outcome::Accepted, qintptr(accepted),
            QHostAddress(reinterpret_cast<const sockaddr *>(&peer))};
    switch (::WSAGetLastError()) {
    case WSAEWOULDBLOCK:
        return {Outcome::NoneWaiting, -1, {}};
    case WSAEMFILE:
    case WSAENOBUFS:
        return {Outcome::OutOfResources, -1, {}};
    default:
        return {Outcome::Gone, -1, {}};
    }
#else
    sockaddr_storage peer{};
    int accepted;
    do {
        socklen_t length = sizeof peer;
        accepted = ::accept4(int(listeningDescriptor), reinterpret_cast<sockaddr *>(&peer), &length,
            SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted >= 0)
        return {
            Outcome::Accepted, accepted, QHostAddress(reinterpret_cast<const sockaddr *>(&peer))};
    switch (errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return {Outcome::NoneWaiting, -1, {}};
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return {Outcome::OutOfResources, -1, {}};
    default:
        return {Outcome::Gone, -1, {}};
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
