// Dialog controls of the form layer, without a window system: what a label,
// a check box, a scroll bar and a command button hold, and the rules for
// setting them. The dialogs keep their state in these; the GTK and Win32
// backends only mirror them on the screen and report what the user did.
// Layout helpers turn twips (1/1440 inch) into pixels at a given DPI.
#pragma once

#include <cstdint>
#include <string>

#include "platform/numbers.h"

namespace syl {

// The 16-colour palette of QBColor: 0 black ... 7 light grey ... 15 white.
// An index outside 0 to 15 is error 5.
Color qbColor(int index);

struct LabelControl {
    std::string Caption;
    Color ForeColor = qbColor(0);
};

struct CheckBoxControl {
    std::string Caption;
    int16_t Value = 0; // 0 unchecked, 1 checked
};

struct CommandButtonControl {
    std::string Caption;
    bool Visible = true;
};

// A horizontal or vertical scroll bar: Value runs from Min to Max.
struct ScrollBarControl {
    int16_t Min = 0;
    int16_t Max = 32767;
    int16_t SmallChange = 1;
    int16_t LargeChange = 1;
    int16_t Value = 0;
    bool Enabled = true;

    // The value the user's scrolling lands on: v kept inside Min to Max.
    int16_t clamp(long long v) const;
};

// What the user asks of a scroll bar: the small or the large step back or
// forward, or one of its ends.
enum class ScrollMove { SmallBack, SmallForward, LargeBack, LargeForward, ToMin, ToMax };
// The value a move asks for from the bar's Value, not yet kept inside Min
// to Max.
long long scrolledValue(const ScrollBarControl& bar, ScrollMove move);

// Setting a property to a value it cannot take: outside the 16-bit range is
// error 6 (Overflow), inside it but outside Min to Max error 380 (Invalid
// property value). The control is unchanged after a failure. Both return
// whether the value changed, so that the caller can raise the Change event.
bool setScrollValue(ScrollBarControl& bar, long long value);
// A check box takes 0 or 1; anything else is error 380.
bool setCheckValue(CheckBoxControl& box, long long value);

// Twips and pixels: 1440 twips per inch, so 15 twips per pixel at 96 DPI.
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDefaultDpi = 96;

// Twips to pixels at dpi, rounded to the nearest pixel (halves away from 0).
int twipsToPixels(int twips, int dpi = kDefaultDpi);

struct TwipsRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// Position and size converted separately, as a form places its controls.
PixelRect toPixels(const TwipsRect& r, int dpi = kDefaultDpi);

// Captions mark their access key with "&" ("&OK"; "&&" is a literal "&").
// The same caption for GTK, which marks it with "_" and needs a literal "_"
// doubled.
std::string gtkMnemonic(const std::string& caption);
// The caption without its marks, as it reads on the screen ("OK").
std::string plainCaption(const std::string& caption);

} // namespace syl
