// The time of day a landscape is lit for: dawn, day, dusk or night, from the
// height of the sun at a place and a moment. The sun's course follows the
// date (long days in summer, short ones in winter, none or no night at all
// beyond the polar circles) at the place's latitude.
#pragma once

#include "platform/host.h"
#include "platform/local_place.h"

namespace syl {

// The phases, numbered as the pictures of the phases are (pictureAtPhase).
enum class DayPhase { Day = 0, Dawn = 1, Dusk = 2, Night = 3 };
constexpr int kDayPhases = 4;
const char* phaseName(DayPhase p); // "day", "dawn", "dusk", "night"

// The sun's height above the horizon in degrees at a local date and time.
double sunElevation(const LocalDateTime& t, const DayPlace& place, const ClockZone& zone);
// The phase at that moment: day with the sun 5 degrees up or more, night
// with it 12 degrees down or more, between them dawn before noon and dusk
// after.
DayPhase phaseAt(const LocalDateTime& t, const DayPlace& place, const ClockZone& zone);
// The next phase after `t` and the minute it begins, searched minute by
// minute up to two days on; not found when the phase stays that long
// (polar day or night).
struct PhaseChange {
    DayPhase phase = DayPhase::Day;
    LocalDateTime at{};
    bool found = false;
};
// The phase at a local moment on this machine's place and zone.
DayPhase phaseNow(const LocalDateTime& t);

PhaseChange nextPhaseChange(const LocalDateTime& t, const DayPlace& place, const ClockZone& zone);

// The coordinates of a time zone from a table in the format of the time
// zone database's zone1970.tab (or zone.tab): "CC<TAB>+DDMM+DDDMM<TAB>Zone"
// (seconds optional). Unknown zones and bad lines give a place not known.
DayPlace placeOfZone(std::string_view table, std::string_view zone);

} // namespace syl
