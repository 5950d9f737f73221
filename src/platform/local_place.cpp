#include "platform/local_place.h"

#include <cstdlib>
#include <string>

namespace syl {

namespace {

// A coordinate of the zone table: sign, degrees and minutes (and seconds).
bool readCoordinate(std::string_view s, int degreeDigits, double& out)
{
    if (s.size() < static_cast<size_t>(1 + degreeDigits + 2) || (s[0] != '+' && s[0] != '-')) return false;
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    const size_t rest = s.size() - 1 - static_cast<size_t>(degreeDigits);
    if (rest != 2 && rest != 4) return false;
    auto num = [&](size_t at, size_t n) { return std::atoi(std::string(s.substr(at, n)).c_str()); };
    double v = num(1, degreeDigits) + num(1 + degreeDigits, 2) / 60.0;
    if (rest == 4) v += num(3 + degreeDigits, 2) / 3600.0;
    out = s[0] == '-' ? -v : v;
    return true;
}

} // namespace

std::tm brokenDownTime(const LocalDateTime& t)
{
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

DayPlace placeOfZone(std::string_view table, std::string_view zone)
{
    while (!table.empty() && !zone.empty()) {
        const size_t end = table.find('\n');
        std::string_view line = table.substr(0, end);
        table = end == std::string_view::npos ? std::string_view{} : table.substr(end + 1);
        if (line.empty() || line[0] == '#') continue;
        const size_t t1 = line.find('\t');
        if (t1 == std::string_view::npos) continue;
        const size_t t2 = line.find('\t', t1 + 1);
        if (t2 == std::string_view::npos) continue;
        std::string_view name = line.substr(t2 + 1);
        name = name.substr(0, name.find('\t'));
        if (!name.empty() && name.back() == '\r') name.remove_suffix(1);
        if (name != zone) continue;
        const std::string_view coords = line.substr(t1 + 1, t2 - t1 - 1);
        const size_t split = coords.find_first_of("+-", 1);
        if (split == std::string_view::npos) return {};
        DayPlace p;
        if (!readCoordinate(coords.substr(0, split), 2, p.latitude) ||
            !readCoordinate(coords.substr(split), 3, p.longitude))
            return {};
        p.known = true;
        return p;
    }
    return {};
}

} // namespace syl
