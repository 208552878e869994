#include "blocking/matcher/filterlineparser.h"

#include "blocking/matcher/filterregex.h"

#include <algorithm>
#include <array>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lowerAscii);
    return result;
}

// No control characters, and UTF-8 throughout.
bool isText(std::string_view line)
{
    for (std::size_t i = 0; i < line.size();) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t') || c == 0x7f)
                return false;
            ++i;
            continue;
        }
        const int length = c >= 0xf0 && c < 0xf5 ? 4
            : c >= 0xe0                          ? 3
            : c >= 0xc2 && c < 0xe0              ? 2
                                                 : 0;
        if (length == 0 || (c >= 0xe0 && length == 2) || i + length > line.size())
            return false;
        for (int k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(line[i + k]) & 0xc0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// A domain of a $domain= list or of a hiding rule: letters, digits, dots,
// hyphens, underscores and non-ASCII letters; "name.*" for any suffix.
bool isDomainName(std::string_view name)
{
    if (name.empty() || name.front() == '.')
        return false;
    if (name.size() > 2 && name.substr(name.size() - 2) == ".*")
        name.remove_suffix(2);
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_'
            || static_cast<unsigned char>(c) >= 0x80;
    });
}

// Splits a domain list into the included and the excluded ("~") names;
// false for an empty or malformed entry.
bool parseDomains(std::string_view list, char separator, std::vector<std::string> *include,
    std::vector<std::string> *exclude)
{
    while (true) {
        const std::size_t end = list.find(separator);
        std::string_view entry = trimmed(list.substr(0, end));
        const bool excluded = !entry.empty() && entry.front() == '~';
        if (excluded)
            entry.remove_prefix(1);
        std::string name = lowered(entry);
        if (!isDomainName(name))
            return false;
        (excluded ? exclude : include)->push_back(std::move(name));
        if (end == std::string_view::npos)
            return true;
        list.remove_prefix(end + 1);
    }
}

// --- hosts files ---------------------------------------------------------

constexpr std::array HostsAddresses = {std::string_view("0.0.0.0"), std::string_view("127.0.0.1"),
    std::string_view("::"), std::string_view("::1")};

// The names every hosts file maps to itself; they are the machine's own.
constexpr std::array OwnNames = {std::string_view("localhost"),
    std::string_view("localhost.localdomain"), std::string_view("local"),
    std::string_view("broadcasthost"), std::string_view("ip6-localhost"),
    std::string_view("ip6-loopback"), std::string_view("0.0.0.0")};

bool isHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// "0.0.0.0 ads.example" and its kin: each name becomes "||name^".
bool parseHostsLine(std::string_view line, FilterLineSink &sink)
{
    // Only lines that start with an address are candidates.
    if (line.front() != '0' && line.front() != '1' && line.front() != ':')
        return false;
    const std::size_t blank = line.find_first_of(" \t");
    if (blank == std::string_view::npos)
        return false;
    const std::string_view address = line.substr(0, blank);
    if (std::find(HostsAddresses.begin(), HostsAddresses.end(), address) == HostsAddresses.end())
        return false;
    std::string_view rest = line.substr(blank);
    rest = rest.substr(0, rest.find('#'));
    while (true) {
        rest = trimmed(rest);
        if (rest.empty())
            return true;
        const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
        const std::string name = lowered(rest.substr(0, end));
        rest.remove_prefix(end);
        if (std::find(OwnNames.begin(), OwnNames.end(), name) != OwnNames.end())
            continue;
        if (name.empty() || name.front() == '.' || name.back() == '.'
            || !std::all_of(name.begin(), name.end(), isHostChar)) {
            sink.ignored(IgnoredBecause::Malformed, line);
            continue;
        }
        NetworkRule rule;
        rule.pattern = name + '^';
        rule.flags = NetworkRule::HostAnchor;
        sink.network(std::move(rule));
    }
}

// --- hiding rules ----------------------------------------------------------

