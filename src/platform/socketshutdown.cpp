#include "platform/socketshutdown.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

bool shutdownSending(qintptr socketDescriptor)
{
#ifdef Q_OS_WIN
    return ::shutdown(SOCKET(socketDescriptor), SD_SEND) == 0;
#else
    return ::shutdown(int(socketDescriptor), SHUT_WR) == 0;
#endif
}
