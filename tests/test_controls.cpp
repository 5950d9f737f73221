// The dialogs' control model and the settings dialog's layout, which both
// backends build from: values and their ranges, check boxes, colours,
// twips, access keys, captions and places.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "global_state.h"
#include "about/frminfo.h"
#include "errors/handler.h"
#include "platform/controls.h"
#include "platform/host.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "settings/frmconfig.h"
#include "settings/settings_store.h"

namespace syl {
namespace {

// ---- Controls and layout ----------------------------------------------------------

TEST(DialogControls, SettingAValueOutsideTheRangeFails)
{
    const struct {
        long long value;
        int error; // 0: accepted
        bool changed;
    } cases[] = {{50, 0, false},    {51, 0, true},    {1, 0, true},      {100, 0, true},    {0, 380, false},
                 {101, 380, false}, {-5, 380, false}, {40000, 6, false}, {-40000, 6, false}};
    for (const auto& c : cases) {
        ScrollBarControl bar{1, 100, 5, 20, 50, true};
        try {
            EXPECT_EQ(setScrollValue(bar, c.value), c.changed) << c.value;
            EXPECT_EQ(c.error, 0) << c.value;
            EXPECT_EQ(bar.Value, c.value);
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), c.error) << c.value;
            EXPECT_EQ(bar.Value, 50);
        }
    }
    EXPECT_EQ(errorDescription(kErrInvalidPropertyValue), "Invalid property value");
}

TEST(DialogControls, ScrollMovesStepFromTheValueOrGoToAnEnd)
{
    const ScrollBarControl bar{1, 100, 5, 20, 98, true};
    EXPECT_EQ(scrolledValue(bar, ScrollMove::SmallBack), 93);
    EXPECT_EQ(scrolledValue(bar, ScrollMove::SmallForward), 103); // kept inside the range by the form
    EXPECT_EQ(scrolledValue(bar, ScrollMove::LargeBack), 78);
    EXPECT_EQ(scrolledValue(bar, ScrollMove::LargeForward), 118);
    EXPECT_EQ(scrolledValue(bar, ScrollMove::ToMin), 1);
    EXPECT_EQ(scrolledValue(bar, ScrollMove::ToMax), 100);
    const ScrollBarControl wide{-32768, 32767, 32767, 32767, 32767, true};
    EXPECT_EQ(scrolledValue(wide, ScrollMove::LargeForward), 65534); // no 16-bit overflow
}

TEST(DialogControls, CheckBoxTakesZeroOrOne)
{
    const struct {
        long long value;
        bool ok;
    } cases[] = {{0, true}, {1, true}, {2, false}, {-1, false}};
    for (const auto& c : cases) {
        CheckBoxControl box;
        try {
            setCheckValue(box, c.value);
            EXPECT_TRUE(c.ok) << c.value;
            EXPECT_EQ(box.Value, c.value);
        } catch (const RuntimeError& e) {
            EXPECT_FALSE(c.ok) << c.value;
            EXPECT_EQ(e.number(), kErrInvalidPropertyValue);
        }
    }
}

TEST(DialogControls, PaletteColours)
{
    EXPECT_EQ(qbColor(0), RGB(0, 0, 0));
    EXPECT_EQ(qbColor(7), RGB(192, 192, 192));
    EXPECT_EQ(qbColor(15), RGB(255, 255, 255));
    EXPECT_THROW(qbColor(16), RuntimeError);
}

TEST(DialogControls, TwipsToPixels)
{
    const struct {
        int twips, dpi, pixels;
    } cases[] = {{7440, 96, 496},  {5325, 96, 355},  {15, 96, 1},     {7, 96, 0},      {8, 96, 1},
                 {3732, 96, 249},  {320, 96, 21},    {5340, 96, 356}, {4935, 96, 329}, {1440, 120, 120},
                 {1440, 144, 144}, {7440, 120, 620}, {-8, 96, -1}};
    for (const auto& c : cases) EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    EXPECT_EQ(toPixels(kVersionLabelRect), (PixelRect{56, 80, 249, 21}));
    EXPECT_EQ(toPixels(kInfoOKRect), (PixelRect{208, 264, 41, 33}));
}

TEST(DialogControls, AccessKeyMarks)
{
    const struct {
        const char* caption;
        const char* gtk;
        const char* plain;
    } cases[] = {{"&OK", "_OK", "OK"},
                 {"&Default Standard", "_Default Standard", "Default Standard"},
                 {"Save &as", "Save _as", "Save as"},
                 {"A && B", "A & B", "A & B"},
                 {"snake_case", "snake__case", "snake_case"},
                 {"Min.", "Min.", "Min."}};
    for (const auto& c : cases) {
        EXPECT_EQ(gtkMnemonic(c.caption), c.gtk);
        EXPECT_EQ(plainCaption(c.caption), c.plain);
    }
}

