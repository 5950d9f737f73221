// Hills, the sea with its islands, the meadow and the river.
#include "errors/handler.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"

namespace syl {

namespace {

// Water as lines of pen width w from the bottom of the band [top, top + h)
// upwards, each a little lighter than the one below.
template <class Lit>
void waterLines(Surface& bg, int top, int h, int w, int r0, int g0, int b0, Lit lit)
{
    const long long lines = intDiv(h, w);
    for (long long i = 1; i <= lines; ++i) {
        const int row = ck16(top + h - w * i);
        Line(bg, 0, row, 640, row, lit(RGB(r0 + 3 * i, g0 + 5 * i, b0 + 2 * i)));
    }
}

} // namespace

void FrmMain::Berge(int16_t& y)
{
    Procedure p("frmMain", "Berge");
    p.run([&] {
        int id = 0;
        int16_t d = 0, x = 0, m = 0;
        p.step(50010, [&] {
            id = 129 + 2 * Zz(1, 5);
            picture(id);
            picture(id + 1);
        });
        p.step(50020, [&] {
            d = Zz(30, 120);
            y = ck16(y - d);
        });
        p.step(50030, [&] {
            x = Zz(-400, 0);
            m = Zz(-1, 0);
        });
        p.step(50040, [&] {
            if (m == 0) drawMasked(picBG, "Berge", id, 0, x, y, 640, d, 0, 0, 640, 100);
            else
                // Mirrored over the whole width: with x1 = 640 - x and the
                // source starting at x, the offset x cancels out, so the
                // whole picture lands mirrored on the canvas whatever x is.
                drawMasked(picBG, "Berge", id, 0, 640, y, -640, d, 0, 0, 640, 100);
        });
        p.step(50050, [&] { y = ck16(y + d); });
    });
}

void FrmMain::Meer(int16_t& y)
{
    Procedure p("frmMain", "Meer");
    p.run([&] {
        int16_t w = 0, h = 0, r0 = 0, g0 = 0, b0 = 0, t = 0;
        p.step(50010, [&] {
            w = Zz(2, 4);
            h = ck16(12LL * Zz(3, 5));
        });
        p.step(50020, [&] {
            r0 = ck16(100 + Zz(0, 20));
            g0 = ck16(150 + Zz(0, 20));
            b0 = ck16(180 + Zz(0, 40));
        });
        p.step(50030, [&] { picBG.drawWidth = w; });
        p.step(50040, [&] {
            waterLines(picBG, y, h, w, r0, g0, b0, [this](Color c) { return litColor(c, true); });
            record({"Meer", 0, 0, 0, y, 640, h, false, w, y, y + h - 1});
        });
        p.step(50050, [&] {
            if (Zz(0, 2) == 0) {
                int row = ck16(y - 1LL);
                Line(picBG, 0, row, 640, row, litColor(RGB(128, 200, 128)), true);
            }
        });
        p.step(50060, [&] { picBG.drawWidth = 1; });
        p.step(50070, [&] { t = y; });
        for (int i = 0; i <= 3; ++i)
            p.step(50080, [&] {
                if (Zz(0, 2) == 0) {
                    y = ck16(y + Zz(0, 5 * i));
                    Berge(y);
                }
            });
        p.step(50090, [&] { y = ck16(t + h - 2LL); });
    });
}

void FrmMain::Boden(int16_t y)
{
    Procedure p("frmMain", "Boden");
    p.run([&] {
        int id = 0;
        p.step(50010, [&] {
            id = 100 + Zz(6, 10);
            picture(id);
        });
        p.step(50020, [&] {
            const Picture& meadow = picture(id);
            for (int i = 0;;) {
                PaintPicture(picBG, viewOf(meadow), 35 * i, y, 35, picBG.scaleHeight() - y);
                ++i;
                if (35 * i > picBG.scaleWidth()) break;
            }
            record({"Boden", id, 0, 0, y, 640, picBG.scaleHeight() - y, false, 0, 0, 0});
        });
    });
}

void FrmMain::Fluss(int16_t y)
{
    Procedure p("frmMain", "Fluss");
    p.run([&] {
        int16_t top = 0, w = 0, h = 0, r0 = 0, g0 = 0, b0 = 0;
        p.step(50010, [&] { top = Zz(ck16(y + 10LL), 380); });
        p.step(50020, [&] {
            w = Zz(2, 4);
            h = ck16(9LL * Zz(3, 5));
        });
        p.step(50030, [&] {
            riverTop = top;
            riverBottom = ck16(top + h + 5LL);
        });
        p.step(50040, [&] {
            r0 = ck16(80 + Zz(0, 20));
            g0 = ck16(140 + Zz(0, 20));
            b0 = ck16(180 + Zz(0, 40));
        });
        p.step(50050, [&] { picBG.drawWidth = w; });
        p.step(50060, [&] {
            waterLines(picBG, top, h, w, r0, g0, b0, [this](Color c) { return litColor(c, true); });
            record({"Fluss", 0, 0, 0, top, 640, h, false, w, top, top + h - 1});
        });
        p.step(50070, [&] { picBG.drawWidth = 1; });
    });
}

} // namespace syl
