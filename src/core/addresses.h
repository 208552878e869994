#pragma once

// Fixed addresses of the maker and the services the program talks to. They
// live under the reserved .example domain.
namespace Addresses {
inline constexpr char MakerHomePage[] = "https://www.brimlow.example/";
inline constexpr char ProductPage[] = "https://www.brimlow.example/wavecrest/";
inline constexpr char TranslationHost[] = "translate.brimlow.example";
inline constexpr char CommentsMailbox[] = "wavecrest-comments@brimlow.example";
inline constexpr char HeloDomain[] = "wavecrest.brimlow.example";
} // namespace Addresses
