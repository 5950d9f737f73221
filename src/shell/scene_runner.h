// One monitor's scene through its life, the same for every way it is shown
// (the full screens of X11, Wayland and Windows, the previews, --render):
// the scene made with its options (frames composed where they changed, the
// picture mode of the settings, the screen's resolution), Form_Load, a new
// landscape on a new size, and the animation timer: when the next tick is
// due, one tick per interval, never catching up after a stall. The timed
// restart runs inside the tick. With the DayNight setting the landscape
// follows the time of day, fading into each new phase. The backends keep only their windows,
// buffers, events and the presenting of what the scene drew.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/picture.h"

namespace syl {

class FrmMain;

struct SceneOptions {
    // The screen's resolution; 0 where it has no setting of its own: the
    // date line then grows with a sharp landscape's screen (96 up to 1080
    // rows, twice that at 2160).
    int dpi = 96;
    // The memory the form's image lives in from the start (a window's
    // shared image); nullptr: an image of its own.
    Color* pixels = nullptr;
    // Sharp pictures painted at once where they are not at hand (a picture
    // made once), not on the worker thread.
    bool paintWhenNeeded = false;
};

class SceneRunner {
public:
    // A scene for a form of the given size in pixels (at least 1 x 1).
    SceneRunner(int width, int height, const SceneOptions& options = {});
    ~SceneRunner();
    SceneRunner(const SceneRunner&) = delete;
    SceneRunner& operator=(const SceneRunner&) = delete;

    FrmMain& form() { return *form_; }
    const FrmMain& form() const { return *form_; }

    // Form_Load: the flower slots, the timer's interval.
    void load();
    // Form_Resize: a new landscape at the form's size; the first tick is
    // due once it is there.
    void compose();
    // A new size in pixels (at least 1 x 1) and resolution: a landscape
    // composed for it, the next tick due at once. False, doing nothing,
    // when the form has that size.
    bool resize(int width, int height, int dpi);

    // Milliseconds until the next tick is due, 0 when it is.
    int32_t untilDue(uint32_t now) const;
    // The animation tick when it is due and the timer is on: true when it
    // drew a frame. The next tick is due one interval later; after a stall
    // (a new landscape, a suspended machine) one interval after now.
    bool tick(uint32_t now);

    // A still landscape (the machine on battery, the desktop asking for
    // less motion): one tick a minute instead of one per interval, which
    // keeps the date line and the timed restart while nothing is seen to
    // move. Back to moving, the next tick is due at once.
    void setStill(bool still, uint32_t now);
    bool still() const { return still_; }
    static constexpr uint32_t kStillInterval = 60000;

private:
    // The resolution for a screen of this height.
    int dpiFor(int height) const;
    // With DayNight set, the phase of the day on the host's clock for the
    // next landscape (read once a minute); otherwise the day.
    void followTheDay();
    void followTheDayFromTheStart();
    long phaseMinute_ = -1;

    std::unique_ptr<FrmMain> form_;
    int dpi_ = 96; // as the options gave it, 0 following the screen
    uint32_t next_ = 0;
    bool dueNow_ = true; // a new landscape is there: the next tick at once
    bool still_ = false;
};

} // namespace syl
