// The time zone's place from the time zone database: the zone's name from
// TZ, /etc/localtime's link or /etc/timezone, its coordinates from
// zone1970.tab (or zone.tab).
#include <unistd.h>

#include <climits>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/local_place.h"

namespace syl {

namespace {

std::string zoneName()
{
    auto afterZoneinfo = [](const std::string& path) {
        const size_t at = path.find("zoneinfo/");
        return at == std::string::npos ? std::string{} : path.substr(at + 9);
    };
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        std::string z = tz[0] == ':' ? tz + 1 : tz;
        if (!z.empty() && z[0] == '/') return afterZoneinfo(z);
        return z;
    }
    char link[PATH_MAX];
    const ssize_t n = readlink("/etc/localtime", link, sizeof link - 1);
    if (n > 0) {
        link[n] = '\0';
        if (std::string z = afterZoneinfo(link); !z.empty()) return z;
    }
    std::ifstream f("/etc/timezone");
    std::string z;
    std::getline(f, z);
    return z;
}

std::string readText(const char* path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

DayPlace localPlace()
{
    static const DayPlace place = [] {
        const std::string zone = zoneName();
        if (zone.empty()) return DayPlace{};
        for (const char* table : {"/usr/share/zoneinfo/zone1970.tab", "/usr/share/zoneinfo/zone.tab"}) {
            const DayPlace p = placeOfZone(readText(table), zone);
            if (p.known) return p;
        }
        return DayPlace{};
    }();
    return place;
}

ClockZone localZoneAt(const LocalDateTime& t)
{
    std::tm tm = brokenDownTime(t);
    const std::time_t when = std::mktime(&tm);
    std::tm local{};
    if (when == static_cast<std::time_t>(-1) || !localtime_r(&when, &local)) return {};
    return {static_cast<double>(local.tm_gmtoff) / 3600.0, local.tm_isdst > 0};
}

} // namespace syl
