// The about box frmInfo: the picture at the window's DPI, the version label
// and the light grey "&OK". All behaviour is the core's (about/frminfo).
//
// No C++ exception crosses the window procedure: the form's events run
// through the owner's formEvent, which catches the end of the program.
#include <string>

#include "backends/win32/about_win32.h"
#include "backends/win32/controls_win32.h"

namespace syl::win32 {

namespace {

const char* const kInfoClass = "SylvadraFrmInfo";
constexpr DWORD kInfoStyle = WS_POPUP | WS_CLIPCHILDREN;

} // namespace

InfoWindow::InfoWindow(AboutBoxOwner& owner) : owner_(owner), form_([this] { closed_ = true; })
{
    picture_ = aboutPicture();
    white_ = CreateSolidBrush(colorRef(RGB(255, 255, 255)));
}

InfoWindow::~InfoWindow()
{
    destroyDialogWindow(hwnd_);
    if (labelFont_) DeleteObject(labelFont_);
    if (buttonFont_) DeleteObject(buttonFont_);
    if (white_) DeleteObject(white_);
}

void InfoWindow::layout(int dpi)
{
    placeWindow(label_, kVersionLabelRect, dpi);
    placeWindow(ok_, kInfoOKRect, dpi);
    HFONT label = dialogFont(kVersionFontPoints, true, dpi);
    HFONT button = dialogFont(8, false, dpi);
    setFont(label_, label);
    setFont(ok_, button);
    if (labelFont_) DeleteObject(labelFont_);
    if (buttonFont_) DeleteObject(buttonFont_);
    labelFont_ = label;
    buttonFont_ = button;
}

void InfoWindow::run(HWND ownerWindow)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerDialogClass(kInfoClass, proc, CS_DROPSHADOW);
    // The title is never shown (no caption); it names the window for the task list and tools.
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kInfoClass, "Sylvadra Info", kInfoStyle, 0, 0, 1, 1, ownerWindow,
                            nullptr, instance, nullptr);
    if (!hwnd_) return;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    label_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0, 0, 1, 1, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId)), instance, nullptr);
    // Hidden until Form_Load has run.
    ok_ = CreateWindowExA(0, "BUTTON", form_.cmdOK.Caption.c_str(), WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 1, 1,
                          hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + 1)), instance, nullptr);
    const int dpi = dpiOf(hwnd_);
    layout(dpi);
    placeCentred(hwnd_, ownerWindow, kFrmInfoClientWidth, kFrmInfoClientHeight, kInfoStyle, WS_EX_CONTROLPARENT, dpi,
                 HWND_TOP, SWP_NOACTIVATE);

    owner_.formEvent([&] { form_.Form_Load(); });
    if (owner_.ending()) return;
    SetWindowTextA(label_, form_.Label[0].Caption.c_str());
    ShowWindow(ok_, form_.cmdOK.Visible ? SW_SHOWNA : SW_HIDE);

    // Modal: the dialog takes no input while the box is open.
    EnableWindow(ownerWindow, FALSE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    if (form_.cmdOK.Visible) SetFocus(ok_);
    modalLoop(hwnd_, [this] { return closed_ || owner_.ending(); });
    EnableWindow(ownerWindow, TRUE);
    SetActiveWindow(ownerWindow);
    ShowWindow(hwnd_, SW_HIDE);
}

LRESULT CALLBACK InfoWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<InfoWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->message(hwnd, msg, wp, lp);
    } catch (...) {
        // Nothing of the box's own throws; the form's events go through
        // the owner's formEvent(), which catches the end of the program.
    }
    return 0;
}

LRESULT InfoWindow::message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1; // the picture covers it all
    case WM_COMMAND:
        // "&OK", Enter and Escape all close the box through its OK button.
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL ||
            (reinterpret_cast<HWND>(lp) == ok_ && HIWORD(wp) == BN_CLICKED)) {
            if (IsWindowVisible(ok_)) owner_.formEvent([&] { form_.cmdOK_Click(); });
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == label_) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, colorRef(RGB(255, 255, 255)));
            return reinterpret_cast<LRESULT>(white_);
        }
        break;
    case WM_DRAWITEM: {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (d && d->hwndItem == ok_) {
            drawButton(*d);
            return TRUE;
        }
        break;
    }
    case kWmDpiChanged:
        layout(HIWORD(wp));
        moveToSuggestedRect(hwnd, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Image2: the picture at its natural size at 96 DPI, scaled with the DPI
// elsewhere so that the label stays on its white field.
void InfoWindow::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    const int dpi = dpiOf(hwnd_);
    if (!picture_.empty()) {
        const BITMAPINFO bi = dibHeader(picture_.width, picture_.height);
        SetStretchBltMode(dc, HALFTONE);
        StretchDIBits(dc, 0, 0, MulDiv(picture_.width, dpi, kDefaultDpi), MulDiv(picture_.height, dpi, kDefaultDpi), 0,
                      0, picture_.width, picture_.height, picture_.pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

// cmdOK: a push button with a light grey face.
void InfoWindow::drawButton(const DRAWITEMSTRUCT& d)
{
    RECT r = d.rcItem;
    const bool pushed = (d.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(d.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    RECT face = r;
    InflateRect(&face, -2, -2);
    HBRUSH grey = CreateSolidBrush(colorRef(kInfoButtonFace));
    FillRect(d.hDC, &face, grey);
    DeleteObject(grey);
    if (pushed) OffsetRect(&face, 1, 1);
    SetBkMode(d.hDC, TRANSPARENT);
    SetTextColor(d.hDC, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ old = SelectObject(d.hDC, buttonFont_);
    const std::string text = form_.cmdOK.Caption;
    DrawTextA(d.hDC, text.c_str(), -1, &face,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((d.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0));
    SelectObject(d.hDC, old);
    if (d.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(d.hDC, &focus);
    }
}

} // namespace syl::win32
