#pragma once

#include <QString>

// The machine's address as other machines on its network reach it: the first
// IPv4 address of the first interface that is up, running and not loopback;
// 127.0.0.1 when there is none.
QString LocalIP();
