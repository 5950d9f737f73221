#include "settings/setting_table.h"

#include <cmath>

#include "platform/numbers.h"
#include "settings/config.h"

namespace syl {

namespace {

using T = SettingType;
using K = OptionKind;

float single(double v) { return static_cast<float>(v); }
// A switch holds the number as read (a stored 1.6 is 2): on when non-zero.
int16_t onOff(double v) { return static_cast<int16_t>(v); }

// The dialog's sliders run from 1 to 100: value x 0.08 + 2 for the flowers,
// the flower speed and the object speed, value x 0.01 + 0.03 for the
// clouds, value x 0.1 for the animation speed; the restart period is 1 to
// 99 minutes. Every default lies at slider value 50 (the period at 10).
const SettingRow kTable[] = {
    {"maxFl",
     T::Text,
     6,
     2.08,
     10,
     0,
     0.08,
     2,
     [](const Settings& s) { return s.maxFlValue(); },
     [](Settings& s, double v) { s.maxFl = v; },
     {"flowers", K::Number, 2, "N", "Number of flowers", "Few", "Many", "amount of flowers: 2 x N to 4 x N of them"}},
    {"SpeedF",
     T::Single,
     6,
     2.08,
     10,
     1,
     0.08,
     2,
     [](const Settings& s) { return double(s.SpeedF); },
     [](Settings& s, double v) { s.SpeedF = single(v); },
     {"flower-speed", K::Number, 2, "N", "Flower speed", "Slow", "Fast", "how fast the flowers sprout and grow"}},
    {"SpeedS",
     T::Single,
     0.53,
     0.04,
     1.03,
     3,
     0.01,
     0.03,
     [](const Settings& s) { return double(s.SpeedS); },
     [](Settings& s, double v) { s.SpeedS = single(v); },
     {"cloud-speed", K::Number, 2, "N", "Cloud speed", "Slow", "Fast", "cloud drift in pixels per frame"}},
    {"SpeedO",
     T::Single,
     6,
     2.08,
     10,
     4,
     0.08,
     2,
     [](const Settings& s) { return double(s.SpeedO); },
     [](Settings& s, double v) { s.SpeedO = single(v); },
     {"object-speed", K::Number, 2, "N", "Speed of birds, balloons and aircraft", "Slow", "Fast",
      "speed of the birds, balloons and aircraft"}},
    {"Speed",
     T::Single,
     5,
     0.1,
     10,
     5,
     0.1,
     0,
     [](const Settings& s) { return double(s.Speed); },
     [](Settings& s, double v) { s.Speed = single(v); },
     {"speed", K::Number, 1, "N", "Animation speed", "Slow", "Fast",
      "animation speed, a frame every 200/N milliseconds"}},
    {"Date",
     T::Switch,
     1,
     0,
     1,
     0,
     1,
     0,
     [](const Settings& s) { return double(s.Date); },
     [](Settings& s, double v) { s.Date = onOff(v); },
     {"date", K::Switch, 0, nullptr, "Show the date", nullptr, nullptr, "show the date, or not"}},
    {"Time",
     T::Switch,
     1,
     0,
     1,
     1,
     1,
     0,
     [](const Settings& s) { return double(s.Time); },
     [](Settings& s, double v) { s.Time = onOff(v); },
     {"time", K::Switch, 0, nullptr, "Show the time of day", nullptr, nullptr, "show the time of day, or not"}},
    {"Restart",
     T::Switch,
     1,
     0,
     1,
     2,
     1,
     0,
     [](const Settings& s) { return double(s.Restart); },
     [](Settings& s, double v) { s.Restart = onOff(v); },
     {"restart", K::Period, 0, "MINUTES", "Minutes between new landscapes", nullptr, nullptr,
      "compose a new landscape every MINUTES minutes", nullptr, false, "rTime"}},
    {"rTime",
     T::Seconds,
     600,
     60,
     5940,
     -1,
     60,
     0,
     [](const Settings& s) { return double(s.rTime); },
     [](Settings& s, double v) { s.rTime = CLng(v); },
     {}},
    {"Wallpaper",
     T::Switch,
     1,
     0,
     1,
     3,
     1,
     0,
     [](const Settings& s) { return double(s.Wallpaper); },
     [](Settings& s, double v) { s.Wallpaper = onOff(v); },
     {"wallpaper", K::Switch, 0, nullptr, "Leave the last landscape as the desktop wallpaper", nullptr, nullptr,
      "leave the last landscape as the wallpaper, or not"}},
    {"Sharp",
     T::Switch,
     1,
     0,
     1,
     4,
     1,
     0,
     [](const Settings& s) { return double(s.Sharp); },
     [](Settings& s, double v) { s.Sharp = onOff(v); },
     {"sharp", K::Switch, 0, nullptr, "Sharp pictures at the screen's own resolution", nullptr, nullptr,
      "sharp landscapes at the screen's resolution, or classic", "classic", true}},
    {"DayNight",
     T::Switch,
     0,
     0,
     1,
     5,
     1,
     0,
     [](const Settings& s) { return double(s.DayNight); },
     [](Settings& s, double v) { s.DayNight = onOff(v); },
     {"day-night", K::Switch, 0, nullptr, "Follow the time of day", nullptr, nullptr,
      "light the landscape for the time of day, or always by day", nullptr, true}},
};

const char* const kSaveOrder[] = {"SpeedF", "maxFl",   "SpeedS", "SpeedO",    "Speed", "Date",
                                  "Time",   "Restart", "rTime",  "Wallpaper", "Sharp", "DayNight"};

bool whole(double v) { return v == std::floor(v); }

} // namespace

std::span<const SettingRow> settingTable() { return kTable; }

std::span<const char* const> settingSaveOrder() { return kSaveOrder; }

const SettingRow* findSetting(std::string_view key)
{
    for (const SettingRow& s : kTable)
        if (key == s.key) return &s;
    return nullptr;
}

double sliderValue(const SettingRow& s, long long position)
{
    return static_cast<double>(position) * s.step + s.offset;
}

long long sliderPosition(const SettingRow& s, double value)
{
    const double perStep = 1.0 / s.step;
    if (s.type != SettingType::Single || !whole(s.offset)) return CInt((value - s.offset) * perStep);
    // A single less a whole number stays a single, and so does a single
    // times a whole number: the arithmetic of the dialog's own formulas.
    const float less = static_cast<float>(value) - static_cast<float>(s.offset);
    if (whole(perStep)) return CInt(less * static_cast<float>(perStep));
    return CInt(static_cast<double>(less) * perStep);
}

} // namespace syl
