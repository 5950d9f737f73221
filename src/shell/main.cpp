// The program's entry point: documented long options first (headless
// rendering, xscreensaver's window options, help and version), then the
// screen-saver switch, handed to the platform's shell.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/sharp_store.h"
#include "platform/signals.h"
#include "platform/system_host.h"
#include "shell/cmdline.h"
#include "shell/options.h"
#include "shell/shell.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

std::vector<std::string> arguments(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int n = 0;
    LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; w && i < n; ++i) {
        int len = WideCharToMultiByte(CP_UTF8, 0, w[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<size_t>(len > 0 ? len - 1 : 0), '\0');
        if (len > 1) WideCharToMultiByte(CP_UTF8, 0, w[i], -1, s.data(), len, nullptr, nullptr);
        args.push_back(s);
    }
    if (w) LocalFree(w);
#else
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
    return args;
}

int run(int argc, char** argv)
{
    syl::CommandLine c = syl::parseCommandLine(arguments(argc, argv));
    if (!c.error.empty()) {
        std::fprintf(stderr, "sylvadra: %s\nTry 'sylvadra --help'.\n", c.error.c_str());
        return 2;
    }
    if (c.help) {
        std::fputs(syl::usageText().c_str(), stdout);
        return 0;
    }
    if (c.version) {
        syl::VersionInfo v = syl::programVersion();
        std::printf("Sylvadra %d.%02d.%04d\n", v.major, v.minor, v.revision);
        return 0;
    }
    // Pictures painted for the sharp mode are kept between runs.
    syl::setSharpCacheFolder(syl::userCacheDir());
    syl::setPendingOverrides(c.overrides);
    if (c.render) return syl::renderHeadless(*c.render);
    return syl::runShell(c);
}

} // namespace

int main(int argc, char** argv)
{
    // Before any file or display is touched: a stop signal never leaves a
    // half-written file behind, nor a process that no longer listens.
    syl::installStopSignals();
    int status = 1;
    try {
        status = run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("sylvadra: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sylvadra: %s\n", e.what());
    }
    // Pictures being painted in the background are left before the
    // program's static objects, which the painters use, go away.
    syl::stopSharpPainting();
    return status;
}
