// The about box frmInfo, without a window system: the version text on the
// floppy-disk picture (data resource 2) and the "&OK" button that closes it.
// The backends build the window from the layout below, call Form_Load
// before showing it modally, and cmdOK_Click when the button is pressed.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/controls.h"
#include "platform/host.h"
#include "platform/picture.h"

namespace syl {

// Client area and controls (twips). The picture is 356 x 330 pixels; the
// window shows 329 rows of it at 96 DPI.
inline constexpr int kFrmInfoClientWidth = 5340;
inline constexpr int kFrmInfoClientHeight = 4935;
inline constexpr TwipsRect kImage2Rect{0, 0, 5340, 4935};
inline constexpr TwipsRect kVersionLabelRect{840, 1200, 3732, 320};
inline constexpr TwipsRect kInfoOKRect{3120, 3960, 615, 495};
// The picture's data resource number.
inline constexpr int kInfoPictureId = 2;
// The picture, or a plain white field of its size when it cannot be had.
Picture aboutPicture();
// Label(0): bold, 12 points, centred, on white. cmdOK: light grey face.
inline constexpr int kVersionFontPoints = 12;
inline constexpr Color kInfoButtonFace = RGB(192, 192, 192);

// "Sylvadra", two blanks, major.minor (at least two digits).revision (at
// least four digits): version 3.10 revision 510 reads "Sylvadra  3.10.0510".
std::string versionText(const VersionInfo& v);

class FrmInfo {
public:
    // close unloads the window; it is called by cmdOK_Click.
    explicit FrmInfo(std::function<void()> close = {});

    std::array<LabelControl, 1> Label;
    CommandButtonControl cmdOK{"&OK", false}; // hidden until Form_Load has run

    bool closed() const { return closed_; }

    // Event procedures (module frmInfo).
    void Form_Load();
    void cmdOK_Click();

private:
    std::function<void()> close_;
    bool closed_ = false;
};

} // namespace syl
