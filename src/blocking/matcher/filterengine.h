#pragma once

#include "blocking/matcher/hidingmatcher.h"
#include "blocking/matcher/networkmatcher.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What reading lists made of their lines.
struct FilterListStats {
    std::uint64_t networkRules = 0;
    std::uint64_t hidingRules = 0;
    // Lines set aside, by IgnoredBecause.
    std::array<std::uint64_t, IgnoredReasonCount> ignored{};

    std::uint64_t ignoredTotal() const;
};

// Everything the lists say: the network rules, the hiding rules and what was
// set aside. Immutable once made, so one engine serves every thread.
class FilterEngine
{
public:
    FilterEngine() = default;

    // Reads the lists' texts; lines that cannot be used are counted and
    // skipped, never fatal.
    static FilterEngine fromLists(const std::vector<std::string_view> &texts);

    const NetworkMatcher &network() const { return m_network; }
    const HidingMatcher &hiding() const { return m_hiding; }
    const FilterListStats &stats() const { return m_stats; }

    // The browser's decision: what the lists block, except what is never
    // blocked (see isNeverBlocked()).
    bool blocks(const NetworkRequest &request) const;

    // The compiled form, for a cache file. The fingerprint names what it was
    // made from (the lists' addresses and their files' sizes and times, say);
    // a stored form is only taken back for the same fingerprint.
    std::string storedForm(std::string_view fingerprint) const;
    // Nothing when the bytes are not a whole stored form of this version for
    // this fingerprint.
    static std::optional<FilterEngine> fromStoredForm(
        std::string_view bytes, std::string_view fingerprint);

private:
    NetworkMatcher m_network;
    HidingMatcher m_hiding;
    FilterListStats m_stats;
};
