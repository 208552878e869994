#include "blocking/matcher/registrabledomain.h"

#include "blocking/matcher/filterhash.h"

#include <libpsl.h>

#include <algorithm>
#include <string>

namespace {

const psl_ctx_t *publicSuffixes()
{
    // Made once and never freed: every thread reads it.
    static const psl_ctx_t *context = [] {
        const psl_ctx_t *latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return context;
}

std::uint32_t lookUp(std::string_view host)
{
    if (isIpLiteral(host) || host.size() > 253)
        return 0;
    // libpsl wants a terminated string; host names are short.
    char buffer[256];
    host.copy(buffer, host.size());
    buffer[host.size()] = '\0';
    const psl_ctx_t *context = publicSuffixes();
    const char *domain = context ? psl_registrable_domain(context, buffer) : nullptr;
    return domain ? std::uint32_t(domain - buffer) : 0;
}

} // namespace

RegistrableDomains::RegistrableDomains() : m_entries(std::make_unique<Entry[]>(Size)) { }

std::string_view RegistrableDomains::of(std::string_view host)
{
    // Zero marks an empty slot; no real host hashes to it often enough to
    // matter, and one that does is merely looked up every time.
    const std::uint64_t key = FilterHash::hash(host, FilterHash::HostSeed) | 1;
    Entry &entry = m_entries[key % Size];
    if (entry.key != key) {
        entry.key = key;
        entry.offset = lookUp(host);
    }
    return host.substr(std::min<std::size_t>(entry.offset, host.size()));
}

bool isIpLiteral(std::string_view host)
{
    if (host.empty())
        return false;
    if (host.front() == '[' || host.find(':') != std::string_view::npos)
        return true;
    // Dotted decimal; anything a browser would read as IPv4 ends in digits.
    const char last = host.back();
    if (last < '0' || last > '9')
        return false;
    for (const char c : host) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'x' || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}
