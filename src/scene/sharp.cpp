// Sharp pictures: the densities for a screen, the pictures at those
// densities, and the flying objects' strips at the screen's scale.
#include <algorithm>
#include <cmath>

#include "platform/sharp_store.h"
#include "scene/frmmain.h"

namespace syl {

namespace {
int densityFor(int width, int height)
{
    const double cover = std::max(width / 640.0, height / 480.0);
    return std::clamp(static_cast<int>(std::ceil(cover / 1.5 - 1e-9)), 1, 4);
}
double scaleFor(int height) { return std::max(1.0, height / 1080.0); }
int spriteDensityFor(int height) { return std::clamp(static_cast<int>(std::ceil(scaleFor(height) - 1e-9)), 1, 4); }
} // namespace

int FrmMain::canvasDensity() const { return useSharp_ ? densityFor(ScaleWidth(), ScaleHeight()) : 1; }
double FrmMain::screenScale() const { return useSharp_ ? scaleFor(ScaleHeight()) : 1.0; }
int FrmMain::spriteDensity() const { return useSharp_ ? spriteDensityFor(ScaleHeight()) : 1; }

bool FrmMain::chooseSharp()
{
    bool use = false;
    if (phase != phaseShown_) strips_.clear();
    phaseShown_ = phase;
    if (sharp) {
        std::vector<SharpKey> keys = landscapeKeys(densityFor(ScaleWidth(), ScaleHeight()), phase);
        const std::vector<SharpKey> sprites = spriteKeys(spriteDensityFor(ScaleHeight()), phase);
        keys.insert(keys.end(), sprites.begin(), sprites.end());
        use = paintWhenNeeded || sharpPicturesAtHand(keys);
        if (!use) prepareSharpPictures(keys);
    }
    if (use != useSharp_ || spriteDensity() != spriteDensityUsed_) {
        strips_.clear();
        sharpPictures_.clear();
    }
    useSharp_ = use;
    spriteDensityUsed_ = spriteDensity();
    const int k = canvasDensity();
    picBG.setDensity(k);
    if (picHimmel.density() != k) {
        // The strip has the screen's scale here; the sky is painted into it
        // across at least its 738 units before it takes them, and what it
        // held is painted over.
        picHimmel.setDensity(k);
        picHimmel.resizeForOverwrite(738 * k, 119 * k);
    }
    for (Surface* s : {&form, &picBG, &picBuffer, &picHimmel}) s->smooth = use;
    // The sky drifts in the cloud strip, where rows of one colour cost
    // nothing when they move.
    picHimmel.rowDither = true;
    return use;
}

void FrmMain::toScreenScale(double& x, double& y, double& w, double& h) const
{
    const double s = screenScale();
    if (s == 1.0) return;
    x += w / 2 - w * s / 2;
    y += h - h * s;
    w *= s;
    h *= s;
}

const FrmMain::Strip& FrmMain::sharpStrip(int colourId, int pitch, bool mirrored)
{
    const double s = screenScale();
    Strip& st = strips_[{colourId, mirrored}];
    if (st.scale == s && !st.colour.empty()) return st;
    const Picture& pic = picture(colourId);
    const int unitsW = pic.scaleWidth(), frames = std::max(1, pic.scaleHeight() / std::max(1, pitch));
    const int W = std::max(1, static_cast<int>(std::lround(unitsW * s)));
    const int P = std::max(1, static_cast<int>(std::lround(pitch * s)));
    // Colour over black and coverage (white over black), frame by frame.
    Surface colour(W, P * frames, 0), cover(W, P * frames, 0);
    Picture white = pic;
    std::fill(white.pixels.begin(), white.pixels.end(), 0xFFFFFF);
    const double d = pic.density;
    for (int f = 0; f < frames; ++f) {
        const double x = mirrored ? W : 0, w = mirrored ? -W : W;
        DrawFiltered(colour, x, f * P, w, P, viewOf(pic), 0, f * pitch * d, unitsW * d, pitch * d);
        DrawFiltered(cover, x, f * P, w, P, viewOf(white), 0, f * pitch * d, unitsW * d, pitch * d);
    }
    // Opaque where at least half covered: the colour undone from the black,
    // and black in the mask; elsewhere black colour and a white mask.
    st.colour = colour.image();
    st.mask = cover.image();
    for (size_t i = 0; i < st.colour.pixels.size(); ++i) {
        const int a = redOf(st.mask.pixels[i]);
        if (a >= 128) {
            const Color c = st.colour.pixels[i];
            auto un = [a](int v) { return std::min(255, (v * 255 + a / 2) / a); };
            st.colour.pixels[i] = RGB(un(redOf(c)), un(greenOf(c)), un(blueOf(c)));
            st.mask.pixels[i] = 0;
        } else {
            st.colour.pixels[i] = 0;
            st.mask.pixels[i] = 0xFFFFFF;
        }
    }
    st.pitch = P;
    st.scale = s;
    return st;
}

} // namespace syl
