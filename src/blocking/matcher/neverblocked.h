#pragma once

#include <string_view>

// Requests no list may block, whatever it says: anything but http(s) and
// ws(s) (file: above all), the page's own address, and the user's own
// machine and network: localhost, loopback, private and link-local
// addresses, single-label names and the names of local networks (.local,
// .home.arpa, .internal). The program's own web server and the user's LAN
// keep working.
bool isNeverBlocked(std::string_view url, std::string_view pageUrl);

// Whether a host (lower case, an IPv6 literal in brackets or bare) is on
// the user's machine or network.
bool isLocalHost(std::string_view host);
