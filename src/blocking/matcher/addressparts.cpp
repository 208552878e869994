#include "blocking/matcher/addressparts.h"

AddressParts splitAddress(std::string_view address)
{
    AddressParts parts;
    std::size_t i = 0;
    while (i < address.size()
        && ((address[i] >= 'a' && address[i] <= 'z') || (address[i] >= 'A' && address[i] <= 'Z')
            || (i > 0
                && ((address[i] >= '0' && address[i] <= '9') || address[i] == '+'
                    || address[i] == '-' || address[i] == '.'))))
        ++i;
    if (i == 0 || i >= address.size() || address[i] != ':')
        return parts; // no scheme: no host either
    ++i;
    if (address.substr(i, 2) != "//") {
        parts.afterScheme = parts.hostStart = parts.hostEnd = i;
        return parts;
    }
    i += 2;
    parts.afterScheme = i;
    std::size_t end = address.find_first_of("/?#", i);
    if (end == std::string_view::npos)
        end = address.size();
    // The user name and password end at the last "@" of the authority.
    const std::size_t at = address.substr(i, end - i).rfind('@');
    std::size_t start = at == std::string_view::npos ? i : i + at + 1;
    std::size_t hostEnd = end;
    if (start < end && address[start] == '[') {
        const std::size_t close = address.substr(start, end - start).find(']');
        hostEnd = close == std::string_view::npos ? end : start + close + 1;
    } else {
        const std::size_t colon = address.substr(start, end - start).find(':');
        if (colon != std::string_view::npos)
            hostEnd = start + colon;
    }
    parts.hostStart = start;
    parts.hostEnd = hostEnd;
    return parts;
}