// Selector syntax that only extended engines understand, or that changes
// style or scripts instead of hiding.
constexpr std::array ExtendedSyntax
    = {std::string_view(":-abp-"), std::string_view(":has-text("), std::string_view(":xpath("),
        std::string_view(":style("), std::string_view(":remove("), std::string_view(":matches-css"),
        std::string_view(":upward("), std::string_view(":watch-attr("),
        std::string_view(":min-text-length("), std::string_view(":matches-path("),
        std::string_view(":others("), std::string_view(":remove-attr("),
        std::string_view(":remove-class("), std::string_view(":matches-attr("),
        std::string_view(":matches-prop("), std::string_view(":matches-media("),
        std::string_view(":contains("), std::string_view(":properties("),
        std::string_view(":nth-ancestor("), std::string_view(":if("), std::string_view(":if-not(")};

// A selector goes into a style sheet as "selector{display:none!important}":
// braces, comments, at-rules and unbalanced quotes or brackets could end
// that rule early and add rules of their own, so such selectors are refused.
bool isSafeSelector(std::string_view selector)
{
    if (selector.empty() || selector.front() == '@'
        || selector.find("/*") != std::string_view::npos)
        return false;
    char quote = 0;
    int brackets = 0;
    int parentheses = 0;
    for (std::size_t i = 0; i < selector.size(); ++i) {
        const char c = selector[i];
        if (c == '\\') {
            // A lone backslash at the end would escape the rule's own brace.
            if (++i == selector.size())
                return false;
            continue;
        }
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        switch (c) {
        case '"':
        case '\'':
            quote = c;
            break;
        case '{':
        case '}':
        case ';':
            return false;
        case '[':
            ++brackets;
            break;
        case ']':
            if (--brackets < 0)
                return false;
            break;
        case '(':
            ++parentheses;
            break;
        case ')':
            if (--parentheses < 0)
                return false;
            break;
        default:
            break;
        }
    }
    return quote == 0 && brackets == 0 && parentheses == 0;
}

// Where a hiding rule's separator starts, and how long it is; npos when the
// line is no hiding rule. The part before it, the domains, holds none of the
// characters a network rule's address would.
std::size_t hidingSeparator(std::string_view line, std::size_t *length)
{
    const std::size_t hash = line.find('#');
    if (hash == std::string_view::npos)
        return std::string_view::npos;
    for (std::size_t i = 0; i < hash; ++i) {
        switch (line[i]) {
        case '/':
        case '|':
        case '@':
        case '"':
        case '!':
        case '$':
        case '^':
            return std::string_view::npos;
        default:
            break;
        }
    }
    static constexpr std::array Separators = {std::string_view("##"), std::string_view("#@#"),
        std::string_view("#?#"), std::string_view("#@?#"), std::string_view("#$#"),
        std::string_view("#@$#"), std::string_view("#%#"), std::string_view("#@%#")};
    for (const std::string_view separator : Separators) {
        if (line.substr(hash, separator.size()) == separator) {
            *length = separator.size();
            return hash;
        }
    }
    return std::string_view::npos;
}

void parseHidingLine(
    std::string_view line, std::size_t at, std::size_t length, FilterLineSink &sink)
{
    const std::string_view separator = line.substr(at, length);
    const std::string_view selector = trimmed(line.substr(at + length));
    if (separator != "##" && separator != "#@#") {
        sink.ignored(IgnoredBecause::UnsupportedHiding, line);
        return;
    }
    if (startsWith(selector, "+js(") || startsWith(selector, "^")
        || std::any_of(ExtendedSyntax.begin(), ExtendedSyntax.end(),
            [&](std::string_view s) { return selector.find(s) != std::string_view::npos; })) {
        sink.ignored(IgnoredBecause::UnsupportedHiding, line);
        return;
    }
    HidingRule rule;
    rule.exception = separator == "#@#";
    const std::string_view domains = line.substr(0, at);
    if (!isSafeSelector(selector)
        || (!domains.empty()
            && !parseDomains(domains, ',', &rule.includeDomains, &rule.excludeDomains))) {
        sink.ignored(IgnoredBecause::Malformed, line);
        return;
    }
    rule.selector = selector;
    sink.hiding(std::move(rule));
}

