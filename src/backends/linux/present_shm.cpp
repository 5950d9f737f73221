// Frames to an X server on this machine through an image in memory shared
// with it (MIT-SHM), in which the form lives: the changed rectangles are
// put from there, and nothing waits for the server. The server takes its
// requests in order, so a rectangle that changes again before the server
// has read it is read in its newer state and put once more after that
// change: what the screen ends with is always the last frame. (SDL's
// window surface puts the same way but waits for the server after every
// update, a round trip at each tick.)
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <memory>
#include <vector>

#include "backends/linux/saver_linux.h"

namespace syl {

std::vector<SDL_Rect> rectsToShow(const FrmMain& m, bool all, int w, int h); // present_sdl.cpp

namespace {
bool attachFailed = false;
int attachError(Display*, XErrorEvent*)
{
    attachFailed = true;
    return 0;
}

// The segment and the image go; the server lets go first.
void dropImage(Display* d, XImage*& img, std::unique_ptr<XShmSegmentInfo>& seg, bool attached)
{
    if (seg) {
        if (attached) {
            XShmDetach(d, seg.get());
            XSync(d, False);
        }
        if (seg->shmaddr && seg->shmaddr != reinterpret_cast<char*>(-1)) shmdt(seg->shmaddr);
    }
    if (img) {
        img->data = nullptr; // the segment's, not Xlib's to free
        XDestroyImage(img);
    }
    img = nullptr;
    seg.reset();
}
} // namespace

bool SdlPlatform::startShm(Head& h, int w, int hgt)
{
    if (!display_ || h.viaXlib || w <= 0 || hgt <= 0) return false;
    if (!h.viaShm) {
        // A 24-bit screen whose pixels are the form's (0x00RRGGBB), on a
        // server that shares memory with us. SDL gives its windows a
        // DirectColor visual where the server has one (most do, Xorg and
        // Xvfb among them), with a colour map that maps each value to
        // itself: its pixels are a TrueColor visual's.
        Window window = 0;
        XWindowAttributes a{};
        if (!XShmQueryExtension(display_) || !xWindowOf(h, window, a)) return false;
        const Visual* v = a.visual;
        if (a.depth != 24 || (v->c_class != TrueColor && v->c_class != DirectColor) || v->red_mask != 0xFF0000 ||
            v->green_mask != 0xFF00 || v->blue_mask != 0xFF)
            return false;
        h.xwindow = window;
        h.visual = a.visual;
        h.depth = a.depth;
    }
    auto seg = std::make_unique<XShmSegmentInfo>();
    seg->shmaddr = nullptr;
    XImage* img = XShmCreateImage(display_, h.visual, static_cast<unsigned>(h.depth), ZPixmap, nullptr, seg.get(),
                                  static_cast<unsigned>(w), static_cast<unsigned>(hgt));
    const bool native = img && img->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
    if (!img || !native || img->bits_per_pixel != 32 || img->bytes_per_line != w * 4) {
        dropImage(display_, img, seg, false);
        return false;
    }
    // A segment of our own (no name anyone else could open), gone once both
    // sides have let go of it.
    seg->shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(img->bytes_per_line) * static_cast<size_t>(hgt), IPC_CREAT | 0600);
    if (seg->shmid < 0) {
        dropImage(display_, img, seg, false);
        return false;
    }
    seg->shmaddr = img->data = static_cast<char*>(shmat(seg->shmid, nullptr, 0));
    seg->readOnly = False;
    bool attached = false;
    if (seg->shmaddr != reinterpret_cast<char*>(-1)) {
        // A server on another machine, or in another container, refuses
        // the segment; that is known once it has answered.
        XSync(display_, False);
        attachFailed = false;
        auto previous = XSetErrorHandler(attachError);
        attached = XShmAttach(display_, seg.get()) != 0;
        XSync(display_, False);
        XSetErrorHandler(previous);
        attached = attached && !attachFailed;
    }
    shmctl(seg->shmid, IPC_RMID, nullptr);
    if (!attached) {
        dropImage(display_, img, seg, false);
        return false;
    }
    if (!h.gc) h.gc = XCreateGC(display_, h.xwindow, 0, nullptr);
    h.shmImage = img;
    h.shm = std::move(seg);
    h.viaShm = true;
    return true;
}

void SdlPlatform::presentShm(Head& h, bool all)
{
    Surface& f = h.scene->form().form;
    if (f.width() <= 0 || f.height() <= 0) return;
    if (!h.shmImage || h.shmImage->width != f.width() || h.shmImage->height != f.height()) {
        // A new size: the form takes its pixels back and moves into an
        // image of that size.
        unshare(h);
        dropImage(display_, h.shmImage, h.shm, true);
        if (!startShm(h, f.width(), f.height())) {
            // Shown as SDL can from now on.
            h.viaShm = false;
            present(h, true);
            return;
        }
        all = true;
    }
    if (!h.shared) {
        f.useMemory(reinterpret_cast<Color*>(h.shmImage->data));
        h.shared = true;
        all = true;
    }
    for (const SDL_Rect& r : rectsToShow(h.scene->form(), all, f.width(), f.height()))
        XShmPutImage(display_, h.xwindow, h.gc, h.shmImage, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.w),
                     static_cast<unsigned>(r.h), False);
    XFlush(display_);
}

void SdlPlatform::releaseShm(Head& h)
{
    unshare(h);
    dropImage(display_, h.shmImage, h.shm, h.viaShm);
    h.viaShm = false;
}

} // namespace syl
