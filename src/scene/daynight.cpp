// Day and night in a scene: the pictures of the phase a landscape is lit
// for, the stars of its night sky, and the change of phase while it is
// shown: the same landscape composed again from the same draws in the new
// phase's pictures, with the flowers planted so far, and faded into.
#include <algorithm>
#include <cmath>

#include "art/art.h"
#include "platform/random.h"
#include "platform/sharp_pictures.h"
#include "platform/sharp_store.h"
#include "scene/frmmain.h"

namespace syl {

namespace {

// Replays the draws of a composition; past their end (which a composition
// made from the same state never reaches) it gives 0.
class ReplayRandom final : public RandomSource {
public:
    explicit ReplayRandom(const std::vector<float>& values) : values_(values) {}
    float next() override { return pos_ < values_.size() ? values_[pos_++] : 0.f; }

private:
    const std::vector<float>& values_;
    size_t pos_ = 0;
};

Color blend(Color a, Color b, int t256)
{
    auto c = [&](int x, int y) { return x + ((y - x) * t256 >> 8); };
    return RGB(c(redOf(a), redOf(b)), c(greenOf(a), greenOf(b)), c(blueOf(a), blueOf(b)));
}

} // namespace

FrmMain::DrawRecorder::DrawRecorder(FrmMain& scene) : scene_(scene), inner_(&randomSource())
{
    scene_.compositionDraws_.clear();
    setRandomSource(this);
}

FrmMain::DrawRecorder::~DrawRecorder() { setRandomSource(inner_ == &defaultRnd() ? nullptr : inner_); }

float FrmMain::DrawRecorder::next()
{
    const float r = inner_->next();
    scene_.compositionDraws_.push_back(r);
    return r;
}

Color FrmMain::litColor(Color c, bool water) const
{
    if (phaseShown_ == 0) return c;
    art::HourScope at(static_cast<art::Hour>(phaseShown_));
    art::RGB l = art::lit(art::rgb8(redOf(c), greenOf(c), blueOf(c)));
    // Water mirrors the sky near the horizon: rose at dawn, gold at dusk.
    if (water) l = art::mix(l, art::skyColor(std::clamp<int>(skyType, 1, 5), 0.97f), 0.55f);
    auto byte = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.f, 1.f) * 255.f)); };
    return RGB(byte(l.r), byte(l.g), byte(l.b));
}

Picture FrmMain::classicAtPhase(int id, ResourceKind kind) const
{
    const int at = pictureAtPhase(id, phaseShown_);
    if (kind == ResourceKind::Bitmap) {
        if (const int colour = maskedPictureOf(id)) {
            // The mask of a sprite painted for the phase: black where it
            // covers at least half a pixel, white elsewhere.
            Picture p = sharpPicture({kind, pictureAtPhase(colour, phaseShown_), 1});
            if (p.alpha.empty()) return {};
            for (size_t i = 0; i < p.pixels.size(); ++i)
                p.pixels[i] = p.alpha[i] >= 128 ? RGB(0, 0, 0) : RGB(255, 255, 255);
            p.alpha.clear();
            return p;
        }
    }
    Picture p = sharpPicture({kind, at, 1});
    if (kind == ResourceKind::Bitmap && !p.alpha.empty()) {
        // A sprite drawn the classic way, with its mask: black where the
        // mask lets the landscape through.
        for (size_t i = 0; i < p.pixels.size(); ++i)
            if (p.alpha[i] < 128) p.pixels[i] = RGB(0, 0, 0);
        p.alpha.clear();
    }
    return p;
}