// --- network rules ---------------------------------------------------------

enum class OptionResult { Fine, Unsupported, Malformed };

// Options that act on the page an exception matches.
struct PageOption {
    std::string_view name;
    std::uint32_t flag;
};
constexpr std::array PageOptions = {PageOption{"elemhide", NetworkRule::PageNoHiding},
    PageOption{"ehide", NetworkRule::PageNoHiding},
    PageOption{"generichide", NetworkRule::PageNoGenericHiding},
    PageOption{"ghide", NetworkRule::PageNoGenericHiding},
    PageOption{"genericblock", NetworkRule::PageNoGenericBlocking}};

struct TypeOptions {
    TypeMask included = 0;
    TypeMask excluded = 0;
};

OptionResult applyOption(std::string_view option, NetworkRule *rule, TypeOptions *types)
{
    const bool negated = !option.empty() && option.front() == '~';
    const std::string name = lowered(negated ? option.substr(1) : option);
    RequestType type;
    if (typeFromOptionName(name, &type)) {
        (negated ? types->excluded : types->included) |= typeBit(type);
        if (type == RequestType::Document && !negated && (rule->flags & NetworkRule::Exception))
            rule->flags |= NetworkRule::PageAllowed;
        return OptionResult::Fine;
    }
    const bool thirdParty = name == "third-party" || name == "3p";
    if (thirdParty || name == "first-party" || name == "1p") {
        rule->flags
            |= thirdParty != negated ? NetworkRule::ThirdPartyOnly : NetworkRule::FirstPartyOnly;
        return OptionResult::Fine;
    }
    if (name == "match-case" || name == "important") {
        if (!negated)
            rule->flags |= name == "important" ? NetworkRule::Important : NetworkRule::MatchCase;
        return OptionResult::Fine;
    }
    if (name == "all" && !negated) {
        types->included |= AllTypes;
        return OptionResult::Fine;
    }
    if (startsWith(name, "domain=") || startsWith(name, "from=")) {
        const std::string_view list = option.substr(option.find('=') + 1);
        return !negated && parseDomains(list, '|', &rule->includeDomains, &rule->excludeDomains)
            ? OptionResult::Fine
            : OptionResult::Malformed;
    }
    for (const PageOption &page : PageOptions) {
        if (name == page.name && !negated && (rule->flags & NetworkRule::Exception)) {
            rule->flags |= page.flag;
            return OptionResult::Fine;
        }
    }
    return OptionResult::Unsupported;
}

// The options' start: after the last "$" that is followed by what an option
// begins with. "/ads$/" is a regex ending in "$", not an option list.
std::size_t optionsStart(std::string_view body)
{
    const std::size_t dollar = body.rfind('$');
    if (dollar == std::string_view::npos || dollar + 1 >= body.size())
        return std::string_view::npos;
    const char next = lowerAscii(body[dollar + 1]);
    const bool optionLike = (next >= 'a' && next <= 'z') || (next >= '0' && next <= '9')
        || next == '~' || next == '_';
    return optionLike ? dollar + 1 : std::string_view::npos;
}

OptionResult applyOptions(std::string_view options, NetworkRule *rule)
{
    TypeOptions types;
    while (true) {
        const std::size_t end = options.find(',');
        const OptionResult result = applyOption(trimmed(options.substr(0, end)), rule, &types);
        if (result != OptionResult::Fine)
            return result;
        if (end == std::string_view::npos)
            break;
        options.remove_prefix(end + 1);
    }
    if (types.included)
        rule->types = types.included & ~types.excluded;
    else if (types.excluded)
        rule->types = DefaultTypes & ~types.excluded;
    // An exception that acts only on pages ($elemhide alone) matches no
    // request of its own.
    if (!types.included && !types.excluded && (rule->flags & NetworkRule::PageFlags))
        rule->types = 0;
    return OptionResult::Fine;
}

