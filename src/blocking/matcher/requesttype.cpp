#include "blocking/matcher/requesttype.h"

#include <array>
#include <utility>

namespace {

using Name = std::pair<std::string_view, RequestType>;

constexpr std::array OptionNames = {
    Name{"script", RequestType::Script},
    Name{"image", RequestType::Image},
    Name{"stylesheet", RequestType::Stylesheet},
    Name{"css", RequestType::Stylesheet},
    Name{"object", RequestType::Object},
    Name{"object-subrequest", RequestType::Object},
    Name{"xmlhttprequest", RequestType::XmlHttpRequest},
    Name{"xhr", RequestType::XmlHttpRequest},
    Name{"subdocument", RequestType::Subdocument},
    Name{"frame", RequestType::Subdocument},
    Name{"ping", RequestType::Ping},
    Name{"beacon", RequestType::Ping},
    Name{"media", RequestType::Media},
    Name{"font", RequestType::Font},
    Name{"websocket", RequestType::WebSocket},
    Name{"other", RequestType::Other},
    Name{"document", RequestType::Document},
    Name{"doc", RequestType::Document},
    Name{"popup", RequestType::Popup},
};

constexpr std::array ResourceNames = {
    Name{"main_frame", RequestType::Document},
    Name{"sub_frame", RequestType::Subdocument},
    Name{"stylesheet", RequestType::Stylesheet},
    Name{"script", RequestType::Script},
    Name{"image", RequestType::Image},
    Name{"imageset", RequestType::Image},
    Name{"font", RequestType::Font},
    Name{"object", RequestType::Object},
    Name{"object_subrequest", RequestType::Object},
    Name{"xmlhttprequest", RequestType::XmlHttpRequest},
    Name{"fetch", RequestType::XmlHttpRequest},
    Name{"ping", RequestType::Ping},
    Name{"beacon", RequestType::Ping},
    Name{"media", RequestType::Media},
    Name{"websocket", RequestType::WebSocket},
    Name{"popup", RequestType::Popup},
};

} // namespace

bool typeFromOptionName(std::string_view name, RequestType *type)
{
    for (const auto &[known, value] : OptionNames) {
        if (known == name) {
            *type = value;
            return true;
        }
    }
    return false;
}

RequestType typeFromResourceName(std::string_view name)
{
    for (const auto &[known, value] : ResourceNames) {
        if (known == name)
            return value;
    }
    return RequestType::Other;
}
