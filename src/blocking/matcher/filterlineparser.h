#pragma once

#include "blocking/matcher/filterrules.h"

#include <cstddef>
#include <string_view>

// Lines longer than this are refused: no real rule comes near it.
inline constexpr std::size_t MaxFilterLineLength = 16 * 1024;

// What one line of a filter list holds. A hosts-file line may hold several
// host names, so rules arrive through the sink, one call each.
class FilterLineSink
{
public:
    virtual ~FilterLineSink() = default;
    virtual void network(NetworkRule &&rule) = 0;
    virtual void hiding(HidingRule &&rule) = 0;
    virtual void ignored(IgnoredBecause reason, std::string_view line) = 0;
};

// Reads one line (without its line break): comments and blank lines give
// nothing; everything else one or more rules or one refusal.
void parseFilterLine(std::string_view line, FilterLineSink &sink);

// Every line of a list's text (LF, CRLF or CR line ends).
void parseFilterList(std::string_view text, FilterLineSink &sink);
