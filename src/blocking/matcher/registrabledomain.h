#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

// The registrable domain of a host ("bbc.co.uk" for "www.bbc.co.uk"), from
// the public suffix list through libpsl: the newest of the list built into
// the library and the one the system keeps current. What libpsl finds no
// registrable domain for (a public suffix itself, a single label, an IP
// literal) is its own.
//
// libpsl takes microseconds a name, so answers are remembered in a small
// table of fixed size: nothing is allocated once it exists. One per thread
// that matches; the table lives on the heap, because an object of thread
// storage is reserved and cleared in every thread of the process, and the
// page engine runs some twenty of them.
class RegistrableDomains
{
public:
    RegistrableDomains();

    // A suffix of host (host given in lower case).
    std::string_view of(std::string_view host);

private:
    struct Entry {
        std::uint64_t key = 0;
        // Where the registrable domain starts in the host.
        std::uint32_t offset = 0;
    };
    static constexpr std::size_t Size = 8192;

    std::unique_ptr<Entry[]> m_entries;
};

// Whether a host is an IPv4 or IPv6 literal (IPv6 in brackets or bare).
bool isIpLiteral(std::string_view host);
