#include "scene/daylight.h"

#include <cmath>

namespace syl {

namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int dayOfYear(const LocalDateTime& t)
{
    static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int m = std::min(std::max(t.month, 1), 12);
    return before[m - 1] + t.day + (m > 2 && leap(t.year) ? 1 : 0);
}

// Days since 1970-01-01 of a civil date.
long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDateTime civilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    LocalDateTime t{};
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    return t;
}

} // namespace

const char* phaseName(DayPhase p)
{
    switch (p) {
    case DayPhase::Dawn: return "dawn";
    case DayPhase::Dusk: return "dusk";
    case DayPhase::Night: return "night";
    default: return "day";
    }
}

double sunElevation(const LocalDateTime& t, const DayPlace& place, const ClockZone& zone)
{
    const double n = dayOfYear(t);
    // The sun's declination and the equation of time (minutes), after the
    // usual approximations: good to a few minutes, far more than a
    // landscape needs.
    const double g = 2 * 3.14159265358979323846 / 365.0 * (n - 1 + (t.hour - 12) / 24.0);
    const double decl = 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g) - 0.006758 * std::cos(2 * g) +
                        0.000907 * std::sin(2 * g) - 0.002697 * std::cos(3 * g) + 0.00148 * std::sin(3 * g);
    const double eqt = 229.18 * (0.000075 + 0.001868 * std::cos(g) - 0.032077 * std::sin(g) -
                                 0.014615 * std::cos(2 * g) - 0.040849 * std::sin(2 * g));
    // Local solar noon on the clock: where the place is known, from its
    // longitude and the zone's offset; otherwise 12:00 of standard time.
    const double noon = place.known ? 12.0 + zone.utcOffsetHours - place.longitude / 15.0 - eqt / 60.0
                                    : 12.0 + (zone.summerTime ? 1.0 : 0.0);
    const double hours = t.hour + t.minute / 60.0 + t.second / 3600.0;
    const double ha = (hours - noon) * 15.0 * kRad;
    const double lat = place.latitude * kRad;
    const double s = std::sin(lat) * std::sin(decl) + std::cos(lat) * std::cos(decl) * std::cos(ha);
    return std::asin(std::max(-1.0, std::min(1.0, s))) / kRad;
}

DayPhase phaseAt(const LocalDateTime& t, const DayPlace& place, const ClockZone& zone)
{
    const double e = sunElevation(t, place, zone);
    if (e >= 5.0) return DayPhase::Day;
    if (e < -12.0) return DayPhase::Night;
    // Rising or setting: the sun a little later.
    LocalDateTime later = t;
    const long minutes = t.hour * 60L + t.minute + 10;
    later.hour = static_cast<int>(minutes / 60 % 24);
    later.minute = static_cast<int>(minutes % 60);
    if (minutes >= 24 * 60) return DayPhase::Dusk; // just before midnight the sun sets no more
    return sunElevation(later, place, zone) >= e ? DayPhase::Dawn : DayPhase::Dusk;
}

DayPhase phaseNow(const LocalDateTime& t) { return phaseAt(t, localPlace(), localZoneAt(t)); }

PhaseChange nextPhaseChange(const LocalDateTime& t, const DayPlace& place, const ClockZone& zone)
{
    const DayPhase now = phaseAt(t, place, zone);
    long day = daysFromCivil(t.year, t.month, t.day);
    long minute = t.hour * 60L + t.minute;
    for (int step = 0; step < 2 * 24 * 60; ++step) {
        if (++minute == 24 * 60) {
            minute = 0;
            ++day;
        }
        LocalDateTime c = civilFromDays(day);
        c.hour = static_cast<int>(minute / 60);
        c.minute = static_cast<int>(minute % 60);
        const DayPhase p = phaseAt(c, place, zone);
        if (p != now) return {p, c, true};
    }
    return {};
}

} // namespace syl
