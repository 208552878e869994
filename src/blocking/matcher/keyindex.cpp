#include "blocking/matcher/keyindex.h"

#include <algorithm>

void KeyIndex::build(std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs)
{
    for (auto &pair : pairs)
        pair.first = normalised(pair.first);
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    std::size_t keys = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i)
        keys += i == 0 || pairs[i].first != pairs[i - 1].first;
    // At most half full, so that a miss ends after a probe or two.
    std::size_t capacity = 16;
    while (capacity < keys * 2)
        capacity *= 2;
    m_slots.assign(capacity, 0);
    m_lists.clear();
    m_mask = std::uint32_t(capacity - 1);
    for (std::size_t i = 0; i < pairs.size();) {
        std::size_t end = i;
        while (end < pairs.size() && pairs[end].first == pairs[i].first)
            ++end;
        const std::uint32_t key = pairs[i].first;
        std::uint32_t value;
        if (end - i == 1) {
            value = pairs[i].second | Single;
        } else {
            value = std::uint32_t(m_lists.size());
            m_lists.push_back(std::uint32_t(end - i));
            for (std::size_t k = i; k < end; ++k)
                m_lists.push_back(pairs[k].second);
        }
        std::uint32_t slot = key & m_mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & m_mask;
        m_slots[slot] = (std::uint64_t(key) << 32) | value;
        i = end;
    }
}

bool KeyIndex::adoptStored(std::uint32_t ruleCount)
{
    const std::size_t capacity = m_slots.size();
    if (capacity == 0) {
        m_mask = 0;
        return m_lists.empty();
    }
    if ((capacity & (capacity - 1)) != 0 || capacity > (std::size_t(1) << 31))
        return false;
    m_mask = std::uint32_t(capacity - 1);
    std::size_t used = 0;
    for (const std::uint64_t slot : m_slots) {
        if (slot == 0)
            continue;
        ++used;
        const auto value = static_cast<std::uint32_t>(slot);
        if (value & Single) {
            if ((value & ~Single) >= ruleCount)
                return false;
            continue;
        }
        if (value >= m_lists.size() || m_lists[value] > m_lists.size() - value - 1)
            return false;
        for (std::uint32_t k = 1; k <= m_lists[value]; ++k) {
            if (m_lists[value + k] >= ruleCount)
                return false;
        }
    }
    // A full table would make a miss probe forever.
    return used < capacity;
}
