// City skylines, castles and manor houses.
#include "art/building_parts.h"

namespace art {

// ---------------------------------------------------------------- city
Image paintCity()
{
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(245, 100, 3);
        Rng rng(8100 + f);
        const float B = 100;
        uint32_t s = 900 + f * 40;
        auto house = [&](float x0, float w, float h, int wall, bool gable, const Mat& roof, float lit) {
            facade(cv, x0, B - h, x0 + w, B, kWalls[wall], s++);
            int cols = std::max(1, int(w / 7)), rows = std::max(1, int((h - 4) / 9));
            windows(cv, x0 + 1, B - h + 2, x0 + w - 1, B - 3, cols, rows, 3, 4, s++, lit);
            if (gable) spire(cv, x0 + w / 2, B - h, w, w * 0.55f, roof, 1.5f);
            else roofFront(cv, x0, x0 + w, B - h, w * 0.28f, w * 0.12f, roof);
        };
        auto tower = [&](float x0, float w, float h, int wall, float lit) {
            facade(cv, x0, B - h, x0 + w, B, kWalls[wall], s++, 0.25f);
            int cols = std::max(2, int(w / 5)), rows = int((h - 6) / 6);
            windows(cv, x0 + 1, B - h + 3, x0 + w - 1, B - 3, cols, rows, 2.2f, 3, s++, lit);
            rect(cv, x0 - 1, B - h - 1.5f, x0 + w + 1, B - h + 0.5f, Solid{kWalls[wall].dark});
        };
        auto church = [&](float cx, float tw, float th, float sh, const Mat& roof) {
            // Nave behind, then the tower with a spire and a clock.
            facade(cv, cx - tw / 2, B - th, cx + tw / 2, B, kStone, s++, 0.3f);
            windows(cv, cx - tw / 2 + 1, B - th + 6, cx + tw / 2 - 1, B - th + 14, 1, 1, 3, 6, s++, 0.f, true);
            circle(cv, cx, B - th + 20, tw * 0.22f, Solid{rgb8(244, 240, 224)});
            line(cv, cx, B - th + 20, cx, B - th + 20 - tw * 0.16f, 0.8f, Solid{rgb8(60, 60, 70)});
            line(cv, cx, B - th + 20, cx + tw * 0.12f, B - th + 20, 0.8f, Solid{rgb8(60, 60, 70)});
            windows(cv, cx - tw / 2 + 1, B - th + 28, cx + tw / 2 - 1, B - 6, 1, 2, 3, 7, s++, 0.f, true);
            spire(cv, cx, B - th, tw + 2, sh, roof, 1);
            line(cv, cx, B - th - sh, cx, B - th - sh - 4, 0.8f, Solid{rgb8(220, 190, 90)});
            line(cv, cx - 1.5f, B - th - sh - 2.8f, cx + 1.5f, B - th - sh - 2.8f, 0.8f, Solid{rgb8(220, 190, 90)});
        };
        switch (f) {
        case 0: { // old town with a church
            church(150, 14, 52, 38, kCopper);
            facade(cv, 110, B - 30, 145, B, kStone, s++, 0.2f);
            roofFront(cv, 110, 145, B - 30, 14, 0, kSlate);
            float x = 4;
            int k = 0;
            while (x < 238) {
                float w = rng.range(16, 26);
                if (x > 105 && x < 160) {
                    x = 160;
                    continue;
                }
                house(x, w, rng.range(24, 40), k % 6, rng.chance(0.5f), rng.chance(0.7f) ? kTiles : kSlate, 0.2f);
                x += w + rng.range(-1, 2);
                ++k;
            }
            break;
        }
        case 1: { // downtown towers
            float xs[] = {8, 30, 62, 86, 120, 146, 176, 204};
            float hs[] = {50, 76, 60, 92, 70, 84, 56, 66};
            int ws[] = {24, 28, 22, 30, 24, 26, 26, 30};
            for (int i = 0; i < 8; ++i) tower(xs[i], float(ws[i]), hs[i], (i * 2 + 3) % 6, 0.3f);
            line(cv, 101, B - 92, 101, B - 99, 1, Solid{rgb8(120, 120, 130)});
            house(0, 22, 26, 1, false, kTiles, 0.2f);
            house(112, 20, 22, 2, true, kTiles, 0.2f);
            house(222, 22, 30, 0, false, kSlate, 0.2f);
            break;
        }
        case 2: { // cathedral with two towers
            facade(cv, 86, B - 48, 160, B, kStone, s++, 0.2f);
            spire(cv, 123, B - 48, 74, 22, kSlate, 2);
            circle(cv, 123, B - 36, 7, [](float x, float y) {
                float a = std::atan2(y - 64, x - 123);
                return std::fmod(a + 10, 0.8f) < 0.4f ? rgb8(200, 80, 90) : rgb8(90, 110, 190);
            });
            door(cv, 123, B, 10, 16, rgb8(110, 70, 50));
            church(84, 18, 70, 26, kSlate);
            church(162, 18, 70, 26, kSlate);
            float x = 2;
            int k = 1;
            while (x < 243) {
                float w = rng.range(15, 22);
                if (x > 70 && x < 172) {
                    x = 172;
                    continue;
                }
                house(x, w, rng.range(20, 34), k % 6, rng.chance(0.5f), kTiles, 0.15f);
                x += w;
                ++k;
            }
            break;
        }
        case 3: { // town hall with a dome, houses and a chimney
            line(cv, 30, B, 30, B - 64, 6,
                 [](float x, float) { return x < 30 ? rgb8(200, 110, 80) : rgb8(150, 76, 60); });
            facade(cv, 90, B - 46, 160, B, kWalls[3], s++, 0.15f);
            windows(cv, 92, B - 44, 158, B - 8, 7, 3, 4, 6, s++, 0.2f, true);
            rect(cv, 88, B - 48, 162, B - 45, Solid{kWalls[3].mid});
            roundTower(cv, 125, 14, B - 62, B - 46, kWalls[3], s++);
            windows(cv, 113, B - 60, 137, B - 48, 3, 1, 3, 6, s++, 0.f, true);
            dome(cv, 125, 15, B - 62, 22, kCopper);
            rect(cv, 124.2f, B - 90, 125.8f, B - 83, Solid{rgb8(220, 190, 90)});
            float x = 2;
            int k = 2;
            while (x < 243) {
                float w = rng.range(16, 24);
                if (x > 80 && x < 162) {
                    x = 162;
                    continue;
                }
                house(x, w, rng.range(24, 40), k % 6, rng.chance(0.4f), kTiles, 0.25f);
                x += w;
                ++k;
            }
            break;
        }
        default: { // varied skyline: clock tower, onion dome, towers
            tower(20, 26, 70, 4, 0.35f);
            tower(170, 24, 80, 0, 0.35f);
            tower(200, 30, 60, 5, 0.35f);
            facade(cv, 60, B - 78, 78, B, kWalls[1], s++, 0.3f);
            windows(cv, 61, B - 60, 77, B - 4, 2, 6, 3, 4, s++, 0.2f);
            circle(cv, 69, B - 70, 5.5f, Solid{rgb8(246, 242, 226)});
            line(cv, 69, B - 70, 69, B - 74, 0.8f, Solid{rgb8(60, 60, 70)});
            line(cv, 69, B - 70, 72, B - 70, 0.8f, Solid{rgb8(60, 60, 70)});
            spire(cv, 69, B - 78, 20, 14, kTiles);
            facade(cv, 110, B - 54, 130, B, kWalls[2], s++, 0.3f);
            windows(cv, 111, B - 50, 129, B - 4, 2, 5, 3, 5, s++, 0.2f);
            fill(
                cv, {106, B - 80, 134, B - 54},
                [](float x, float y) {
                    float u = (x - 120) / 12, v = (y - (100 - 63)) / 10;
                    float w =
                        v < 0 ? (1 - (-v) * (-v)) * (1 + 0.4f * v * v) : std::sqrt(std::max(0.f, 1 - v * v * 0.3f));
                    if (y < 100 - 80 + 0) return false;
                    if (v < -1.6f) return std::fabs(x - 120) < 0.9f;
                    return std::fabs(u) <= std::max(0.f, v < -1 ? 0.15f * (1.6f + v) / 0.6f : w) && y <= 100 - 54;
                },
                [](float x, float y) {
                    float f = x < 118 ? 0.85f : 0.35f;
                    (void)y;
                    return kCopper.at(f);
                });
            float x = 2;
            int k = 3;
            while (x < 243) {
                float w = rng.range(14, 22);
                house(x, w, rng.range(18, 30), k % 6, rng.chance(0.5f), kTiles, 0.25f);
                x += w;
                ++k;
            }
            break;
        }
        }
        // Trees in front of the houses here and there.
        for (int i = 0; i < 4; ++i)
            smallTree(cv, rng.range(5, 240), B, rng.range(10, 16), rng.chance(0.3f), s + 50 + i);
        frames.push_back(resolve(cv));
    }
    return stack(std::move(frames));
}

