// libFuzzer target: the settings texts. Each input is read as a number
// (parseNumber), line by line as key values, and as the whole settings file
// of the Linux store, which LoadConfig then reads (see settings_checks.h).
#include <cstdio>
#include <cstdlib>

#include "settings_checks.h"

namespace syl {
// The error form is not part of this target: a failure that LoadConfig
// dispatches is counted and answered as the dispatcher answers it.
ErrorAction dispatchError(const char*, const char*, const RuntimeError&, int, unsigned long long)
{
    ++fuzz::settingsDispatches();
    return ErrorAction::Retry;
}
} // namespace syl

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The folder's name is made first, so that it is destroyed only after
    // the exit handler that removes the folder has run.
    fuzz::scratchFolder();
    std::atexit(fuzz::removeScratchFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string broken = fuzz::checkSettingsInput(text);
    if (!broken.empty()) {
        std::fprintf(stderr, "fuzz_settings: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
