// The filter-list reader and the matcher built from what it read: any bytes
// as a list, then decisions, hiding rules and the compiled form's round trip.
#include "blocking/matcher/filterengine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view list(reinterpret_cast<const char *>(data), size);
    const FilterEngine engine = FilterEngine::fromLists({list});
    static constexpr NetworkRequest Requests[] = {
        {"https://ads.example.com/banner/ad.js?x=1", "https://news.example.org/",
            RequestType::Script},
        {"http://a.b.example.co.uk:8080/p/t.gif#f", "", RequestType::Image},
        {"wss://[2001:db8::1]/socket", "https://www.example.com/page", RequestType::WebSocket},
        {"https://example.com/", "https://example.com/", RequestType::Document},
    };
    for (const NetworkRequest &request : Requests)
        engine.blocks(request);
    engine.hiding().forHost("www.example.com", true);
    engine.hiding().keyedSelectors();
    const std::string stored = engine.storedForm("fuzz");
    const std::optional<FilterEngine> loaded = FilterEngine::fromStoredForm(stored, "fuzz");
    if (!loaded)
        std::abort();
    for (const NetworkRequest &request : Requests) {
        if (loaded->blocks(request) != engine.blocks(request))
            std::abort();
    }
    return 0;
}
