#include "net/socketio.h"

#include <cerrno>
#include <csignal>
#include <ctime>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <climits>

namespace {

// One call never moves more than an int's worth; the caller comes back for
// the rest as it would after any short transfer.
size_t clamped(qint64 size)
{
    return size_t(qBound(qint64(0), size, qint64(INT_MAX)));
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
        result = ::recv(int(descriptor), buffer, clamped(size), 0);
    } while (result < 0 && errno == EINTR);
    return outcome(result);
}

qint64 writeSocket(qintptr descriptor, const char *data, qint64 size, bool moreFollows)
{
    const int flags = MSG_NOSIGNAL | (moreFollows ? MSG_MORE : 0);
    ssize_t result;
    do {
        result = ::send(int(descriptor), data, clamped(size), flags);
    } while (result < 0 && errno == EINTR);
    return outcome(result);
}

qint64 writeSocket(qintptr descriptor, const char *first, qint64 firstSize, const char *second,
    qint64 secondSize, bool moreFollows)
{
    iovec pieces[2] = {{const_cast<char *>(first), clamped(firstSize)},
        {const_cast<char *>(second), clamped(qMin(secondSize, qint64(INT_MAX) - firstSize))}};
    msghdr message{};
    message.msg_iov = pieces;
    message.msg_iovlen = 2;
    ssize_t result;
    do {
        result = ::sendmsg(int(descriptor), &message, MSG_NOSIGNAL | (moreFollows ? MSG_MORE : 0));
    } while (result < 0 && errno == EINTR);
    return outcome(result);
}

namespace {

thread_local bool brokenPipeHeld = false;

sigset_t brokenPipeSignal()
{
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    return pipeSignal;
}

// Refused, the bytes only go out later or in smaller packets.
void setTcpOption(qintptr descriptor, int option, int value)
{
    ::setsockopt(int(descriptor), IPPROTO_TCP, option, &value, sizeof value);
}

void takePendingBrokenPipe(const sigset_t &pipeSignal)
{
    const timespec now{0, 0};
    while (::sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) { }
}

ssize_t sendFile(int descriptor, int fileDescriptor, off_t *position, qint64 count)
{
    ssize_t result;
    do {
        result = ::sendfile(descriptor, fileDescriptor, position, clamped(count));
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

void holdBrokenPipeSignal()
{
    const sigset_t pipeSignal = brokenPipeSignal();
    brokenPipeHeld = pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr) == 0;
}

qint64 sendFileToSocket(qintptr descriptor, int fileDescriptor, qint64 *offset, qint64 count)
{
    // sendfile() takes no MSG_NOSIGNAL: the signal a gone peer raises is
    // held back while it runs and, if it came, taken before it can end the
    // program. Where the thread holds it back already, it is only taken.
    const sigset_t pipeSignal = brokenPipeSignal();
    sigset_t previous;
    off_t position = off_t(*offset);
    ssize_t result;
    if (brokenPipeHeld) {
        result = sendFile(int(descriptor), fileDescriptor, &position, count);
        if (result < 0 && errno == EPIPE) {
            takePendingBrokenPipe(pipeSignal);
            errno = EPIPE;
        }
    } else {
        pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
        result = sendFile(int(descriptor), fileDescriptor, &position, count);
        const int error = errno;
        // A peer that goes midway raises the signal though part was sent.
        if (!sigismember(&previous, SIGPIPE))
            takePendingBrokenPipe(pipeSignal);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        errno = error;
    }
    if (result > 0)
        *offset = position;
    return outcome(result);
}

void holdSocketOutput(qintptr descriptor, bool hold)
{
    setTcpOption(descriptor, TCP_CORK, hold ? 1 : 0);
}

int socketPacketSize(qintptr descriptor)
{
    int size = 0;
    socklen_t length = sizeof size;
    return ::getsockopt(int(descriptor), IPPROTO_TCP, TCP_MAXSEG, &size, &length) == 0 ? size : 0;
}

void limitUnsentOutput(qintptr descriptor, int bytes)
{
    setTcpOption(descriptor, TCP_NOTSENT_LOWAT, bytes);
}

void sendShortPacketsAtOnce(qintptr descriptor)
{
    setTcpOption(descriptor, TCP_NODELAY, 1);
}
