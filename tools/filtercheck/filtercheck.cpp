// wavecrest-filtercheck LIST_FILE... < requests.jsonl > decisions.jsonl
//
// Decides requests the way the browser does, for comparing the matcher with
// other engines. Each input line is a JSON object with "url", "sourceUrl"
// and "type" (the browser's resource type names: main_frame, sub_frame,
// script, image, ...); each output line is the same object with "blocked"
// added, in input order. Then one line on stderr:
//   load_ms=N median_us=N p99_us=N rss_mb=N
// the time to read and compile the lists, the median and 99th percentile of
// the time one decision takes (after a warm-up pass over all requests), and
// the resident memory once the lists are loaded. With --stats, a line
// before it gives the processor time of the load and counts the rules and
// the lines set aside, by reason. With
// --compiled FILE, the lists are loaded from the compiled form in FILE when
// it was made from the very same files, and otherwise read and compiled
// into FILE, as the browser does at start.

#include "blocking/matcher/filterengine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Request {
    std::string line;
    std::string url;
    std::string sourceUrl;
    RequestType type = RequestType::Other;
};

void appendUtf8(std::string *out, unsigned code)
{
    if (code < 0x80) {
        out->push_back(char(code));
    } else if (code < 0x800) {
        out->push_back(char(0xc0 | (code >> 6)));
        out->push_back(char(0x80 | (code & 0x3f)));
    } else if (code < 0x10000) {
        out->push_back(char(0xe0 | (code >> 12)));
        out->push_back(char(0x80 | ((code >> 6) & 0x3f)));
        out->push_back(char(0x80 | (code & 0x3f)));
    } else {
        out->push_back(char(0xf0 | (code >> 18)));
        out->push_back(char(0x80 | ((code >> 12) & 0x3f)));
        out->push_back(char(0x80 | ((code >> 6) & 0x3f)));
        out->push_back(char(0x80 | (code & 0x3f)));
    }
}

// A small reader for the flat objects of the input: string values are
// decoded, other values skipped.
class JsonLine
{
public:
    explicit JsonLine(std::string_view text) : m_text(text) { }

    bool parse(Request *request)
    {
        if (!take('{'))
            return false;
        if (take('}'))
            return atEnd();
        do {
            std::string key;
            if (!string(&key) || !take(':'))
                return false;
            std::string value;
            const bool isString = peek() == '"';
            if (isString ? !string(&value) : !skipValue())
                return false;
            if (key == "url")
                request->url = value;
            else if (key == "sourceUrl")
                request->sourceUrl = value;
            else if (key == "type")
                request->type = typeFromResourceName(value);
        } while (take(','));
        return take('}') && atEnd();
    }

private:
    void blanks()
    {
        while (m_at < m_text.size() && std::strchr(" \t\r\n", m_text[m_at]) && m_text[m_at])
            ++m_at;
    }
    char peek()
    {
        blanks();
        return m_at < m_text.size() ? m_text[m_at] : '\0';
    }
    bool take(char c)
    {
        if (peek() != c)
            return false;
        ++m_at;
        return true;
    }
    bool atEnd()
    {
        blanks();
        return m_at == m_text.size();
    }
    bool hex4(unsigned *code)
    {
        if (m_at + 4 > m_text.size())
            return false;
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                return false;
            *code = *code * 16 + unsigned(digit);
        }
        return true;
    }
    bool string(std::string *out)
    {
        if (!take('"'))
            return false;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (m_at >= m_text.size())
                return false;
            const char e = m_text[m_at++];
            static constexpr std::string_view From = "\"\\/bfnrt";
            static constexpr std::string_view To = "\"\\/\b\f\n\r\t";
            if (const std::size_t k = From.find(e); k != std::string_view::npos) {
                out->push_back(To[k]);
                continue;
            }
            unsigned code = 0;
            if (e != 'u' || !hex4(&code))
                return false;
            if (code >= 0xd800 && code < 0xdc00 && m_text.substr(m_at, 2) == "\\u") {
                m_at += 2;
                unsigned low = 0;
                if (!hex4(&low) || low < 0xdc00 || low >= 0xe000)
                    return false;
                code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
            }
            appendUtf8(out, code);
        }
        return false;
    }
    bool skipValue()
    {
        const char c = peek();
        if (c == '{' || c == '[') {
            // Nested values are skipped whole, strings within them too.
            int depth = 0;
            do {
                const char d = peek();
                if (d == '"') {
                    std::string ignored;
                    if (!string(&ignored))
                        return false;
                    continue;
                }
                if (m_at >= m_text.size())
                    return false;
                depth += (d == '{' || d == '[') - (d == '}' || d == ']');
                ++m_at;
            } while (depth > 0);
            return true;
        }
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !std::strchr(",}] \t", m_text[m_at]))
            ++m_at;
        return m_at > start;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

std::optional<std::string> readFile(const char *path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::string bytes(std::size_t(in.tellg()), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), std::streamsize(bytes.size())))
        return std::nullopt;
    return bytes;
}

