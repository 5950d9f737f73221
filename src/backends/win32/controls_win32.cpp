// The window and control helpers of the settings dialog and the about box:
// sizes and places at the window's DPI, converted from twips, with the
// procedures of user32 that older systems lack looked up at run time.
#include <algorithm>
#include <string>

#include "backends/win32/controls_win32.h"

namespace syl::win32 {

namespace {

// A procedure of user32 that older systems lack, looked up at run time.
template <class Fn>
Fn user32Proc(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC p = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

// The outer size of a window whose client area is w x h at the DPI.
SIZE outerSize(int w, int h, DWORD style, DWORD exStyle, int dpi)
{
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Proc<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, w, h};
    if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

// The window centred over another one (or the screen's work area), kept on it.
POINT centredOver(HWND over, SIZE size)
{
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT base = area;
    if (over) GetWindowRect(over, &base);
    LONG x = base.left + (base.right - base.left - size.cx) / 2;
    LONG y = base.top + (base.bottom - base.top - size.cy) / 2;
    x = std::max(area.left, std::min(x, area.right - size.cx));
    y = std::max(area.top, std::min(y, area.bottom - size.cy));
    return {x, y};
}

} // namespace

COLORREF colorRef(Color c) { return static_cast<COLORREF>(redOf(c) | (greenOf(c) << 8) | (blueOf(c) << 16)); }

void registerDialogClass(const char* name, WNDPROC proc, UINT style)
{
    registerWindowClass(name, proc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), style, LoadCursor(nullptr, IDC_ARROW));
}

void destroyDialogWindow(HWND hwnd)
{
    if (!hwnd) return;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

int dpiOf(HWND hwnd)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Proc<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        const UINT d = getDpiForWindow(hwnd);
        if (d) return static_cast<int>(d);
    }
    HDC dc = GetDC(nullptr);
    const int d = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return d > 0 ? d : kDefaultDpi;
}

void placeCentred(HWND hwnd, HWND over, int twipsWidth, int twipsHeight, DWORD style, DWORD exStyle, int dpi,
                  HWND insertAfter, UINT flags)
{
    const SIZE size = outerSize(twipsToPixels(twipsWidth, dpi), twipsToPixels(twipsHeight, dpi), style, exStyle, dpi);
    const POINT at = centredOver(over, size);
    SetWindowPos(hwnd, insertAfter, at.x, at.y, size.cx, size.cy, flags);
}

void moveToSuggestedRect(HWND hwnd, LPARAM lp)
{
    const auto* r = reinterpret_cast<const RECT*>(lp);
    SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT fontOfHeight(int pixels, bool bold)
{
    return CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "MS Sans Serif");
}

HFONT dialogFont(int points, bool bold, int dpi) { return fontOfHeight(MulDiv(points, dpi, 72), bold); }

int pixelWidthOf(HWND w, HFONT font, const std::string& text)
{
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str() + start, static_cast<int>(end - start), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
        start = end + 1;
    }
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return widest;
}

void setFont(HWND w, HFONT f) { SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE); }

void placeWindow(HWND w, const TwipsRect& twips, int dpi)
{
    const PixelRect r = toPixels(twips, dpi);
    SetWindowPos(w, nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string windowsLines(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string windowText(HWND w)
{
    const int n = GetWindowTextLengthA(w);
    std::string s(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
    GetWindowTextA(w, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(n, 0)));
    return s;
}

} // namespace syl::win32
