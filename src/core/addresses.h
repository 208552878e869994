#pragma once

// Fixed addresses of the maker and the services the program talks to. The
// maker's live under the reserved .example domain; the translation service is
// a public one.
namespace Addresses {
inline constexpr char MakerHomePage[] = "https://www.brimlow.example/";
inline constexpr char ProductPage[] = "https://www.brimlow.example/wavecrest/";
// A web page translated from one language into another; {from} and {to}
// stand for the languages' two-letter codes, {address} for the page's
// percent-encoded address.
inline constexpr char TranslationService[]
    = "https://translate.google.com/translate?sl={from}&tl={to}&u={address}";
inline constexpr char CommentsMailbox[] = "wavecrest-comments@brimlow.example";
inline constexpr char HeloDomain[] = "wavecrest.brimlow.example";
} // namespace Addresses
