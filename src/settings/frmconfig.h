// The settings dialog frmConfig, without a window system: its controls, its
// event procedures and its layout. The GTK and Win32 backends build their
// widgets from frmConfigControls(), call the event procedures when the user
// acts, and show the controls' state after every event.
//
// Settings and controls:
//   HScroll(0) maxFl, HScroll(1) SpeedF, HScroll(3) SpeedS, HScroll(4) SpeedO,
//   HScroll(5) Speed, chkOpt(0) Date, chkOpt(1) Time, chkOpt(2) Restart,
//   chkOpt(3) Wallpaper, chkOpt(4) Sharp, chkOpt(5) DayNight, lblTime and vscTime the restart
//   minutes (vscTime holds 100 minus the minutes, so its upper arrow raises
//   them).
//
// Decisions of this system:
// - The enabling rule (restart box unchecked: spinner disabled, minutes in
//   light grey) also runs once at the end of Form_Load, so a dialog opened
//   with the restart box unchecked shows the minutes greyed at once.
// - "&OK" reads the minutes from lblTime's text by its leading number, as
//   Val does: a text without one counts as 0.
// - A check box only takes 0 or 1, but a stored Date, Time, Restart,
//   Wallpaper or Sharp of any non-zero value (2 from a stored 1.6, or -1)
//   loads as checked, as the saver treats it as on; "&OK" then stores 1.
// - "&Default Standard" restores what the saver shows (the sliders, the
//   minutes and the Date, Time, Restart and Sharp boxes) but leaves the
//   wallpaper box, which is about the desktop after the saver has ended.
#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>

#include "platform/controls.h"

namespace syl {

class Procedure;

// The window's caption and client area (twips).
inline constexpr const char* kFrmConfigCaption = "Sylvadra  ---  Settings / Einstellungen...";
inline constexpr int kFrmConfigClientWidth = 7440;
inline constexpr int kFrmConfigClientHeight = 6165;

// The two lines of chkOpt(3), set by Form_Load.
inline constexpr const char* kWallpaperCaption =
    "Save last picture as wallpaper\nLetztes Bild als Hintergrundbild speichern";

enum class ConfigControlKind {
    Frame,     // a group box with its caption
    Label,     // plain text
    Slider,    // a horizontal scroll bar, HScroll(index)
    SliderEnd, // the bold "-" under a slider's left end or "+" under its right end
    CheckBox,  // chkOpt(index)
    TimeLabel, // lblTime: the minutes on a white background
    Spinner,   // vscTime: the up/down arrows of the minutes
    Button,    // a command button
};

struct ConfigControlRow {
    ConfigControlKind kind;
    const char* name;    // the control's name ("HScroll", "lblTime"); "-" and "+" labels: "lblMinus", "lblPlus"
    int index;           // its index in a control array; -1 for a single control
    int frame;           // the Frame that holds it; -1 when it stands on the window
    const char* caption; // the text it shows, its access key marked with "&"; empty when the form sets it
    TwipsRect rect;      // relative to the holding frame's outer corner, else to the client area
};

// Every control of frmConfig, frames before what they hold; the order is
// also the order of the keyboard focus.
std::span<const ConfigControlRow> frmConfigControls();
// The control's rectangle relative to the client area, in twips.
TwipsRect onClientArea(const ConfigControlRow& control);

class FrmConfig {
public:
    // What the dialog asks of the window system.
    struct Hooks {
        std::function<void()> showInfo;                          // frmInfo, modal: returns when it has closed
        std::function<void(const std::string& url)> openWebPage; // the desktop's browser
        std::function<void()> close;                             // unloads the dialog
    };

    explicit FrmConfig(Hooks hooks = {});

    // The sliders HScroll(0), (1), (3), (4), (5); any other index is error 9.
    ScrollBarControl& HScroll(int index);
    const ScrollBarControl& HScroll(int index) const;
    std::array<CheckBoxControl, 6> chkOpt;
    LabelControl lblTime;
    ScrollBarControl vscTime;

    // True once the dialog has unloaded itself ("&OK").
    bool closed() const { return closed_; }

    // Event procedures (module frmConfig).
    void Form_Load();
    void chkOpt_Click(int Index);
    void vscTime_Change();
    void cmdOK_Click();
    void cmdReset_Click();
    void cmdInfo_Click();
    void cmdhomepage_Click();

    // What the user does, reported by the backend. Slider and spinner values
    // are kept inside the control's range.
    void userScroll(int index, long long value);
    void userCheck(int index, bool checked);
    void userSpin(long long value);
    // A command button of frmConfigControls() was pressed.
    void userPress(const ConfigControlRow& button);

private:
    // Setting a value the way a form does: the Click or Change event runs
    // when the value changes.
    void setCheck(int index, long long value);
    void setSpinner(long long value);
    void applyEnablingRule(Procedure& p);

    Hooks hooks_;
    std::array<ScrollBarControl, 6> sliders_{}; // index 2 is not a slider of the form
    bool closed_ = false;
};

// The pattern "##": the number without leading zeros, nothing for 0.
std::string formatHashes(long long value);
// Val: the leading decimal number of a text ("10 min" is 10), 0 when there is none.
double leadingNumber(const std::string& text);

} // namespace syl
