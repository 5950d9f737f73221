// The form layer's services outside forms and surfaces: clock, date and time,
// beep, mouse pointer, pending events, the executable's identity and the
// operating system's. The platform backends implement Host; HeadlessHost
// serves tests and headless rendering with a simulated clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace syl {

struct VersionInfo {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The project's own version, shown by the about box and the protocol.
VersionInfo programVersion();

// The project's web address: the caption printed in every frame, the text
// of lblURL and the page the settings dialog opens.
inline constexpr const char* kWebAddress = "sylvadra.example.org";
// The same address as a page that a browser opens.
inline constexpr const char* kWebPage = "https://sylvadra.example.org/";

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;
    double secondsSinceMidnight() const { return hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0; }
};

// What the error protocol reports of the operating system.
struct SystemInfo {
    int platformId = -1;      // 0 Win32s, 1 Windows 9x, 2 Windows NT, other: none of these
    std::string platformName; // used when platformId is not 0, 1 or 2 ("Linux")
    int major = 0, minor = 0;
    int build = 0;
    std::string servicePack; // as a NUL-terminated buffer would hold it
};

class Host {
public:
    virtual ~Host() = default;
    // Full path of the executable.
    virtual std::string exePath() = 0;
    // The per-user data folder (created on demand by whoever writes into it).
    virtual std::string userDataDir() = 0;
    virtual void beep() = 0;
    virtual void resetMousePointer() = 0;
    // GetTickCount: milliseconds, 32 bits, wrapping after about 49.7 days.
    virtual uint32_t tickCount() = 0;
    virtual LocalDateTime now() = 0;
    // The real date and time, for records of when something happened (the
    // error protocol), also where now() runs on a simulated clock.
    virtual LocalDateTime wallClock() { return now(); }
    // The date in the user's short date format, the time in the user's time format.
    virtual std::string formatDate(const LocalDateTime& t) = 0;
    virtual std::string formatTime(const LocalDateTime& t) = 0;
    // The user's decimal separator ('.' or ',').
    virtual char decimalSeparator() = 0;
    // Handles pending window events (DoEvents).
    virtual void doEvents() = 0;
    virtual SystemInfo systemInfo() = 0;
};

Host& host();
// Installs a host (not owned); nullptr restores the headless default.
void setHost(Host* h);

// A host without a screen: a simulated clock that tests advance by hand, a
// fixed date and time, beeps counted, no events.
class HeadlessHost : public Host {
public:
    std::string exePath() override { return exePath_; }
    std::string userDataDir() override { return userDataDir_; }
    void beep() override { ++beeps; }
    void resetMousePointer() override { ++pointerResets; }
    uint32_t tickCount() override { return tick; }
    LocalDateTime now() override { return clock; }
    std::string formatDate(const LocalDateTime& t) override;
    std::string formatTime(const LocalDateTime& t) override;
    char decimalSeparator() override { return separator; }
    void doEvents() override { ++doEventsCalls; }
    SystemInfo systemInfo() override { return sysInfo; }

    std::string exePath_ = "/opt/sylvadra/sylvadra";
    std::string userDataDir_; // none: tests that write per-user files name a folder of their own
    uint32_t tick = 0;
    LocalDateTime clock{2026, 12, 8, 12, 0, 0, 0};
    char separator = '.';
    SystemInfo sysInfo{-1, "Linux", 6, 1, 0, "headless"};
    int beeps = 0;
    int pointerResets = 0;
    int doEventsCalls = 0;
};

// Path helpers used for the protocol and wallpaper files.
std::string dirOf(const std::string& path);      // folder without a trailing separator
std::string baseNameOf(const std::string& path); // file name without folder and extension
char pathSeparator();
// Milliseconds of a clock reading, cut to 32 bits as a tick count wraps.
uint32_t tickCountOf(long long seconds, long nanoseconds);

} // namespace syl
