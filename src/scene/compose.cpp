// The composition of a landscape: BuildBG paints the layers onto the
// 640 x 480 canvas back to front, and CopyBg shows the canvas stretched
// over the form after each stage.
#include <algorithm>

#include "errors/handler.h"
#include "platform/hash.h"
#include "platform/host.h"
#include "platform/numbers.h"
#include "platform/sharp_pictures.h"
#include "scene/frmmain.h"
#include "scene/zz.h"
#include "settings/config.h"

namespace syl {

namespace {

// What CopyBg compares: 32 pixels of a row at a time, by their hash.
constexpr int kSegment = 32;
uint64_t segmentHash(const Color* p, int n)
{
    return Hash64().feed(p, static_cast<size_t>(n) * sizeof(Color)).result();
}

} // namespace

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
            // The parts of the canvas whose hash differs from that of the
            // canvas as last shown (the whole of a new landscape's first).
            const int W = c.width(), H = c.height(), segs = (W + kSegment - 1) / kSegment;
            const bool known = canvasShownValid_ && hashedWidth_ == W && hashedHeight_ == H;
            if (!known) {
                canvasHashes_.assign(static_cast<size_t>(segs) * static_cast<size_t>(std::max(H, 0)), 0);
                hashedWidth_ = W;
                hashedHeight_ = H;
            }
            int c0 = W, c1 = 0, r0 = H, r1 = 0;
            for (int y = 0; y < H; ++y) {
                const Color* row = c.row(y);
                uint64_t* hashes = canvasHashes_.data() + static_cast<size_t>(y) * static_cast<size_t>(segs);
                for (int s = 0; s < segs; ++s) {
                    const int from = s * kSegment, to = std::min(W, from + kSegment);
                    const uint64_t h = segmentHash(row + from, to - from);
                    if (h == hashes[s]) continue;
                    hashes[s] = h;
                    c0 = std::min(c0, from);
                    c1 = std::max(c1, to);
                    r0 = std::min(r0, y);
                    r1 = y + 1;
                }
            }
            if (known) {
                if (c0 >= c1) {
                    x1 = y1 = 0;
                } else {
                    // Destination pixels whose nearest source pixel may lie in
                    // the changed part, with a pixel to spare on each side.
                    auto lo = [](int v, int dst, int src) {
                        return static_cast<int>(static_cast<long long>(v) * dst / src) - 1;
                    };
                    auto hi = [](int v, int dst, int src) {
                        return static_cast<int>((static_cast<long long>(v) * dst + src - 1) / src) + 1;
                    };
                    // A filtered stretch reads up to two canvas pixels
                    // further on each side.
                    const int m = form.smooth ? 3 : 0;
                    x0 = std::max(0, lo(c0 - m, SW, W));
                    x1 = std::min(SW, hi(c1 + m, SW, W));
                    y0 = std::max(0, lo(r0 - m, SH, H));
                    y1 = std::min(SH, hi(r1 + m, SH, H));
                }
            }
            // What the backend brings to the screen at Refresh.
            changed.clear();
            scrolled.clear();
            changedAll = false;
            if (x0 < x1 && y0 < y1) {
                form.setClip(x0, y0, x1, y1);
                PaintPicture(form, picBG.view(), 0, 0, SW, SH, 0, 0, 640, 480, RasterOp::Copy);
                form.resetClip();
                changed.push_back({x0, y0, x1, y1});
            }
            canvasShownValid_ = true;
        });
        // Form.Refresh and DoEvents: the backend shows the form's image and
        // handles pending input, which may end the saver here.
        p.step(50040, [&] {
            if (!offscreen_) host().doEvents();
        });
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
        chooseSharp();
        // The canvas becomes the screen-sized landscape once it is complete:
        // room for both at once, so that its memory is taken up only once.
        picBG.reserve(
            std::max<size_t>(static_cast<size_t>(ScaleWidth()) * static_cast<size_t>(ScaleHeight()),
                             static_cast<size_t>(640 * picBG.density()) * static_cast<size_t>(480 * picBG.density())));
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
        p.step(50110, [&] {
            if (!offscreen_) CopyBg(); // a scene composed only for its pictures shows no stages
        });
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
        p.step(50130, [&] {
            if (!offscreen_) CopyBg(); // a scene composed only for its pictures shows no stages
        });
        p.step(50140, [&] {
            if (baseY < 250) baseY = 250;
            else baseY = ck16(baseY + Zz(5, 15));
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
        p.step(50170, [&] {
            if (!offscreen_) CopyBg(); // a scene composed only for its pictures shows no stages
        });
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
    // The landscape's sharp pictures are drawn only while it is composed.
    std::erase_if(sharpPictures_, [](const auto& e) {
        return std::get<0>(e.first) == static_cast<int>(ResourceKind::Bitmap) &&
               std::get<1>(e.first) % kPhasePictureStep < 200;
    });
}

} // namespace syl
