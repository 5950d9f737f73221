// Flowers: dormant slots wander along the meadow and now and then sprout; a
// growing flower is drawn into each frame, and at full size it is painted
// for good into the landscape with tufts of grass around it.
#include "errors/handler.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"
#include "settings/config.h"

namespace syl {

void FrmMain::Blumen()
{
    Procedure p("frmMain", "Blumen");
    p.run([&] {
        const Settings& st = settings();
        const double W = frameWidth(), H = frameHeight();
        // Growing flowers are drawn into the frame, planted ones and grass
        // into the landscape.
        auto paintIcon = [&](Surface& s, int id, double x, double y, double w, double h) {
            if (&s == &picBuffer) bufferIcon(id, x, y, w, h);
            else backgroundIcon(id, x, y, w, h);
        };
        auto tuft = [&](Surface& s, double x, double y) { paintIcon(s, Zz(181, 200), x, y, 32, 32); };
        for (int i = 0; i <= flowerCount; ++i) {
            FlowerSlot* f = nullptr;
            p.step(50010, [&] {
                if (i > 100 || i < 0) raiseError(kErrSubscript);
                f = &flowers[static_cast<size_t>(i)];
            });
            if (!f) continue;
            if (f->state == -1 && f->planted == 0) {
                // Growing.
                if (!(f->size < 34.0f)) continue;
                double g = 0;
                int16_t s = 0;
                p.step(50020, [&] { g = 0.0004 * Zz(10, 50) * st.SpeedF; });
                p.step(50030, [&] {
                    f->size = static_cast<float>(f->size + g);
                    f->y = static_cast<float>(f->y - g);
                });
                p.step(50040, [&] { s = CInt(f->size + 1.0f); });
                p.step(50050, [&] { paintIcon(picBuffer, f->icon, f->x, f->y, s, s); });
                if (!(f->size > 32.0f)) continue;
                p.step(50060, [&] {
                    f->planted = 1;
                    f->y = f->y - 2.0f;
                });
                auto nearTuft = [&] {
                    int16_t t = Zz(181, 200);
                    int16_t dx = Zz(-5, 5);
                    int16_t dy = Zz(-5, 10);
                    paintIcon(picBG, t, f->x + dx, f->y + dy, 32, 32);
                };
                p.step(50070, nearTuft);
                p.step(50080, [&] { paintIcon(picBG, f->icon, f->x, f->y, s, s); });
                p.step(50090, nearTuft);
                for (int k = 0; k < 3; ++k)
                    p.step(50100, [&] {
                        int16_t t = Zz(181, 200);
                        int16_t tx = Zz(-10, CInt(W));
                        int16_t ty = Zz(ck16(grassTop + 20LL), CInt(H));
                        paintIcon(picBG, t, tx, ty, 32, 32);
                    });
                p.step(50110, [&] {
                    if (Zz(0, 1) == 1) {
                        int16_t t = Zz(181, 200);
                        int16_t tx = Zz(-10, CInt(W));
                        int16_t ty = Zz(ck16(grassTop + 10LL), ck16(grassTop + 50LL));
                        paintIcon(picBG, t, tx, ty, 32, 32);
                    }
                });
            } else if (f->state == -1) {
                // Planted on the previous tick: retire the slot.
                p.step(50120, [&] { bloomCount = bloomCount + 1.0f; });
                p.step(50130, [&] { flowerTop = CInt(flowerTop - bloomCount * 0.01); });
                p.step(50140, [&] {
                    if (flowerTop < grassTop) {
                        bloomCount = 0;
                        flowerTop = ck16(grassTop + 35LL);
                        grassTop = ck16(grassTop - 2LL);
                        if (grassTop < intDiv(CLng(H), 4) + 30) grassTop = ck16(grassTop + 100LL);
                    }
                });
                p.step(50150, [&] {
                    f->planted = 0;
                    f->state = 0;
                });
            } else {
                // Dormant: wander and re-roll.
                p.step(50160, [&] { f->state = Zz(-1, intDiv(200, CInt(st.maxFlValue()))); });
                p.step(50170, [&] { f->y = Zz(flowerTop, CInt(H - 20)); });
                p.step(50180, [&] {
                    f->x = f->x + Zz(10, 20);
                    if (f->x > W) f->x = static_cast<float>(f->x - W - 10);
                });
                p.step(50190, [&] { f->icon = ck16(Zz(1, CInt(200 - 3 * st.maxFlValue())) + 100LL); });
                if (f->icon <= 180) {
                    p.step(50200, [&] {
                        if (f->state != -1) return;
                        f->size = Zz(15, 20);
                        tuft(picBG, f->x, f->y + 5);
                        for (int k = 0; k < 2; ++k) {
                            int16_t t = Zz(181, 200);
                            int16_t dx = Zz(-5, 5);
                            int16_t dy = Zz(-5, 10);
                            paintIcon(picBG, t, f->x + dx, f->y + dy, 32, 32);
                        }
                        for (int k = 0; k < 2; ++k) {
                            int16_t t = Zz(181, 200);
                            int16_t dx = Zz(-10, 10);
                            int16_t dy = Zz(-5, 15);
                            paintIcon(picBG, t, f->x + dx, f->y + dy, 32, 32);
                        }
                    });
                } else {
                    p.step(50210, [&] {
                        if (f->icon > 200) f->icon = Zz(181, 200);
                        f->size = 32;
                    });
                }
            }
        }
    });
}

} // namespace syl
