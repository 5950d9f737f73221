// libFuzzer target: the command line. Each input is a list of arguments
// separated by NUL bytes (see cmdline_checks.h).
#include <cstdio>
#include <cstdlib>

#include "cmdline_checks.h"
#include "errors/handler.h"

namespace syl {
// The saver options rest on the settings, whose failures go to the error
// form; it is not part of this target, and nothing here fails through it.
ErrorAction dispatchError(const char*, const char*, const RuntimeError&, int, unsigned long long) { std::abort(); }
} // namespace syl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string broken = fuzz::checkCommandLine(bytes);
    if (!broken.empty()) {
        std::fprintf(stderr, "fuzz_cmdline: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
