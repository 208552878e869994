#include "blocking/matcher/domainlist.h"

#include "blocking/matcher/filterhash.h"
#include "blocking/matcher/registrabledomain.h"

#include <algorithm>

namespace {

bool isEntity(const std::string &name)
{
    return name.size() > 2 && name.compare(name.size() - 2, 2, ".*") == 0;
}

std::vector<std::uint64_t> sortedHashes(const std::vector<std::string> &names)
{
    std::vector<std::uint64_t> hashes;
    hashes.reserve(names.size());
    for (const std::string &name : names)
        hashes.push_back(FilterHash::domain(name));
    std::sort(hashes.begin(), hashes.end());
    return hashes;
}

bool listed(const std::uint64_t *begin, std::size_t count, std::uint64_t hash)
{
    return count && std::binary_search(begin, begin + count, hash);
}

} // namespace

std::uint32_t DomainList::append(std::vector<std::uint64_t> *words,
    const std::vector<std::string> &include, const std::vector<std::string> &exclude)
{
    const auto at = std::uint32_t(words->size());
    const bool entities = std::any_of(include.begin(), include.end(), isEntity)
        || std::any_of(exclude.begin(), exclude.end(), isEntity);
    const std::vector<std::uint64_t> included = sortedHashes(include);
    const std::vector<std::uint64_t> excluded = sortedHashes(exclude);
    words->push_back(std::uint64_t(included.size()) | (std::uint64_t(excluded.size()) << 16)
        | (entities ? EntityBit : 0));
    words->insert(words->end(), included.begin(), included.end());
    words->insert(words->end(), excluded.begin(), excluded.end());
    return at;
}

std::size_t DomainList::length(const std::vector<std::uint64_t> &words, std::uint32_t at)
{
    if (at >= words.size())
        return 0;
    const std::uint64_t header = words[at];
    const std::size_t names = (header & 0xffff) + ((header >> 16) & 0xffff);
    return names < words.size() - at ? names + 1 : 0;
}

void HostNames::set(std::string_view host)
{
    m_host = host;
    m_suffixes.clear();
    m_entitiesReady = false;
    for (std::size_t at = 0; at < host.size();) {
        m_suffixes.push_back(FilterHash::domain(host.substr(at)));
        const std::size_t dot = host.find('.', at);
        if (dot == std::string_view::npos)
            break;
        at = dot + 1;
    }
}

void HostNames::prepareEntities(RegistrableDomains &domains)
{
    if (m_entitiesReady)
        return;
    m_entitiesReady = true;
    m_entities.assign(m_suffixes.size(), 0);
    const std::string_view registrable = domains.of(m_host);
    const std::size_t dot = registrable.find('.');
    if (dot == std::string_view::npos || isIpLiteral(m_host))
        return;
    const std::size_t publicSuffix = registrable.size() - dot - 1;
    char buffer[512];
    std::size_t level = 0;
    for (std::size_t at = 0; at < m_host.size(); ++level) {
        const std::string_view suffix = m_host.substr(at);
        if (suffix.size() > publicSuffix + 1 && suffix.size() + 2 < sizeof buffer) {
            const std::size_t name = suffix.size() - publicSuffix - 1;
            suffix.copy(buffer, name);
            buffer[name] = '.';
            buffer[name + 1] = '*';
            m_entities[level] = FilterHash::domain(std::string_view(buffer, name + 2));
        }
        const std::size_t next = m_host.find('.', at);
        if (next == std::string_view::npos)
            break;
        at = next + 1;
    }
}

bool HostNames::allowedBy(const std::uint64_t *list, RegistrableDomains &domains)
{
    const std::uint64_t header = list[0];
    const auto includeCount = std::size_t(header & 0xffff);
    const auto excludeCount = std::size_t((header >> 16) & 0xffff);
    const std::uint64_t *includes = list + 1;
    const std::uint64_t *excludes = includes + includeCount;
    const bool entities = header & DomainList::EntityBit;
    if (entities)
        prepareEntities(domains);
    for (std::size_t level = 0; level < m_suffixes.size(); ++level) {
        const std::uint64_t names[2] = {m_suffixes[level], entities ? m_entities[level] : 0};
        for (const std::uint64_t name : names) {
            if (name == 0)
                continue;
            if (listed(excludes, excludeCount, name))
                return false;
            if (listed(includes, includeCount, name))
                return true;
        }
    }
    return includeCount == 0;
}
