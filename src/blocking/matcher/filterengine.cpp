#include "blocking/matcher/filterengine.h"

#include "blocking/matcher/filterlineparser.h"
#include "blocking/matcher/neverblocked.h"
#include "blocking/matcher/storedform.h"

#include <cstring>
#include <numeric>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr char Magic[8] = {'W', 'C', 'F', 'I', 'L', 'T', 'E', 'R'};
constexpr std::uint32_t FormatVersion = 1;

class Collector : public FilterLineSink
{
public:
    void network(NetworkRule &&rule) override { networkRules.push_back(std::move(rule)); }
    void hiding(HidingRule &&rule) override { hidingRules.push_back(std::move(rule)); }
    void ignored(IgnoredBecause reason, std::string_view) override
    {
        ++stats.ignored[static_cast<std::size_t>(reason)];
    }

    std::vector<NetworkRule> networkRules;
    std::vector<HidingRule> hidingRules;
    FilterListStats stats;
};

// A checksum of the stored form, eight bytes a step: it only has to notice
// a damaged file, quickly.
std::uint64_t checksum(std::string_view bytes)
{
    std::uint64_t h = 0x243f6a8885a308d3ULL ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        h = (h ^ word) * 0x9e3779b97f4a7c15ULL;
        h ^= h >> 31;
    }
    for (; i < bytes.size(); ++i)
        h = (h ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ULL;
    return h ^ (h >> 29);
}

} // namespace

std::uint64_t FilterListStats::ignoredTotal() const
{
    return std::accumulate(ignored.begin(), ignored.end(), std::uint64_t(0));
}

FilterEngine FilterEngine::fromLists(const std::vector<std::string_view> &texts)
{
    Collector collector;
    for (const std::string_view text : texts)
        parseFilterList(text, collector);
    FilterEngine engine;
    engine.m_stats = collector.stats;
    engine.m_stats.networkRules = collector.networkRules.size();
    engine.m_stats.hidingRules = collector.hidingRules.size();
    engine.m_network = NetworkMatcher(std::move(collector.networkRules));
    engine.m_hiding = HidingMatcher(std::move(collector.hidingRules));
#ifdef __GLIBC__
    // Reading leaves a great many small freed blocks behind; handing them
    // back keeps the engine's resident size to what it holds.
    collector = Collector();
    malloc_trim(0);
#endif
    return engine;
}

bool FilterEngine::blocks(const NetworkRequest &request) const
{
    return !isNeverBlocked(request.url, request.sourceUrl)
        && m_network.match(request) == Verdict::Blocked;
}

std::string FilterEngine::storedForm(std::string_view fingerprint) const
{
    StoredFormWriter writer;
    writer.value(FormatVersion);
    writer.text(fingerprint);
    writer.value(m_stats);
    m_network.store(writer);
    m_hiding.store(writer);
    std::string &payload = writer.bytes();
    const std::uint64_t sum = checksum(payload);
    std::string file(Magic, sizeof Magic);
    file.append(reinterpret_cast<const char *>(&sum), sizeof sum);
    file.append(payload);
    return file;
}

std::optional<FilterEngine> FilterEngine::fromStoredForm(
    std::string_view bytes, std::string_view fingerprint)
{
    constexpr std::size_t Head = sizeof Magic + sizeof(std::uint64_t);
    if (bytes.size() < Head || std::memcmp(bytes.data(), Magic, sizeof Magic) != 0)
        return std::nullopt;
    std::uint64_t sum;
    std::memcpy(&sum, bytes.data() + sizeof Magic, sizeof sum);
    const std::string_view payload = bytes.substr(Head);
    if (checksum(payload) != sum)
        return std::nullopt;
    StoredFormReader reader(payload);
    std::uint32_t version = 0;
    std::string storedFingerprint;
    FilterEngine engine;
    if (!reader.value(&version) || version != FormatVersion || !reader.text(&storedFingerprint)
        || storedFingerprint != fingerprint || !reader.value(&engine.m_stats)
        || !engine.m_network.load(reader) || !engine.m_hiding.load(reader) || !reader.atEnd())
        return std::nullopt;
    return engine;
}
