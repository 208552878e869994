#include "net/socketio.h"

#include <cerrno>
#include <sys/socket.h>

#include <climits>

namespace {

// One call never moves more than an int's worth; the caller comes back for
// the rest as it would after any short transfer.
int clamped(qint64 size)
{
    return int(qMin<qint64>(size, INT_MAX));
}

qint64 outcome(ssize_t result)
{
    if (result >= 0)
        return result;
    return errno == EAGAIN || errno == EWOULDBLOCK ? SocketWouldBlock : -1;
}

} // namespace

qint64 readSocket(qintptr descriptor, char *buffer, qint64 size)
{
    ssize_t result;
    do {
        result = ::recv(int(descriptor), buffer, size_t(clamped(size)), 0);
    } while (result < 0 && errno == EINTR);
    return outcome(result);
}

qint64 writeSocket(qintptr descriptor, const char *data, qint64 size)
{
    constexpr int flags = MSG_NOSIGNAL;
    ssize_t result;
    do {
        result = ::send(int(descriptor), data, size_t(clamped(size)), flags);
    } while (result < 0 && errno == EINTR);
    return outcome(result);
}
