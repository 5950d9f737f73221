// Strips of fir forest and single trees scaled by their depth.
#include "errors/handler.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"

namespace syl {

void FrmMain::Wald(int16_t& y)
{
    Procedure p("frmMain", "Wald");
    p.run([&] {
        for (int i = 1; i <= 3; ++i) {
            p.step(50010, [&] {
                if (Zz(0, 2) != 0) return;
                int16_t f = Zz(1, 5);
                picture(141);
                picture(142);
                y = ck16(y - 50LL);
                int16_t x = Zz(-100, 500);
                int16_t m = Zz(-1, 0);
                if (m == 0) drawMasked(picBG, "Wald", 141, f, x, y, 200, 50, 0, (f - 1) * 50, 200, 50);
                else drawMasked(picBG, "Wald", 141, f, 640 - x, y, -200, 50, 0, (f - 1) * 50, 200, 50);
                y = ck16(y + Zz(50, 52));
            });
        }
    });
}

void FrmMain::Baum(int16_t& y, int16_t& kind)
{
    Procedure p("frmMain", "Baum");
    p.run([&] {
        bool refused = false;
        int id = 0;
        int16_t d = 0, w = 0, s = 0, f = 0, x = 0;
        p.step(50010, [&] { refused = riverTop < y && y < riverBottom; });
        if (refused) return;
        p.step(50020, [&] {
            id = kind == 1 ? 143 : 145;
            picture(id);
            picture(id + 1);
        });
        p.step(50030, [&] { d = Zz(CInt(y / 4.0), CInt(y / 2.0)); });
        p.step(50040, [&] {
            float share = ZzR(0.7f, 1.0f);
            float width = static_cast<float>(d) * share;
            w = CInt(width);
        });
        p.step(50050, [&] { y = ck16(y - d); });
        p.step(50060, [&] {
            s = Zz(-1, 0);
            f = Zz(1, 5);
        });
        p.step(50070, [&] { x = s == 0 ? Zz(-20, 80) : Zz(450, 550); });
        p.step(50080, [&] { drawMasked(picBG, "Baum", id, f, x, y, w, d, 0, (f - 1) * 100, 100, 100); });
        p.step(50090, [&] { y = ck16(y + d); });
    });
}

} // namespace syl
