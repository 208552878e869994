#include "blocking/matcher/hidingmatcher.h"

#include "blocking/matcher/domainlist.h"
#include "blocking/matcher/filterhash.h"
#include "blocking/matcher/registrabledomain.h"
#include "blocking/matcher/storedform.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>

namespace {

constexpr std::uint32_t FormatVersion = 2;

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
        || c == '_';
}

// ".name" or "#name" when the selector only matches elements under (or at)
// one carrying that class or id: its first compound names it, and no
// top-level comma starts another selector. Empty otherwise.
std::string_view selectorKey(std::string_view selector)
{
    if (selector.size() < 2 || (selector[0] != '.' && selector[0] != '#'))
        return {};
    std::size_t end = 1;
    while (end < selector.size() && isNameChar(selector[end]))
        ++end;
    if (end == 1 || (selector[1] >= '0' && selector[1] <= '9')
        || (end < selector.size() && selector[end] == '\\'))
        return {};
    int depth = 0;
    char quote = 0;
    for (std::size_t i = end; i < selector.size(); ++i) {
        const char c = selector[i];
        if (c == '\\') {
            ++i;
        } else if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            --depth;
        } else if (c == ',' && depth == 0) {
            return {};
        }
    }
    return selector.substr(0, end);
}

void appendRule(std::string *sheet, std::string_view selector)
{
    sheet->append(selector);
    sheet->append("{display:none!important}\n");
}

thread_local RegistrableDomains threadDomains;

} // namespace

HidingMatcher::HidingMatcher() : m_domainWords(1, 0) { }

HidingMatcher::HidingMatcher(std::vector<HidingRule> rules) : HidingMatcher()
{
    m_ruleCount = rules.size();
    // An exception for no site in particular turns its selector off
    // everywhere.
    std::set<std::string> offEverywhere;
    for (const HidingRule &rule : rules) {
        if (rule.exception && rule.includeDomains.empty() && rule.excludeDomains.empty())
            offEverywhere.insert(rule.selector);
    }
    std::map<std::string, std::set<std::string>> keyed;
    std::set<std::string> otherGeneric;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> rulePairs;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> exceptionPairs;
    for (const HidingRule &rule : rules) {
        if (offEverywhere.count(rule.selector))
            continue;
        const bool generic = rule.includeDomains.empty() && rule.excludeDomains.empty();
        if (generic) {
            const std::string_view key = selectorKey(rule.selector);
            if (key.empty())
                otherGeneric.insert(rule.selector);
            else
                keyed[std::string(key)].insert(rule.selector);
            continue;
        }
        SiteRule site{keep(rule.selector),
            DomainList::append(&m_domainWords, rule.includeDomains, rule.excludeDomains)};
        std::vector<SiteRule> &list = rule.exception ? m_siteExceptions : m_siteRules;
        const auto index = std::uint32_t(list.size());
        list.push_back(site);
        if (rule.includeDomains.empty() && !rule.exception)
            m_excludingRules.push_back(index);
        for (const std::string &domain : rule.includeDomains)
            (rule.exception ? exceptionPairs : rulePairs)
                .emplace_back(std::uint32_t(FilterHash::domain(domain)), index);
    }
    for (const auto &[key, selectors] : keyed) {
        m_keys.push_back(keep(key));
        m_keyedStart.push_back(std::uint32_t(m_keyedTexts.size()));
        for (const std::string &selector : selectors)
            m_keyedTexts.push_back(keep(selector));
    }
    m_keyedStart.push_back(std::uint32_t(m_keyedTexts.size()));
    for (const std::string &selector : otherGeneric)
        m_otherGeneric.push_back(keep(selector));
    m_ruleIndex.build(std::move(rulePairs));
    m_exceptionIndex.build(std::move(exceptionPairs));
}

HidingMatcher::Text HidingMatcher::keep(std::string_view s)
{
    const Text t{std::uint32_t(m_strings.size()), std::uint32_t(s.size())};
    m_strings.append(s);
    return t;
}

