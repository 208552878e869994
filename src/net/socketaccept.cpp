#include "net/socketaccept.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

AcceptedConnection acceptConnection(qintptr listeningDescriptor)
{
    using Outcome = AcceptedConnection::Outcome;
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
        return {Outcome::NoneWaiting, -1, {}};
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return {Outcome::OutOfResources, -1, {}};
    default:
        return {Outcome::Gone, -1, {}};
    }
}

void closeAcceptedConnection(qintptr descriptor)
{
    ::close(int(descriptor));
}
