// City skylines, castles, the house and the fence.
#include "errors/handler.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"

namespace syl {

void FrmMain::cityOrCastle(int16_t& y, const char* name, int sheet, int chanceHi)
{
    Procedure p("frmMain", name);
    p.run([&] {
        bool refused = false;
        int16_t x = 0;
        p.step(50010, [&] { refused = y < riverBottom; });
        if (refused) return;
        p.step(50020, [&] {
            if (y < 220) y = 220;
        });
        p.step(50030, [&] { x = Zz(-100, 540); });
        for (int i = 1; i <= 5; ++i) {
            p.step(50040, [&] {
                if (Zz(0, chanceHi) != 0) return;
                int f = i;
                y = ck16(y + Zz(2, 12));
                x = ck16(x + Zz(-90, 90));
                picture(sheet);
                picture(sheet + 1);
                y = ck16(y - 100LL);
                int16_t m = Zz(-1, 0);
                if (m == 0) drawMasked(picBG, name, sheet, f, x, y, 245, 100, 0, (f - 1) * 100, 245, 100);
                else drawMasked(picBG, name, sheet, f, 640 - x, y, -245, 100, 0, (f - 1) * 100, 245, 100);
                y = ck16(y + 100LL);
            });
        }
    });
}

void FrmMain::City(int16_t& y) { cityOrCastle(y, "City", 151, 2); }

void FrmMain::Burg(int16_t& y) { cityOrCastle(y, "Burg", 153, 3); }

void FrmMain::Haus(int16_t& y)
{
    Procedure p("frmMain", "Haus");
    p.run([&] {
        bool refused = false;
        int id = 0;
        int16_t x = 0, m = 0;
        p.step(50010, [&] { refused = riverTop < y && y < riverBottom; });
        if (refused) return;
        p.step(50020, [&] {
            id = 159 + 2 * Zz(1, 2);
            picture(id);
            picture(id + 1);
        });
        p.step(50030, [&] { y = ck16(y - 115LL); });
        p.step(50040, [&] {
            x = Zz(-50, 20);
            m = Zz(-1, 0);
        });
        p.step(50050, [&] {
            if (m == 0) drawMasked(picBG, "Haus", id, 0, x, y, 153, 115, 0, 0, 153, 115);
            else drawMasked(picBG, "Haus", id, 0, 640 - x, y, -153, 115, 0, 0, 153, 115);
        });
        p.step(50060, [&] { y = ck16(y + 115LL); });
    });
}

void FrmMain::Zaun(int16_t& y)
{
    Procedure p("frmMain", "Zaun");
    p.run([&] {
        bool refused = false;
        int16_t x = 0, m = 0;
        p.step(50010, [&] { refused = riverTop < y && y < riverBottom; });
        if (refused) return;
        p.step(50020, [&] {
            picture(165);
            picture(166);
        });
        p.step(50030, [&] { y = ck16(y - 28LL); });
        p.step(50040, [&] {
            x = Zz(-200, 0);
            m = Zz(-1, 0);
        });
        p.step(50050, [&] {
            if (m == 0) drawMasked(picBG, "Zaun", 165, 0, x, y, 400, 28, 0, 0, 400, 28);
            else drawMasked(picBG, "Zaun", 165, 0, 640 - x, y, -400, 28, 0, 0, 400, 28);
        });
        p.step(50060, [&] { y = ck16(y + 28LL); });
    });
}

} // namespace syl
