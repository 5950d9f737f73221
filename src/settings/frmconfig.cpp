#include "settings/frmconfig.h"

#include <cctype>
#include <string_view>

#include "errors/handler.h"
#include "platform/host.h"
#include "settings/config.h"
#include "settings/setting_table.h"

namespace syl {

namespace {

using K = ConfigControlKind;

// Under each slider's ends: a bold "-" on the left and a "+" on the right,
// as wide as a minus sign needs and as high as the gap below the slider.
constexpr int kEndWidth = 240;
constexpr int kEndHeight = 210;

constexpr TwipsRect minusUnder(TwipsRect s) { return {s.left, s.top + s.height, kEndWidth, kEndHeight}; }
constexpr TwipsRect plusUnder(TwipsRect s)
{
    return {s.left + s.width - kEndWidth, s.top + s.height, kEndWidth, kEndHeight};
}

constexpr TwipsRect kGeneral{240, 360, 5100, 255};
constexpr TwipsRect kNumber{240, 600, 2200, 200};
constexpr TwipsRect kFlowerSpeed{240, 1320, 2200, 200};
constexpr TwipsRect kCloud{240, 360, 2200, 200};
constexpr TwipsRect kObject{240, 360, 2200, 200};

constexpr ConfigControlRow kControls[] = {
    {K::Frame, "Frame", 0, -1, "General speed / Grundtempo", {120, 120, 5625, 855}},
    {K::Slider, "HScroll", 5, 0, "", kGeneral},
    {K::SliderEnd, "lblMinus", 5, 0, "-", minusUnder(kGeneral)},
    {K::SliderEnd, "lblPlus", 5, 0, "+", plusUnder(kGeneral)},

    {K::Frame, "Frame", 1, -1, "Flowers / Blumen", {120, 1080, 2715, 1935}},
    {K::Label, "Label3", 0, 1, "Number / Anzahl", {240, 360, 1815, 255}},
    {K::Slider, "HScroll", 0, 1, "", kNumber},
    {K::SliderEnd, "lblMinus", 0, 1, "-", minusUnder(kNumber)},
    {K::SliderEnd, "lblPlus", 0, 1, "+", plusUnder(kNumber)},
    {K::Label, "Label3", 1, 1, "Speed / Tempo", {240, 1080, 1815, 255}},
    {K::Slider, "HScroll", 1, 1, "", kFlowerSpeed},
    {K::SliderEnd, "lblMinus", 1, 1, "-", minusUnder(kFlowerSpeed)},
    {K::SliderEnd, "lblPlus", 1, 1, "+", plusUnder(kFlowerSpeed)},

    {K::Frame, "Frame", 4, -1, "Cloud speed / Wolken-Tempo", {3000, 1080, 2745, 855}},
    {K::Slider, "HScroll", 3, 4, "", kCloud},
    {K::SliderEnd, "lblMinus", 3, 4, "-", minusUnder(kCloud)},
    {K::SliderEnd, "lblPlus", 3, 4, "+", plusUnder(kCloud)},

    {K::Frame, "Frame", 7, -1, "Object speed / Objekt-Tempo", {3000, 2040, 2745, 855}},
    {K::Slider, "HScroll", 4, 7, "", kObject},
    {K::SliderEnd, "lblMinus", 4, 7, "-", minusUnder(kObject)},
    {K::SliderEnd, "lblPlus", 4, 7, "+", plusUnder(kObject)},

    {K::Frame, "Frame", 8, -1, "Options / Optionen", {120, 3120, 5595, 2775}},
    {K::CheckBox, "chkOpt", 0, 8, "Date / Datum", {240, 360, 2000, 255}},
    {K::CheckBox, "chkOpt", 1, 8, "Time/ Uhrzeit", {240, 840, 2000, 255}},
    {K::CheckBox, "chkOpt", 2, 8, "Restart / Neustart", {3000, 360, 2000, 255}},
    {K::Label, "Label4", -1, 8, "after / nach", {3120, 720, 855, 255}},
    {K::TimeLabel, "lblTime", -1, 8, "", {4080, 720, 375, 255}},
    {K::Spinner, "vscTime", -1, 8, "", {4440, 720, 255, 255}},
    {K::Label, "Label5", -1, 8, "Min.", {4800, 720, 375, 255}},
    {K::CheckBox, "chkOpt", 4, 8, "Sharp pictures / Scharfe Bilder", {240, 1320, 3500, 255}},
    {K::CheckBox, "chkOpt", 5, 8, "Follow the time of day / Tageszeit folgen", {240, 1680, 5115, 255}},
    {K::CheckBox, "chkOpt", 3, 8, "", {240, 2040, 5115, 615}},

    {K::Button, "cmdReset", -1, -1, "&Default Standard", {6000, 240, 1200, 900}},
    {K::Button, "cmdHomepage", -1, -1, "&WWW...", {6000, 2160, 1200, 900}},
    {K::Button, "cmdInfo", -1, -1, "&Info...", {6000, 3120, 1200, 900}},
    {K::Button, "cmdOK", -1, -1, "&OK", {6000, 4560, 1200, 900}},
};

const ConfigControlRow* frameSpec(int index)
{
    for (const auto& c : kControls)
        if (c.kind == K::Frame && c.index == index) return &c;
    return nullptr;
}

bool isSlider(int index) { return index >= 0 && index <= 5 && index != 2; }

// A switch is on when it is non-zero (as the saver reads it); its box shows
// every such value as checked.
long long boxState(double value) { return value != 0 ? 1 : 0; }

bool onSlider(const SettingRow& row) { return row.type == SettingType::Text || row.type == SettingType::Single; }

// The minutes of the restart period: the setting in seconds, and the
// spinner that holds 100 minus the minutes (its upper arrow raises them).
const SettingRow& periodSetting() { return *findSetting("rTime"); }
long long spinnerOf(long long minutes)
{
    return static_cast<long long>(periodSetting().high / periodSetting().step) + 1 - minutes;
}

} // namespace

std::span<const ConfigControlRow> frmConfigControls() { return kControls; }

TwipsRect onClientArea(const ConfigControlRow& control)
{
    TwipsRect r = control.rect;
    if (control.frame >= 0) {
        if (const ConfigControlRow* f = frameSpec(control.frame)) {
            r.left += f->rect.left;
            r.top += f->rect.top;
        }
    }
    return r;
}

std::string formatHashes(long long value) { return value == 0 ? std::string() : std::to_string(value); }

double leadingNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    double sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    double v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) v = v * 10 + (text[i++] - '0');
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, scale /= 10)
            v += (text[i] - '0') * scale;
    }
    return sign * v;
}

