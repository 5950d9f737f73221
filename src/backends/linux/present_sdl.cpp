// Frames to the screen: through SDL's window surface (the X server's shared
// image, only the changed rectangles), or through Xlib for visuals that
// surface does not serve.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backends/linux/saver_linux.h"
#include "errors/handler.h"

namespace syl {

// The rectangles of a w x h window that a present brings to the screen:
// what the last tick or canvas copy changed, or the whole picture.
std::vector<SDL_Rect> rectsToShow(const FrmMain& m, bool all, int w, int h)
{
    std::vector<SDL_Rect> rects;
    if (w <= 0 || h <= 0) return rects;
    if (all || m.changedAll) {
        rects.push_back({0, 0, w, h});
        return rects;
    }
    for (const auto& r : m.changed) {
        SDL_Rect c{r.x0, r.y0, std::min(r.x1, w) - r.x0, std::min(r.y1, h) - r.y0};
        if (c.w > 0 && c.h > 0) rects.push_back(c);
    }
    return rects;
}

void SdlPlatform::present(Head& h, bool all)
{
    if (!h.window || !h.scene) return;
    if (h.viaShm) {
        presentShm(h, all);
        return;
    }
    if (h.viaXlib) {
        presentXlib(h, all);
        return;
    }
    FrmMain& m = h.scene->form();
    Surface& f = m.form;
    if (h.shared) {
        // The changed pixels are in the window's image already. While the
        // form lives there, SDL's window surface is not asked for again:
        // after a change of the window's size that would free the image.
        const std::vector<SDL_Rect> rects = rectsToShow(m, all, f.width(), f.height());
        if (rects.empty() || SDL_UpdateWindowSurfaceRects(h.window, rects.data(), static_cast<int>(rects.size())) == 0)
            return;
        // The window's image is no longer the one shown (the window has
        // changed its size): the form takes its image back.
        unshare(h);
        all = true;
    }
    SDL_Surface* ws = SDL_GetWindowSurface(h.window);
    if (!ws) return;
    if (ws->format->format == SDL_PIXELFORMAT_RGB888 && ws->w == f.width() && ws->h == f.height() &&
        ws->pitch == ws->w * 4 && !SDL_MUSTLOCK(ws)) {
        // The same pixel layout and size: the form moves into the window's
        // image, and no frame is copied again.
        f.useMemory(static_cast<Color*>(ws->pixels));
        h.shared = true;
        SDL_UpdateWindowSurface(h.window);
        return;
    }
    const int w = std::min(ws->w, f.width()), hgt = std::min(ws->h, f.height());
    const std::vector<SDL_Rect> rects = rectsToShow(m, all, w, hgt);
    if (rects.empty()) return;
    if (SDL_MUSTLOCK(ws)) SDL_LockSurface(ws);
    const int bpp = ws->format->BytesPerPixel;
    bool converted = true;
    for (const SDL_Rect& r : rects)
        converted =
            converted &&
            SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, f.row(r.y) + r.x, f.width() * 4, ws->format->format,
                              static_cast<uint8_t*>(ws->pixels) + static_cast<size_t>(r.y) * ws->pitch + r.x * bpp,
                              ws->pitch) == 0;
    if (SDL_MUSTLOCK(ws)) SDL_UnlockSurface(ws);
    if (converted) {
        SDL_UpdateWindowSurfaceRects(h.window, rects.data(), static_cast<int>(rects.size()));
        return;
    }
    // SDL cannot write the window's pixel format: Xlib can, or nothing can.
    if (!startXlib(h)) {
        std::fprintf(stderr, "sylvadra: cannot show the landscape in the window's pixel format %s: %s\n",
                     SDL_GetPixelFormatName(ws->format->format), SDL_GetError());
        status_ = 1;
        running_ = false;
        throw ProgramEnd{};
    }
    presentXlib(h, true);
}

bool SdlPlatform::chooseWay(Head& h)
{
    SDL_Surface* ws = SDL_GetWindowSurface(h.window);
    uint32_t px = 0x336699, out[2] = {0, 0};
    if (ws && !SDL_ISPIXELFORMAT_INDEXED(ws->format->format) && ws->format->BytesPerPixel <= 4 &&
        SDL_ConvertPixels(1, 1, SDL_PIXELFORMAT_RGB888, &px, 4, ws->format->format, out, 8) == 0)
        return true;
    if (startXlib(h)) return true;
    XWindowAttributes a{};
    if (display_ && h.xwindow == 0) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(h.window, &info) && info.subsystem == SDL_SYSWM_X11)
            XGetWindowAttributes(display_, info.info.x11.window, &a);
    }
    static const char* const kClasses[] = {"StaticGray",  "GrayScale", "StaticColor",
                                           "PseudoColor", "TrueColor", "DirectColor"};
    const int c = a.visual ? a.visual->c_class : -1;
    std::fprintf(stderr, "sylvadra: cannot show the landscape on a %d-bit %s visual (%s)\n", a.depth,
                 c >= 0 && c < 6 ? kClasses[c] : "unknown",
                 ws ? SDL_GetPixelFormatName(ws->format->format) : SDL_GetError());
    return false;
}

