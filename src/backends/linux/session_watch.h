// What the session tells of itself, watched over D-Bus for the desktop's
// background: the machine on battery (UPower's OnBattery), the user asking
// for less motion (the Settings portal's reduced-motion, GNOME's
// enable-animations off) and the session locked (logind's LockedHint).
// Services that are missing count as "no": a desktop without them animates.
#pragma once

#include <memory>

namespace syl {

struct SessionMood {
    bool onBattery = false;
    bool reducedMotion = false;
    bool locked = false;
};

// How the background is shown: moving, still (a frame a minute), or not
// drawn at all.
enum class Pace { Moving, Still, Hidden };

inline Pace paceFor(const SessionMood& m, bool alwaysAnimate)
{
    if (m.locked) return Pace::Hidden;
    if (!alwaysAnimate && (m.onBattery || m.reducedMotion)) return Pace::Still;
    return Pace::Moving;
}

// Watches on a thread of its own, from construction to destruction.
class SessionWatch {
public:
    SessionWatch();
    ~SessionWatch();
    SessionWatch(const SessionWatch&) = delete;
    SessionWatch& operator=(const SessionWatch&) = delete;

    SessionMood mood() const;
    // A descriptor that becomes readable when the mood may have changed;
    // changed() reads it empty and says whether it was.
    int fd() const;
    bool changed();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace syl
