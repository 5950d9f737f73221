// The saver options of the command line (--speed, --flowers, --date, ...),
// made from the settings table: they serve the parser, the --help text and
// xscreensaver's settings page. Each option takes the place of one stored setting for the
// run it is given to; nothing is ever written back to the settings store.
// Most go with the running saver only; the one that changes how landscapes
// are composed (--sharp, --classic) also goes with the preview and --render.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/setting_table.h"

namespace syl {

struct Settings;

// A saver option as the parser, --help and the settings page use it: the
// setting's option of the settings table, with the range and default in the
// option's own unit.
struct SaverOption {
    const char* name; // the long option without its dashes: "speed"
    OptionKind kind;
    const char* setting; // the stored setting it takes the place of
    // Number and Period: the range the settings dialog can set (Period: in
    // minutes) and the dialog's default. Switch: 0 and 1, default 1 (on).
    double low, high, def;
    int decimals;          // digits after the point in the texts
    const char* valueName; // "N" or "MINUTES"; nullptr for a switch
    const char* label;     // the settings page's text for the control
    const char* lowLabel;  // slider ends on the settings page (Number only)
    const char* highLabel;
    const char* help; // the --help line
    // The setting in the settings table.
    const SettingRow* row;
    // Switch: the option that turns it off in place of --no-NAME ("classic"
    // for --sharp); nullptr: --no-NAME.
    const char* offName = nullptr;
    // Also goes with the preview (/P) and --render.
    bool composition = false;
};

// Every saver option, in the order of the settings page.
std::span<const SaverOption> saverOptions();

// One saver option as given on the command line.
struct SettingOverride {
    const SaverOption* option = nullptr;
    bool on = true;   // false for --no-NAME
    double value = 0; // clamped into the option's range
};
using SettingOverrides = std::vector<SettingOverride>;

// The option as it was given, without its value: "--speed", "--no-date",
// "--classic".
std::string optionText(const SettingOverride& o);

// Reads one saver option at args[i] ("--speed 3", "--speed=3", "--date",
// "--no-date", "--restart 5", "--no-restart", "--sharp", "--classic"). Returns false when args[i]
// is no saver option. Otherwise i is moved to the option's last argument,
// and either the override is appended or error tells what is wrong. Values
// are decimal numbers with "." or "," as the separator; outside the range
// they are clamped; a Period's minutes are rounded to whole minutes.
bool parseSaverOption(const std::vector<std::string>& args, size_t& i, SettingOverrides& out, std::string& error);

// The number of a saver option's value: digits with one optional "." or
// "," and an optional sign. False for anything else.
bool parseOptionNumber(std::string_view text, double& value);

// Applies the overrides in order (a later one wins) to the settings.
void applyOverrides(const SettingOverrides& overrides, Settings& s);

// The overrides of the running program: set once from the command line,
// applied to settings() right after LoadConfig.
void setPendingOverrides(SettingOverrides overrides);
void applyPendingOverrides();

// The "Saver options" part of --help.
std::string saverOptionsHelp();

// xscreensaver's settings page of the hack (the file
// share/xscreensaver/config/sylvadra.xml).
std::string xscreensaverSettingsPage();

} // namespace syl
