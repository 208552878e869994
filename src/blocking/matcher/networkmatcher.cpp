#include "blocking/matcher/networkmatcher.h"

#include "blocking/matcher/addresspattern.h"
#include "blocking/matcher/domainlist.h"
#include "blocking/matcher/filterhash.h"
#include "blocking/matcher/registrabledomain.h"
#include "blocking/matcher/storedform.h"

#include <algorithm>
#include <atomic>

namespace {

// Flags of the compiled rules beside NetworkRule's own.
constexpr std::uint32_t HostOnly = 1u << 24; // "||host^": a host suffix comparison
constexpr std::uint32_t HasIncludes = 1u << 25; // $domain= names sites: not generic

constexpr std::uint32_t FormatVersion = 3;

std::uint64_t nextIdentity()
{
    static std::atomic<std::uint64_t> counter{1};
    return counter++;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

void assignLowered(std::string *out, std::string_view text)
{
    out->assign(text);
    for (char &c : *out)
        c = lowerAscii(c);
}

std::uint32_t hostKey(std::string_view host)
{
    return FilterHash::host(host);
}

// Pages' hosts are looked up under the other half of the same hash, so that
// a rule keyed by the site it runs on is not met by requests to that site.
std::uint32_t sourceKey(std::uint64_t domainHash)
{
    return static_cast<std::uint32_t>(domainHash >> 32);
}

bool isSchemeName(std::string_view token)
{
    return token == "http" || token == "https" || token == "ws" || token == "wss";
}

bool isHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

bool isHostName(std::string_view text)
{
    for (const char c : text) {
        if (!isHostChar(c))
            return false;
    }
    return true;
}

// The suffixes of a host, longest first: "a.b.c", "b.c", "c".
template <typename Visit> void forEachSuffix(std::string_view host, Visit &&visit)
{
    for (std::size_t at = 0; at < host.size();) {
        visit(host.substr(at));
        const std::size_t dot = host.find('.', at);
        if (dot == std::string_view::npos)
            return;
        at = dot + 1;
    }
}

// The keys an address offers: the suffixes of its host and the tokens after
// its scheme.
void addressKeys(
    std::string_view lowered, const AddressParts &parts, std::vector<std::uint32_t> *keys)
{
    keys->clear();
    forEachSuffix(
        parts.host(lowered), [&](std::string_view suffix) { keys->push_back(hostKey(suffix)); });
    for (std::size_t i = parts.afterScheme; i < lowered.size();) {
        if (!isTokenChar(lowered[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < lowered.size() && isTokenChar(lowered[j]))
            ++j;
        keys->push_back(FilterHash::token(lowered.substr(i, j - i)));
        i = j;
    }
}

// --- choosing a rule's key -------------------------------------------------

struct Candidate {
    std::uint32_t key;
    std::size_t length;
    bool host;
};

// Tokens of a plain pattern that an address matching it must hold whole: a
// run of token characters with a known edge on either side. A "*" beside it,
// or an open end, could extend it in the address.
void patternCandidates(std::string_view pattern, std::uint32_t flags, std::vector<Candidate> *out)
{
    // Patterns are in lower case already unless they match case.
    std::string copy;
    if (flags & NetworkRule::MatchCase)
        assignLowered(&copy, pattern);
    const std::string_view lowered = (flags & NetworkRule::MatchCase) ? copy : pattern;
    const std::size_t n = lowered.size();
    for (std::size_t i = 0; i < n;) {
        if (!isTokenChar(lowered[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && isTokenChar(lowered[j]))
            ++j;
        const bool leftKnown
            = i > 0 ? lowered[i - 1] != '*' : (flags & NetworkRule::HostAnchor) != 0;
        const bool rightKnown = j < n ? lowered[j] != '*' : (flags & NetworkRule::EndAnchor) != 0;
        const std::string_view token = lowered.substr(i, j - i);
        if (leftKnown && rightKnown && !isSchemeName(token))
            out->push_back({FilterHash::token(token), token.size(), false});
        i = j;
    }
    if (!(flags & NetworkRule::HostAnchor))
        return;
    // "||host/..." or "||host^...": the host is a whole suffix of the
    // address's host.
    std::size_t end = 0;
    while (end < lowered.size() && isHostChar(lowered[end]))
        ++end;
    if (end == 0 || lowered.front() == '.')
        return;
    const bool whole = end == lowered.size()
        ? (flags & NetworkRule::EndAnchor) != 0
        : lowered[end] == '^' || lowered[end] == '/' || lowered[end] == ':' || lowered[end] == '?';
    const std::string_view host = lowered.substr(0, end);
    if (whole)
        out->push_back({hostKey(host), host.size(), true});
}

// Literal text a regex demands, read from its top level only: no
// alternatives there, nothing quantified, nothing in groups or classes.
void regexCandidates(std::string_view source, std::vector<Candidate> *out)
{
    std::string literal;
    const auto flush = [&] {
        for (std::size_t i = 0; i < literal.size();) {
            if (!isTokenChar(literal[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < literal.size() && isTokenChar(literal[j]))
                ++j;
            const std::string_view token = std::string_view(literal).substr(i, j - i);
            if (i > 0 && j < literal.size() && !isSchemeName(token))
                out->push_back({FilterHash::token(token), token.size(), false});
            i = j;
        }
        literal.clear();
    };
    int depth = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '\\') {
            if (i + 1 >= source.size())
                break;
            const char next = source[++i];
            if (depth > 0 || isTokenChar(next)) {
                flush();
                continue;
            }
            literal.push_back(next);
            continue;
        }
        if (c == '[') {
            flush();
            for (++i; i < source.size() && source[i] != ']'; ++i)
                i += source[i] == '\\';
            continue;
        }
        if (c == '(' || c == ')') {
            flush();
            depth += c == '(' ? 1 : -1;
            continue;
        }
        if (depth > 0)
            continue;
        if (c == '|') {
            // Alternatives at the top: no text is certain.
            out->clear();
            return;
        }
        if (c == '*' || c == '+' || c == '?' || c == '{') {
            if (!literal.empty())
                literal.pop_back();
            flush();
            continue;
        }
        if (c == '^' || c == '$' || c == '.' || c == '}') {
            flush();
            continue;
        }
        literal.push_back(lowerAscii(c));
    }
    flush();
}

void ruleCandidates(const NetworkRule &rule, std::vector<Candidate> *out)
{
    out->clear();
    if (rule.flags & NetworkRule::Regex)
        regexCandidates(rule.pattern, out);
    else
        patternCandidates(rule.pattern, rule.flags, out);
}

using KeyPairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// How often each key is offered, in an open-addressed table.
class KeyCounts
{
public:
    explicit KeyCounts(std::size_t keys)
    {
        std::size_t capacity = 16;
        while (capacity < keys * 2)
            capacity *= 2;
        m_slots.assign(capacity, {0, 0});
        m_mask = capacity - 1;
    }
    std::uint32_t &operator[](std::uint32_t key)
    {
        key = key ? key : 1;
        std::size_t i = key & m_mask;
        while (m_slots[i].first != 0 && m_slots[i].first != key)
            i = (i + 1) & m_mask;
        m_slots[i].first = key;
        return m_slots[i].second;
    }

private:
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_slots;
    std::size_t m_mask;
};

// Every rule under its rarest key; rules without a key that name the sites
// they run on go under those sites, the rest are checked for every request.
void assignKeys(const std::vector<NetworkRule> &rules, const std::vector<std::uint32_t> &members,
    KeyPairs *pairs, std::vector<std::uint32_t> *unkeyed)
{
    std::vector<Candidate> candidates;
    std::vector<std::size_t> starts;
    starts.reserve(members.size() + 1);
    std::vector<Candidate> one;
    for (const std::uint32_t index : members) {
        starts.push_back(candidates.size());
        ruleCandidates(rules[index], &one);
        candidates.insert(candidates.end(), one.begin(), one.end());
    }
    starts.push_back(candidates.size());
    KeyCounts frequency(candidates.size());
    for (const Candidate &candidate : candidates)
        ++frequency[candidate.key];
    for (std::size_t m = 0; m < members.size(); ++m) {
        const std::uint32_t index = members[m];
        const NetworkRule &rule = rules[index];
        const auto begin = candidates.begin() + long(starts[m]);
        const auto end = candidates.begin() + long(starts[m + 1]);
        const auto best = std::min_element(begin, end, [&](const Candidate &a, const Candidate &b) {
            const std::uint32_t fa = frequency[a.key];
            const std::uint32_t fb = frequency[b.key];
            if (fa != fb)
                return fa < fb;
            if (a.host != b.host)
                return a.host;
            return a.length > b.length;
        });
        if (best != end) {
            pairs->emplace_back(best->key, index);
            continue;
        }
        const bool sitesNamed = !rule.includeDomains.empty()
            && std::none_of(
                rule.includeDomains.begin(), rule.includeDomains.end(), [](const std::string &d) {
                    return d.size() > 2 && d.substr(d.size() - 2) == ".*";
                });
        if (!sitesNamed) {
            unkeyed->push_back(index);
            continue;
        }
        for (const std::string &domain : rule.includeDomains)
            pairs->emplace_back(sourceKey(FilterHash::domain(domain)), index);
    }
}

} // namespace

// What one decision works with; kept per thread so that its buffers keep
// their capacity from one decision to the next.
struct NetworkMatcher::RequestAddress {
    std::string_view original;
    std::string lowered;
    AddressParts parts;
    std::string_view host() const { return parts.host(lowered); }
};

struct NetworkMatcher::RequestState {
    using Address = RequestAddress;

    void prepare(const NetworkRequest &request)
    {
        setAddress(&target, request.url);
        addressKeys(target.lowered, target.parts, &keys);
        setAddress(&source, request.sourceUrl);
        sourceNames.set(source.host());
        sourceKeys.clear();
        for (const std::uint64_t suffix : sourceNames.suffixes())
            sourceKeys.push_back(sourceKey(suffix));
        thirdParty = -1;
    }

    static void setAddress(Address *address, std::string_view text)
    {
        address->original = text;
        assignLowered(&address->lowered, text);
        address->parts = splitAddress(address->lowered);
    }

    bool isThirdParty()
    {
        if (thirdParty < 0) {
            const std::string_view from = source.host();
            thirdParty = !from.empty() && domains.of(target.host()) != domains.of(from);
        }
        return thirdParty;
    }

    Address target;
    Address source;
    std::vector<std::uint32_t> keys;
    HostNames sourceNames;
    std::vector<std::uint32_t> sourceKeys;
    std::vector<std::uint32_t> pageKeys;
    int thirdParty = -1;
    RegistrableDomains domains;
    // The last page's flags, with the matcher they came from.
    std::string memoPage;
    std::uint64_t memoMatcher = 0;
    std::uint32_t memoFlags = 0;
};

NetworkMatcher::RequestState &NetworkMatcher::threadState()
{
    thread_local RequestState state;
    return state;
}

NetworkMatcher::NetworkMatcher() : m_domainWords(1, 0), m_identity(nextIdentity()) { }

NetworkMatcher::NetworkMatcher(std::vector<NetworkRule> rules) : NetworkMatcher()
{
    m_rules.reserve(rules.size());
    for (const NetworkRule &rule : rules)
        addRule(rule, &m_regexSources);
    compileRegexes();
    buildIndexes(rules);
}

NetworkMatcher::~NetworkMatcher() = default;
NetworkMatcher::NetworkMatcher(NetworkMatcher &&) noexcept = default;
NetworkMatcher &NetworkMatcher::operator=(NetworkMatcher &&) noexcept = default;

void NetworkMatcher::addRule(const NetworkRule &rule, std::vector<std::string> *regexSources)
{
    Rule compiled;
    compiled.types = rule.types;
    compiled.flags = rule.flags;
    if (rule.flags & NetworkRule::Regex) {
        compiled.pattern = std::uint32_t(regexSources->size());
        regexSources->push_back(rule.pattern);
    } else {
        compiled.pattern = std::uint32_t(m_strings.size());
        compiled.patternLength = std::uint16_t(std::min<std::size_t>(rule.pattern.size(), 0xffff));
        m_strings.append(rule.pattern, 0, compiled.patternLength);
        const std::string_view host
            = std::string_view(rule.pattern).substr(0, rule.pattern.size() - 1);
        if ((rule.flags & NetworkRule::HostAnchor) && !(rule.flags & NetworkRule::EndAnchor)
            && rule.pattern.size() >= 2 && rule.pattern.back() == '^' && host.front() != '.'
            && isHostName(host))
            compiled.flags |= HostOnly;
    }
    if (!rule.includeDomains.empty() || !rule.excludeDomains.empty()) {
        compiled.domains
            = DomainList::append(&m_domainWords, rule.includeDomains, rule.excludeDomains);
        if (!rule.includeDomains.empty())
            compiled.flags |= HasIncludes;
    }
    m_rules.push_back(compiled);
}

void NetworkMatcher::buildIndexes(const std::vector<NetworkRule> &rules)
{
    std::vector<std::uint32_t> requestRules;
    std::vector<std::uint32_t> pageRules;
    for (std::uint32_t i = 0; i < rules.size(); ++i) {
        if (rules[i].types != 0)
            requestRules.push_back(i);
        if (rules[i].flags & NetworkRule::PageFlags)
            pageRules.push_back(i);
    }
    KeyPairs pairs;
    assignKeys(rules, requestRules, &pairs, &m_unkeyed);
    m_index.build(std::move(pairs));
    KeyPairs pagePairs;
    assignKeys(rules, pageRules, &pagePairs, &m_pageUnkeyed);
    m_pageIndex.build(std::move(pagePairs));
}

Verdict NetworkMatcher::match(const NetworkRequest &request) const
{
    RequestState &state = threadState();
    state.prepare(request);
    const std::uint32_t page
        = request.sourceUrl.empty() ? 0 : cachedPageFlags(state, request.sourceUrl);
    if (page & NetworkRule::PageAllowed)
        return Verdict::Allowed;
    const TypeMask type = typeBit(request.type);
    const bool genericOff = page & NetworkRule::PageNoGenericBlocking;
    bool blocked = false;
    bool excepted = false;
    const auto consider = [&](std::uint32_t index) {
        const Rule &rule = m_rules[index];
        if (!(rule.types & type))
            return false;
        const bool exception = rule.flags & NetworkRule::Exception;
        const bool important = rule.flags & NetworkRule::Important;
        if (exception ? excepted : blocked && !important)
            return false;
        if (!exception && genericOff && !(rule.flags & HasIncludes))
            return false;
        if (!applies(rule, state, false))
            return false;
        if (!exception && important)
            return true;
        (exception ? excepted : blocked) = true;
        return false;
    };
    bool important = false;
    for (const std::uint32_t key : state.keys)
        important = important || m_index.forEach(key, consider);
    for (const std::uint32_t key : state.sourceKeys)
        important = important || m_index.forEach(key, consider);
    for (const std::uint32_t index : m_unkeyed)
        important = important || consider(index);
    if (important)
        return Verdict::Blocked;
    if (blocked)
        return excepted ? Verdict::Allowed : Verdict::Blocked;
    return Verdict::NoMatch;
}

bool NetworkMatcher::applies(const Rule &rule, RequestState &state, bool page) const
{
    if (!page && (rule.flags & (NetworkRule::ThirdPartyOnly | NetworkRule::FirstPartyOnly))) {
        const bool third = state.isThirdParty();
        if (third ? (rule.flags & NetworkRule::FirstPartyOnly)
                  : (rule.flags & NetworkRule::ThirdPartyOnly))
            return false;
    }
    if (rule.domains && !state.sourceNames.allowedBy(&m_domainWords[rule.domains], state.domains))
        return false;
    return patternMatches(rule, page ? state.source : state.target);
}

bool NetworkMatcher::patternMatches(const Rule &rule, const RequestAddress &address) const
{
    if (rule.flags & NetworkRule::Regex)
        return m_regexes[rule.pattern].matches(address.original);
    const std::string_view pattern(m_strings.data() + rule.pattern, rule.patternLength);
    if (rule.flags & HostOnly) {
        const std::string_view host = address.host();
        const std::string_view name = pattern.substr(0, pattern.size() - 1);
        return host.size() >= name.size() && host.substr(host.size() - name.size()) == name
            && (host.size() == name.size() || host[host.size() - name.size() - 1] == '.');
    }
    const std::string_view subject = (rule.flags & NetworkRule::MatchCase)
        ? address.original
        : std::string_view(address.lowered);
    return addressMatchesPattern(pattern, rule.flags, subject, address.parts);
}

std::uint32_t NetworkMatcher::pageFlags(std::string_view pageUrl) const
{
    RequestState &state = threadState();
    state.prepare(NetworkRequest{pageUrl, pageUrl, RequestType::Document});
    return cachedPageFlags(state, pageUrl);
}

std::uint32_t NetworkMatcher::cachedPageFlags(RequestState &state, std::string_view pageUrl) const
{
    if (state.memoMatcher == m_identity && state.memoPage == pageUrl)
        return state.memoFlags;
    state.memoFlags = computePageFlags(state);
    state.memoMatcher = m_identity;
    state.memoPage.assign(pageUrl);
    return state.memoFlags;
}

std::uint32_t NetworkMatcher::computePageFlags(RequestState &state) const
{
    addressKeys(state.source.lowered, state.source.parts, &state.pageKeys);
    std::uint32_t flags = 0;
    const auto consider = [&](std::uint32_t index) {
        const Rule &rule = m_rules[index];
        if ((rule.flags & NetworkRule::PageFlags & ~flags) && applies(rule, state, true))
            flags |= rule.flags & NetworkRule::PageFlags;
        return false;
    };
    for (const std::uint32_t key : state.pageKeys)
        m_pageIndex.forEach(key, consider);
    for (const std::uint32_t key : state.sourceKeys)
        m_pageIndex.forEach(key, consider);
    for (const std::uint32_t index : m_pageUnkeyed)
        consider(index);
    return flags;
}

void NetworkMatcher::store(StoredFormWriter &writer) const
{
    writer.value(FormatVersion);
    writer.array(m_rules);
    writer.text(m_strings);
    writer.array(m_domainWords);
    writer.value(std::uint64_t(m_regexSources.size()));
    for (const std::string &source : m_regexSources)
        writer.text(source);
    writer.array(m_index.slotWords());
    writer.array(m_index.lists());
    writer.array(m_unkeyed);
    writer.array(m_pageIndex.slotWords());
    writer.array(m_pageIndex.lists());
    writer.array(m_pageUnkeyed);
}

bool NetworkMatcher::load(StoredFormReader &reader)
{
    NetworkMatcher loaded;
    std::uint32_t version = 0;
    std::uint64_t regexCount = 0;
    bool fine = reader.value(&version) && version == FormatVersion && reader.array(&loaded.m_rules)
        && reader.text(&loaded.m_strings) && reader.array(&loaded.m_domainWords)
        && reader.value(&regexCount) && regexCount <= loaded.m_rules.size();
    for (std::uint64_t i = 0; fine && i < regexCount; ++i) {
        std::string source;
        fine = reader.text(&source);
        loaded.m_regexSources.push_back(std::move(source));
    }
    fine = fine && reader.array(&loaded.m_index.slotWords())
        && reader.array(&loaded.m_index.lists()) && reader.array(&loaded.m_unkeyed)
        && reader.array(&loaded.m_pageIndex.slotWords())
        && reader.array(&loaded.m_pageIndex.lists()) && reader.array(&loaded.m_pageUnkeyed)
        && loaded.validate() && loaded.m_index.adoptStored(std::uint32_t(loaded.m_rules.size()))
        && loaded.m_pageIndex.adoptStored(std::uint32_t(loaded.m_rules.size()));
    if (!fine) {
        *this = NetworkMatcher();
        return false;
    }
    loaded.compileRegexes();
    *this = std::move(loaded);
    return true;
}

bool NetworkMatcher::validate() const
{
    if (m_rules.size() > 0x7fffffff || m_domainWords.empty())
        return false;
    std::size_t regexes = 0;
    for (const Rule &rule : m_rules) {
        if (rule.flags & NetworkRule::Regex) {
            // Numbered in the order of their rules.
            if (rule.pattern != regexes++)
                return false;
        } else if (std::size_t(rule.pattern) + rule.patternLength > m_strings.size()
            || ((rule.flags & HostOnly) && rule.patternLength < 2)) {
            return false;
        }
        if (rule.domains) {
            if (DomainList::length(m_domainWords, rule.domains) == 0)
                return false;
        }
    }
    const auto count = std::uint32_t(m_rules.size());
    const auto inRange = [count](const std::vector<std::uint32_t> &indexes) {
        return std::all_of(
            indexes.begin(), indexes.end(), [count](std::uint32_t i) { return i < count; });
    };
    return regexes == m_regexSources.size() && inRange(m_unkeyed) && inRange(m_pageUnkeyed);
}

void NetworkMatcher::compileRegexes()
{
    m_regexes.clear();
    for (const Rule &rule : m_rules) {
        if (rule.flags & NetworkRule::Regex)
            m_regexes.emplace_back(
                m_regexSources[rule.pattern], rule.flags & NetworkRule::MatchCase);
    }
}
