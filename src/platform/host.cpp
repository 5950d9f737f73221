#include "platform/host.h"

#include <cstdio>

namespace syl {

VersionInfo programVersion() { return {SYLVADRA_VERSION_MAJOR, SYLVADRA_VERSION_MINOR, SYLVADRA_VERSION_REVISION}; }

namespace {
HeadlessHost& defaultHost()
{
    static HeadlessHost h;
    return h;
}
Host* g_host = nullptr;
} // namespace

Host& host() { return g_host ? *g_host : defaultHost(); }
void setHost(Host* h) { g_host = h; }

std::string HeadlessHost::formatDate(const LocalDateTime& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.month, t.day, t.year);
    return buf;
}

std::string HeadlessHost::formatTime(const LocalDateTime& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

uint32_t tickCountOf(long long seconds, long nanoseconds)
{
    const unsigned long long ms =
        static_cast<unsigned long long>(seconds) * 1000ull + static_cast<unsigned long long>(nanoseconds / 1000000);
    return static_cast<uint32_t>(ms);
}

char pathSeparator()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

static bool isSep(char c) { return c == '/' || c == '\\'; }

std::string dirOf(const std::string& path)
{
    size_t p = path.size();
    while (p > 0 && !isSep(path[p - 1])) --p;
    if (p == 0) return ".";
    std::string d = path.substr(0, p - 1);
    if (d.empty()) return std::string(1, path[0]); // the root "/"
    return d;
}

std::string baseNameOf(const std::string& path)
{
    size_t p = path.size();
    while (p > 0 && !isSep(path[p - 1])) --p;
    std::string name = path.substr(p);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

} // namespace syl
