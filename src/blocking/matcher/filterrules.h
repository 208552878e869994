#pragma once

#include "blocking/matcher/requesttype.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The two kinds of rule a filter list holds, as one line states them.

// A rule about requests: block what matches, or (an exception, "@@") let it
// through.
struct NetworkRule {
    enum Flag : std::uint32_t {
        Exception = 1u << 0,
        // Blocks even what an exception lets through.
        Important = 1u << 1,
        MatchCase = 1u << 2,
        ThirdPartyOnly = 1u << 3,
        FirstPartyOnly = 1u << 4,
        // "|pattern": at the start of the address.
        StartAnchor = 1u << 5,
        // "pattern|": at its end.
        EndAnchor = 1u << 6,
        // "||pattern": at the start of the host name or of one of its labels.
        HostAnchor = 1u << 7,
        Regex = 1u << 8,
        // Exceptions that act on the page they match rather than on one
        // request: nothing blocked on it ($document), nothing hidden
        // ($elemhide), no generic hiding rules ($generichide) or no generic
        // blocking rules ($genericblock) there.
        PageAllowed = 1u << 9,
        PageNoHiding = 1u << 10,
        PageNoGenericHiding = 1u << 11,
        PageNoGenericBlocking = 1u << 12,
    };
    static constexpr std::uint32_t PageFlags
        = PageAllowed | PageNoHiding | PageNoGenericHiding | PageNoGenericBlocking;

    // Lower case unless MatchCase; without its anchors. A regex's source.
    std::string pattern;
    TypeMask types = DefaultTypes;
    std::uint32_t flags = 0;
    // $domain=: pages on these domains (and their subdomains) only, and
    // never on the excluded ones. An entry may end in ".*": that name under
    // any public suffix.
    std::vector<std::string> includeDomains;
    std::vector<std::string> excludeDomains;
};

// A rule that hides elements of pages: "##selector" everywhere,
// "a.com,~b.a.com##selector" on some sites, "#@#" its exception.
struct HidingRule {
    std::string selector;
    std::vector<std::string> includeDomains;
    std::vector<std::string> excludeDomains;
    bool exception = false;
};

// Why a line of a list was set aside.
enum class IgnoredBecause : std::uint8_t {
    // An option this matcher does not carry out ($redirect, $csp, ...): the
    // rule is dropped rather than applied without it.
    UnsupportedOption,
    // Scriptlets, extended selectors and style changes.
    UnsupportedHiding,
    // A regex that does not compile, a selector that could break the
    // style sheet, an empty domain.
    Malformed,
    TooLong,
    // Control characters or bytes that are not UTF-8.
    NotText,
};
inline constexpr int IgnoredReasonCount = 5;

const char *ignoredReasonName(IgnoredBecause reason);
