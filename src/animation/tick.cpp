// The animation tick: composes one frame off screen and shows it, and
// replaces the landscape every rTime seconds when asked to.
#include <algorithm>

#include "errors/handler.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"
#include "settings/config.h"

namespace syl {

void FrmMain::tmrAnimation_Timer()
{
    Procedure p("frmMain", "tmrAnimation_timer");
    p.run([&] {
        const Settings& s = settings();
        const int SW = ScaleWidth(), SH = ScaleHeight();
        auto active = [this] {
            int k = flightKind;
            return (k >= 1 && k <= 5) || (k >= 11 && k <= 15) || (k >= 21 && k <= 25) || k == 27 || k == 29 ||
                   (k >= 31 && k <= 34);
        };
        p.step(50010, [&] { tickNow = host().tickCount(); });
        p.step(50020, [&] {
            frameOps_.clear();
            if (!incremental) BitBlt(picBuffer, 0, 0, CLng(SW), CLng(SH), picBG.view(), 0, 0, RasterOp::Copy);
        });
        p.step(50030, [&] {
            cloudStep = ck32(static_cast<long long>(cloudStep) + 1);
            float offset = static_cast<float>(cloudStep) * s.SpeedS;
            // With sharp pictures the strip is at the screen's scale: the
            // clouds cross the screen as fast at any size as at 1080 rows,
            // as the flying objects do, and move in steps of as many whole
            // pixels as the scale holds (two at 2160 rows): the same steps
            // across the screen at every size, and half the moves of the
            // band at 3840 x 2160 that a step of one pixel would take.
            const int quantum = useSharp_ ? std::max(1, static_cast<int>(screenScale() + 1e-9)) : 1;
            if (useSharp_) offset = static_cast<float>(offset * screenScale() / quantum);
            cloudOffset = ck16(static_cast<long long>(CInt(offset)) * quantum);
            if (cloudOffset > bandWidth) {
                cloudOffset = 0;
                cloudStep = 0;
            }
        });
        p.step(50040, [&] {
            bufferBlit(cloudOffset, bandTop, bandWidth, bandHeight, picHimmel.view(), 0, 0, RasterOp::Copy, true);
        });
        p.step(50050, [&] {
            int16_t x = ck16(static_cast<long long>(cloudOffset) - bandWidth + 2);
            bufferBlit(x, bandTop, bandWidth, bandHeight, picHimmel.view(), 0, 0, RasterOp::Copy, true);
        });
        p.step(50060, [&] { Blumen(); });
        p.step(50070, [&] {
            if (active()) ObjektFlieg();
        });
        p.step(50080, [&] {
            if (active()) drawFlight();
            else launch();
        });
        p.step(50090, [&] {
            picBuffer.currentX = 5;
            picBuffer.currentY = SH - TextHeight(form, "1") - 3;
            LocalDateTime now = host().now();
            if (s.Date) bufferPrint(host().formatDate(now) + "   ");
            if (s.Time) bufferPrint(host().formatTime(now));
        });
        p.step(50100, [&] {
            picBuffer.currentX = lblURL.left;
            picBuffer.currentY = lblURL.top - 1;
            bufferPrint(lblURL.caption);
        });
        p.step(50110, [&] { showFrame(); });
        p.step(50120, [&] {
            if (!s.Restart) return;
            uint32_t elapsed = tickNow - lastRestart; // modulo 2^32
            if (static_cast<long long>(elapsed) <= static_cast<long long>(s.rTime) * 1000) return;
            if (lastRestart == 0) {
                lastRestart = tickNow;
                return;
            }
            tmrAnimation.enabled = false;
            picBG.clearPicture();
            picHimmel.clearPicture();
            picBuffer.clearPicture();
            cloudOffset = 0;
            cloudStep = 0;
            flowerCount = Zz(ck16(4LL * s.halfMaxFl), CInt(4.0 * s.maxFlValue()));
            Form_Resize();
            lastRestart = tickNow;
        });
    });
}

} // namespace syl
