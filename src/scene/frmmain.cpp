// frmMain: its surfaces, loading, and the layout of a new scene at each
// new size (the composition of the landscape itself is in compose.cpp).
#include "scene/frmmain.h"

#include <algorithm>

#include "errors/handler.h"
#include "platform/font.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/random.h"
#include "platform/sharp_pictures.h"
#include "platform/sharp_store.h"
#include "scene/zz.h"
#include "settings/config.h"

namespace syl {

namespace {
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;
} // namespace

FrmMain::FrmMain(int scaleWidth, int scaleHeight, Color* formMemory)
    : form(formMemory ? 0 : scaleWidth, formMemory ? 0 : scaleHeight, kBlack), picBG(640, 480, kBlack),
      picBuffer(105, 89, kWhite), picMask(97, 73, kBlack), picObjekt(97, 81, kBlack),
      picHimmel(738, 119, RGB(192, 255, 255))
{
    if (formMemory) form.adoptMemory(formMemory, scaleWidth, scaleHeight);
    form.foreColor = kWhite;
    picBG.foreColor = kWhite;
    picBG.fillColor = kWhite;
    picBuffer.foreColor = kWhite;
    picHimmel.foreColor = RGB(128, 128, 128);
    picHimmel.fillColor = kWhite;
    lblURL.caption = kWebAddress;
    setDpi(96);
    for (auto& r : flights) r.frame = 1;
}

void FrmMain::setDpi(int dpi)
{
    dpi_ = std::clamp(dpi, 24, 960);
    const Font* f = &Font::sceneAt(13.0f * static_cast<float>(dpi_) / 96.0f);
    form.font = f;
    picBG.font = f;
    picBuffer.font = f;
    picHimmel.font = f; // "Arial" 8.25 point is never printed with
    // lblURL: 2055 x 285 twips, 1440 twips to the inch.
    lblURL.width = CInt(2055.0 * dpi_ / 1440.0);
    lblURL.height = CInt(285.0 * dpi_ / 1440.0);
    invalidateFrame();
}

const Picture& FrmMain::picture(int id, ResourceKind kind)
{
    const int at = pictureAtPhase(id, phaseShown_);
    if (useSharp_) {
        // Landscape pictures at the canvas's density, the rest at the screen's scale.
        const int d =
            kind == ResourceKind::Bitmap && id < 200 ? landscapeDensity(id, canvasDensity()) : spriteDensity();
        auto sk = std::make_tuple(static_cast<int>(kind), at, d);
        auto si = sharpPictures_.find(sk);
        if (si == sharpPictures_.end()) {
            si = sharpPictures_.emplace(sk, KeptPicture{sharpPicture({kind, at, d}), 0}).first;
            if (!si->second.picture.empty()) keepLandscapeBudget(sk);
        }
        si->second.used = ++pictureUses_;
        if (!si->second.picture.empty()) return si->second.picture;
    }
    auto key = std::make_pair(static_cast<int>(kind), at);
    auto it = pictures_.find(key);
    if (it != pictures_.end()) return it->second;
    Picture p;
    if (phaseShown_ != 0) p = classicAtPhase(id, kind);
    if (p.empty()) p = LoadResPicture(id, kind);
    return pictures_.emplace(key, std::move(p)).first->second;
}

namespace {
bool isLandscapePicture(const std::tuple<int, int, int>& key)
{
    return std::get<0>(key) == static_cast<int>(ResourceKind::Bitmap) && std::get<1>(key) % kPhasePictureStep < 200;
}
size_t bytesOf(const Picture& p) { return p.pixels.size() * sizeof(Color) + p.alpha.size(); }
} // namespace

void FrmMain::keepLandscapeBudget(const std::tuple<int, int, int>& newest)
{
    if (!isLandscapePicture(newest)) return;
    for (;;) {
        size_t total = 0;
        auto oldest = sharpPictures_.end();
        for (auto it = sharpPictures_.begin(); it != sharpPictures_.end(); ++it) {
            if (!isLandscapePicture(it->first)) continue;
            total += bytesOf(it->second.picture);
            if (it->first != newest && !it->second.picture.empty() &&
                (oldest == sharpPictures_.end() || it->second.used < oldest->second.used))
                oldest = it;
        }
        if (total <= kLandscapeBudget || oldest == sharpPictures_.end()) return;
        sharpPictures_.erase(oldest);
    }
}

void FrmMain::record(LayerDrawing d)
{
    if (recordDrawings) drawings.push_back(std::move(d));
}

void FrmMain::drawMasked(Surface& s, const std::string& painter, int id, int variant, int x1, int y1, int w1, int h1,
                         int x2, int y2, int w2, int h2)
{
    const Picture& pic = picture(id);
    if (!pic.alpha.empty()) {
        // A sharp picture carries its coverage.
        PaintPicture(s, viewOf(pic), x1, y1, w1, h1, x2, y2, w2, h2);
    } else {
        const Picture& mask = picture(id + 1);
        PaintPicture(s, viewOf(mask), x1, y1, w1, h1, x2, y2, w2, h2, RasterOp::And);
        PaintPicture(s, viewOf(pic), x1, y1, w1, h1, x2, y2, w2, h2, RasterOp::Paint);
    }
    LayerDrawing d;
    d.painter = painter;
    d.id = id;
    d.variant = variant;
    d.mirrored = w1 < 0;
    d.x = w1 < 0 ? x1 + w1 : x1;
    d.w = w1 < 0 ? -w1 : w1;
    d.y = y1;
    d.h = h1;
    record(std::move(d));
}

int16_t flowerTopFor(int16_t baseY, int scaleHeight)
{
    return CInt(static_cast<double>(baseY) * scaleHeight / 480.0 - 3.0);
}

void FrmMain::Form_Load()
{
    Procedure p("frmMain", "Form_Load");
    p.run([&] {
        const Settings& s = settings();
        p.step(50010, [&] { flowerCount = Zz(ck16(4LL * s.halfMaxFl), CInt(4.0 * s.maxFlValue())); });
        p.step(50020, [&] {
            if (s.Speed == 0.0f) raiseError(kErrDivisionByZero);
            tmrAnimation.interval = CLng(200.0f / s.Speed);
        });
        // Step 3, maximizing, is the backend's: the form already has the screen's size.
        p.step(50040, [&] { dyMin = Zz(-4, -1); });
        p.step(50050, [&] { dyMax = Zz(1, 4); });
    });
    loadFlightPictures();
}

void FrmMain::Form_Resize()
{
    Procedure p("frmMain", "Form_Resize");
    // What the composition draws is kept, to make it again in another
    // phase of the day.
    composedFrom_ = {flowerCount, riverTop, riverBottom, dyMin, dyMax};
    planted_.clear();
    fade_ = {};
    DrawRecorder recorder(*this);
    p.run([&] {
        const int SW = ScaleWidth(), SH = ScaleHeight();
        p.step(50010, [&] { BuildBG(); });
        // Both take the form's image right after their new sizes. The
        // incremental composition composes on the form and needs no
        // screen-sized buffer: the buffer keeps the cloud strip's size and
        // only its screen size is remembered.
        p.step(50020, [&] {
            frameWidth_ = SW;
            frameHeight_ = SH;
            if (!incremental) picBuffer.resizeForOverwrite(SW, SH);
            picBG.setDensity(1);
            picBG.resizeForOverwrite(SW, SH);
        });
        p.step(50030, [&] {
            if (!incremental) BitBlt(picBuffer, 0, 0, CLng(SW), CLng(SH), form.view(), 0, 0, RasterOp::Copy);
        });
        p.step(50040, [&] { picBG.setPicture(form.view(), false); });
        p.step(50050, [&] {
            lblURL.left = SW - lblURL.width - 3;
            lblURL.top = SH - lblURL.height;
        });
        p.step(50060, [&] {
            if (!offscreen_) BitBlt(form, 0, 0, CLng(SW), CLng(SH), picBG.view(), 0, 0, RasterOp::Copy);
        });
        for (int i = 0; i <= 50; ++i) {
            p.step(50070, [&] {
                int16_t id = Zz(181, 200);
                const Picture& icon = picture(id, ResourceKind::Icon);
                int16_t x = Zz(0, CInt(SW));
                int16_t y = Zz(flowerTop, CInt(SH - 10.0));
                double px = x, py = y, pw = 32, ph = 32;
                toScreenScale(px, py, pw, ph);
                PaintPicture(picBG, viewOf(icon), px, py, pw, ph);
                record({"Gras", id, 0, x, y, 32, 32, false, 0, 0, 0});
            });
        }
        p.step(50080, [&] { resetFlowerSlots(); });
        p.step(50090, [&] { setStartPositions(); });
        p.step(50100, [&] {
            invalidateFrame();
            tmrAnimation.enabled = true;
        });
    });
}

bool FrmMain::resizeForm(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == ScaleWidth() && height == ScaleHeight()) return false;
    form.resize(width, height);
    // Until the new landscape is there, the form as a whole is what changed.
    invalidateFrame();
    changed.clear();
    scrolled.clear();
    changedAll = true;
    Form_Resize();
    return true;
}

