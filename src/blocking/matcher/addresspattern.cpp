#include "blocking/matcher/addresspattern.h"

#include "blocking/matcher/filterrules.h"

#include <algorithm>

namespace {

constexpr std::size_t NoMatch = std::string_view::npos;

// Matches one piece (no "*") at position at; the length it took, or NoMatch.
// A "^" matches a separator, or the end when nothing but "^" follows it.
std::size_t pieceLengthAt(std::string_view piece, std::string_view address, std::size_t at)
{
    std::size_t k = at;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const char p = piece[i];
        if (k == address.size()) {
            if (p != '^' || piece.find_first_not_of('^', i) != std::string_view::npos)
                return NoMatch;
            return k - at;
        }
        if (p == '^' ? !isSeparatorChar(address[k]) : p != address[k])
            return NoMatch;
        ++k;
    }
    return k - at;
}

// The leftmost place from `from` where the piece matches; NoMatch if none.
std::size_t findPiece(
    std::string_view piece, std::string_view address, std::size_t from, std::size_t *length)
{
    const std::size_t literal = piece.find('^');
    if (literal == std::string_view::npos) {
        const std::size_t at = address.find(piece, from);
        *length = piece.size();
        return at;
    }
    // Candidates are where the part before the first "^" occurs.
    const std::string_view head = piece.substr(0, literal);
    for (std::size_t at = from; at <= address.size();) {
        at = head.empty() ? at : address.find(head, at);
        if (at == std::string_view::npos)
            return NoMatch;
        *length = pieceLengthAt(piece, address, at);
        if (*length != NoMatch)
            return at;
        ++at;
    }
    return NoMatch;
}

// The rest of the pattern, after its first piece matched and ended at pos.
bool restMatches(std::string_view rest, bool endAnchor, std::string_view address, std::size_t pos)
{
    while (!rest.empty()) {
        // rest starts right after a "*".
        const std::size_t star = rest.find('*');
        const std::string_view piece = rest.substr(0, star);
        if (star == std::string_view::npos && endAnchor) {
            // The last piece lies at the very end; a trailing "^" may take
            // the end itself, so the piece may be a little shorter there.
            std::size_t at = address.size() >= piece.size() ? address.size() - piece.size() : 0;
            for (at = std::max(at, pos); at <= address.size(); ++at) {
                const std::size_t length = pieceLengthAt(piece, address, at);
                if (length != NoMatch && at + length == address.size())
                    return true;
            }
            return false;
        }
        std::size_t length = 0;
        const std::size_t at = findPiece(piece, address, pos, &length);
        if (at == NoMatch)
            return false;
        pos = at + length;
        if (star == std::string_view::npos)
            return true;
        rest.remove_prefix(star + 1);
    }
    return !endAnchor || pos == address.size();
}

bool matchesFrom(std::string_view first, std::string_view rest, bool hasRest, bool endAnchor,
    std::string_view address, std::size_t at)
{
    const std::size_t length = pieceLengthAt(first, address, at);
    if (length == NoMatch)
        return false;
    if (!hasRest)
        return !endAnchor || at + length == address.size();
    return restMatches(rest, endAnchor, address, at + length);
}

} // namespace

bool addressMatchesPattern(std::string_view pattern, std::uint32_t flags, std::string_view address,
    const AddressParts &parts)
{
    const bool endAnchor = flags & NetworkRule::EndAnchor;
    const std::size_t star = pattern.find('*');
    const std::string_view first = pattern.substr(0, star);
    const bool hasRest = star != std::string_view::npos;
    const std::string_view rest = hasRest ? pattern.substr(star + 1) : std::string_view();
    if (flags & NetworkRule::StartAnchor)
        return matchesFrom(first, rest, hasRest, endAnchor, address, 0);
    if (flags & NetworkRule::HostAnchor) {
        // At the start of the host name or of any label of it.
        for (std::size_t at = parts.hostStart; at < parts.hostEnd; ++at) {
            if ((at == parts.hostStart || address[at - 1] == '.')
                && matchesFrom(first, rest, hasRest, endAnchor, address, at))
                return true;
        }
        return false;
    }
    if (!hasRest && endAnchor)
        return restMatches(first, true, address, 0);
    // Later pieces only ever need the leftmost place of the first.
    std::size_t length = 0;
    const std::size_t at = findPiece(first, address, 0, &length);
    if (at == NoMatch)
        return false;
    return !hasRest || restMatches(rest, endAnchor, address, at + length);
}
