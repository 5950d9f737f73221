// frmMain: loading, layout of a new scene and the composition of a landscape.
#include "scene/frmmain.h"

#include <algorithm>

#include "errors/handler.h"
#include "platform/font.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/random.h"
#include "settings/config.h"

namespace syl {

namespace {
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;
} // namespace

FrmMain::FrmMain(int scaleWidth, int scaleHeight)
    : form(scaleWidth, scaleHeight, kBlack), picBG(640, 480, kBlack), picBuffer(105, 89, kWhite),
      picMask(97, 73, kBlack), picObjekt(97, 81, kBlack), picHimmel(738, 119, RGB(192, 255, 255))
{
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
    auto key = std::make_pair(static_cast<int>(kind), id);
    auto it = pictures_.find(key);
    if (it != pictures_.end()) return it->second;
    Picture p = LoadResPicture(id, kind);
    return pictures_.emplace(key, std::move(p)).first->second;
}

void FrmMain::record(LayerDrawing d)
{
    if (recordDrawings) drawings.push_back(std::move(d));
}

void FrmMain::drawMasked(Surface& s, const std::string& painter, int id, int variant, int x1, int y1, int w1, int h1,
                         int x2, int y2, int w2, int h2)
{
    const Picture& pic = picture(id);
    const Picture& mask = picture(id + 1);
    PaintPicture(s, viewOf(mask), x1, y1, w1, h1, x2, y2, w2, h2, RasterOp::And);
    PaintPicture(s, viewOf(pic), x1, y1, w1, h1, x2, y2, w2, h2, RasterOp::Paint);
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
        p.step(50060, [&] { BitBlt(form, 0, 0, CLng(SW), CLng(SH), picBG.view(), 0, 0, RasterOp::Copy); });
        for (int i = 0; i <= 50; ++i) {
            p.step(50070, [&] {
                int16_t id = Zz(181, 200);
                const Picture& icon = picture(id, ResourceKind::Icon);
                int16_t x = Zz(0, CInt(SW));
                int16_t y = Zz(flowerTop, CInt(SH - 10.0));
                PaintPicture(picBG, viewOf(icon), x, y, 32, 32);
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

void FrmMain::resizeForm(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == form.width() && height == form.height()) return;
    // The old picture is drawn over by the new landscape's first stage.
    form.resizeForOverwrite(width, height);
    form.clearPicture();
    Form_Resize();
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
    const double SW = ScaleWidth(), SH = ScaleHeight();
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

void FrmMain::CopyBg()
{
    Procedure p("frmMain", "CopyBg");
    p.run([&] {
        // picBG.Refresh: the canvas keeps its image; nothing to bring to a screen.
        p.step(50020, [&] {
            // The form already shows the canvas as it was at the last copy of
            // this landscape: only what the painters changed since is
            // stretched again, pixel for pixel as the whole stretch.
            const int SW = ScaleWidth(), SH = ScaleHeight();
            int x0 = 0, y0 = 0, x1 = SW, y1 = SH;
            const Surface& c = picBG;
            if (canvasShownValid_ && canvasShown_.width() == c.width() && canvasShown_.height() == c.height()) {
                int c0 = c.width(), c1 = 0, r0 = c.height(), r1 = 0;
                for (int y = 0; y < c.height(); ++y) {
                    const Color *a = c.row(y), *b = canvasShown_.row(y);
                    int l = 0, r = c.width();
                    while (l < r && a[l] == b[l]) ++l;
                    if (l == r) continue;
                    while (r > l && a[r - 1] == b[r - 1]) --r;
                    c0 = std::min(c0, l);
                    c1 = std::max(c1, r);
                    r0 = std::min(r0, y);
                    r1 = y + 1;
                }
                if (c0 >= c1) {
                    x1 = y1 = 0;
                } else {
                    // Destination pixels whose nearest source pixel may lie in
                    // the changed part, with a pixel to spare on each side.
                    auto lo = [](int v, int dst, int src) { return static_cast<int>(static_cast<long long>(v) * dst / src) - 1; };
                    auto hi = [](int v, int dst, int src) { return static_cast<int>((static_cast<long long>(v) * dst + src - 1) / src) + 1; };
                    x0 = std::max(0, lo(c0, SW, 640));
                    x1 = std::min(SW, hi(c1, SW, 640));
                    y0 = std::max(0, lo(r0, SH, 480));
                    y1 = std::min(SH, hi(r1, SH, 480));
                }
            }
            // What the backend brings to the screen at Refresh.
            changed.clear();
            changedAll = false;
            if (x0 < x1 && y0 < y1) {
                form.setClip(x0, y0, x1, y1);
                PaintPicture(form, picBG.view(), 0, 0, SW, SH, 0, 0, 640, 480, RasterOp::Copy);
                form.resetClip();
                changed.push_back({x0, y0, x1, y1});
            }
            canvasShown_.resizeForOverwrite(c.width(), c.height());
            canvasShown_.setPicture(c.view(), false);
            canvasShownValid_ = true;
        });
        // Form.Refresh and DoEvents: the backend shows the form's image and
        // handles pending input, which may end the saver here.
        p.step(50040, [&] { host().doEvents(); });
    });
}

void FrmMain::BuildBG()
{
    Procedure p("frmMain", "BuildBG");
    p.run([&] {
        int16_t baseY = 0;
        int16_t fenceCount = 0;
        seaDrawn = false;
        drawings.clear();
        p.step(50010, [&] { tmrAnimation.enabled = false; });
        canvasShownValid_ = false; // the form shows the last landscape
        p.step(50020, [&] {
            picBG.setHeight(480);
            picBG.setWidth(640);
        });
        p.step(50030, [&] {
            skyType = Zz(1, 6);
            if (skyType == 6) skyType = 2;
        });
        p.step(50040, [&] {
            baseY = Zz(190, 330);
            horizon = baseY;
        });
        p.step(50050, [&] { Hintergrund(baseY); });
        p.step(50060, [&] { Himmel(); });
        p.step(50070, [&] {
            if (Zz(0, 2) == 0) {
                Meer(baseY);
                seaDrawn = true;
            }
        });
        p.step(50080, [&] { Boden(baseY); });
        for (int i = 0; i <= 3; ++i)
            p.step(50090, [&] {
                if (Zz(0, 2) == 0) Berge(baseY);
            });
        p.step(50100, [&] {
            if (!seaDrawn) Fluss(baseY);
        });
        p.step(50110, [&] { CopyBg(); });
        for (int i = 0; i <= 20; ++i) {
            p.step(50120, [&] {
                int16_t c = Zz(1, 4);
                if (c == 1) {
                    int16_t n = seaDrawn ? Zz(1, 16) : Zz(1, 6);
                    if (n < 6) Berge(baseY);
                } else if (c == 2) {
                    int16_t n = Zz(1, 7);
                    if (n < 6) Wald(baseY);
                } else if (c == 3) {
                    int16_t n = Zz(1, 60);
                    if (baseY < 300 && n < 6) {
                        City(baseY);
                        baseY = ck16(baseY + Zz(2, 7));
                        Berge(baseY);
                    }
                } else if (c == 4) {
                    int16_t n = Zz(1, 15);
                    if (baseY < 350 && n < 6) {
                        Burg(baseY);
                        baseY = ck16(baseY + Zz(2, 7));
                        Berge(baseY);
                    }
                }
                baseY = ck16(baseY + Zz(1, 4));
            });
        }
        p.step(50130, [&] { CopyBg(); });
        p.step(50140, [&] {
            if (baseY < 250)
                baseY = 250;
            else
                baseY = ck16(baseY + Zz(5, 15));
        });
        p.step(50150, [&] {
            if (Zz(1, 8) == 1) {
                if (baseY < 430) Zaun(baseY);
                fenceCount = 1;
                baseY = ck16(baseY + 5);
            }
        });
        int16_t passes = 0;
        p.step(50160, [&] { passes = Zz(1, 20); });
        for (int i = 0; i <= passes; ++i) {
            p.step(50160, [&] {
                int16_t t = Zz(1, 20);
                if (t < 4) {
                    int16_t kind = 1;
                    if (baseY < 430) Baum(baseY, kind);
                    baseY = ck16(baseY + Zz(1, 6));
                }
                if (t > 17) {
                    int16_t kind = 2;
                    if (baseY < 430) Baum(baseY, kind);
                    baseY = ck16(baseY + Zz(1, 6));
                }
            });
        }
        p.step(50170, [&] { CopyBg(); });
        p.step(50180, [&] { baseY = ck16(baseY + Zz(2, 5)); });
        p.step(50190, [&] {
            int16_t h = Zz(1, 8);
            if (h < 3 && baseY < 410) {
                int16_t fir = 1;
                Baum(baseY, fir);
                int16_t second = ck16(baseY + 2);
                Baum(second, fir);
                if (Zz(1, 3) == 1) {
                    Zaun(baseY);
                    fenceCount = ck16(fenceCount + 1);
                }
                baseY = ck16(baseY + 20);
                Haus(baseY);
                baseY = ck16(baseY + Zz(10, 15));
                int16_t f = Zz(1, 3);
                if (f == 1 && fenceCount < 2 && baseY < 430) Zaun(baseY);
            }
        });
        p.step(50200, [&] { CopyBg(); });
        p.step(50210, [&] {
            if (baseY < riverBottom) baseY = riverBottom;
        });
        p.step(50220, [&] {
            finalBaseLine = baseY;
            flowerTop = flowerTopFor(baseY, ScaleHeight());
        });
        p.step(50230, [&] { grassTop = ck16(flowerTop - 40LL); });
    });
}

} // namespace syl