void FrmMain::resetFlowerSlots()
{
    const int SW = ScaleWidth(), SH = ScaleHeight();
    for (int i = 0; i <= flowerCount; ++i) {
        if (i > 100) raiseError(kErrSubscript);
        FlowerSlot& f = flowers[static_cast<size_t>(i)];
        f.icon = ck16(Zz(1, 80) + 100LL);
        f.size = Zz(20, 30);
        f.y = Zz(flowerTop, CInt(SH - 50.0));
        f.x = static_cast<float>(intDiv(CLng(SW), flowerCount) * i + Zz(-5, 15));
        f.state = 0;
        f.planted = 0;
    }
}

void FrmMain::setStartPositions()
{
    const double SW = flightWidth(), SH = flightHeight();
    auto band = [&](double lo, double hi) { return Zz(CInt(lo * SH), CInt(hi * SH)); };
    for (int code = 1; code <= 6; ++code) {
        FlightRecord& r = flights[static_cast<size_t>(code)];
        r.x = -150;
        r.y = band(0.05, 0.4);
        r.dy = Zz(-2, 2);
    }
    for (int code = 11; code <= 16; ++code) {
        FlightRecord& r = flights[static_cast<size_t>(code)];
        r.x = CInt(SW);
        r.y = band(0.05, 0.4);
        r.dy = Zz(-2, 2);
    }
    flights[21].x = CInt(SW);
    flights[21].y = band(0.05, 0.15);
    for (int code = 22; code <= 25; ++code) {
        FlightRecord& r = flights[static_cast<size_t>(code)];
        r.x = (code == 22 || code == 24) ? int16_t(-50) : CInt(SW);
        r.y = band(0.2, 0.6);
    }
    flights[27].x = -410;
    flights[27].y = band(0.02, 0.16);
    flights[29].x = CInt(SW);
    flights[29].y = band(0.02, 0.06);
    for (int code = 31; code <= 34; ++code) {
        FlightRecord& r = flights[static_cast<size_t>(code)];
        r.x = (code == 31 || code == 33) ? int16_t(-110) : CInt(SW);
        r.y = band(0.02, 0.06);
        r.dy = 1;
    }
}

} // namespace syl
