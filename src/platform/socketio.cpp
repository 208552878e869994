#include "platform/socketio.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#include <sys/socket.h>
#endif

#include <climits>

namespace {

// One call never moves more than an int's worth; the caller comes back for
// the rest as it would after any short transfer.
int clamped(qint64 size)
{
    return int(qMin<qint64>(size, INT_MAX));
}

#ifdef Q_OS_WIN
qint64 outcome(int result)
{
    if (result != SOCKET_ERROR)
        return result;
    return ::WSAGetLastError() == WSAEWOULDBLOCK ? SocketWouldBlock : -1;
}
#else
qint64 outcome(ssize_t result)
{
    if (result >= 0)
        return result;
    return errno == EAGAIN || errno == EWOULDBLOCK ? SocketWouldBlock : -1;
}
#endif

} // namespace

qint64 readSocket(qintptr descriptor, char *buffer, qint64 size)
{
#ifdef Q_OS_WIN
    return outcome(::recv(SOCKET(descriptor), buffer, clamped(size), 0));
#else
    ssize_t result;
    do {
        result = ::recv(int(descriptor), buffer, size_t(clamped(size)), 0);
    } while (result < 0 && errno == EINTR);
    return outcome(result);
#endif
}

qint64 writeSocket(qintptr descriptor, const char *data, qint64 size)
{
#ifdef Q_OS_WIN
    return outcome(::send(SOCKET(descriptor), data, clamped(size), 0));
#else
#ifdef MSG_NOSIGNAL
    constexpr int flags = MSG_NOSIGNAL;
#else
    constexpr int flags = 0;
#endif
    ssize_t result;
    do {
        result = ::send(int(descriptor), data, size_t(clamped(size)), flags);
    } while (result < 0 && errno == EINTR);
    return outcome(result);
#endif
}
