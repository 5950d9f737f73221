#include "shell/scene_runner.h"

#include <algorithm>
#include <cmath>

#include "platform/host.h"
#include "scene/daylight.h"
#include "scene/frmmain.h"
#include "settings/config.h"

namespace syl {

SceneRunner::SceneRunner(int width, int height, const SceneOptions& options)
    : form_(std::make_unique<FrmMain>(std::max(width, 1), std::max(height, 1), options.pixels))
{
    // Frames are composed where they changed only, pixel for pixel the same.
    form_->incremental = true;
    form_->sharp = settings().Sharp != 0;
    form_->paintWhenNeeded = options.paintWhenNeeded;
    dpi_ = std::max(options.dpi, 0);
    form_->setDpi(dpiFor(form_->ScaleHeight()));
}

int SceneRunner::dpiFor(int height) const
{
    if (dpi_ > 0) return dpi_;
    if (!form_->sharp) return 96;
    return static_cast<int>(std::lround(96.0 * std::max(1.0, height / 1080.0)));
}

SceneRunner::~SceneRunner() = default;

void SceneRunner::load() { form_->Form_Load(); }

void SceneRunner::followTheDay()
{
    if (!settings().DayNight) {
        form_->phase = 0;
        return;
    }
    const LocalDateTime t = host().now();
    const long minute = ((t.year * 16L + t.month) * 32 + t.day) * 1440L + t.hour * 60 + t.minute;
    if (minute == phaseMinute_) return;
    phaseMinute_ = minute;
    form_->phase = static_cast<int>(phaseNow(t));
}

void SceneRunner::followTheDayFromTheStart()
{
    followTheDay();
    // A phase whose pictures are not painted yet starts by day, while they
    // are painted; the tick changes to it once they are at hand.
    if (form_->phase != 0 && !form_->paintWhenNeeded && !form_->picturesOfPhaseAtHand(form_->phase, false)) {
        form_->phase = 0;
        phaseMinute_ = -1;
    }
}

void SceneRunner::compose()
{
    followTheDayFromTheStart();
    form_->Form_Resize();
    dueNow_ = true;
}

bool SceneRunner::resize(int width, int height, int dpi)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == form_->ScaleWidth() && height == form_->ScaleHeight()) return false;
    if (dpi_ == 0) dpi = dpiFor(height);
    if (dpi != form_->dpi()) form_->setDpi(dpi);
    followTheDayFromTheStart();
    form_->resizeForm(width, height);
    dueNow_ = true;
    return true;
}

int32_t SceneRunner::untilDue(uint32_t now) const
{
    return dueNow_ ? 0 : std::max(static_cast<int32_t>(next_ - now), 0);
}

bool SceneRunner::tick(uint32_t now)
{
    if (!dueNow_ && static_cast<int32_t>(now - next_) < 0) return false;
    const uint32_t interval =
        still_ ? kStillInterval : static_cast<uint32_t>(std::max(form_->tmrAnimation.interval, 1));
    next_ = dueNow_ ? now + interval : next_ + interval;
    dueNow_ = false;
    if (static_cast<int32_t>(now - next_) > static_cast<int32_t>(interval)) next_ = now + interval;
    if (!form_->tmrAnimation.enabled) return false;
    if (form_->fading()) {
        form_->fadeStep();
    } else {
        // A new phase of the day: the landscape fades into it over three
        // seconds of ticks (at once when it stands still).
        followTheDay();
        if (form_->phase != form_->phaseShown())
            form_->changePhase(form_->phase, still_ ? 0 : std::max<int>(1, 3000 / static_cast<int>(interval)));
    }
    form_->tmrAnimation_Timer();
    return true;
}

void SceneRunner::setStill(bool still, uint32_t now)
{
    if (still == still_) return;
    still_ = still;
    if (!still) dueNow_ = true;
    else if (!dueNow_) next_ = now + kStillInterval;
}

} // namespace syl
