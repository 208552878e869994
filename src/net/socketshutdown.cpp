#include "net/socketshutdown.h"

#include <sys/socket.h>

bool shutdownSending(qintptr socketDescriptor)
{
    return ::shutdown(int(socketDescriptor), SHUT_WR) == 0;
}