void FrmMain::nightStars(int16_t horizon)
{
    if (phaseShown_ != 3) return;
    // Hash noise on cells of 8 x 8 canvas units: where a star stands is the
    // landscape's own (its sky and horizon), not a draw of the generator.
    const int d = std::max(picBG.density(), 1);
    const uint32_t seed = static_cast<uint32_t>(skyType) * 7919u + static_cast<uint32_t>(horizon);
    for (int cy = 0; cy * 8 < horizon; ++cy)
        for (int cx = 0; cx * 8 < 640; ++cx) {
            const float h = art::hash2(cx, cy, seed);
            const float y = static_cast<float>(cy * 8) + 8 * art::hash2(cx, cy, seed + 1);
            // Fewer and fainter towards the haze of the horizon.
            const float fade = 1 - art::smooth(horizon * 0.5f, horizon * 0.92f, y);
            if (h > 0.16f * fade) continue;
            const float x = static_cast<float>(cx * 8) + 8 * art::hash2(cx, cy, seed + 2);
            const float bright = (0.35f + 0.65f * art::hash2(cx, cy, seed + 3)) * fade;
            const int px = static_cast<int>(x * d), py = static_cast<int>(y * d);
            const int r = h < 0.015f ? d : std::max(1, d / 2);
            for (int j = py - r; j <= py + r; ++j)
                for (int i = px - r; i <= px + r; ++i) {
                    if (i < 0 || j < 0 || i >= picBG.width() || j >= picBG.height()) continue;
                    const float dist = std::hypot(static_cast<float>(i - px), static_cast<float>(j - py)) / r;
                    const float k = bright * std::max(0.f, 1 - dist * dist);
                    if (k <= 0) continue;
                    Color& c = picBG.row(j)[i];
                    c = blend(c, RGB(236, 240, 255), static_cast<int>(k * 256));
                }
        }
}

void FrmMain::nightMoon(int x, int y, int size)
{
    const int W = picHimmel.width(), H = picHimmel.height();
    if (size <= 0) {
        // Without a disc the moon's place is the landscape's own (its sky
        // and strip), not a draw of the generator.
        const uint32_t seed = static_cast<uint32_t>(skyType) * 131u + static_cast<uint32_t>(W);
        size = static_cast<int>(std::lround(34 * screenScale()));
        // On the screen when the strip starts to drift, a little off its middle.
        const int across = std::min(W, ScaleWidth()) - 2 * size;
        x = static_cast<int>((0.15f + 0.7f * art::hash2(1, 2, seed)) * static_cast<float>(std::max(across, 1)));
        y = static_cast<int>(art::hash2(3, 4, seed) * static_cast<float>(std::max(H / 2 - size, 1))) + size / 4;
    }
    // Round on the screen: the strip is drawn pixel for pixel.
    const float r = static_cast<float>(size) / 2, cx = static_cast<float>(x) + r, cy = static_cast<float>(y) + r;
    const int reach = static_cast<int>(std::ceil(r * 3.2f));
    for (int j = std::max(0, static_cast<int>(cy) - reach); j < std::min(H, static_cast<int>(cy) + reach); ++j) {
        Color* row = picHimmel.row(j);
        for (int i = std::max(0, static_cast<int>(cx) - reach); i < std::min(W, static_cast<int>(cx) + reach); ++i) {
            const float dx = static_cast<float>(i) + 0.5f - cx, dy = static_cast<float>(j) + 0.5f - cy;
            const float d = std::hypot(dx, dy);
            // A soft glow around it.
            const float g = std::max(0.f, 1 - d / (r * 3.2f));
            if (g > 0) row[i] = blend(row[i], RGB(176, 184, 214), static_cast<int>(g * g * 0.45f * 256));
            const float cover = std::clamp(r + 0.5f - d, 0.f, 1.f);
            if (cover <= 0) continue;
            // The full moon with its grey seas, a little darker at its rim.
            const float u = dx / r, v = dy / r;
            const float sea = art::fbm(u * 2.2f + 3, v * 2.2f + 7, 811, 3);
            const art::RGB c =
                art::mix(art::rgb8(250, 248, 232), art::rgb8(190, 192, 192), art::smooth(0.5f, 0.62f, sea)) *
                (1 - 0.18f * std::min(1.f, u * u + v * v));
            const Color moon =
                RGB(static_cast<int>(c.r * 255), static_cast<int>(c.g * 255), static_cast<int>(c.b * 255));
            row[i] = blend(row[i], moon, static_cast<int>(cover * 256));
        }
    }
}

bool FrmMain::phasePicturesAtHand(int next) const { return picturesOfPhaseAtHand(next, useSharp_); }

