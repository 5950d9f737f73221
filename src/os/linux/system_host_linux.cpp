#include <clocale>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#include "platform/local_place.h"
#include "platform/sysinfo.h"
#include "platform/system_host.h"

namespace syl {

namespace {

std::string format(const LocalDateTime& t, const char* f)
{
    const std::tm tm = brokenDownTime(t);
    char buf[128];
    const size_t n = std::strftime(buf, sizeof buf, f, &tm);
    return std::string(buf, n);
}

} // namespace

std::string userHomeDir()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::string xdgBaseDir(const char* variable, const char* fallback)
{
    const char* v = std::getenv(variable);
    if (v && v[0] == '/') return v;
    const std::string home = userHomeDir();
    if (home.empty()) return {};
    return (home == "/" ? std::string() : home) + fallback;
}

std::string userCacheDir()
{
    const std::string base = xdgBaseDir("XDG_CACHE_HOME", "/.cache");
    return base.empty() ? std::string() : base + "/sylvadra";
}

std::string SystemHost::exePath()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./sylvadra";
    return std::string(buf, static_cast<size_t>(n));
}

std::string SystemHost::userDataDir()
{
    const std::string base = xdgBaseDir("XDG_DATA_HOME", "/.local/share");
    return base.empty() ? base : base + "/sylvadra";
}

void SystemHost::beep() {}
void SystemHost::resetMousePointer() {}

uint32_t SystemHost::tickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return tickCountOf(ts.tv_sec, ts.tv_nsec);
}

LocalDateTime SystemHost::now()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    return {tm.tm_year + 1900,
            tm.tm_mon + 1,
            tm.tm_mday,
            tm.tm_hour,
            tm.tm_min,
            tm.tm_sec,
            static_cast<int>(ts.tv_nsec / 1000000)};
}

std::string SystemHost::formatDate(const LocalDateTime& t) { return format(t, "%x"); }
std::string SystemHost::formatTime(const LocalDateTime& t) { return format(t, "%X"); }

char SystemHost::decimalSeparator()
{
    const lconv* l = std::localeconv();
    return (l && l->decimal_point && l->decimal_point[0] == ',') ? ',' : '.';
}

SystemInfo SystemHost::systemInfo() { return querySystemInfo(); }

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

} // namespace syl
