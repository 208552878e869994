#pragma once

#include <string>
#include <string_view>

struct pcre2_real_code_8;

// A filter's regular expression, in the dialect lists write them (that of
// JavaScript, as far as PCRE2 follows it). Compiled with a bound on the work
// one match may do, so that no rule can stall a decision; a match that hits
// the bound counts as no match.
class FilterRegex
{
public:
    FilterRegex(std::string_view source, bool matchCase);
    ~FilterRegex();
    FilterRegex(FilterRegex &&other) noexcept;
    FilterRegex &operator=(FilterRegex &&other) noexcept;
    FilterRegex(const FilterRegex &) = delete;
    FilterRegex &operator=(const FilterRegex &) = delete;

    bool isValid() const { return m_code != nullptr; }
    bool matches(std::string_view subject) const;

    // Whether the source compiles; the parser refuses rules that do not.
    static bool compiles(std::string_view source, bool matchCase);

private:
    pcre2_real_code_8 *m_code = nullptr;
};
