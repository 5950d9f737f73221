#include "platform/controls.h"

#include <array>

namespace syl {

Color qbColor(int index)
{
    static constexpr std::array<Color, 16> palette = {
        RGB(0, 0, 0),     RGB(0, 0, 128),     RGB(0, 128, 0),     RGB(0, 128, 128),   RGB(128, 0, 0), RGB(128, 0, 128),
        RGB(128, 128, 0), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 255),     RGB(0, 255, 0), RGB(0, 255, 255),
        RGB(255, 0, 0),   RGB(255, 0, 255),   RGB(255, 255, 0),   RGB(255, 255, 255),
    };
    if (index < 0 || index >= static_cast<int>(palette.size())) raiseError(kErrInvalidCall);
    return palette[static_cast<size_t>(index)];
}

int16_t ScrollBarControl::clamp(long long v) const
{
    if (v < Min) return Min;
    if (v > Max) return Max;
    return static_cast<int16_t>(v);
}

long long scrolledValue(const ScrollBarControl& bar, ScrollMove move)
{
    const long long v = bar.Value;
    switch (move) {
    case ScrollMove::SmallBack: return v - bar.SmallChange;
    case ScrollMove::SmallForward: return v + bar.SmallChange;
    case ScrollMove::LargeBack: return v - bar.LargeChange;
    case ScrollMove::LargeForward: return v + bar.LargeChange;
    case ScrollMove::ToMin: return bar.Min;
    case ScrollMove::ToMax: return bar.Max;
    }
    return v;
}

bool setScrollValue(ScrollBarControl& bar, long long value)
{
    const int16_t v = ck16(value);
    if (v < bar.Min || v > bar.Max) raiseError(kErrInvalidPropertyValue);
    if (v == bar.Value) return false;
    bar.Value = v;
    return true;
}

bool setCheckValue(CheckBoxControl& box, long long value)
{
    const int16_t v = ck16(value);
    if (v != 0 && v != 1) raiseError(kErrInvalidPropertyValue);
    if (v == box.Value) return false;
    box.Value = v;
    return true;
}

int twipsToPixels(int twips, int dpi)
{
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    const long long px = scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch);
    return static_cast<int>(px);
}

PixelRect toPixels(const TwipsRect& r, int dpi)
{
    return {twipsToPixels(r.left, dpi), twipsToPixels(r.top, dpi), twipsToPixels(r.width, dpi),
            twipsToPixels(r.height, dpi)};
}

std::string gtkMnemonic(const std::string& caption)
{
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

std::string plainCaption(const std::string& caption)
{
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

} // namespace syl