PageHiding HidingMatcher::forHost(std::string_view host, bool genericAllowed) const
{
    HostNames names;
    names.set(host);
    RegistrableDomains &domains = threadDomains;
    // The selectors excepted here, by hash.
    std::unordered_set<std::uint64_t> excepted;
    PageHiding page;
    // Rules are indexed by the names they include, "name.*" as written.
    std::vector<std::uint64_t> keys = names.suffixes();
    for (const std::uint64_t entity : names.entities(domains)) {
        if (entity)
            keys.push_back(entity);
    }
    for (const std::uint64_t key : keys) {
        m_exceptionIndex.forEach(std::uint32_t(key), [&](std::uint32_t index) {
            const SiteRule &rule = m_siteExceptions[index];
            if (names.allowedBy(&m_domainWords[rule.domains], domains)
                && excepted.insert(FilterHash::domain(text(rule.selector))).second)
                page.excepted.emplace_back(text(rule.selector));
            return false;
        });
    }
    std::unordered_set<std::uint64_t> added;
    const auto add = [&](Text selector) {
        const std::uint64_t hash = FilterHash::domain(text(selector));
        if (!excepted.count(hash) && added.insert(hash).second)
            appendRule(&page.styleSheet, text(selector));
    };
    const auto consider = [&](std::uint32_t index) {
        const SiteRule &rule = m_siteRules[index];
        if (names.allowedBy(&m_domainWords[rule.domains], domains))
            add(rule.selector);
        return false;
    };
    for (const std::uint64_t key : keys)
        m_ruleIndex.forEach(std::uint32_t(key), consider);
    for (const std::uint32_t index : m_excludingRules)
        consider(index);
    page.generic = genericAllowed;
    if (genericAllowed) {
        for (const Text selector : m_otherGeneric)
            add(selector);
    }
    return page;
}

std::vector<KeyedSelectors> HidingMatcher::keyedSelectors() const
{
    std::vector<KeyedSelectors> result;
    result.reserve(m_keys.size());
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        KeyedSelectors entry{std::string(text(m_keys[i])), {}};
        for (std::uint32_t k = m_keyedStart[i]; k < m_keyedStart[i + 1]; ++k)
            entry.selectors.emplace_back(text(m_keyedTexts[k]));
        result.push_back(std::move(entry));
    }
    return result;
}

void HidingMatcher::store(StoredFormWriter &writer) const
{
    writer.value(FormatVersion);
    writer.text(m_strings);
    writer.array(m_keys);
    writer.array(m_keyedStart);
    writer.array(m_keyedTexts);
    writer.array(m_otherGeneric);
    writer.array(m_siteRules);
    writer.array(m_siteExceptions);
    writer.array(m_domainWords);
    writer.array(m_ruleIndex.slotWords());
    writer.array(m_ruleIndex.lists());
    writer.array(m_excludingRules);
    writer.array(m_exceptionIndex.slotWords());
    writer.array(m_exceptionIndex.lists());
    writer.value(m_ruleCount);
}

bool HidingMatcher::load(StoredFormReader &reader)
{
    HidingMatcher loaded;
    std::uint32_t version = 0;
    const bool fine = reader.value(&version) && version == FormatVersion
        && reader.text(&loaded.m_strings) && reader.array(&loaded.m_keys)
        && reader.array(&loaded.m_keyedStart) && reader.array(&loaded.m_keyedTexts)
        && reader.array(&loaded.m_otherGeneric) && reader.array(&loaded.m_siteRules)
        && reader.array(&loaded.m_siteExceptions) && reader.array(&loaded.m_domainWords)
        && reader.array(&loaded.m_ruleIndex.slotWords())
        && reader.array(&loaded.m_ruleIndex.lists()) && reader.array(&loaded.m_excludingRules)
        && reader.array(&loaded.m_exceptionIndex.slotWords())
        && reader.array(&loaded.m_exceptionIndex.lists()) && reader.value(&loaded.m_ruleCount)
        && loaded.validate()
        && loaded.m_ruleIndex.adoptStored(std::uint32_t(loaded.m_siteRules.size()))
        && loaded.m_exceptionIndex.adoptStored(std::uint32_t(loaded.m_siteExceptions.size()));
    *this = fine ? std::move(loaded) : HidingMatcher();
    return fine;
}

bool HidingMatcher::validate() const
{
    const auto inStrings
        = [this](Text t) { return std::size_t(t.offset) + t.length <= m_strings.size(); };
    const auto allIn = [&](const std::vector<Text> &texts) {
        return std::all_of(texts.begin(), texts.end(), inStrings);
    };
    const auto rulesFine = [&](const std::vector<SiteRule> &rules) {
        return std::all_of(rules.begin(), rules.end(), [&](const SiteRule &rule) {
            return inStrings(rule.selector) && rule.domains != 0
                && DomainList::length(m_domainWords, rule.domains) != 0;
        });
    };
    if (m_keyedStart.size() != m_keys.size() + 1 || m_keyedStart.back() != m_keyedTexts.size()
        || !std::is_sorted(m_keyedStart.begin(), m_keyedStart.end()))
        return false;
    return allIn(m_keys) && allIn(m_keyedTexts) && allIn(m_otherGeneric) && rulesFine(m_siteRules)
        && rulesFine(m_siteExceptions)
        && std::all_of(m_excludingRules.begin(), m_excludingRules.end(),
            [this](std::uint32_t i) { return i < m_siteRules.size(); });
}
