// The about box frmInfo as a Win32 window: the about picture, the version
// label on its white field and an owner-drawn "&OK", shown modally over the
// settings dialog.
#pragma once

#include <functional>

#include "about/frminfo.h"
#include "platform/resources.h"

#include "backends/win32/win32_platform.h"

namespace syl::win32 {

// The window that opens the about box. The box's form events run through
// it, so that an end of the program inside one ends its loops as well.
class AboutBoxOwner {
public:
    // Runs a form event; an end of the program inside it ends all loops.
    virtual void formEvent(const std::function<void()>& f) = 0;
    virtual bool ending() const = 0;

protected:
    ~AboutBoxOwner() = default;
};

class InfoWindow {
public:
    explicit InfoWindow(AboutBoxOwner& owner);
    ~InfoWindow();
    // Loads the form, shows it modally and returns when it has closed.
    void run(HWND ownerWindow);

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT message(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void layout(int dpi);
    void paint();
    void drawButton(const DRAWITEMSTRUCT& d);

    AboutBoxOwner& owner_;
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

} // namespace syl::win32
