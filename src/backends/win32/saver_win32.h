// The Windows helpers of the modules Saver and Allgemein: the system family,
// the z-order of a form and the desktop wallpaper.
#pragma once

#include <cstdint>
#include <string>

// Before windows.h, whose RGB macro would replace the system's RGB.
#include "platform/numbers.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// The system's own RGB (red, green, blue as 0x00RRGGBB) is meant wherever
// RGB is written after this header.
#undef RGB

namespace syl {

// Saver.IsWinNT: true only when GetVersionExA (record size 148) returned 1
// and the platform id is VER_PLATFORM_WIN32_NT.
bool IsWinNT();

// Saver.SetTopMost: topmost -1 puts the form above all windows that are not
// top-most, 0 takes it out of that band, any other value brings it to the
// top; activate 0 leaves the activation alone. True when SetWindowPos
// succeeded.
bool SetTopMost(HWND form, int16_t topmost, int16_t activate);

// Allgemein.SetWallPaper: the bitmap file becomes the desktop wallpaper,
// stored in the user profile and announced to all windows. True when the
// system took it.
bool SetWallPaper(const std::string& path);

} // namespace syl