TEST(DialogLayout, CaptionsAndPlaces)
{
    const struct {
        const char* name;
        int index;
        const char* caption;
        TwipsRect onClient;
    } cases[] = {
        {"Frame", 0, "General speed / Grundtempo", {120, 120, 5625, 855}},
        {"HScroll", 5, "", {360, 480, 5100, 255}},
        {"HScroll", 0, "", {360, 1680, 2200, 200}},
        {"HScroll", 1, "", {360, 2400, 2200, 200}},
        {"HScroll", 3, "", {3240, 1440, 2200, 200}},
        {"HScroll", 4, "", {3240, 2400, 2200, 200}},
        {"Label3", 0, "Number / Anzahl", {360, 1440, 1815, 255}},
        {"Label3", 1, "Speed / Tempo", {360, 2160, 1815, 255}},
        {"Frame", 1, "Flowers / Blumen", {120, 1080, 2715, 1935}},
        {"Frame", 4, "Cloud speed / Wolken-Tempo", {3000, 1080, 2745, 855}},
        {"Frame", 7, "Object speed / Objekt-Tempo", {3000, 2040, 2745, 855}},
        {"Frame", 8, "Options / Optionen", {120, 3120, 5595, 2775}},
        {"chkOpt", 0, "Date / Datum", {360, 3480, 2000, 255}},
        {"chkOpt", 1, "Time/ Uhrzeit", {360, 3960, 2000, 255}},
        {"chkOpt", 2, "Restart / Neustart", {3120, 3480, 2000, 255}},
        {"chkOpt", 4, "Sharp pictures / Scharfe Bilder", {360, 4440, 3500, 255}},
        {"chkOpt", 5, "Follow the time of day / Tageszeit folgen", {360, 4800, 5115, 255}},
        {"chkOpt", 3, "", {360, 5160, 5115, 615}},
        {"Label4", -1, "after / nach", {3240, 3840, 855, 255}},
        {"lblTime", -1, "", {4200, 3840, 375, 255}},
        {"vscTime", -1, "", {4560, 3840, 255, 255}},
        {"Label5", -1, "Min.", {4920, 3840, 375, 255}},
        {"cmdReset", -1, "&Default Standard", {6000, 240, 1200, 900}},
        {"cmdHomepage", -1, "&WWW...", {6000, 2160, 1200, 900}},
        {"cmdInfo", -1, "&Info...", {6000, 3120, 1200, 900}},
        {"cmdOK", -1, "&OK", {6000, 4560, 1200, 900}},
    };
    const auto controls = frmConfigControls();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << "(" << c.index << ")");
        auto it = std::find_if(controls.begin(), controls.end(), [&](const ConfigControlRow& s) {
            return std::string(s.name) == c.name && s.index == c.index;
        });
        ASSERT_NE(it, controls.end());
        EXPECT_STREQ(it->caption, c.caption);
        const TwipsRect r = onClientArea(*it);
        EXPECT_EQ(r.left, c.onClient.left);
        EXPECT_EQ(r.top, c.onClient.top);
        EXPECT_EQ(r.width, c.onClient.width);
        EXPECT_EQ(r.height, c.onClient.height);
    }
    EXPECT_STREQ(kFrmConfigCaption, "Sylvadra  ---  Settings / Einstellungen...");
    EXPECT_EQ(twipsToPixels(kFrmConfigClientWidth), 496);
    EXPECT_EQ(twipsToPixels(kFrmConfigClientHeight), 411);
}

TEST(DialogLayout, EverySliderHasAMinusAndAPlusUnderItsEnds)
{
    const auto controls = frmConfigControls();
    std::set<int> sliders;
    for (const auto& s : controls) {
        if (s.kind != ConfigControlKind::Slider) continue;
        sliders.insert(s.index);
        const TwipsRect bar = onClientArea(s);
        for (const char* which : {"lblMinus", "lblPlus"}) {
            SCOPED_TRACE(::testing::Message() << which << " " << s.index);
            auto it = std::find_if(controls.begin(), controls.end(), [&](const ConfigControlRow& e) {
                return std::string(e.name) == which && e.index == s.index;
            });
            ASSERT_NE(it, controls.end());
            EXPECT_EQ(it->kind, ConfigControlKind::SliderEnd);
            const TwipsRect r = onClientArea(*it);
            EXPECT_EQ(r.top, bar.top + bar.height);
            if (std::string(which) == "lblMinus") {
                EXPECT_STREQ(it->caption, "-");
                EXPECT_EQ(r.left, bar.left);
            } else {
                EXPECT_STREQ(it->caption, "+");
                EXPECT_EQ(r.left + r.width, bar.left + bar.width);
            }
        }
    }
    EXPECT_EQ(sliders, (std::set<int>{0, 1, 3, 4, 5}));
}

bool inside(const TwipsRect& in, const TwipsRect& out)
{
    return in.left >= out.left && in.top >= out.top && in.left + in.width <= out.left + out.width &&
           in.top + in.height <= out.top + out.height;
}

TEST(DialogLayout, ControlsStayInsideTheirFramesAndTheWindow)
{
    const auto controls = frmConfigControls();
    const TwipsRect client{0, 0, kFrmConfigClientWidth, kFrmConfigClientHeight};
    for (const auto& c : controls) {
        SCOPED_TRACE(::testing::Message() << c.name << "(" << c.index << ")");
        const TwipsRect r = onClientArea(c);
        EXPECT_TRUE(inside(r, client));
        if (c.frame < 0) continue;
        auto frame = std::find_if(controls.begin(), controls.end(), [&](const ConfigControlRow& f) {
            return f.kind == ConfigControlKind::Frame && f.index == c.frame;
        });
        ASSERT_NE(frame, controls.end());
        EXPECT_LT(frame - controls.begin(), &c - controls.data()) << "a frame comes before what it holds";
        EXPECT_TRUE(inside(r, onClientArea(*frame)));
    }
    EXPECT_TRUE(inside(kVersionLabelRect, kImage2Rect));
    EXPECT_TRUE(inside(kInfoOKRect, {0, 0, kFrmInfoClientWidth, kFrmInfoClientHeight}));
}

} // namespace
} // namespace syl