bool FrmMain::picturesOfPhaseAtHand(int next, bool sharpPictures) const
{
    if (!sharpPictures) {
        // The classic pictures of a phase, painted at their own size.
        std::vector<SharpKey> keys = landscapeKeys(1, next);
        const std::vector<SharpKey> sprites = spriteKeys(1, next);
        keys.insert(keys.end(), sprites.begin(), sprites.end());
        if (next == 0 || paintWhenNeeded || sharpPicturesAtHand(keys)) return true;
        prepareSharpPictures(keys);
        return false;
    }
    std::vector<SharpKey> keys = landscapeKeys(canvasDensity(), next);
    const std::vector<SharpKey> sprites = spriteKeys(spriteDensity(), next);
    keys.insert(keys.end(), sprites.begin(), sprites.end());
    if (paintWhenNeeded || sharpPicturesAtHand(keys)) return true;
    prepareSharpPictures(keys);
    return false;
}

bool FrmMain::changePhase(int next, int fadeSteps)
{
    if (next == phaseShown_ || compositionDraws_.empty()) return false;
    if (!phasePicturesAtHand(next)) return false;
    // The same landscape in the other phase: a scene of the same size and
    // state, composed from the draws this one's composition made.
    FrmMain twin(ScaleWidth(), ScaleHeight());
    twin.offscreen_ = true;
    twin.incremental = true; // no screen-sized frame buffer
    twin.setDpi(dpi_);
    twin.sharp = useSharp_;
    twin.paintWhenNeeded = true;
    twin.phase = next;
    twin.flowerCount = composedFrom_.flowerCount;
    twin.riverTop = composedFrom_.riverTop;
    twin.riverBottom = composedFrom_.riverBottom;
    {
        // The twin draws with this scene's pictures, decoded once and kept
        // (those of every phase), and gives them back.
        struct Lend {
            FrmMain &from, &to;
            Lend(FrmMain& f, FrmMain& t) : from(f), to(t) { swapPictures(); }
            ~Lend() { swapPictures(); }
            void swapPictures()
            {
                std::swap(from.pictures_, to.pictures_);
                std::swap(from.sharpPictures_, to.sharpPictures_);
            }
        } lend(*this, twin);
        ReplayRandom replay(compositionDraws_);
        struct Replaying {
            RandomSource* saved = &randomSource();
            explicit Replaying(RandomSource* r) { setRandomSource(r); }
            ~Replaying() { setRandomSource(saved == &defaultRnd() ? nullptr : saved); }
        } replaying(&replay);
        twin.Form_Resize();
        for (const Planted& f : planted_) twin.backgroundIcon(f.id, f.x, f.y, f.w, f.h);
    }
    if (twin.picBG.width() != picBG.width() || twin.picBG.height() != picBG.height() ||
        twin.picHimmel.width() != picHimmel.width() || twin.picHimmel.height() != picHimmel.height())
        return false;
    phaseShown_ = next;
    strips_.clear();
    if (fadeSteps <= 0) {
        std::copy(twin.picBG.pixels().begin(), twin.picBG.pixels().end(), picBG.pixels().begin());
        std::copy(twin.picHimmel.pixels().begin(), twin.picHimmel.pixels().end(), picHimmel.pixels().begin());
        fade_ = {};
        invalidateFrame();
        findStripClouds();
        return true;
    }
    fade_.fromBG.assign(picBG.pixels().begin(), picBG.pixels().end());
    fade_.fromStrip.assign(picHimmel.pixels().begin(), picHimmel.pixels().end());
    fade_.toBG.assign(twin.picBG.pixels().begin(), twin.picBG.pixels().end());
    fade_.toStrip.assign(twin.picHimmel.pixels().begin(), twin.picHimmel.pixels().end());
    fade_.steps = fadeSteps;
    fade_.step = 0;
    return true;
}

bool FrmMain::fading() const { return fade_.steps > 0; }

void FrmMain::fadeStep()
{
    if (fade_.steps <= 0) return;
    ++fade_.step;
    const int t = fade_.step >= fade_.steps ? 256 : fade_.step * 256 / fade_.steps;
    auto mixInto = [t](std::span<Color> out, const std::vector<Color>& from, const std::vector<Color>& to) {
        for (size_t i = 0; i < out.size(); ++i) out[i] = t >= 256 ? to[i] : blend(from[i], to[i], t);
    };
    mixInto(picBG.pixels(), fade_.fromBG, fade_.toBG);
    mixInto(picHimmel.pixels(), fade_.fromStrip, fade_.toStrip);
    if (fade_.step >= fade_.steps) fade_ = {};
    invalidateFrame();
    findStripClouds();
}

} // namespace syl
