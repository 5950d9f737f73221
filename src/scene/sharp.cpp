// Sharp pictures: the densities for a screen, the pictures at those
// densities, and the flying objects' strips at the screen's scale.
#include <algorithm>
#include <cmath>

#include "platform/sharp_store.h"
#include "scene/frmmain.h"

namespace syl {

namespace {
// The finest canvas: a 7680 x 4320 screen shows a canvas pixel at 1.5
// screen pixels.
constexpr int kMaxCanvasDensity = 8;
int densityFor(int width, int height)
{
    const double cover = std::max(width / 640.0, height / 480.0);
    return std::clamp(static_cast<int>(std::ceil(cover / 1.5 - 1e-9)), 1, kMaxCanvasDensity);
}
// The screen's height over 1080, below 1 as well on a small screen or a
// preview. The flying objects move in a sky of the screen's size over the
// scale, in 16-bit units: a screen much wider than high keeps that sky
// within 16384 units across.
double scaleFor(int width, int height)
{
    const double s = height / 1080.0;
    return s >= 1 ? s : std::min(1.0, std::max(s, width / 16384.0));
}
// Sprites are painted at the least density that shows them at the screen's
// scale pixel for pixel or finer; below a scale of 1 they are the pictures
// at density 1 made smaller.
int spriteDensityFor(int width, int height)
{
    return std::clamp(static_cast<int>(std::ceil(scaleFor(width, height) - 1e-9)), 1, 4);
}
} // namespace

int sharpCanvasDensity(int width, int height) { return densityFor(width, height); }
double sharpScreenScale(int width, int height) { return scaleFor(width, height); }

int FrmMain::canvasDensity() const { return useSharp_ ? densityFor(ScaleWidth(), ScaleHeight()) : 1; }
double FrmMain::screenScale() const { return useSharp_ ? scaleFor(ScaleWidth(), ScaleHeight()) : 1.0; }
int FrmMain::spriteDensity() const { return useSharp_ ? spriteDensityFor(ScaleWidth(), ScaleHeight()) : 1; }

bool FrmMain::chooseSharp()
{
    bool use = false;
    if (phase != phaseShown_) strips_.clear();
    phaseShown_ = phase;
    if (sharp) {
        std::vector<SharpKey> keys = landscapeKeys(densityFor(ScaleWidth(), ScaleHeight()), phase);
        const std::vector<SharpKey> sprites = spriteKeys(spriteDensityFor(ScaleWidth(), ScaleHeight()), phase);
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
    // The colour undone from the black where there is any coverage, and the
    // coverage itself: the strip is blended over the sky, its edges as
    // smooth as the painted ones.
    st.colour = colour.image();
    const Picture coverage = cover.image();
    st.colour.alpha.resize(st.colour.pixels.size());
    for (size_t i = 0; i < st.colour.pixels.size(); ++i) {
        const int a = redOf(coverage.pixels[i]);
        const Color c = st.colour.pixels[i];
        auto un = [a](int v) { return std::min(255, (v * 255 + a / 2) / a); };
        st.colour.pixels[i] = a > 0 ? RGB(un(redOf(c)), un(greenOf(c)), un(blueOf(c))) : 0;
        st.colour.alpha[i] = static_cast<uint8_t>(a);
    }
    st.pitch = P;
    st.scale = s;
    return st;
}

} // namespace syl
