#pragma once

#include <cstdint>
#include <string_view>

// What a request fetches, as filters name it. Each kind is one bit of a
// filter's type mask.
enum class RequestType : std::uint8_t {
    Other,
    Script,
    Image,
    Stylesheet,
    Object,
    XmlHttpRequest,
    Subdocument,
    Ping,
    Media,
    Font,
    WebSocket,
    // The page itself (a top-level navigation).
    Document,
    // A new window a page opens.
    Popup,
};

using TypeMask = std::uint16_t;

constexpr TypeMask typeBit(RequestType type)
{
    return static_cast<TypeMask>(1u << static_cast<unsigned>(type));
}

// A filter without type options applies to every kind but the page itself
// and pop-ups, which must be named.
inline constexpr TypeMask DefaultTypes = static_cast<TypeMask>(typeBit(RequestType::Document) - 1);
inline constexpr TypeMask AllTypes = static_cast<TypeMask>(
    DefaultTypes | typeBit(RequestType::Document) | typeBit(RequestType::Popup));

// The kind a filter option names ("script", "xmlhttprequest", "xhr", ...),
// or false when the name is no type.
bool typeFromOptionName(std::string_view name, RequestType *type);

// The kind for the browser's resource type names ("main_frame", "sub_frame",
// "image", "imageset", "fetch", "beacon", ...). Unknown names are Other.
RequestType typeFromResourceName(std::string_view name);