// What a compiled form was made from: the lists' paths, sizes and times.
std::string fingerprint(const std::vector<const char *> &paths)
{
    std::string print;
    for (const char *path : paths) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        const auto time = std::filesystem::last_write_time(path, error);
        print += std::string(path) + ' ' + std::to_string(size) + ' '
            + std::to_string(time.time_since_epoch().count()) + '\n';
    }
    return print;
}

std::optional<FilterEngine> loadCompiled(const char *compiled, const std::string &print)
{
    if (!compiled)
        return std::nullopt;
    // Mapped rather than read: the engine copies what it keeps, and the
    // file's pages come in at once instead of one fault at a time.
    const int fd = open(compiled, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {
    };
    void *mapped = fstat(fd, &info) == 0 && info.st_size > 0
        ? mmap(nullptr, std::size_t(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0)
        : MAP_FAILED;
    close(fd);
    if (mapped == MAP_FAILED)
        return std::nullopt;
    std::optional<FilterEngine> engine = FilterEngine::fromStoredForm(
        std::string_view(static_cast<const char *>(mapped), std::size_t(info.st_size)), print);
    munmap(mapped, std::size_t(info.st_size));
    return engine;
}

std::optional<FilterEngine> loadLists(const std::vector<const char *> &paths)
{
    std::vector<std::string> texts;
    for (const char *path : paths) {
        std::optional<std::string> text = readFile(path);
        if (!text) {
            std::fprintf(stderr, "wavecrest-filtercheck: cannot read %s\n", path);
            return std::nullopt;
        }
        texts.push_back(std::move(*text));
    }
    return FilterEngine::fromLists(std::vector<std::string_view>(texts.begin(), texts.end()));
}

// The processor time spent so far, which a busy machine does not inflate as
// it does the time on the clock.
double processCpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    const auto at = std::min(values.size() - 1, std::size_t(fraction * double(values.size())));
    std::nth_element(values.begin(), values.begin() + long(at), values.end());
    return values[at];
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<const char *> paths;
    bool stats = false;
    const char *compiled = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stats") == 0)
            stats = true;
        else if (std::strcmp(argv[i], "--compiled") == 0 && i + 1 < argc)
            compiled = argv[++i];
        else
            paths.push_back(argv[i]);
    }
    if (paths.empty()) {
        std::fputs("usage: wavecrest-filtercheck [--stats] [--compiled FILE] LIST_FILE... "
                   "< requests.jsonl\n",
            stderr);
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point loadStart = Clock::now();
    const double cpuStart = processCpuMilliseconds();
    const std::string print = fingerprint(paths);
    std::optional<FilterEngine> loaded = loadCompiled(compiled, print);
    const bool fromText = !loaded;
    if (fromText)
        loaded = loadLists(paths);
    if (!loaded)
        return 1;
    const FilterEngine &engine = *loaded;
    const double loadMs
        = std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();
    const double loadCpuMs = processCpuMilliseconds() - cpuStart;
    const double rss = residentMegabytes();
    if (compiled && fromText) {
        const std::string stored = engine.storedForm(print);
        std::ofstream(compiled, std::ios::binary)
            .write(stored.data(), std::streamsize(stored.size()));
    }

    std::vector<Request> requests;
    std::string line;
    for (std::size_t number = 1; std::getline(std::cin, line); ++number) {
        if (line.empty())
            continue;
        Request request;
        if (!JsonLine(line).parse(&request)) {
            std::fprintf(stderr, "wavecrest-filtercheck: line %zu is no JSON object\n", number);
            return 1;
        }
        request.line = std::move(line);
        requests.push_back(std::move(request));
    }

    const auto decide = [&](const Request &r) {
        return engine.blocks(NetworkRequest{r.url, r.sourceUrl, r.type});
    };
    for (const Request &request : requests)
        decide(request);
    std::vector<double> micros;
    micros.reserve(requests.size());
    std::vector<char> blocked(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const Clock::time_point start = Clock::now();
        blocked[i] = decide(requests[i]);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }

    std::string out;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        std::string_view object = requests[i].line;
        object = object.substr(0, object.rfind('}'));
        while (!object.empty() && std::strchr(" \t\r", object.back()))
            object.remove_suffix(1);
        out.append(object);
        out.append(object.back() == '{' ? "" : ",");
        out.append(blocked[i] ? "\"blocked\":true}\n" : "\"blocked\":false}\n");
    }
    std::fwrite(out.data(), 1, out.size(), stdout);

    if (stats) {
        const FilterListStats &s = engine.stats();
        std::fprintf(stderr, "load_cpu_ms=%.0f network_rules=%llu hiding_rules=%llu", loadCpuMs,
            static_cast<unsigned long long>(s.networkRules),
            static_cast<unsigned long long>(s.hidingRules));
        for (int reason = 0; reason < IgnoredReasonCount; ++reason)
            std::fprintf(stderr, " ignored_%s=%llu", ignoredReasonName(IgnoredBecause(reason)),
                static_cast<unsigned long long>(s.ignored[std::size_t(reason)]));
        std::fputc('\n', stderr);
    }
    std::fprintf(stderr, "load_ms=%.0f median_us=%.2f p99_us=%.2f rss_mb=%.1f\n", loadMs,
        percentile(micros, 0.5), percentile(micros, 0.99), rss);
    return 0;
}
