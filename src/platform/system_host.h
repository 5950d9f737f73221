// The host of a real run: the executable, the per-user folders, the clock
// since the machine started, the date and time in the user's formats, and
// the operating system. The window backends build on it (their own events,
// beep and pointer); headless rendering uses it with a simulated clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host.h"

namespace syl {

class SystemHost : public Host {
public:
    std::string exePath() override;
    // Per user only: empty when no home folder of the user's can be found.
    std::string userDataDir() override;
    void beep() override;
    void resetMousePointer() override;
    // Milliseconds since the machine started, in 32 bits (wrapping after
    // about 49.7 days), on every system alike.
    uint32_t tickCount() override;
    LocalDateTime now() override;
    // Stays the real clock in hosts that simulate now().
    LocalDateTime wallClock() override { return SystemHost::now(); }
    std::string formatDate(const LocalDateTime& t) override;
    std::string formatTime(const LocalDateTime& t) override;
    char decimalSeparator() override;
    void doEvents() override {}
    SystemInfo systemInfo() override;
};

// The program's arguments without its name, as UTF-8: argv on Linux, the
// wide command line on Windows (whatever the code page).
std::vector<std::string> commandLineArguments(int argc, char** argv);

// The user's home folder: HOME when it is an absolute path, else the one
// the password database names for the user; empty when neither does.
std::string userHomeDir();

// A per-user base folder in the XDG manner: the variable's value when it is
// an absolute path (a relative one is ignored), else home + fallback
// ("/.local/share"); empty without a home folder.
std::string xdgBaseDir(const char* variable, const char* fallback);

// The program's per-user cache folder (painted pictures): under
// XDG_CACHE_HOME on Linux, under the local application data on Windows;
// empty when the user has none.
std::string userCacheDir();

} // namespace syl