FrmConfig::FrmConfig(Hooks hooks) : hooks_(std::move(hooks))
{
    for (int i = 0; i < static_cast<int>(sliders_.size()); ++i) {
        if (!isSlider(i)) continue;
        sliders_[static_cast<size_t>(i)] = ScrollBarControl{kSliderLow, kSliderHigh, 5, 20, kSliderDefault, true};
    }
    const SettingRow& period = periodSetting();
    vscTime = ScrollBarControl{static_cast<int16_t>(spinnerOf(static_cast<long long>(period.high / period.step))),
                               static_cast<int16_t>(spinnerOf(static_cast<long long>(period.low / period.step))),
                               1,
                               1,
                               1,
                               true};
    lblTime.ForeColor = qbColor(0);
}

ScrollBarControl& FrmConfig::HScroll(int index)
{
    if (!isSlider(index)) raiseError(kErrSubscript);
    return sliders_[static_cast<size_t>(index)];
}

const ScrollBarControl& FrmConfig::HScroll(int index) const { return const_cast<FrmConfig*>(this)->HScroll(index); }

void FrmConfig::setCheck(int index, long long value)
{
    if (setCheckValue(chkOpt.at(static_cast<size_t>(index)), value)) chkOpt_Click(index);
}

void FrmConfig::setSpinner(long long value)
{
    if (setScrollValue(vscTime, value)) vscTime_Change();
}

void FrmConfig::Form_Load()
{
    Procedure p("frmConfig", "Form_Load");
    const Settings& s = settings();
    p.run([&] {
        for (const SettingRow& row : settingTable())
            if (onSlider(row))
                p.step(0, [&] { setScrollValue(HScroll(row.control), sliderPosition(row, row.get(s))); });
        for (const SettingRow& row : settingTable())
            if (row.type == SettingType::Switch) p.step(0, [&] { setCheck(row.control, boxState(row.get(s))); });
        p.step(0, [&] { chkOpt[3].Caption = kWallpaperCaption; });
        const int32_t step = static_cast<int32_t>(periodSetting().step);
        p.step(0, [&] { lblTime.Caption = formatHashes(intDiv(s.rTime, step)); });
        p.step(0, [&] { setSpinner(spinnerOf(intDiv(s.rTime, step))); });
        applyEnablingRule(p);
    });
}