bool SdlPlatform::xWindowOf(const Head& h, Window& window, XWindowAttributes& a) const
{
    if (!display_) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(h.window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    window = info.info.x11.window;
    return XGetWindowAttributes(display_, window, &a) && a.visual;
}

bool SdlPlatform::startXlib(Head& h)
{
    if (h.viaXlib) return true;
    Window window = 0;
    XWindowAttributes a{};
    if (!xWindowOf(h, window, a)) return false;
    const Visual* v = a.visual;
    if ((v->c_class != TrueColor && v->c_class != DirectColor) || !v->red_mask || !v->green_mask || !v->blue_mask)
        return false;
    auto table = [](unsigned long mask, std::array<unsigned long, 256>& t) {
        const int shift = std::countr_zero(mask);
        const unsigned long top = mask >> shift;
        for (unsigned long c = 0; c < 256; ++c) t[c] = ((c * top + 127) / 255) << shift;
    };
    table(v->red_mask, h.red);
    table(v->green_mask, h.green);
    table(v->blue_mask, h.blue);
    h.xwindow = window;
    h.visual = a.visual;
    h.depth = a.depth;
    h.gc = XCreateGC(display_, h.xwindow, 0, nullptr);
    // A screen of few colours shows one colour map at a time: that of our
    // full-screen window, whose colours are its own (a window manager
    // would install it as the window takes the focus).
    if (!embedded() && !a.map_installed && a.colormap != None && !windowManagerRunning())
        XInstallColormap(display_, a.colormap);
    unshare(h);
    h.viaXlib = true;
    return true;
}

void SdlPlatform::presentXlib(Head& h, bool all)
{
    const FrmMain& m = h.scene->form();
    const Surface& f = m.form;
    if (f.width() <= 0 || f.height() <= 0) return;
    if (!h.image || h.image->width != f.width() || h.image->height != f.height()) {
        if (h.image) XDestroyImage(h.image);
        h.image = XCreateImage(display_, h.visual, static_cast<unsigned>(h.depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(f.width()), static_cast<unsigned>(f.height()), 32, 0);
        if (!h.image) return;
        h.image->data = static_cast<char*>(std::malloc(static_cast<size_t>(h.image->bytes_per_line) * f.height()));
        if (!h.image->data) {
            XDestroyImage(h.image);
            h.image = nullptr;
            return;
        }
        all = true;
    }
    XImage* img = h.image;
    const bool native = img->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
    for (const SDL_Rect& r : rectsToShow(m, all, f.width(), f.height())) {
        for (int y = r.y; y < r.y + r.h; ++y) {
            const Color* src = f.row(y) + r.x;
            char* line = img->data + static_cast<size_t>(y) * img->bytes_per_line;
            auto value = [&](Color c) { return h.red[(c >> 16) & 255] | h.green[(c >> 8) & 255] | h.blue[c & 255]; };
            if (native && img->bits_per_pixel == 32) {
                auto* dst = reinterpret_cast<uint32_t*>(line) + r.x;
                for (int x = 0; x < r.w; ++x) dst[x] = static_cast<uint32_t>(value(src[x]));
            } else if (native && img->bits_per_pixel == 16) {
                auto* dst = reinterpret_cast<uint16_t*>(line) + r.x;
                for (int x = 0; x < r.w; ++x) dst[x] = static_cast<uint16_t>(value(src[x]));
            } else if (img->bits_per_pixel == 8) {
                auto* dst = reinterpret_cast<uint8_t*>(line) + r.x;
                for (int x = 0; x < r.w; ++x) dst[x] = static_cast<uint8_t>(value(src[x]));
            } else {
                for (int x = 0; x < r.w; ++x) XPutPixel(img, r.x + x, y, value(src[x]));
            }
        }
        XPutImage(display_, h.xwindow, h.gc, img, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.w),
                  static_cast<unsigned>(r.h));
    }
    XFlush(display_);
}

void SdlPlatform::releaseXlib(Head& h)
{
    if (h.image) XDestroyImage(h.image);
    if (h.gc) XFreeGC(display_, h.gc);
    h.image = nullptr;
    h.gc = nullptr;
    h.viaXlib = false;
}

void SdlPlatform::unshare(Head& h)
{
    if (!h.shared) return;
    if (h.scene) h.scene->form().form.ownMemory();
    h.shared = false;
}

void SdlPlatform::presentAll()
{
    for (Head& h : heads_) present(h, false);
}

} // namespace syl
