#pragma once

#include "blocking/matcher/filterregex.h"
#include "blocking/matcher/filterrules.h"
#include "blocking/matcher/keyindex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class StoredFormReader;
class StoredFormWriter;

// One request as the matcher sees it.
struct NetworkRequest {
    std::string_view url;
    // The page (or frame) that asks for it; empty when there is none.
    std::string_view sourceUrl;
    RequestType type = RequestType::Other;
};

enum class Verdict : std::uint8_t {
    // No rule applies.
    NoMatch,
    Blocked,
    // A rule would block it, and an exception lets it through.
    Allowed,
};

// The network rules of one or more lists, compiled for matching: every rule
// sits in flat arrays under the one key of its own that is rarest among all
// rules (a token of its pattern, the host it is anchored to, or the sites
// its $domain= names). A request looks up the tokens of its address, the
// suffixes of its host and those of its page's host, and checks only the
// rules found there. Deciding allocates nothing: what a decision needs to
// remember lives in per-thread scratch space that keeps its capacity.
//
// Requests without a page (no source address) count as first-party: nothing
// is third-party to nothing.
class NetworkMatcher
{
public:
    NetworkMatcher();
    explicit NetworkMatcher(std::vector<NetworkRule> rules);
    ~NetworkMatcher();
    NetworkMatcher(NetworkMatcher &&) noexcept;
    NetworkMatcher &operator=(NetworkMatcher &&) noexcept;

    Verdict match(const NetworkRequest &request) const;

    // What exceptions say of a page as a whole: NetworkRule's Page* flags.
    std::uint32_t pageFlags(std::string_view pageUrl) const;

    std::size_t ruleCount() const { return m_rules.size(); }

    void store(StoredFormWriter &writer) const;
    // False when the stored form does not hold together; the matcher is
    // then empty.
    bool load(StoredFormReader &reader);

private:
    struct Rule {
        // Into m_strings; for a regex, its number in m_regexes.
        std::uint32_t pattern = 0;
        std::uint16_t patternLength = 0;
        TypeMask types = 0;
        std::uint32_t flags = 0;
        // Into m_domainWords; 0 for no $domain=.
        std::uint32_t domains = 0;
    };
    struct RequestAddress;
    struct RequestState;

    static RequestState &threadState();
    void addRule(const NetworkRule &rule, std::vector<std::string> *regexSources);
    void compileRegexes();
    void buildIndexes(const std::vector<NetworkRule> &rules);
    // Whether the rule applies to the request (page: to the page it comes
    // from, for the rules about pages).
    bool applies(const Rule &rule, RequestState &state, bool page) const;
    bool patternMatches(const Rule &rule, const RequestAddress &address) const;
    std::uint32_t cachedPageFlags(RequestState &state, std::string_view pageUrl) const;
    std::uint32_t computePageFlags(RequestState &state) const;
    bool validate() const;

    std::vector<Rule> m_rules;
    std::string m_strings;
    std::vector<std::uint64_t> m_domainWords;
    std::vector<std::string> m_regexSources;
    std::vector<FilterRegex> m_regexes;
    // Every rule that decides on requests.
    KeyIndex m_index;
    std::vector<std::uint32_t> m_unkeyed;
    // Exceptions that act on whole pages, looked up with the page's address.
    KeyIndex m_pageIndex;
    std::vector<std::uint32_t> m_pageUnkeyed;
    // Tells the per-thread memo of page flags which matcher it is for.
    std::uint64_t m_identity;
};
