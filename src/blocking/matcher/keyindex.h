#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// Rule numbers by 32-bit key, in two flat arrays: an open-addressed table of
// (key, value) words, and the lists of rules that share a key. A key with a
// single rule keeps that rule in the table itself.
class KeyIndex
{
public:
    // (key, rule) pairs in any order; a rule may come under several keys.
    void build(std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs);

    // Calls visit(rule) for the key's rules until one call returns true;
    // returns whether one did.
    template <typename Visit> bool forEach(std::uint32_t key, Visit &&visit) const
    {
        if (m_slots.empty())
            return false;
        key = normalised(key);
        for (std::uint32_t i = key & m_mask;; i = (i + 1) & m_mask) {
            const std::uint64_t slot = m_slots[i];
            const auto slotKey = static_cast<std::uint32_t>(slot >> 32);
            if (slotKey == 0)
                return false;
            if (slotKey != key)
                continue;
            const auto value = static_cast<std::uint32_t>(slot);
            if (value & Single)
                return visit(value & ~Single);
            const std::uint32_t count = m_lists[value];
            for (std::uint32_t k = 1; k <= count; ++k) {
                if (visit(m_lists[value + k]))
                    return true;
            }
            return false;
        }
    }

    std::vector<std::uint64_t> &slotWords() { return m_slots; }
    std::vector<std::uint32_t> &lists() { return m_lists; }
    const std::vector<std::uint64_t> &slotWords() const { return m_slots; }
    const std::vector<std::uint32_t> &lists() const { return m_lists; }
    // After slotWords() were filled from a stored form: false when they are no
    // table this class could have made.
    bool adoptStored(std::uint32_t ruleCount);

private:
    static constexpr std::uint32_t Single = 0x80000000u;
    // Key 0 marks an empty slot.
    static std::uint32_t normalised(std::uint32_t key) { return key ? key : 1; }

    std::vector<std::uint64_t> m_slots;
    std::vector<std::uint32_t> m_lists;
    std::uint32_t m_mask = 0;
};
