#pragma once

#include "blocking/matcher/filterrules.h"
#include "blocking/matcher/keyindex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class StoredFormReader;
class StoredFormWriter;

// What a page on one host gets hidden.
struct PageHiding {
    // "selector{display:none!important}" rules: those for the host's sites
    // and, unless generic rules are off there, the generic ones that the
    // page itself must not pick (see keyedSelectors()).
    std::string styleSheet;
    // Whether the page applies the keyed generic selectors as it finds
    // their classes and ids.
    bool generic = false;
    // Keyed generic selectors that an exception turns off on this host.
    std::vector<std::string> excepted;
};

// A generic selector the page applies once an element carries its key: the
// class (".name") or id ("#name") its first part names. Most generic rules
// are such, and a page holds few of their keys, so the page looks up only
// the names it has instead of taking thousands of rules into its style.
struct KeyedSelectors {
    std::string key;
    std::vector<std::string> selectors;
};

// The hiding rules of one or more lists: generic rules split into keyed and
// other ones, rules for sites indexed by their sites, and the exceptions.
class HidingMatcher
{
public:
    HidingMatcher();
    explicit HidingMatcher(std::vector<HidingRule> rules);

    // host in lower case; genericAllowed false where a $generichide
    // exception says so.
    PageHiding forHost(std::string_view host, bool genericAllowed) const;

    // Sorted by key.
    std::vector<KeyedSelectors> keyedSelectors() const;

    std::size_t ruleCount() const { return m_ruleCount; }

    void store(StoredFormWriter &writer) const;
    bool load(StoredFormReader &reader);

private:
    // A selector in m_strings.
    struct Text {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    struct SiteRule {
        Text selector;
        std::uint32_t domains = 0;
    };

    std::string_view text(Text t) const
    {
        return std::string_view(m_strings).substr(t.offset, t.length);
    }
    Text keep(std::string_view s);
    bool validate() const;

    std::string m_strings;
    // Keyed generic selectors: for key i, m_keys[i] and the selectors
    // m_keyedTexts[m_keyedStart[i] .. m_keyedStart[i + 1]).
    std::vector<Text> m_keys;
    std::vector<std::uint32_t> m_keyedStart;
    std::vector<Text> m_keyedTexts;
    // Generic selectors put into every page's style sheet.
    std::vector<Text> m_otherGeneric;
    // Rules that name sites (to include or exclude), and exceptions for
    // sites; an exception's selector is compared by hash.
    std::vector<SiteRule> m_siteRules;
    std::vector<SiteRule> m_siteExceptions;
    std::vector<std::uint64_t> m_domainWords;
    // Rules and exceptions by the sites they include, "name.*" as written;
    // rules that only exclude sites are met on every host.
    KeyIndex m_ruleIndex;
    std::vector<std::uint32_t> m_excludingRules;
    KeyIndex m_exceptionIndex;
    std::uint64_t m_ruleCount = 0;
};
