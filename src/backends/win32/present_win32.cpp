// Frames to the screen: the pixels of a form as a device-independent bitmap,
// copied or stretched to a window, and the scene forms brought to their
// windows after a tick or on WM_PAINT.
#include <algorithm>

#include "backends/win32/win32_platform.h"

namespace syl::win32 {

BITMAPINFO dibHeader(int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

void showPixels(HDC dc, std::span<const Color> pixels, int pw, int ph, int w, int h)
{
    if (pw <= 0 || ph <= 0 || w <= 0 || h <= 0 || pixels.size() < static_cast<size_t>(pw) * ph) return;
    BITMAPINFO bi = dibHeader(pw, ph);
    if (pw == w && ph == h) {
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(ph),
                          pixels.data(), &bi, DIB_RGB_COLORS);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, 0, 0, w, h, 0, 0, pw, ph, pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    }
}

// The rows of r are handed over as a top-down bitmap of their own, so that
// the source scan lines are those of the rectangle whatever the system
// makes of start scans and source rows.
void showRect(HDC dc, std::span<const Color> pixels, int pw, int ph, RECT r)
{
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, pw);
    r.bottom = std::min<LONG>(r.bottom, ph);
    if (r.right <= r.left || r.bottom <= r.top || pixels.size() < static_cast<size_t>(pw) * ph) return;
    const int rows = r.bottom - r.top;
    BITMAPINFO bi = dibHeader(pw, rows);
    SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.right - r.left), static_cast<DWORD>(rows), r.left, 0, 0,
                      static_cast<UINT>(rows), pixels.data() + static_cast<size_t>(r.top) * pw, &bi, DIB_RGB_COLORS);
}

void Win32Platform::present(Head& h, bool all)
{
    if (!h.live || !h.wnd || !h.scene) return;
    HDC dc = GetDC(h.wnd);
    if (!dc) return;
    RECT rc{};
    GetClientRect(h.wnd, &rc);
    const FrmMain& m = h.scene->form();
    const Surface& f = m.form;
    const int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
    if (all || m.changedAll || w != f.width() || hgt != f.height()) {
        showPixels(dc, f.pixels(), f.width(), f.height(), w, hgt);
    } else {
        // The window showed the last frame: only what the tick changed goes
        // to it.
        for (const FrmMain::Rect& r : m.changed)
            if (!r.empty()) showRect(dc, f.pixels(), f.width(), f.height(), RECT{r.x0, r.y0, r.x1, r.y1});
    }
    ReleaseDC(h.wnd, dc);
}

void Win32Platform::presentAll()
{
    for (Head& h : heads_) present(h, false);
}

// WM_PAINT: the invalid area from the form (black while the head has no
// landscape yet).
void Win32Platform::paintHead(Head& h, HDC dc, const RECT& area)
{
    RECT rc{};
    GetClientRect(h.wnd, &rc);
    if (!h.live || !h.scene) {
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    const Surface& f = h.scene->form().form;
    if (rc.right - rc.left == f.width() && rc.bottom - rc.top == f.height())
        showRect(dc, f.pixels(), f.width(), f.height(), area);
    else showPixels(dc, f.pixels(), f.width(), f.height(), rc.right - rc.left, rc.bottom - rc.top);
}

} // namespace syl::win32
