// The settings dialog frmConfig and the about box frmInfo as Win32 windows.
//
// Standard controls (group boxes, scroll bars, check boxes, an up-down
// spinner, static labels, push buttons) stand at the places of the
// dialog's layout, converted from twips at the window's DPI and placed
// again when the DPI changes. All behaviour is the core's
// (settings/frmconfig, about/frminfo): a control reports what the user did,
// the form's event procedure runs, and every control is set again from the
// form's controls. The keyboard (Tab, access keys, Escape) goes through
// IsDialogMessage.
//
// No C++ exception crosses a window procedure: ProgramEnd (the error
// dispatch's End) is caught there, the message loops are left, and it is
// thrown again once runSettingsDialog's loop has returned.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "about/frminfo.h"
#include "errors/handler.h"
#include "platform/controls.h"
#include "platform/resources.h"
#include "settings/frmconfig.h"

// After the system's own headers above: windows.h's RGB macro would replace
// the system's RGB.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#undef RGB

namespace syl {

namespace win32 {
int runSettingsDialog();
} // namespace win32

namespace {

const char* const kConfigClass = "SylvadraFrmConfig";
const char* const kInfoClass = "SylvadraFrmInfo";
constexpr int kFirstControlId = 100; // ids 1 and 2 are Enter and Escape
constexpr UINT kWmDpiChanged = 0x02E0;

COLORREF colorRef(Color c)
{
    return static_cast<COLORREF>(redOf(c) | (greenOf(c) << 8) | (blueOf(c) << 16));
}

// A procedure of user32 that older systems lack, looked up at run time.
template <class Fn>
Fn user32Proc(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    FARPROC p = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

// The window's DPI (the system's where the window cannot tell).
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

// MS Sans Serif with a character height in pixels.
HFONT fontOfHeight(int pixels, bool bold)
{
    return CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "MS Sans Serif");
}

// MS Sans Serif at a size in points for the DPI.
HFONT dialogFont(int points, bool bold, int dpi) { return fontOfHeight(MulDiv(points, dpi, 72), bold); }

// The width in pixels of the widest line of a text in a font.
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

// Text with line breaks as the controls show them.
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

// Runs the messages of a modal window until done() holds; IsDialogMessage
// gives it the dialog keyboard. A WM_QUIT is put back for the outer loop.
template <class Done>
void modalLoop(HWND window, Done done)
{
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got < 0) return;
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class ConfigWindow;

// ---- The about box --------------------------------------------------------

class InfoWindow {
public:
    explicit InfoWindow(ConfigWindow& owner);
    ~InfoWindow();
    // Loads the form, shows it modally and returns when it has closed.
    void run(HWND ownerWindow);

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void layout(int dpi);
    void paint();
    void drawButton(const DRAWITEMSTRUCT& d);

    ConfigWindow& owner_;
    FrmInfo form_;
    HWND hwnd_ = nullptr;
    HWND label_ = nullptr;
    HWND ok_ = nullptr;
    HFONT labelFont_ = nullptr;
    HFONT buttonFont_ = nullptr;
    HBRUSH white_ = nullptr;
    Picture picture_;
    bool closed_ = false;
};

// ---- The dialog -----------------------------------------------------------------

class ConfigWindow {
public:
    ConfigWindow();
    ~ConfigWindow();
    // Loads the form, shows the dialog and returns when it has closed.
    void run();

