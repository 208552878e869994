#include "blocking/matcher/neverblocked.h"

#include "blocking/matcher/addressparts.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool isLocalIpv4(std::uint32_t a)
{
    const auto in = [a](std::uint32_t net, int bits) {
        return bits == 0 || (a >> (32 - bits)) == (net >> (32 - bits));
    };
    return in(0x7f000000, 8) // loopback
        || in(0x0a000000, 8) || in(0xac100000, 12) || in(0xc0a80000, 16) // private
        || in(0xa9fe0000, 16) // link-local
        || a == 0; // "0.0.0.0" reaches this machine
}

bool isLocalIpv6(const std::array<unsigned char, 16> &a)
{
    static constexpr std::array<unsigned char, 16> Loopback{
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    static constexpr std::array<unsigned char, 16> Unspecified{};
    if (a == Loopback || a == Unspecified)
        return true;
    if ((a[0] & 0xfe) == 0xfc) // unique local
        return true;
    if (a[0] == 0xfe && (a[1] & 0xc0) == 0x80) // link-local
        return true;
    // An IPv4 address mapped into IPv6.
    static constexpr std::array<unsigned char, 12> Mapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::equal(Mapped.begin(), Mapped.end(), a.begin()))
        return isLocalIpv4(std::uint32_t(a[12]) << 24 | std::uint32_t(a[13]) << 16
            | std::uint32_t(a[14]) << 8 | a[15]);
    return false;
}

} // namespace

bool isLocalHost(std::string_view host)
{
    if (!host.empty() && host.back() == '.')
        host.remove_suffix(1);
    if (host.empty())
        return false;
    if (host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.size() < 64) {
        char terminated[64];
        host.copy(terminated, host.size());
        terminated[host.size()] = '\0';
        std::array<unsigned char, 16> v6{};
        if (inet_pton(AF_INET6, terminated, v6.data()) == 1)
            return isLocalIpv6(v6);
        in_addr v4{};
        if (inet_pton(AF_INET, terminated, &v4) == 1)
            return isLocalIpv4(ntohl(v4.s_addr));
    }
    return host.find('.') == std::string_view::npos || host == "localhost"
        || endsWith(host, ".localhost") || endsWith(host, ".local") || endsWith(host, ".home.arpa")
        || endsWith(host, ".internal");
}

bool isNeverBlocked(std::string_view url, std::string_view pageUrl)
{
    const AddressParts parts = splitAddress(url);
    const std::string_view scheme = url.substr(0, parts.afterScheme);
    if (!equalsIgnoringCase(scheme, "http://") && !equalsIgnoringCase(scheme, "https://")
        && !equalsIgnoringCase(scheme, "ws://") && !equalsIgnoringCase(scheme, "wss://"))
        return true;
    const std::string_view page = pageUrl.substr(0, pageUrl.find('#'));
    if (!page.empty() && url.substr(0, url.find('#')) == page)
        return true;
    const std::string_view host = parts.host(url);
    // Longer than any host name: not one of ours.
    char lowered[256];
    if (host.size() >= sizeof lowered)
        return false;
    std::transform(host.begin(), host.end(), lowered,
        [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return isLocalHost(std::string_view(lowered, host.size()));
}
