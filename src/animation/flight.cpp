// Flying objects: one at a time crosses the sky. Launch, the move of each
// tick, the end of a flight and the drawing with mask and colour strips
// (sharp pictures: the colour strip blended by its coverage).
#include <algorithm>
#include <cmath>

#include "errors/handler.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"
#include "settings/config.h"

namespace syl {

namespace {

struct Kind {
    int colour, mask; // strip and mask resources
    bool mirrored;
    int mirrorWidth;
    int w, h, pitch; // drawn size and frame pitch
};

// Strips and sizes of each active code; colour 0 for inactive codes.
Kind kindOf(int code)
{
    if (code >= 1 && code <= 5) return {200 + code, 210 + code, false, 0, 79, 65, 65};
    if (code >= 11 && code <= 15) return {190 + code, 200 + code, true, 80, 79, 65, 65};
    if (code == 21) return {221, 222, false, 0, 330, 100, 100};
    if (code == 22 || code == 24) return {201 + code, 202 + code, false, 0, 76, 77, 77};
    if (code == 23 || code == 25) return {200 + code, 201 + code, true, 77, 76, 77, 77};
    if (code == 27) return {227, 228, false, 0, 400, 100, 100};
    if (code == 29) return {229, 230, false, 0, 200, 100, 100};
    if (code == 31 || code == 33) return {200 + code, 201 + code, false, 0, 150, 200, 200};
    if (code == 32 || code == 34) return {199 + code, 200 + code, false, 0, 150, 200, 200};
    return {0, 0, false, 0, 0, 0, 0};
}

bool gated(int code) { return code == 21 || code == 27 || code == 29 || (code >= 31 && code <= 34); }

// Loads a strip into a picture box that sizes itself to it, mirrored when
// asked: the strip painted onto itself with its width negated, so that
// column i takes column width - 1 - i where that lies in the picture (a
// width one wider than the picture keeps column 0). Done row by row in
// place: a launch allocates nothing.
void loadStrip(Surface& box, const Picture& pic, bool mirrored, int width)
{
    box.setPicture(pic, true);
    if (!mirrored) return;
    const int w = box.width();
    std::vector<Color> row(static_cast<size_t>(w));
    for (int y = 0; y < box.height(); ++y) {
        Color* d = box.row(y);
        std::copy(d, d + w, row.begin());
        for (int i = 0; i < std::min(w, width); ++i) {
            const int j = width - 1 - i;
            if (j >= 0 && j < w) d[i] = row[static_cast<size_t>(j)];
        }
    }
}

} // namespace

void FrmMain::launch()
{
    int16_t c = Zz(-2000, 34);
    flightKind = c;
    if ((c >= 6 && c <= 10) || (c >= 16 && c <= 20)) {
        c = static_cast<int16_t>(c - 5);
        flightKind = c;
    }
    Kind k = kindOf(c);
    if (k.colour == 0) return; // nothing starts; the next tick draws again
    if (gated(c)) {
        uint32_t since = tickNow - lastBigStart; // modulo 2^32
        if (since < 100000u) {
            flightKind = 0;
            return;
        }
    }
    if (useSharp_) {
        const Strip& st = sharpStrip(k.colour, k.pitch, k.mirrored);
        picObjekt.setPicture(st.colour, true);
        stripAlpha_.assign(st.colour.alpha.begin(), st.colour.alpha.end());
        stripPitch_ = st.pitch;
    } else {
        loadStrip(picMask, picture(k.mask), k.mirrored, k.mirrorWidth);
        loadStrip(picObjekt, picture(k.colour), k.mirrored, k.mirrorWidth);
    }
    if (gated(c)) lastBigStart = tickNow;
}

void FrmMain::loadFlightPictures()
{
    size_t largest = 0;
    for (int code = 1; code <= 50; ++code) {
        const Kind k = kindOf(code);
        if (k.colour == 0) continue;
        for (int id : {k.colour, k.mask}) {
            try {
                largest = std::max(largest, picture(id).pixels.size());
            } catch (...) {
                // Reported where the picture is first drawn, as without this.
            }
        }
    }
    // The strip boxes take the largest strip without a new allocation.
    picMask.reserve(largest);
    picObjekt.reserve(largest);
}

void FrmMain::drawFlight()
{
    // By night the butterflies rest: their turn passes with an empty sky.
    if (phaseShown_ == 3 && flightKind >= 22 && flightKind <= 25) return;
    Kind k = kindOf(flightKind);
    const FlightRecord& r = flights[static_cast<size_t>(flightKind)];
    if (useSharp_) {
        // The flight's units are screen pixels at 1080 rows; the strip is
        // blended over the sky by its coverage.
        const double s = screenScale();
        auto px = [s](double v) { return static_cast<int>(std::lround(v * s)); };
        const int row = (r.frame - 1) * stripPitch_;
        ImageView strip = picObjekt.view();
        strip.alpha = stripAlpha_.size() == picObjekt.pixels().size() ? stripAlpha_.data() : nullptr;
        bufferBlend(px(r.x), px(r.y), px(k.w), px(k.h), strip, 0, row);
        return;
    }
    int16_t row = ck16((static_cast<long long>(r.frame) - 1) * k.pitch);
    bufferBlit(r.x, r.y, k.w, k.h, picMask.view(), 0, row, RasterOp::And, false);
    bufferBlit(r.x, r.y, k.w, k.h, picObjekt.view(), 0, row, RasterOp::Paint, false);
}

void FrmMain::ObjektFlieg()
{
    Procedure p("frmMain", "ObjektFlieg");
    p.run([&] {
        const int code = flightKind;
        if (code < 0 || code > 50) raiseError(kErrSubscript);
        FlightRecord& r = flights[static_cast<size_t>(code)];
        const double SW = flightWidth(), SH = flightHeight();
        const float SpeedO = settings().SpeedO;
        bool firstStep = false;
        p.step(50010, [&] { frameStep = ck16(frameStep + 1LL); });
        p.step(50020, [&] {
            if (frameStep % 2 == 0 && code != 22 && code != 23 && code != 24) r.frame = ck16(r.frame + 1LL);
            else if (code > 21) r.frame = ck16(r.frame + 1LL);
        });
        p.step(50030, [&] {
            if (r.frame == 7) {
                r.frame = 1;
                frameStep = 1;
            }
        });
        p.step(50040, [&] {
            if ((code == 21 || code == 27) && r.frame == 3) {
                r.frame = 1;
                frameStep = 1;
            }
            if ((code == 29 || (code >= 31 && code <= 34)) && r.frame == 2) {
                r.frame = 1;
                frameStep = 1;
            }
        });
        p.step(50050, [&] {
            if (r.started == 0) {
                r.started = -1;
                firstStep = true;
            }
        });
        if (firstStep) return;
        p.step(50060, [&] {
            if (code >= 1 && code <= 15) {
                int16_t stepped = code <= 5 ? ck16(r.x + static_cast<long long>(Zz(2, 4)))
                                            : ck16(r.x - static_cast<long long>(Zz(2, 4)));
                float nx = code <= 5 ? static_cast<float>(stepped) + SpeedO : static_cast<float>(stepped) - SpeedO;
                r.x = CInt(nx);
                r.y = ck16(static_cast<long long>(r.y) + r.dy);
                if (r.y > 0.8 * SH) r.dy = ck16(-static_cast<long long>(r.dy) - 5);
                driftStep = ck16(driftStep + 1LL);
                if (driftStep % 30 == 0) r.dy = Zz(dyMin, dyMax);
            } else if (code == 21) {
                r.x = CInt(static_cast<float>(r.x) - SpeedO);
                r.y = ck16(static_cast<long long>(r.y) + r.dy);
                if (r.y > 0.35 * SH) r.dy = ck16(-static_cast<long long>(r.dy) - 3);
            } else if (code >= 22 && code <= 25) {
                bool right = code == 22 || code == 24;
                int16_t stepped = right ? ck16(r.x + static_cast<long long>(Zz(-2, 6)))
                                        : ck16(r.x - static_cast<long long>(Zz(-2, 6)));
                float nx = right ? static_cast<float>(stepped) + SpeedO : static_cast<float>(stepped) - SpeedO;
                r.x = CInt(nx);
                r.y = ck16(static_cast<long long>(r.y) + r.dy);
                if (r.y > 0.9 * SH) r.dy = ck16(-(static_cast<long long>(r.dy) + 1));
                driftStep = ck16(driftStep + 1LL);
                if (driftStep % 6 == 0) {
                    int16_t speed = Zz(5, 10);
                    r.dy = ck16(static_cast<long long>(speed) * (2LL * Zz(0, 1) - 1));
                }
            } else if (code == 27) {
                int16_t d = Zz(1, 2);
                r.x = CInt(1.5 * SpeedO + r.x + d);
                r.y = ck16(static_cast<long long>(r.y) + r.dy);
                if (r.y > 0.3 * SH) r.dy = ck16(-static_cast<long long>(r.dy));
            } else if (code == 29) {
                r.x = ck16(r.x - intDiv(CLng(SpeedO), 2));
                r.y = ck16(static_cast<long long>(r.y) + r.dy);
                if (r.y > 0.3 * SH) r.dy = ck16(-static_cast<long long>(r.dy));
            } else if (code >= 31 && code <= 34) {
                bool right = code == 31 || code == 33;
                r.x = ck16(r.x + (right ? 1LL : -1LL));
                r.y = ck16(static_cast<long long>(r.y) + r.dy);
                if (r.y > 0.2 * SH) r.dy = -1;
                if (r.y < (right ? -50 : -40)) r.dy = ck16(r.dy + 1LL);
                driftStep = ck16(driftStep + 1LL);
                if (driftStep % (right ? 50 : 40) == 0) r.dy = Zz(CInt(0.2 * dyMin), CInt(0.2 * dyMax));
            }
        });
        p.step(50070, [&] {
            bool left = false;
            if (code >= 1 && code <= 5) left = r.x > SW || r.y < -50;
            else if (code >= 11 && code <= 15) left = r.x < -150 || r.y < -50;
            else if (code == 21) left = r.x < -350 || r.y < -80;
            else if (code == 22 || code == 24) left = r.x > SW || r.y < -50;
            else if (code == 23 || code == 25) left = r.x < -150 || r.y < -50;
            else if (code == 27) left = r.x > SW || r.y < -110;
            else if (code == 29) left = r.x < -250 || r.y < -80;
            else if (code == 31 || code == 33) left = r.x > SW || r.y < -210;
            else if (code == 32 || code == 34) left = r.x < -160 || r.y < -210;
            if (left) endFlight(r);
        });
    });
}

void FrmMain::endFlight(FlightRecord& r)
{
    const int code = flightKind;
    const double SW = flightWidth(), SH = flightHeight();
    if (code <= 15) {
        dyMin = Zz(-5, 1);
        dyMax = ck16(dyMin + static_cast<long long>(Zz(2, 5)));
        r.dy = Zz(dyMin, dyMax);
        r.started = 0;
        r.x = code <= 5 ? int16_t(-150) : CInt(SW);
        r.y = Zz(CInt(0.1 * SH), CInt(0.6 * SH));
        flightKind = 0;
        driftStep = 0;
    } else if (code == 21) {
        dyMin = Zz(-3, -1);
        r.dy = CInt(0.3 * dyMin + 2);
        r.started = 0;
        r.x = CInt(SW);
        r.y = Zz(0, CInt(0.08 * SH));
        flightKind = 0;
    } else if (code >= 22 && code <= 25) {
        int16_t speed = Zz(5, 10);
        r.dy = ck16(static_cast<long long>(speed) * (2LL * Zz(0, 1) - 1));
        r.started = 0;
        r.x = (code == 22 || code == 24) ? int16_t(-150) : CInt(SW);
        r.y = Zz(CInt(0.4 * SH), CInt(0.8 * SH));
        flightKind = 0;
        driftStep = 0;
    } else if (code == 27) {
        dyMin = Zz(-1, -1);
        r.dy = CInt(0.3 * dyMin + 1);
        r.started = 0;
        r.x = -410;
        r.y = Zz(0, CInt(0.1 * SH));
        flightKind = 0;
    } else if (code == 29) {
        dyMin = Zz(-1, -1);
        r.dy = CInt(0.1 * dyMin + 1);
        r.started = 0;
        r.x = CInt(SW);
        r.y = Zz(0, CInt(0.05 * SH));
        flightKind = 0;
    } else {
        dyMin = Zz(-1, -1);
        r.dy = CInt(0.2 * dyMin + 1);
        r.started = 0;
        r.x = (code == 31 || code == 33) ? int16_t(-160) : CInt(SW);
        r.y = Zz(0, CInt(0.05 * SH));
        flightKind = 0;
    }
}

} // namespace syl
