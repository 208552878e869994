#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RegistrableDomains;

// The sites a rule is for ("a.com|~b.a.com", "a.com,~b.a.com"), kept as
// hashes in a word array shared by all rules: one header word (how many
// included and excluded names, whether any is "name.*"), then the included
// names' hashes, sorted, then the excluded ones'.
namespace DomainList {

inline constexpr std::uint64_t EntityBit = std::uint64_t(1) << 32;

// Appends a list and returns where it starts.
std::uint32_t append(std::vector<std::uint64_t> *words, const std::vector<std::string> &include,
    const std::vector<std::string> &exclude);

// How many words the list at `at` takes; 0 when it would run past the end.
std::size_t length(const std::vector<std::uint64_t> &words, std::uint32_t at);

} // namespace DomainList

// A host as domain lists look at it: the hashes of its suffixes, longest
// first, and beside each the hash of its "name.*" form (0 where the suffix
// is the public suffix or shorter).
class HostNames
{
public:
    void set(std::string_view host);
    bool empty() const { return m_suffixes.empty(); }
    const std::vector<std::uint64_t> &suffixes() const { return m_suffixes; }
    const std::vector<std::uint64_t> &entities(RegistrableDomains &domains)
    {
        prepareEntities(domains);
        return m_entities;
    }

    // Whether the list at `at` lets a rule apply on this host: the most
    // specific of its names that the host falls under decides; none, and
    // the rule applies unless it names sites to include.
    bool allowedBy(const std::uint64_t *list, RegistrableDomains &domains);

private:
    void prepareEntities(RegistrableDomains &domains);

    std::string_view m_host;
    std::vector<std::uint64_t> m_suffixes;
    std::vector<std::uint64_t> m_entities;
    bool m_entitiesReady = false;
};
