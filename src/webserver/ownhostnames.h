#pragma once

#include <QByteArrayList>
#include <QByteArrayView>

// Whether a Host header (or the host of an absolute target) names this
// machine: an IP address written out, "localhost", or one of the machine's
// own names, in any case, with or without a port and a final dot. A page of
// another site that has had its name pointed at this machine (DNS
// rebinding) names that site instead, and is refused. An empty host is one
// the client did not give.
bool isOwnHost(QByteArrayView host, const QByteArrayList &ownNames);

// The machine's names, in lower case: its host name, the same followed by
// ".local" (as the local network's name service announces it) and, where
// the system knows a domain, the full name.
QByteArrayList ownHostNames();
