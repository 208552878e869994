#pragma once

#include <cstdint>
#include <string_view>

// The hashes the matcher keys its tables by. Two families from one function:
// tokens of an address and whole host names are kept apart by their seeds,
// so that a token "example" never meets the host "example".
namespace FilterHash {

inline constexpr std::uint64_t TokenSeed = 0x9e3779b97f4a7c15ULL;
inline constexpr std::uint64_t HostSeed = 0xc2b2ae3d27d4eb4fULL;

// A 64-bit hash of bytes (a multiply-and-rotate mix, one step per byte; the
// strings hashed are short).
constexpr std::uint64_t hash(std::string_view text, std::uint64_t seed)
{
    std::uint64_t h = seed ^ (text.size() * 0xff51afd7ed558ccdULL);
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
        h ^= h >> 29;
    }
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

constexpr std::uint32_t token(std::string_view text)
{
    return static_cast<std::uint32_t>(hash(text, TokenSeed));
}

constexpr std::uint32_t host(std::string_view text)
{
    return static_cast<std::uint32_t>(hash(text, HostSeed));
}

// Domain names in $domain= lists and hiding rules are compared by their full
// 64-bit hash; two names sharing one is beyond any list's size to meet.
constexpr std::uint64_t domain(std::string_view text)
{
    return hash(text, HostSeed);
}

} // namespace FilterHash
