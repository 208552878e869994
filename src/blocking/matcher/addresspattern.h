#pragma once

#include "blocking/matcher/addressparts.h"

#include <cstdint>
#include <string_view>

// Whether a filter's pattern ("*" any run, "^" a separator or the end)
// matches the address, with the rule's anchors (NetworkRule's StartAnchor,
// EndAnchor and HostAnchor flags). The address is in lower case unless the
// rule matches case. Leftmost matching of each piece between wildcards is
// exact for such patterns, so nothing backtracks.
bool addressMatchesPattern(std::string_view pattern, std::uint32_t flags, std::string_view address,
    const AddressParts &parts);
