// A copy of the form that a backend keeps (a compositor's buffer), brought
// up to date with what changed since it was last brought: the clouds it
// shows moved over in place where they can be, everything else copied from
// the form.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/frmmain.h"

namespace syl {

class FrameCopy {
public:
    using Rect = FrmMain::Rect;

    // What the last tick or copy of the canvas changed on the form, kept
    // until the copy is next brought up to date. all: the whole of it.
    void note(const FrmMain& m, bool all);
    // Whether anything is to be brought.
    bool stale() const { return all_ || !rects_.empty() || !moved_.empty(); }
    // Brings a copy of w x h pixels (rows stride pixels apart) up to date
    // with the form, whose size it has. Every pixel it writes has its top
    // byte set (opaque, for a compositor that keeps it).
    void bring(const FrmMain& m, uint32_t* pixels, int w, int h, int stride);

    // Adds r to a list of rectangles unless one of them holds it already. A
    // list that has grown long takes r into the rectangle that grows least
    // by it: what is copied or damaged stays close to what changed at any
    // size of the screen.
    static void addRect(std::vector<Rect>& list, const Rect& r);

    // A row of pixels copied with the top byte set.
    static void copyOpaque(uint32_t* dst, const Color* src, int n);

private:
    // Where the form changed other than by the clouds' moves, and where
    // they moved.
    std::vector<Rect> rects_, moved_;
    bool all_ = true;
    // Where the clouds stood in the frame the copy holds.
    int cloudsAt_ = 0;
};

} // namespace syl
