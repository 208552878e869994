// Linked into the program and the tests of a sanitizer build only (see
// CMakeLists.txt), so that every report reaches scripts/run-sanitized-tests.

#include <dlfcn.h>

#include <cstdlib>
#include <string>

// No library is unloaded before the process ends. The leak check runs at
// exit; a library unloaded before then takes its data with it, so whatever
// only that data still pointed to counts as leaked, and the report cannot
// name the library it came from. (The windowing toolkit unloads the system's
// GL driver when it closes its display, which made two blocks of the
// driver's own bookkeeping look leaked from nowhere in every run under X11.)
extern "C" int dlclose(void *)
{
    return 0;
}

namespace {

// The value of name in a sanitizer's option string ("a=1:log_path=/x:b=2").
std::string optionValue(const char *options, const std::string &name)
{
    const std::string all = options ? options : "";
    const std::string key = name + '=';
    std::string::size_type at = 0;
    while (at < all.size()) {
        const std::string::size_type end = all.find(':', at);
        const std::string item = all.substr(at, end == std::string::npos ? end : end - at);
        if (item.compare(0, key.size(), key) == 0)
            return item.substr(key.size());
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return {};
}

// GCC's undefined-behaviour checker is a runtime of its own beside the
// address checker's, and the log_path it reads goes to the address checker's
// copy of the setter: its reports would reach stderr only, where those of a
// program started by a test are lost. Its own setter is called here.
__attribute__((constructor)) void sendUndefinedBehaviourReportsToFiles()
{
    void *runtime = dlopen("libubsan.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (!runtime)
        return;
    const auto setReportPath
        = reinterpret_cast<void (*)(const char *)>(dlsym(runtime, "__sanitizer_set_report_path"));
    const std::string path = optionValue(std::getenv("UBSAN_OPTIONS"), "log_path");
    if (setReportPath && !path.empty())
        setReportPath(path.c_str());
}

} // namespace
