// The settings dialog frmConfig as a Win32 window.
//
// Standard controls (group boxes, scroll bars, check boxes, an up-down
// spinner, static labels, push buttons) stand at the places of the
// dialog's layout, converted from twips at the window's DPI and placed
// again when the DPI changes. All behaviour is the core's
// (settings/frmconfig): a control reports what the user did, the form's
// event procedure runs, and every control is set again from the form's
// controls. The keyboard (Tab, access keys, Escape) goes through
// IsDialogMessage. "&Info" opens the about box (about_win32.cpp).
//
// No C++ exception crosses a window procedure: ProgramEnd (the error
// dispatch's End) is caught there, the message loops are left, and it is
// thrown again once runSettingsDialog's loop has returned.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "errors/handler.h"
#include "settings/frmconfig.h"

#include "backends/win32/about_win32.h"
#include "backends/win32/controls_win32.h"

#include <commctrl.h>
#include <shellapi.h>

namespace syl::win32 {

namespace {

const char* const kConfigClass = "SylvadraFrmConfig";
// No WS_CLIPCHILDREN: the group boxes leave their inside to the window's
// background.
constexpr DWORD kConfigStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

class ConfigWindow : public AboutBoxOwner {
public:
    ConfigWindow();
    ~ConfigWindow();
    // Loads the form, shows the dialog and returns when it has closed.
    void run();

    // Runs a form event, then shows the controls again. An end of the
    // program inside it ends all loops.
    template <class F>
    void event(F&& f);
    void formEvent(const std::function<void()>& f) override { event(f); }
    bool ending() const override { return ending_; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void createControls();
    void layout(int dpi);
    void showControls();
    void close();
    void showInfo();
    void openWebPage(const std::string& url);
    const ConfigControlRow* rowOf(HWND control) const;
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

ConfigWindow::ConfigWindow()
    : form_({[this] { showInfo(); }, [this](const std::string& url) { openWebPage(url); }, [this] { close(); }})
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerDialogClass(kConfigClass, proc, 0);
    white_ = CreateSolidBrush(colorRef(RGB(255, 255, 255)));
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kConfigClass, kFrmConfigCaption, kConfigStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
    if (!hwnd_) return;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    createControls();
    layout(dpiOf(hwnd_));
    placeCentred(hwnd_, nullptr, kFrmConfigClientWidth, kFrmConfigClientHeight, kConfigStyle, WS_EX_CONTROLPARENT, dpi_,
                 nullptr, SWP_NOZORDER | SWP_NOACTIVATE);
}

ConfigWindow::~ConfigWindow()
{
    destroyDialogWindow(hwnd_);
    for (HFONT f : fonts_) DeleteObject(f);
    if (white_) DeleteObject(white_);
}

void ConfigWindow::createControls()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    int id = kFirstControlId;
    std::vector<HWND> frames;
    for (const ConfigControlRow& c : frmConfigControls()) {
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
    const int box = MulDiv(13 + 5, dpi, kDefaultDpi);       // a check box's square and gap
    const int frameInset = MulDiv(8 + 8, dpi, kDefaultDpi); // a group box's caption margins
    const auto rows = frmConfigControls();
    for (size_t i = 0; i < rows.size() && i < controls_.size(); ++i) {
        HWND w = controls_[i];
        const ConfigControlRow& c = rows[i];
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
    const auto rows = frmConfigControls();
    for (size_t i = 0; i < rows.size() && i < controls_.size(); ++i) {
        HWND w = controls_[i];
        const ConfigControlRow& c = rows[i];
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

const ConfigControlRow* ConfigWindow::rowOf(HWND control) const
{
    const auto rows = frmConfigControls();
    for (size_t i = 0; i < controls_.size() && i < rows.size(); ++i)
        if (controls_[i] == control) return &rows[i];
    return nullptr;
}

void ConfigWindow::scrolled(HWND bar, int code)
{
    const ConfigControlRow* c = rowOf(bar);
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
        const ConfigControlRow* c = rowOf(reinterpret_cast<HWND>(lp));
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
    case kWmDpiChanged:
        layout(HIWORD(wp));
        moveToSuggestedRect(hwnd, lp);
        return 0;
    case WM_CLOSE:
        close(); // the close box: nothing is stored
        return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void ConfigWindow::openWebPage(const std::string& url) { ShellExecuteA(hwnd_, "Open", url.c_str(), "", "", 1); }

void ConfigWindow::showInfo()
{
    InfoWindow info(*this);
    info.run(hwnd_);
    if (ending_) throw ProgramEnd{};
}

} // namespace

int runSettingsDialog()
{
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&icc);
    ConfigWindow dialog;
    dialog.run();
    return 0;
}

} // namespace syl::win32
