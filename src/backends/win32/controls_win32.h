// What the settings dialog and the about box build their windows with: the
// DPI of a window, fonts and their text widths, places converted from twips,
// the text of controls, the dialogs' window class, a modal message loop and
// the response to a change of DPI.
#pragma once

#include <string>

#include "platform/controls.h"

#include "backends/win32/win32_platform.h"

namespace syl::win32 {

constexpr int kFirstControlId = 100; // ids 1 and 2 are Enter and Escape
constexpr UINT kWmDpiChanged = 0x02E0;

COLORREF colorRef(Color c);

// Registers a window class of the dialogs once: the button face behind,
// the arrow pointer. Its procedure finds the window's object in
// GWLP_USERDATA (none yet while the window is created).
void registerDialogClass(const char* name, WNDPROC proc, UINT style);

// Takes a dialog window from its object (GWLP_USERDATA) and destroys it.
void destroyDialogWindow(HWND hwnd);

// The window's DPI (the system's where the window cannot tell).
int dpiOf(HWND hwnd);

// Places a window with a client area of w x h twips at the DPI, centred over
// another one (or the screen's work area) and kept on it.
void placeCentred(HWND hwnd, HWND over, int twipsWidth, int twipsHeight, DWORD style, DWORD exStyle, int dpi,
                  HWND insertAfter, UINT flags);

// WM_DPICHANGED: the window takes the rectangle that the system suggests
// for the new DPI (lp of the message).
void moveToSuggestedRect(HWND hwnd, LPARAM lp);

// MS Sans Serif with a character height in pixels.
HFONT fontOfHeight(int pixels, bool bold);

// MS Sans Serif at a size in points for the DPI.
HFONT dialogFont(int points, bool bold, int dpi);

// The width in pixels of the widest line of a text in a font.
int pixelWidthOf(HWND w, HFONT font, const std::string& text);

void setFont(HWND w, HFONT f);

void placeWindow(HWND w, const TwipsRect& twips, int dpi);

// Text with line breaks as the controls show them.
std::string windowsLines(const std::string& s);

std::string windowText(HWND w);

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

} // namespace syl::win32
