// The program's entry point: documented long options first (headless
// rendering, xscreensaver's window options, help and version), then the
// screen-saver switch, handed to the platform's shell.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/memory.h"
#include "platform/sharp_store.h"
#include "platform/signals.h"
#include "platform/system_host.h"
#include "shell/cmdline.h"
#include "shell/options.h"
#include "shell/shell.h"

namespace {

int run(int argc, char** argv)
{
    syl::CommandLine c = syl::parseCommandLine(syl::commandLineArguments(argc, argv));
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
    syl::returnLargeBlocksToTheSystem();
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