    // Runs a form event, then shows the controls again. An end of the
    // program inside it ends all loops.
    template <class F>
    void event(F&& f);
    bool ending() const { return ending_; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void createControls();
    void layout(int dpi);
    void showControls();
    void close();
    void showInfo();
    void openWebPage(const std::string& url);
    const ConfigControlSpec* specOf(HWND control) const;
    void scrolled(HWND bar, int code);

    FrmConfig form_;
    HWND hwnd_ = nullptr;
    std::vector<HWND> controls_; // one per entry of frmConfigControls()
    HWND lblTime_ = nullptr;
    HWND spinner_ = nullptr;
    HWND focus_ = nullptr;
    std::vector<HFONT> fonts_; // the dialog's fonts: normal, bold, and any made smaller to fit
    HBRUSH white_ = nullptr;
    int dpi_ = kDefaultDpi;
    bool updating_ = false;
    bool closed_ = false;
    bool ending_ = false;
};

// No WS_CLIPCHILDREN: the group boxes leave their inside to the window's
// background.
constexpr DWORD kConfigStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kInfoStyle = WS_POPUP | WS_CLIPCHILDREN;

// Registers a window class of the dialogs once; its procedure finds the
// window's object in GWLP_USERDATA (none yet while the window is created).
void registerClass(const char* name, WNDPROC proc, UINT style)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

ConfigWindow::ConfigWindow()
    : form_({[this] { showInfo(); }, [this](const std::string& url) { openWebPage(url); }, [this] { close(); }})
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerClass(kConfigClass, proc, 0);
    white_ = CreateSolidBrush(colorRef(RGB(255, 255, 255)));
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kConfigClass, kFrmConfigCaption, kConfigStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
    if (!hwnd_) return;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    createControls();
    layout(dpiOf(hwnd_));
    const SIZE size = outerSize(twipsToPixels(kFrmConfigClientWidth, dpi_), twipsToPixels(kFrmConfigClientHeight, dpi_),
                                kConfigStyle, WS_EX_CONTROLPARENT, dpi_);
    const POINT at = centredOver(nullptr, size);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

ConfigWindow::~ConfigWindow()
{
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (HFONT f : fonts_) DeleteObject(f);
    if (white_) DeleteObject(white_);
}

void ConfigWindow::createControls()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    int id = kFirstControlId;
    std::vector<HWND> frames;
    for (const ConfigControlSpec& c : frmConfigControls()) {
        const char* cls = "STATIC";
        std::string text = c.caption;
        DWORD style = WS_CHILD | WS_VISIBLE;
        switch (c.kind) {
        case ConfigControlKind::Frame:
            cls = "BUTTON";
            style |= BS_GROUPBOX | WS_CLIPSIBLINGS;
            break;
        case ConfigControlKind::Label: style |= SS_LEFT | SS_NOPREFIX; break;
        case ConfigControlKind::SliderEnd: style |= (c.caption[0] == '+' ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX; break;
        case ConfigControlKind::TimeLabel: style |= SS_CENTER | SS_NOPREFIX; break;
        case ConfigControlKind::Slider:
            cls = "SCROLLBAR";
            style |= SBS_HORZ | WS_TABSTOP;
            break;
        case ConfigControlKind::CheckBox:
            cls = "BUTTON";
            style |= BS_AUTOCHECKBOX | WS_TABSTOP | (c.index == 3 ? BS_MULTILINE : 0);
            break;
        case ConfigControlKind::Spinner:
            cls = UPDOWN_CLASSA;
            style |= UDS_ARROWKEYS | WS_TABSTOP;
            break;
        case ConfigControlKind::Button:
            cls = "BUTTON";
            style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP;
            break;
        }
        HWND w = CreateWindowExA(0, cls, text.c_str(), style, 0, 0, 1, 1, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
        controls_.push_back(w);
        if (!w) continue;
        switch (c.kind) {
        case ConfigControlKind::Frame: frames.push_back(w); break;
        case ConfigControlKind::Slider: {
            const ScrollBarControl& bar = form_.HScroll(c.index);
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
            si.nMin = bar.Min;
            si.nMax = bar.Max;
            si.nPage = 0;
            si.nPos = bar.Value;
            SetScrollInfo(w, SB_CTL, &si, TRUE);
            break;
        }
        case ConfigControlKind::Spinner:
            // The upper arrow moves towards the upper limit: with the limits
            // given as 99 and 1 it lowers the value, so the minutes rise.
            SendMessageA(w, UDM_SETRANGE32, static_cast<WPARAM>(form_.vscTime.Max), form_.vscTime.Min);
            SendMessageA(w, UDM_SETPOS32, 0, form_.vscTime.Value);
            spinner_ = w;
            break;
        case ConfigControlKind::TimeLabel: lblTime_ = w; break;
        default: break;
        }
    }
    // The group boxes go below everything they hold, and with
    // WS_CLIPSIBLINGS they never paint over it.
    for (HWND f : frames) SetWindowPos(f, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Places every control and sets the fonts for a DPI. A text that the
// system's font makes wider than its place gets a smaller font, step by
// step down to three quarters, rather than being cut off or wrapped.
void ConfigWindow::layout(int dpi)
{
    dpi_ = dpi;
    const int height = MulDiv(8, dpi, 72);
    std::vector<HFONT> fonts{fontOfHeight(height, false), fontOfHeight(height, true)};
    const int box = MulDiv(13 + 5, dpi, kDefaultDpi);   // a check box's square and gap
    const int frameInset = MulDiv(8 + 8, dpi, kDefaultDpi); // a group box's caption margins
    const auto specs = frmConfigControls();
    for (size_t i = 0; i < specs.size() && i < controls_.size(); ++i) {
        HWND w = controls_[i];
        const ConfigControlSpec& c = specs[i];
        if (!w) continue;
        const TwipsRect twips = onClientArea(c);
        placeWindow(w, twips, dpi);
        const bool bold = c.kind == ConfigControlKind::SliderEnd;
        HFONT font = fonts[bold ? 1 : 0];
        std::string text = c.caption;
        int room = toPixels(twips, dpi).width;
        if (c.kind == ConfigControlKind::CheckBox) {
            if (c.index == 3) text = kWallpaperCaption;
            room -= box;
        } else if (c.kind == ConfigControlKind::Frame) {
            room -= frameInset;
        } else if (c.kind != ConfigControlKind::Label) {
            text.clear();
        }
        for (int h = height - 1; !text.empty() && pixelWidthOf(w, font, text) > room && h * 4 >= height * 3; --h) {
            font = fontOfHeight(h, bold);
            fonts.push_back(font);
        }
        setFont(w, font);
    }
    for (HFONT f : fonts_) DeleteObject(f);
    fonts_ = std::move(fonts);
}

template <class F>
void ConfigWindow::event(F&& f)
{
    if (updating_ || closed_ || ending_) return;
    if (!runEvent(f)) {
        ending_ = true;
        // Wakes the loops so that they see the end.
        PostMessageA(hwnd_, WM_NULL, 0, 0);
        return;
    }
    if (!closed_) showControls();
}

void ConfigWindow::showControls()
{
    updating_ = true;
    const auto specs = frmConfigControls();
    for (size_t i = 0; i < specs.size() && i < controls_.size(); ++i) {
        HWND w = controls_[i];
        const ConfigControlSpec& c = specs[i];
        if (!w) continue;
        if (c.kind == ConfigControlKind::Slider) {
            SetScrollPos(w, SB_CTL, form_.HScroll(c.index).Value, TRUE);
        } else if (c.kind == ConfigControlKind::CheckBox) {
            const CheckBoxControl& box = form_.chkOpt[static_cast<size_t>(c.index)];
            SendMessageA(w, BM_SETCHECK, box.Value ? BST_CHECKED : BST_UNCHECKED, 0);
            if (c.index == 3) {
                const std::string text = windowsLines(box.Caption);
                if (windowText(w) != text) SetWindowTextA(w, text.c_str());
            }
        }
    }
    if (lblTime_) {
        if (windowText(lblTime_) != form_.lblTime.Caption) SetWindowTextA(lblTime_, form_.lblTime.Caption.c_str());
        InvalidateRect(lblTime_, nullptr, TRUE);
    }
    if (spinner_) {
        SendMessageA(spinner_, UDM_SETPOS32, 0, form_.vscTime.Value);
        EnableWindow(spinner_, form_.vscTime.Enabled ? TRUE : FALSE);
    }
    updating_ = false;
}

void ConfigWindow::run()
{
    if (!hwnd_) {
        std::fprintf(stderr, "Sylvadra: cannot create the settings dialog\n");
        return;
    }
    // Form_Load before the window is shown, as a form loads.
    form_.Form_Load();
    showControls();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    for (size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i] && (GetWindowLongA(controls_[i], GWL_STYLE) & WS_TABSTOP)) {
            SetFocus(controls_[i]);
            break;
        }
    }
    modalLoop(hwnd_, [this] { return closed_ || ending_; });
    ShowWindow(hwnd_, SW_HIDE);
    if (ending_) throw ProgramEnd{};
}

void ConfigWindow::close() { closed_ = true; }

const ConfigControlSpec* ConfigWindow::specOf(HWND control) const
{
    const auto specs = frmConfigControls();
    for (size_t i = 0; i < controls_.size() && i < specs.size(); ++i)
        if (controls_[i] == control) return &specs[i];
    return nullptr;
}

void ConfigWindow::scrolled(HWND bar, int code)
{
    const ConfigControlSpec* c = specOf(bar);
    if (!c || c->kind != ConfigControlKind::Slider) return;
    const ScrollBarControl& s = form_.HScroll(c->index);
    long long v = s.Value;
    switch (code) {
    case SB_LINELEFT: v -= s.SmallChange; break;
    case SB_LINERIGHT: v += s.SmallChange; break;
    case SB_PAGELEFT: v -= s.LargeChange; break;
    case SB_PAGERIGHT: v += s.LargeChange; break;
    case SB_LEFT: v = s.Min; break;
    case SB_RIGHT: v = s.Max; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(bar, SB_CTL, &si);
        v = si.nTrackPos;
        break;
    }
    default: return;
    }
    const int index = c->index;
    event([&] { form_.userScroll(index, v); });
}

LRESULT CALLBACK ConfigWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<ConfigWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->message(hwnd, msg, wp, lp);
    } catch (const ProgramEnd&) {
        self->ending_ = true;
    } catch (...) {
        self->ending_ = true;
    }
    PostMessageA(hwnd, WM_NULL, 0, 0);
    return 0;
}

LRESULT ConfigWindow::message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_HSCROLL:
        if (lp) scrolled(reinterpret_cast<HWND>(lp), LOWORD(wp));
        return 0;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lp) == spinner_ && LOWORD(wp) == SB_THUMBPOSITION) {
            const long long pos = static_cast<int>(SendMessageA(spinner_, UDM_GETPOS32, 0, 0));
            event([&] { form_.userSpin(pos); });
        }
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == IDCANCEL) {
            close(); // Escape: leaving without "&OK"
            return 0;
        }
        const ConfigControlSpec* c = specOf(reinterpret_cast<HWND>(lp));
        if (!c || HIWORD(wp) != BN_CLICKED) return 0;
        if (c->kind == ConfigControlKind::CheckBox) {
            const bool checked = SendMessageA(reinterpret_cast<HWND>(lp), BM_GETCHECK, 0, 0) == BST_CHECKED;
            const int index = c->index;
            event([&] { form_.userCheck(index, checked); });
        } else if (c->kind == ConfigControlKind::Button) {
            event([&] { form_.userPress(*c); });
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == lblTime_) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, colorRef(form_.lblTime.ForeColor));
            SetBkColor(dc, colorRef(RGB(255, 255, 255)));
            return reinterpret_cast<LRESULT>(white_);
        }
        break;
    case WM_ACTIVATE:
        // The focus that IsDialogMessage moved around comes back with the window.
        if (LOWORD(wp) == WA_INACTIVE) {
            focus_ = GetFocus();
        } else if (focus_ && IsWindow(focus_) && IsChild(hwnd, focus_)) {
            SetFocus(focus_);
            return 0;
        }
        break;
    case kWmDpiChanged: {
        const auto* r = reinterpret_cast<const RECT*>(lp);
        layout(HIWORD(wp));
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        close(); // the close box: nothing is stored
        return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void ConfigWindow::openWebPage(const std::string& url)
{
    ShellExecuteA(hwnd_, "Open", url.c_str(), "", "", 1);
}

void ConfigWindow::showInfo()
{
    InfoWindow info(*this);
    info.run(hwnd_);
    if (ending_) throw ProgramEnd{};
}

// ---- The about box ----------------------------------------------------------------


InfoWindow::InfoWindow(ConfigWindow& owner) : owner_(owner), form_([this] { closed_ = true; })
{
    picture_ = aboutPicture();
    white_ = CreateSolidBrush(colorRef(RGB(255, 255, 255)));
}

InfoWindow::~InfoWindow()
{
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
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
    registerClass(kInfoClass, proc, CS_DROPSHADOW);
    // The title is never shown (no caption); it names the window for the task list and tools.
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kInfoClass, "Sylvadra Info", kInfoStyle, 0, 0, 1, 1, ownerWindow,
                            nullptr, instance, nullptr);
    if (!hwnd_) return;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    label_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0, 0, 1, 1, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId)), instance, nullptr);
    // Hidden until Form_Load has run.
    ok_ = CreateWindowExA(0, "BUTTON", form_.cmdOK.Caption.c_str(), WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 1, 1,
                          hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + 1)), instance,
                          nullptr);
    const int dpi = dpiOf(hwnd_);
    layout(dpi);
    const SIZE size = outerSize(twipsToPixels(kFrmInfoClientWidth, dpi), twipsToPixels(kFrmInfoClientHeight, dpi),
                                kInfoStyle, WS_EX_CONTROLPARENT, dpi);
    const POINT at = centredOver(ownerWindow, size);
    SetWindowPos(hwnd_, HWND_TOP, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE);

    owner_.event([&] { form_.Form_Load(); });
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
        // the dialog's event(), which catches the end of the program.
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
            if (IsWindowVisible(ok_)) owner_.event([&] { form_.cmdOK_Click(); });
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
    case kWmDpiChanged: {
        const auto* r = reinterpret_cast<const RECT*>(lp);
        layout(HIWORD(wp));
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
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
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = picture_.width;
        bi.bmiHeader.biHeight = -picture_.height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        SetStretchBltMode(dc, HALFTONE);
        StretchDIBits(dc, 0, 0, MulDiv(picture_.width, dpi, kDefaultDpi), MulDiv(picture_.height, dpi, kDefaultDpi),
                      0, 0, picture_.width, picture_.height, picture_.pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
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

} // namespace

int win32::runSettingsDialog()
{
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&icc);
    ConfigWindow dialog;
    dialog.run();
    return 0;
}

} // namespace syl
