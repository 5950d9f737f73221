// What must hold for any settings text, shared by the libFuzzer target
// fuzz_settings.cpp and the unit tests that replay its corpus and findings:
// - parseNumber either gives a finite number or fails with error 13 (Type
//   mismatch) or 6 (Overflow); a number it gives reads back from its own
//   text in either separator;
// - the key file store reads any file without failing; writing one key into
//   it keeps every other key readable as it was and gives back the key;
// - LoadConfig over any file dispatches at most one failure per key and
//   leaves every setting within the range the settings dialog writes, so
//   the scene can start (the flower slots and the timer interval fit).
// Each check returns an empty text, or what broke.
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "errors/handler.h"
#include "platform/numbers.h"
#include "settings/config.h"
#include "settings/settings_store.h"

namespace fuzz {

// Failures dispatched by LoadConfig; the harness's dispatcher counts them.
inline int& settingsDispatches()
{
    static int n = 0;
    return n;
}

inline const char* const kSettingKeys[] = {"maxFl", "SpeedF",  "SpeedS", "SpeedO",    "Speed", "Date",
                                           "Time",  "Restart", "rTime",  "Wallpaper", "Sharp"};

// A number's text in plain notation keeps ten decimals, so a read-back may
// differ by that much; otherwise by the last of 15 significant digits.
inline bool closeEnough(double a, double b) { return std::fabs(a - b) <= std::max(1e-13 * std::fabs(a), 1e-10); }

inline std::string checkNumberText(const std::string& text)
{
    double v = 0;
    try {
        v = syl::parseNumber(text);
    } catch (const syl::RuntimeError& e) {
        if (e.number() != syl::kErrTypeMismatch && e.number() != syl::kErrOverflow)
            return "parseNumber failed with error " + std::to_string(e.number());
        return {};
    }
    if (!std::isfinite(v)) return "parseNumber gave a number that is not finite";
    for (char sep : {'.', ','}) {
        const std::string back = syl::formatDouble(v, sep);
        double w = 0;
        try {
            w = syl::parseNumber(back);
        } catch (const syl::RuntimeError&) {
            return "formatDouble wrote '" + back + "', which does not read back";
        }
        if (!closeEnough(v, w)) return "'" + back + "' reads back as another number";
    }
    return {};
}

// A private folder for the key files of one process, with the settings
// folder in it (made again after removeScratchFolder).
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path dir =
        (std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path()) /
        ("sylvadra-settings-check-" + std::to_string(getpid()));
    std::error_code ec;
    std::filesystem::create_directories(dir / "sylvadra", ec);
    return dir;
}

inline void removeScratchFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(scratchFolder(), ec);
}

// GKeyFile takes a raw carriage return before a line end as part of the line
// end. One that ends a value read from a damaged file (a NUL byte after it
// hid the line end) is therefore gone once the file has been written again;
// the value's number is the same (parseNumber ignores it).
inline std::string withoutTrailingReturn(std::string v)
{
    while (!v.empty() && v.back() == '\r') v.pop_back();
    return v;
}

inline std::string checkSettingsFile(const std::string& content)
{
    namespace fs = std::filesystem;
    const fs::path file = scratchFolder() / "sylvadra" / "settings.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out) return "cannot write the scratch file";
    }
    std::unique_ptr<syl::SettingsStore> store = syl::makeIniSettingsStore(scratchFolder().string());

    // Reading never fails; every value is checked as a number text as well.
    std::vector<std::string> before;
    for (const char* key : kSettingKeys) {
        try {
            before.push_back(store->get(syl::kSettingsApp, syl::kSettingsSection, key, "<none>"));
        } catch (...) {
            return std::string("reading ") + key + " failed";
        }
        if (std::string r = checkNumberText(before.back()); !r.empty()) return r;
    }

    // LoadConfig takes what it can and stays within the dialog's ranges.
    syl::setSettingsStore(store.get());
    syl::settings() = syl::Settings{};
    settingsDispatches() = 0;
    std::string broken;
    try {
        syl::LoadConfig();
    } catch (...) {
        broken = "LoadConfig let a failure out";
    }
    syl::setSettingsStore(nullptr);
    if (!broken.empty()) return broken;
    const syl::Settings& s = syl::settings();
    if (settingsDispatches() > static_cast<int>(std::size(kSettingKeys)))
        return "LoadConfig dispatched more than one failure per key";
    const double maxFl = s.maxFlValue();
    if (!(maxFl >= 2.08 && maxFl <= 10)) return "maxFl out of range: " + std::to_string(maxFl);
    if (!(s.SpeedF >= 2.08f && s.SpeedF <= 10)) return "SpeedF out of range";
    if (!(s.SpeedO >= 2.08f && s.SpeedO <= 10)) return "SpeedO out of range";
    if (!(s.SpeedS >= 0.04f && s.SpeedS <= 1.03f)) return "SpeedS out of range";
    if (!(s.Speed >= 0.1f && s.Speed <= 10)) return "Speed out of range";
    if (s.rTime < 60 || s.rTime > 5940) return "rTime out of range";
    if (s.halfMaxFl < 1 || s.halfMaxFl > 5) return "halfMaxFl out of range";
    if (syl::CLng(200.0f / s.Speed) < 20 || 4.0 * maxFl > 100) return "the scene cannot start with these settings";
    syl::settings() = syl::Settings{};

    // Writing one key keeps the others as they read before.
    try {
        store->set(syl::kSettingsApp, syl::kSettingsSection, "maxFl", "7,5");
    } catch (const syl::RuntimeError& e) {
        return "writing maxFl failed with error " + std::to_string(e.number());
    }
    for (size_t i = 0; i < before.size(); ++i) {
        const std::string now = store->get(syl::kSettingsApp, syl::kSettingsSection, kSettingKeys[i], "<none>");
        const std::string want = i == 0 ? "7,5" : before[i];
        if (withoutTrailingReturn(now) != withoutTrailingReturn(want))
            return std::string("after writing maxFl, ") + kSettingKeys[i] + " reads '" + now + "'";
    }
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(file.parent_path(), ec))
        if (e.path() != file) return "the write left " + e.path().filename().string();
    return {};
}

// The whole check of one input: the text as a number, each line's value as
// a number, and the text as the settings file.
inline std::string checkSettingsInput(const std::string& text)
{
    if (std::string r = checkNumberText(text); !r.empty()) return r;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        const size_t eq = line.find('=');
        if (std::string r = checkNumberText(eq == std::string::npos ? line : line.substr(eq + 1)); !r.empty()) return r;
        pos = end + 1;
    }
    return checkSettingsFile(text);
}

} // namespace fuzz
