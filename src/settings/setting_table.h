// The twelve stored settings, each described once: its key in the store,
// the type of its global, its default, the range the settings dialog can
// set, the dialog's control and scale, and its option on the command line
// with the help text. The store (LoadConfig, SaveConfig), both dialogs, the
// command line, --help and xscreensaver's settings page all read this
// table; no range or default is written anywhere else.
#pragma once

#include <span>
#include <string_view>

namespace syl {

struct Settings;

enum class SettingType {
    Text,    // maxFl: the text as read, a double once the dialog has set it
    Single,  // a single-precision number
    Switch,  // a 16-bit integer, on when non-zero
    Seconds, // a 32-bit integer of seconds, set in whole minutes
};

enum class OptionKind {
    Absent, // no option of its own (rTime goes with --restart)
    Number, // --NAME VALUE: a slider on the settings page
    Switch, // --NAME and --no-NAME (or --OFFNAME): a check box
    Period, // --NAME MINUTES and --no-NAME: a check box with a minutes field
};

// The option of the command line that takes a setting's place for one run.
struct SettingOption {
    const char* name = nullptr; // without its dashes: "speed"
    OptionKind kind = OptionKind::Absent;
    int decimals = 0;                // digits after the point in the texts
    const char* valueName = nullptr; // "N" or "MINUTES"; nullptr for a switch
    const char* label = nullptr;     // the settings page's text for the control
    const char* lowLabel = nullptr;  // slider ends on the settings page (Number only)
    const char* highLabel = nullptr;
    const char* help = nullptr; // the --help line
    // Switch: the option that turns it off in place of --no-NAME ("classic"
    // for --sharp); nullptr: --no-NAME.
    const char* offName = nullptr;
    // Also goes with the preview (/P) and --render, as it changes how a
    // landscape is composed; the others go with the running saver only.
    bool composition = false;
    // Period: the setting that holds its minutes, in seconds ("rTime").
    const char* seconds = nullptr;
};

struct SettingRow {
    const char* key; // in the store, and the global's name
    SettingType type;
    // The default, and the range that the settings dialog can set (Switch: 0
    // and 1), in the stored unit (seconds for rTime).
    double def, low, high;
    // The dialog's control: HScroll(control) for Text and Single, whose
    // stored value is position x step + offset for the positions 1 to 100;
    // chkOpt(control) for a Switch; the minutes field for Seconds (step 60).
    int control;
    double step, offset;
    // The global as a number, and set from a number in the stored unit.
    double (*get)(const Settings&);
    void (*set)(Settings&, double);
    SettingOption option;
};

// Every setting, in the order in which LoadConfig reads them.
std::span<const SettingRow> settingTable();
// The setting of a key; nullptr for none.
const SettingRow* findSetting(std::string_view key);
// The order in which SaveConfig writes them.
std::span<const char* const> settingSaveOrder();

// The slider positions of the settings dialog, and the one every default
// lies at.
inline constexpr int kSliderLow = 1, kSliderHigh = 100, kSliderDefault = 50;
// A setting's value at a slider position, and the slider position of a
// value (rounded half to even, as the dialog shows it).
double sliderValue(const SettingRow& s, long long position);
long long sliderPosition(const SettingRow& s, double value);

} // namespace syl
