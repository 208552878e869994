#include "blocking/matcher/filterregex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <utility>

namespace {

// Steps and backtracking depth one match may take: far beyond what a
// reasonable rule needs on an address, far below a noticeable stall.
constexpr uint32_t MatchLimit = 200000;
constexpr uint32_t DepthLimit = 2000;

pcre2_code *compile(std::string_view source, bool matchCase)
{
    uint32_t options = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF;
    if (!matchCase)
        options |= PCRE2_CASELESS;
    int error = 0;
    PCRE2_SIZE offset = 0;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), options,
        &error, &offset, nullptr);
}

// One match context and match data per thread, made once: a decision
// allocates nothing.
struct MatchScratch {
    MatchScratch()
        : context(pcre2_match_context_create(nullptr)), data(pcre2_match_data_create(1, nullptr))
    {
        pcre2_set_match_limit(context, MatchLimit);
        pcre2_set_depth_limit(context, DepthLimit);
    }
    ~MatchScratch()
    {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
    }
    MatchScratch(const MatchScratch &) = delete;
    MatchScratch &operator=(const MatchScratch &) = delete;

    pcre2_match_context *context;
    pcre2_match_data *data;
};

} // namespace

FilterRegex::FilterRegex(std::string_view source, bool matchCase)
    : m_code(compile(source, matchCase))
{
    // Without the JIT (or where it is unavailable) the interpreter matches
    // the same, only slower.
    if (m_code)
        pcre2_jit_compile(m_code, PCRE2_JIT_COMPLETE);
}

FilterRegex::~FilterRegex()
{
    pcre2_code_free(m_code);
}

FilterRegex::FilterRegex(FilterRegex &&other) noexcept
    : m_code(std::exchange(other.m_code, nullptr))
{ }

FilterRegex &FilterRegex::operator=(FilterRegex &&other) noexcept
{
    std::swap(m_code, other.m_code);
    return *this;
}

bool FilterRegex::matches(std::string_view subject) const
{
    if (!m_code)
        return false;
    thread_local MatchScratch scratch;
    const int result = pcre2_match(m_code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
        subject.size(), 0, 0, scratch.data, scratch.context);
    return result >= 0;
}

bool FilterRegex::compiles(std::string_view source, bool matchCase)
{
    pcre2_code *code = compile(source, matchCase);
    pcre2_code_free(code);
    return code != nullptr;
}
