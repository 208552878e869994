#pragma once

#include <cstddef>
#include <string_view>

// Where the parts of an address lie, as the matcher needs them: no
// decoding, no allocation, no judgement on whether the address is valid.
struct AddressParts {
    // The position just after "scheme:" and its "//".
    std::size_t afterScheme = 0;
    // The host name, without user name, password and port; an IPv6 literal
    // keeps its brackets.
    std::size_t hostStart = 0;
    std::size_t hostEnd = 0;

    std::string_view host(std::string_view address) const
    {
        return address.substr(hostStart, hostEnd - hostStart);
    }
};

AddressParts splitAddress(std::string_view address);

// The characters an address's tokens are made of: letters, digits, "%" and
// anything beyond ASCII. Everything else separates tokens.
constexpr bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '%'
        || static_cast<unsigned char>(c) >= 0x80;
}

// What "^" stands for in a pattern: anything but a letter, a digit or one of
// "_-.%" (the end of the address too, which the matcher handles itself).
constexpr bool isSeparatorChar(char c)
{
    return !isTokenChar(c) && c != '_' && c != '-' && c != '.';
}
