#include "settings/config.h"

#include <cfloat>
#include <cmath>

#include "errors/handler.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "settings/settings_store.h"

namespace syl {

double Settings::maxFlValue() const
{
    if (const auto* d = std::get_if<double>(&maxFl)) return *d;
    return parseNumber(std::get<std::string>(maxFl));
}

Settings& settings()
{
    static Settings s;
    return s;
}

namespace {

// A number as the store holds it: decimal text with the user's separator.
std::string numberText(double v) { return formatDouble(v, host().decimalSeparator()); }

float toSingle(double v)
{
    if (std::fabs(v) > FLT_MAX) raiseError(kErrOverflow);
    return static_cast<float>(v);
}

template <class T>
T clampTo(T v, T lo, T hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// The ranges the settings dialog writes.
constexpr double kMaxFlLo = 2.08, kMaxFlHi = 10.0;
constexpr float kAmountLo = 2.08f, kAmountHi = 10.0f; // SpeedF, SpeedO
constexpr float kCloudLo = 0.04f, kCloudHi = 1.03f;   // SpeedS
constexpr float kRateLo = 0.1f, kRateHi = 10.0f;      // Speed
constexpr int32_t kPeriodLo = 60, kPeriodHi = 5940;   // rTime: 1 to 99 minutes

std::variant<std::string, double> maxFlOf(const std::string& text)
{
    double v = parseNumber(text);
    if (v < kMaxFlLo || v > kMaxFlHi) return clampTo(v, kMaxFlLo, kMaxFlHi);
    return text;
}

float singleOf(const std::string& text, float lo, float hi) { return clampTo(toSingle(parseNumber(text)), lo, hi); }

int16_t switchOf(const std::string& text) { return CInt(parseNumber(text)); }

int32_t periodOf(const std::string& text) { return clampTo(CLng(parseNumber(text)), kPeriodLo, kPeriodHi); }

// One statement of LoadConfig: the key's text, converted. A text that cannot
// be converted assigns the default and fails the statement, which goes to
// the dispatcher. When the dispatcher answers Retry, the key is read again;
// if it still cannot be converted, the default stays and the statement ends
// without failing a second time, so a bad value costs one protocol and never
// a loop.
template <class T, class Convert>
void loadStep(Procedure& proc, T& target, const char* key, double def, Convert convert)
{
    bool failedOnce = false;
    proc.step(0, [&] {
        const std::string defText = numberText(def);
        const std::string text = GetSetting(kSettingsApp, kSettingsSection, key, defText);
        try {
            target = convert(text);
        } catch (const RuntimeError&) {
            target = convert(defText);
            if (failedOnce) return;
            failedOnce = true;
            throw;
        }
    });
}

} // namespace

void LoadConfig()
{
    Procedure proc("Saver", "LoadConfig");
    Settings& s = settings();
    // The store reads its file once for all eleven keys.
    SettingsReading reading;
    proc.run([&] {
        loadStep(proc, s.maxFl, "maxFl", 6, maxFlOf);
        loadStep(proc, s.SpeedF, "SpeedF", 6, [](const std::string& t) { return singleOf(t, kAmountLo, kAmountHi); });
        loadStep(proc, s.SpeedS, "SpeedS", 0.53, [](const std::string& t) { return singleOf(t, kCloudLo, kCloudHi); });
        loadStep(proc, s.SpeedO, "SpeedO", 6, [](const std::string& t) { return singleOf(t, kAmountLo, kAmountHi); });
        loadStep(proc, s.Speed, "Speed", 5, [](const std::string& t) { return singleOf(t, kRateLo, kRateHi); });
        proc.step(0, [&] { s.halfMaxFl = CInt(0.5 * s.maxFlValue()); });
        loadStep(proc, s.Date, "Date", 1, switchOf);
        loadStep(proc, s.Time, "Time", 1, switchOf);
        loadStep(proc, s.Restart, "Restart", 1, switchOf);
        loadStep(proc, s.rTime, "rTime", 600, periodOf);
        loadStep(proc, s.Wallpaper, "Wallpaper", 1, switchOf);
        loadStep(proc, s.Sharp, "Sharp", 1, switchOf);
    });
}

void SaveConfig()
{
    Procedure proc("Saver", "SaveConfig");
    const Settings& s = settings();
    // Each setting is turned into its text by a statement of its own; the
    // eleven texts then go to the store in one write, so that the key file is
    // replaced once, with all of them or none.
    SettingsStore::Values values;
    values.reserve(11);
    auto text = [&](const char* key, auto convert) {
        values.emplace_back(key, std::string());
        const size_t at = values.size() - 1;
        proc.step(0, [&] { values[at].second = convert(); });
    };
    auto single = [](float v) { return [v] { return formatSingle(v, host().decimalSeparator()); }; };
    auto integer = [](long long v) { return [v] { return std::to_string(v); }; };
    proc.run([&] {
        text("SpeedF", single(s.SpeedF));
        text("maxFl", [&] {
            if (const auto* d = std::get_if<double>(&s.maxFl)) return formatDouble(*d, host().decimalSeparator());
            return std::get<std::string>(s.maxFl);
        });
        text("SpeedS", single(s.SpeedS));
        text("SpeedO", single(s.SpeedO));
        text("Speed", single(s.Speed));
        text("Date", integer(s.Date));
        text("Time", integer(s.Time));
        text("Restart", integer(s.Restart));
        text("rTime", integer(s.rTime));
        text("Wallpaper", integer(s.Wallpaper));
        text("Sharp", integer(s.Sharp));
        proc.step(0, [&] { SaveSettings(kSettingsApp, kSettingsSection, values); });
    });
}

} // namespace syl
