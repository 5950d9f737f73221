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
    for (const SettingRow& row : settingTable()) row.set(*this, row.def);
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
void convertInto(Settings& s, const SettingRow& row, const std::string& text)
{
    const double v = parseNumber(text);
    switch (row.type) {
    case SettingType::Text:
        if (v < row.low || v > row.high) s.maxFl = clampTo(v, row.low, row.high);
        else s.maxFl = text;
        break;
    case SettingType::Single:
        row.set(s, clampTo(toSingle(v), static_cast<float>(row.low), static_cast<float>(row.high)));
        break;
    case SettingType::Switch: row.set(s, CInt(v)); break;
    case SettingType::Seconds:
        row.set(s, clampTo(CLng(v), static_cast<int32_t>(row.low), static_cast<int32_t>(row.high)));
        break;
    }
}

// One statement of LoadConfig: the key's text, converted. A text that cannot
// be converted assigns the default and fails the statement, which goes to
// the dispatcher. When the dispatcher answers Retry, the key is read again;
// if it still cannot be converted, the default stays and the statement ends
// without failing a second time, so a bad value costs one protocol and never
// a loop.
void loadStep(Procedure& proc, Settings& s, const SettingRow& row)
{
    bool failedOnce = false;
    proc.step(0, [&] {
        const std::string defText = numberText(row.def);
        const std::string text = GetSetting(kSettingsApp, kSettingsSection, row.key, defText);
        try {
            convertInto(s, row, text);
        } catch (const RuntimeError&) {
            convertInto(s, row, defText);
            if (failedOnce) return;
            failedOnce = true;
            throw;
        }
    });
}

// The text that SaveConfig stores for a setting.
std::string storedText(const Settings& s, const SettingRow& row)
{
    switch (row.type) {
    case SettingType::Text:
        if (const auto* d = std::get_if<double>(&s.maxFl)) return formatDouble(*d, host().decimalSeparator());
        return std::get<std::string>(s.maxFl);
    case SettingType::Single: return formatSingle(static_cast<float>(row.get(s)), host().decimalSeparator());
    case SettingType::Switch:
    case SettingType::Seconds: return std::to_string(static_cast<long long>(row.get(s)));
    }
    return {};
}

} // namespace

void LoadConfig()
{
    Procedure proc("Saver", "LoadConfig");
    Settings& s = settings();
    // The store reads its file once for all twelve keys.
    SettingsReading reading;
    proc.run([&] {
        for (const SettingRow& row : settingTable()) {
            loadStep(proc, s, row);
            // halfMaxFl follows the animation speed, from maxFl as read.
            if (std::string_view(row.key) == "Speed") proc.step(0, [&] { s.halfMaxFl = CInt(0.5 * s.maxFlValue()); });
        }
    });
}

void SaveConfig()
{
    Procedure proc("Saver", "SaveConfig");
    const Settings& s = settings();
    // Each setting is turned into its text by a statement of its own; the
    // twelve texts then go to the store in one write, so that the key file is
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
