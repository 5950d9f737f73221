// Windows names its time zones in its own way, without coordinates: the
// place is the fixed one, and the zone tells only whether summer time is in
// force at a moment.
#include <ctime>

#include "platform/local_place.h"

namespace syl {

DayPlace localPlace() { return {}; }

ClockZone localZoneAt(const LocalDateTime& t)
{
    std::tm tm = brokenDownTime(t);
    if (std::mktime(&tm) == static_cast<std::time_t>(-1)) return {};
    return {0.0, tm.tm_isdst > 0};
}

} // namespace syl