void FrmConfig::applyEnablingRule(Procedure& p)
{
    p.step(0, [&] {
        if (chkOpt[2].Value == 0) {
            vscTime.Enabled = false;
            lblTime.ForeColor = qbColor(7);
        } else {
            vscTime.Enabled = true;
            lblTime.ForeColor = qbColor(0);
        }
    });
}

void FrmConfig::chkOpt_Click(int Index)
{
    (void)Index; // every box runs the same rule
    Procedure p("frmConfig", "chkOpt_Click");
    p.run([&] { applyEnablingRule(p); });
}

void FrmConfig::vscTime_Change()
{
    Procedure p("frmConfig", "vscTime_Change");
    p.run([&] { p.step(0, [&] { lblTime.Caption = std::to_string(100 - vscTime.Value); }); });
}

void FrmConfig::cmdOK_Click()
{
    Procedure p("frmConfig", "cmdOK_Click");
    Settings& s = settings();
    p.run([&] {
        for (const SettingRow& row : settingTable()) {
            switch (row.type) {
            case SettingType::Text:
            case SettingType::Single:
                p.step(0, [&] { row.set(s, sliderValue(row, HScroll(row.control).Value)); });
                break;
            case SettingType::Switch: p.step(0, [&] { row.set(s, chkOpt.at(size_t(row.control)).Value); }); break;
            case SettingType::Seconds: p.step(0, [&] { row.set(s, leadingNumber(lblTime.Caption) * row.step); }); break;
            }
        }
        p.step(0, [&] { SaveConfig(); });
        p.step(0, [&] {
            closed_ = true;
            if (hooks_.close) hooks_.close();
        });
    });
}

void FrmConfig::cmdReset_Click()
{
    Procedure p("frmConfig", "cmdReset_Click");
    p.run([&] {
        // What the saver shows goes back to its defaults; the wallpaper box,
        // about the desktop after the saver has ended, stays.
        for (const SettingRow& row : settingTable())
            if (onSlider(row)) p.step(0, [&] { setScrollValue(HScroll(row.control), sliderPosition(row, row.def)); });
        for (const SettingRow& row : settingTable())
            if (row.type == SettingType::Switch && std::string_view(row.key) != "Wallpaper")
                p.step(0, [&] { setCheck(row.control, boxState(row.def)); });
        const SettingRow& period = periodSetting();
        const long long minutes = static_cast<long long>(period.def / period.step);
        p.step(0, [&] { lblTime.Caption = std::to_string(minutes); });
        p.step(0, [&] { setSpinner(spinnerOf(minutes)); });
    });
}

void FrmConfig::cmdInfo_Click()
{
    Procedure p("frmConfig", "cmdInfo_Click");
    p.run([&] {
        p.step(0, [&] {
            if (hooks_.showInfo) hooks_.showInfo();
        });
    });
}

void FrmConfig::cmdhomepage_Click()
{
    Procedure p("frmConfig", "cmdhomepage_Click");
    p.run([&] {
        p.step(0, [&] {
            if (hooks_.openWebPage) hooks_.openWebPage(kWebPage);
        });
    });
}

void FrmConfig::userScroll(int index, long long value)
{
    ScrollBarControl& bar = HScroll(index);
    bar.Value = bar.clamp(value);
}

void FrmConfig::userCheck(int index, bool checked) { setCheck(index, checked ? 1 : 0); }

void FrmConfig::userSpin(long long value) { setSpinner(vscTime.clamp(value)); }

void FrmConfig::userPress(const ConfigControlRow& button)
{
    const std::string_view name = button.name;
    if (name == "cmdReset") cmdReset_Click();
    else if (name == "cmdHomepage") cmdhomepage_Click();
    else if (name == "cmdInfo") cmdInfo_Click();
    else if (name == "cmdOK") cmdOK_Click();
}

} // namespace syl
