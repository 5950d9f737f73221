// Where this machine is, as far as its clock tells: the main place of its
// time zone, and the zone's offset from UTC at a moment. The time of day a
// landscape is lit for is reckoned from them.
#pragma once

#include <ctime>
#include <string_view>

#include "platform/host.h"

namespace syl {

// Known: the latitude and longitude of the time zone's main place;
// otherwise 50 degrees north, with noon at 12:00 of standard time.
struct DayPlace {
    double latitude = 50.0; // degrees, north positive
    double longitude = 0.0; // degrees, east positive
    bool known = false;
};

// The clock's zone at a moment: its offset from UTC (summer time included)
// and whether summer time is in force.
struct ClockZone {
    double utcOffsetHours = 0.0;
    bool summerTime = false;
};

// The coordinates of a time zone from a table in the format of the time
// zone database's zone1970.tab (or zone.tab): "CC<TAB>+DDMM+DDDMM<TAB>Zone"
// (seconds optional). Unknown zones and bad lines give a place not known.
DayPlace placeOfZone(std::string_view table, std::string_view zone);

// A local moment as the C library's broken-down time, summer time left for
// the library to tell (tm_isdst -1).
std::tm brokenDownTime(const LocalDateTime& t);

// This machine's place (read once) and its zone at a local moment.
DayPlace localPlace();
ClockZone localZoneAt(const LocalDateTime& t);

} // namespace syl
