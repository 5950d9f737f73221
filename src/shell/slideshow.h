// The timed wallpaper of GNOME's family of desktops: an XML description of
// pictures shown at times of the day, with fades between them, in the
// format of GNOME's own dynamic wallpapers. Sylvadra's shows one landscape
// at dawn, by day, at dusk and by night, at the times of that day's sun.
#pragma once

#include <array>
#include <string>

#include "platform/host.h"
#include "platform/local_place.h"

namespace syl {

// The pictures by phase (day, dawn, dusk, night: absolute paths) through
// the day `day` (its date counts) at a place and zone: from midnight, each
// phase's picture as long as the phase lasts, the fade into the next one
// (a quarter of an hour, less in a short phase) ending where it begins.
// The durations add up to the whole day, which then repeats.
std::string dayNightSlideshow(const std::array<std::string, 4>& pictures, const LocalDateTime& day,
                              const DayPlace& place, const ClockZone& zone);

} // namespace syl