// ---------------------------------------------------------------- castles
Image paintCastles()
{
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(245, 100, 3);
        Rng rng(8300 + f);
        uint32_t s = 1200 + f * 40;
        const float G = 88; // where the buildings stand on the green
        auto wall = [&](float x0, float x1, float top, const Mat& m) {
            facade(cv, x0, top, x1, G + 2, m, s++, 0.12f);
            // Stone courses.
            rect(cv, x0, top, x1, G + 2, [=](float x, float y) {
                float f2 = 0.6f - 0.2f * ((x - x0) / (x1 - x0));
                int row = int((y - top) / 3);
                if (std::fmod(y - top, 3.f) < 0.6f || std::fmod(x + row * 3, 7.f) < 0.5f) f2 -= 0.18f;
                return m.at(f2 + (grain(x, y, 9) - 0.5f) * 0.1f);
            });
            crenels(cv, x0, x1, top, 3, m);
        };
        switch (f) {
        case 0: { // castle with round towers and pointed roofs
            green(cv, 0, 245, 100, 26, s++);
            wall(50, 195, 52, kStone);
            facade(cv, 95, 26, 150, G + 2, kStone, s++, 0.25f);
            windows(cv, 97, 32, 148, 70, 4, 3, 3, 6, s++, 0.1f, true);
            roofFront(cv, 95, 150, 26, 12, 10, kSlate);
            door(cv, 122, G + 2, 12, 18, rgb8(100, 66, 44));
            for (float cx : {50.f, 195.f}) {
                roundTower(cv, cx, 10, 30, G + 2, kStone, s++);
                windows(cv, cx - 4, 40, cx + 4, 70, 1, 2, 2.5f, 5, s++, 0.f, true);
                cone(cv, cx, 13, 30, 30, kSlate);
            }
            roundTower(cv, 122, 7, 8, 26, kStone, s++);
            cone(cv, 122, 9, 8, 8, kSlate);
            line(cv, 122, 0, 122, 3, 0.8f, Solid{rgb8(120, 90, 60)});
            poly(cv, {{122.5f, 0}, {129, 1.6f}, {122.5f, 3.2f}}, Solid{rgb8(220, 50, 50)});
            break;
        }
        case 1: { // manor house
            green(cv, 0, 245, 100, 20, s++);
            const Mat& w = kWalls[0];
            facade(cv, 40, 46, 205, G + 4, w, s++, 0.08f);
            windows(cv, 44, 50, 201, 84, 11, 2, 5, 8, s++, 0.1f);
            facade(cv, 105, 38, 140, G + 4, kWalls[3], s++, 0.1f);
            spire(cv, 122.5f, 38, 38, 14, kSlate, 2);
            circle(cv, 122.5f, 31, 3, Solid{rgb8(246, 240, 226)});
            door(cv, 122.5f, G + 4, 9, 15, rgb8(90, 70, 60));
            windows(cv, 107, 48, 138, 68, 2, 1, 5, 8, s++, 0.2f, true);
            roofFront(cv, 40, 105, 46, 20, 8, kSlate, 3);
            roofFront(cv, 140, 205, 46, 20, 8, kSlate, 3);
            for (float x : {56.f, 88.f, 158.f, 190.f})
                rect(cv, x, 22, x + 5, 32,
                     [=](float px, float) { return px < x + 2 ? rgb8(200, 120, 90) : rgb8(150, 80, 66); });
            for (float x : {20.f, 226.f}) {
                smallTree(cv, x, G + 6, 44, false, s++);
            }
            for (float x : {10.f, 34.f, 212.f, 236.f}) bush(cv, x, G + 2, 6, s++);
            break;
        }
        case 2: { // keep on a hill
            green(cv, 10, 235, 100, 40, s++);
            wall(40, 200, 58, kStone);
            facade(cv, 100, 12, 140, 62, kStone, s++, 0.25f);
            rect(cv, 100, 12, 140, 62, [](float x, float y) {
                int row = int((y - 12) / 3);
                float f2 = x < 134 ? 0.66f : 0.32f;
                if (std::fmod(y - 12, 3.f) < 0.6f || std::fmod(x + row * 3, 7.f) < 0.5f) f2 -= 0.18f;
                return kStone.at(f2);
            });
            crenels(cv, 98, 142, 12, 4, kStone);
            windows(cv, 104, 20, 136, 50, 3, 2, 3, 7, s++, 0.1f, true);
            for (float cx : {40.f, 200.f}) {
                facade(cv, cx - 9, 42, cx + 9, G + 2, kStone, s++, 0.3f);
                crenels(cv, cx - 10, cx + 10, 42, 3, kStone);
                windows(cv, cx - 6, 48, cx + 6, 60, 1, 1, 2.5f, 5, s++, 0.f, true);
            }
            door(cv, 120, G + 2, 12, 16, rgb8(90, 60, 40));
            line(cv, 120, 0, 120, 12, 0.8f, Solid{rgb8(120, 90, 60)});
            poly(cv, {{120.5f, 0.5f}, {130, 3}, {120.5f, 5.5f}}, Solid{rgb8(60, 90, 200)});
            break;
        }
        case 3: { // chateau with slate towers
            green(cv, 0, 245, 100, 18, s++);
            const Mat& w = kWalls[5];
            facade(cv, 50, 40, 195, G + 4, w, s++, 0.08f);
            windows(cv, 54, 46, 191, 84, 9, 2, 4, 9, s++, 0.15f, true);
            roofFront(cv, 50, 195, 40, 18, 6, kSlate, 3);
            for (float x : {80.f, 122.f, 164.f}) {
                rect(cv, x - 4, 26, x + 4, 34, Solid{w.light});
                spire(cv, x, 26, 10, 6, kSlate);
                rect(cv, x - 2, 28, x + 2, 33, Solid{kWinDark});
            }
            for (float cx : {42.f, 203.f}) {
                roundTower(cv, cx, 13, 30, G + 4, w, s++);
                windows(cv, cx - 5, 38, cx + 5, 80, 1, 3, 3, 7, s++, 0.15f, true);
                cone(cv, cx, 15, 30, 28, kSlate);
                line(cv, cx, 0, cx, 3, 0.8f, Solid{rgb8(220, 190, 90)});
            }
            door(cv, 122, G + 4, 8, 13, rgb8(100, 70, 50));
            break;
        }
        default: { // manor with wings and a bell turret, poplars
            green(cv, 0, 245, 100, 16, s++);
            const Mat& w = kWalls[2];
            facade(cv, 25, 56, 80, G + 6, w, s++, 0.1f);
            facade(cv, 165, 56, 220, G + 6, w, s++, 0.1f);
            windows(cv, 28, 60, 77, 86, 4, 2, 4, 7, s++, 0.2f);
            windows(cv, 168, 60, 217, 86, 4, 2, 4, 7, s++, 0.2f);
            roofFront(cv, 25, 80, 56, 14, 5, kTiles, 2);
            roofFront(cv, 165, 220, 56, 14, 5, kTiles, 2);
            facade(cv, 80, 40, 165, G + 6, w, s++, 0.08f);
            windows(cv, 84, 46, 161, 86, 6, 3, 5, 7, s++, 0.2f);
            roofFront(cv, 80, 165, 40, 20, 10, kTiles, 3);
            rect(cv, 116, 10, 129, 22, Solid{kWalls[3].light});
            windows(cv, 116, 11, 129, 21, 1, 1, 4, 7, s++, 0.f, true);
            dome(cv, 122.5f, 8, 10, 8, kCopper);
            for (float x : {8.f, 237.f}) {
                rect(cv, x - 1, 60, x + 1, G + 8, Solid{rgb8(96, 70, 50)});
                fill(
                    cv, {x - 7, 20, x + 7, G + 2},
                    [=](float px, float py) {
                        float u = (px - x) / 6.5f, v = (py - 56) / 36;
                        return u * u + v * v <= 1;
                    },
                    [=](float px, float py) {
                        std::vector<RGB> g{rgb8(22, 62, 40), rgb8(40, 98, 46), rgb8(78, 142, 54), rgb8(132, 186, 76)};
                        return ramp(g, (px < x ? 0.75f : 0.35f) + (fbm(px / 2, py / 2, 77, 2) - 0.5f) * 0.6f);
                    });
            }
            break;
        }
        }
        frames.push_back(resolve(cv));
    }
    return stack(std::move(frames));
}

} // namespace art
