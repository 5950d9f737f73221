// The twelve stored settings and the derived halfMaxFl: the globals of module
// Saver, read once by LoadConfig and written by SaveConfig.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace syl {

struct Settings {
    // The defaults of the settings table (maxFl as the text an empty store
    // yields).
    Settings();

    // maxFl holds the text as read from the store; after the settings dialog a double.
    std::variant<std::string, double> maxFl;
    float SpeedF = 0;
    float SpeedS = 0;
    float SpeedO = 0;
    float Speed = 0;
    int16_t Date = 0;
    int16_t Time = 0;
    int16_t Restart = 0;
    int32_t rTime = 0;
    int16_t Wallpaper = 0;
    // Sharp pictures: landscapes composed at the screen's own resolution from
    // finely painted pictures when non-zero, the classic landscapes when 0.
    int16_t Sharp = 0;
    // Day and night: the landscape lit for the local time of day (dawn,
    // day, dusk, night) when non-zero; always by day when 0.
    int16_t DayNight = 0;
    // CInt(0.5 x maxFl), computed by LoadConfig only.
    int16_t halfMaxFl = 0;

    // The number that maxFl holds (its text converted, or the double).
    double maxFlValue() const;
};

// The settings globals of the running program.
Settings& settings();

// Application and section under which the settings are stored.
inline constexpr const char* kSettingsApp = "Sylvadra";
inline constexpr const char* kSettingsSection = "Settings";

// Reads the twelve settings from the store (module Saver). Each setting is one
// statement of the procedure; keys that are missing take their defaults.
// A number outside the range the settings dialog can set (the settings
// table's) is clamped into it; a clamped maxFl is held as a double. Date,
// Time, Restart, Wallpaper, Sharp and DayNight are on when non-zero and are not
// clamped. A text that cannot be converted (error 13, or 6 when out
// of range for its type) is dispatched once and that setting takes its
// default; the others are read as usual.
void LoadConfig();
// Writes the twelve settings (never halfMaxFl), in the order SpeedF, maxFl,
// SpeedS, SpeedO, Speed, Date, Time, Restart, rTime, Wallpaper, Sharp, DayNight, in one
// write of the store (SaveSettings): a store that cannot be written fails
// that one statement, and the key file is replaced once or not at all.
void SaveConfig();

} // namespace syl
