// The sky: the gradient down to the horizon and the band of clouds, with the
// screen-sized cloud strip that the animation drifts across the top.
#include <algorithm>
#include <cmath>

#include "art/art.h"
#include "errors/handler.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"

namespace syl {

void FrmMain::Hintergrund(int16_t y)
{
    Procedure p("frmMain", "Hintergrund");
    p.run([&] {
        const Picture* sky = nullptr;
        p.step(50010, [&] { sky = &picture(100 + skyType); });
        p.step(50020, [&] {
            // Tiles 35 pixels wide, each the whole 20-pixel gradient stretched,
            // until one reaches past the width of the cloud strip.
            for (int i = 0;;) {
                PaintPicture(picBG, viewOf(*sky), 35 * i, 0, 35, y);
                PaintPicture(picHimmel, viewOf(*sky), 35 * i, 0, 35, y);
                ++i;
                if (35 * i > picHimmel.scaleWidth()) break;
            }
            nightStars(y);
            LayerDrawing d;
            d.painter = "Hintergrund";
            d.id = 100 + skyType;
            d.w = 640;
            d.h = y;
            record(d);
        });
    });
}

void FrmMain::Himmel()
{
    Procedure p("frmMain", "Himmel");
    p.run([&] {
        const double SW = ScaleWidth(), SH = ScaleHeight();
        int16_t n = 0;
        p.step(50010, [&] {
            if (skyType == 5) skyType = 3;
        });
        p.step(50020, [&] {
            picHimmel.setWidth(738);
            picHimmel.setHeight(119);
        });
        p.step(50030, [&] {
            n = Zz(-1, 7);
            if (n > 3) n = static_cast<int16_t>(n - 4);
        });
        p.step(50040, [&] {
            const int W = picHimmel.scaleWidth(), H = picHimmel.scaleHeight();
            if (n == 0 || n == 1) {
                int id = 2 * skyType + 120 - n;
                const Picture& band = picture(id);
                PaintPicture(picHimmel, viewOf(band), 0, 0, band.scaleWidth(), H);
                record({"Himmel", id, 0, 0, 0, band.scaleWidth(), H, false, 0, 0, 0});
            } else if (n == 2 || n == 3) {
                int id = 2 * skyType + 122 - n;
                const Picture& band = picture(id);
                PaintPicture(picHimmel, viewOf(band), W, 0, -W, H);
                record({"Himmel", id, 0, 0, 0, W, H, true, 0, 0, 0});
            }
            if (useSharp_ && n >= 0 && n <= 3) matchBandSky(skyType);
        });
        p.step(50050, [&] { PaintPicture(picBG, picHimmel.view(), 0, 0); });
        const int stripW = CLng(SW * 1.156), stripH = CLng(SH * 0.25);
        // The buffer and the strip are drawn over completely right after
        // taking their new sizes.
        p.step(50060, [&] { picBuffer.resizeForOverwrite(stripW, stripH); });
        p.step(50070, [&] {
            // The strip keeps rows of one colour where the sky is plain.
            picBuffer.rowDither = true;
            StretchBlt(picBuffer, 0, 0, stripW, stripH, picHimmel.view(), 0, 0, CLng(picHimmel.scaleWidth()),
                       CLng(picHimmel.scaleHeight()), RasterOp::Copy);
            picBuffer.rowDither = false;
        });
        p.step(50080, [&] {
            picHimmel.setDensity(1); // the strip is drawn at the screen's scale
            picHimmel.resizeForOverwrite(stripW, stripH);
        });
        p.step(50090, [&] {
            PaintPicture(picHimmel, picBuffer.view(), 0, 0, picHimmel.scaleWidth(), picHimmel.scaleHeight());
        });
        p.step(50100, [&] {
            bool disc = false;
            if (Zz(0, 7) == 0) {
                disc = true;
                // A pale sun by day, low and warm at dawn and dusk; by night
                // the moon of the band is in the sky instead.
                const Color sun = phaseShown_ == 1   ? RGB(255, 214, 150)
                                  : phaseShown_ == 2 ? RGB(255, 176, 96)
                                                     : RGB(244, 244, 232);
                picHimmel.foreColor = sun;
                picHimmel.fillColor = sun;
                int16_t x = Zz(0, CInt(picHimmel.scaleWidth() - 100.0));
                int16_t y = Zz(0, CInt(picHimmel.scaleHeight() - 100.0));
                int16_t d = Zz(20, 50);
                const int size = static_cast<int>(std::lround(d * screenScale()));
                if (phaseShown_ != 3) Ellipse(picHimmel, x, y, x + size, y + size);
                else nightMoon(x, y, size);
                picHimmel.foreColor = RGB(255, 255, 255);
                picHimmel.fillColor = RGB(255, 255, 255);
            }
            // By night the moon is always up, where the sun's disc would be.
            if (!disc && phaseShown_ == 3) nightMoon(-1, -1, 0);
        });
        p.step(50110, [&] {
            bandWidth = CInt(picHimmel.scaleWidth());
            bandHeight = CInt(picHimmel.scaleHeight());
            bandTop = 0;
        });
    });
}

// The band's pictures show the sky behind their clouds as it is over the
// mean horizon (260 rows); the sky of this landscape is stretched to its own
// horizon, and where the band ends the two would meet in a line across the
// whole screen. Each row of the band takes the difference between this
// landscape's sky (as the gradient left it in the background) and the one
// the band was painted with, so that the sky runs on without a seam.
void FrmMain::matchBandSky(int bandMood)
{
    const art::HourScope at(static_cast<art::Hour>(phaseShown_));
    const int d = std::max(picHimmel.density(), 1);
    const int rows = std::min(picHimmel.height(), picBG.height());
    for (int r = 0; r < rows; ++r) {
        const Color sky = picBG.pixel(0, r);
        const art::RGB painted =
            art::skyColor(bandMood, (static_cast<float>(r) + 0.5f) / static_cast<float>(d) / 260.f);
        const long dr = redOf(sky) - std::lround(painted.r * 255.f);
        const long dg = greenOf(sky) - std::lround(painted.g * 255.f);
        const long db = blueOf(sky) - std::lround(painted.b * 255.f);
        if (dr == 0 && dg == 0 && db == 0) continue;
        Color* px = picHimmel.row(r);
        for (int x = 0; x < picHimmel.width(); ++x)
            px[x] = RGB(redOf(px[x]) + dr, greenOf(px[x]) + dg, blueOf(px[x]) + db);
    }
}

} // namespace syl