// Anchors off, wildcards at the ends dropped (they match anyway), runs of
// "*" made one.
void setPattern(std::string_view pattern, NetworkRule *rule)
{
    auto &flags = rule->flags;
    if (startsWith(pattern, "||")) {
        flags |= NetworkRule::HostAnchor;
        pattern.remove_prefix(2);
    } else if (startsWith(pattern, "|")) {
        flags |= NetworkRule::StartAnchor;
        pattern.remove_prefix(1);
    }
    if (!pattern.empty() && pattern.back() == '|') {
        flags |= NetworkRule::EndAnchor;
        pattern.remove_suffix(1);
    }
    if (!pattern.empty() && pattern.front() == '*') {
        flags &= ~(NetworkRule::HostAnchor | NetworkRule::StartAnchor);
        pattern.remove_prefix(pattern.find_first_not_of('*') == std::string_view::npos
                ? pattern.size()
                : pattern.find_first_not_of('*'));
    }
    if (!pattern.empty() && pattern.back() == '*') {
        flags &= ~NetworkRule::EndAnchor;
        pattern = pattern.substr(0, pattern.find_last_not_of('*') + 1);
    }
    std::string &out = rule->pattern;
    out.clear();
    for (const char c : pattern) {
        if (c == '*' && !out.empty() && out.back() == '*')
            continue;
        out.push_back((flags & NetworkRule::MatchCase) ? c : lowerAscii(c));
    }
}

void parseNetworkLine(std::string_view line, FilterLineSink &sink)
{
    NetworkRule rule;
    std::string_view body = line;
    if (startsWith(body, "@@")) {
        rule.flags |= NetworkRule::Exception;
        body.remove_prefix(2);
    }
    const std::size_t options = optionsStart(body);
    if (options != std::string_view::npos) {
        const OptionResult result = applyOptions(body.substr(options), &rule);
        if (result != OptionResult::Fine) {
            sink.ignored(result == OptionResult::Unsupported ? IgnoredBecause::UnsupportedOption
                                                             : IgnoredBecause::Malformed,
                line);
            return;
        }
        body = body.substr(0, options - 1);
    }
    if (body.size() >= 2 && body.front() == '/' && body.back() == '/') {
        const std::string_view source = body.substr(1, body.size() - 2);
        if (!FilterRegex::compiles(source, rule.flags & NetworkRule::MatchCase)) {
            sink.ignored(IgnoredBecause::Malformed, line);
            return;
        }
        rule.flags |= NetworkRule::Regex;
        rule.pattern = source;
    } else {
        setPattern(body, &rule);
    }
    sink.network(std::move(rule));
}

} // namespace

const char *ignoredReasonName(IgnoredBecause reason)
{
    switch (reason) {
    case IgnoredBecause::UnsupportedOption:
        return "unsupported_option";
    case IgnoredBecause::UnsupportedHiding:
        return "unsupported_hiding";
    case IgnoredBecause::Malformed:
        return "malformed";
    case IgnoredBecause::TooLong:
        return "too_long";
    case IgnoredBecause::NotText:
        return "not_text";
    }
    return "unknown";
}

void parseFilterLine(std::string_view line, FilterLineSink &sink)
{
    if (line.size() > MaxFilterLineLength) {
        sink.ignored(IgnoredBecause::TooLong, line.substr(0, 80));
        return;
    }
    if (!isText(line)) {
        sink.ignored(IgnoredBecause::NotText, std::string_view());
        return;
    }
    line = trimmed(line);
    if (line.empty() || line.front() == '!' || line.front() == '[')
        return;
    std::size_t separatorLength = 0;
    const std::size_t separator = hidingSeparator(line, &separatorLength);
    if (separator != std::string_view::npos) {
        parseHidingLine(line, separator, separatorLength, sink);
        return;
    }
    // A hosts file's comment.
    if (line.front() == '#')
        return;
    if (parseHostsLine(line, sink))
        return;
    parseNetworkLine(line, sink);
}

void parseFilterList(std::string_view text, FilterLineSink &sink)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            parseFilterLine(text.substr(start, i - start), sink);
            start = i + 1;
        }
    }
    if (start < text.size())
        parseFilterLine(text.substr(start), sink);
}
