#include "settings/config.h"

#include <cfloat>
#include <cmath>

#include "errors/handler.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "settings/setting_table.h"
#include "settings/settings_store.h"

namespace syl {

Settings::Settings()
{
    for (const SettingSpec& spec : settingTable()) spec.set(*this, spec.def);
    maxFl = formatDouble(findSetting("maxFl")->def, '.');
    halfMaxFl = CInt(0.5 * maxFlValue());
}

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

// A stored text converted to the setting's type and, for numbers, clamped
// into the range the settings dialog writes. maxFl keeps its text when it
// is inside the range.
void convertInto(Settings& s, const SettingSpec& spec, const std::string& text)
{
    const double v = parseNumber(text);
    switch (spec.type) {
    case SettingType::Text:
        if (v < spec.low || v > spec.high) s.maxFl = clampTo(v, spec.low, spec.high);
        else s.maxFl = text;
        break;
    case SettingType::Single:
        spec.set(s, clampTo(toSingle(v), static_cast<float>(spec.low), static_cast<float>(spec.high)));
        break;
    case SettingType::Switch: spec.set(s, CInt(v)); break;
    case SettingType::Seconds:
        spec.set(s, clampTo(CLng(v), static_cast<int32_t>(spec.low), static_cast<int32_t>(spec.high)));
        break;
    }
}

// One statement of LoadConfig: the key's text, converted. A text that cannot
// be converted assigns the default and fails the statement, which goes to
// the dispatcher. When the dispatcher answers Retry, the key is read again;
// if it still cannot be converted, the default stays and the statement ends
// without failing a second time, so a bad value costs one protocol and never
// a loop.
void loadStep(Procedure& proc, Settings& s, const SettingSpec& spec)
{
    bool failedOnce = false;
    proc.step(0, [&] {
        const std::string defText = numberText(spec.def);
        const std::string text = GetSetting(kSettingsApp, kSettingsSection, spec.key, defText);
        try {
            convertInto(s, spec, text);
        } catch (const RuntimeError&) {
            convertInto(s, spec, defText);
            if (failedOnce) return;
            failedOnce = true;
            throw;
        }
    });
}

// The text that SaveConfig stores for a setting.
std::string storedText(const Settings& s, const SettingSpec& spec)
{
    switch (spec.type) {
    case SettingType::Text:
        if (const auto* d = std::get_if<double>(&s.maxFl)) return formatDouble(*d, host().decimalSeparator());
        return std::get<std::string>(s.maxFl);
    case SettingType::Single: return formatSingle(static_cast<float>(spec.get(s)), host().decimalSeparator());
    case SettingType::Switch:
    case SettingType::Seconds: return std::to_string(static_cast<long long>(spec.get(s)));
    }
    return {};
}

} // namespace

void LoadConfig()
{
    Procedure proc("Saver", "LoadConfig");
    Settings& s = settings();
    // The store reads its file once for all eleven keys.
    SettingsReading reading;
    proc.run([&] {
        for (const SettingSpec& spec : settingTable()) {
            loadStep(proc, s, spec);
            // halfMaxFl follows the animation speed, from maxFl as read.
            if (std::string_view(spec.key) == "Speed") proc.step(0, [&] { s.halfMaxFl = CInt(0.5 * s.maxFlValue()); });
        }
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
    values.reserve(settingSaveOrder().size());
    proc.run([&] {
        for (const char* key : settingSaveOrder()) {
            values.emplace_back(key, std::string());
            std::string& text = values.back().second;
            proc.step(0, [&] { text = storedText(s, *findSetting(key)); });
        }
        proc.step(0, [&] { SaveSettings(kSettingsApp, kSettingsSection, values); });
    });
}

} // namespace syl
