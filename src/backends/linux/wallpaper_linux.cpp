// The desktop's wallpaper setting on Linux desktops.
#include <cstdio>
#include <string>

#include "backends/linux/desktop_linux.h"
#include "backends/linux/saver_linux.h"

namespace syl {

bool SdlPlatform::setWallPaper(const std::string& path)
{
    std::string why;
    if (setDesktopWallpaper(path, &why)) return true;
    // A desktop that is not known keeps the picture file alone, silently.
    if (!why.empty()) std::fprintf(stderr, "sylvadra: the wallpaper is not set: %s\n", why.c_str());
    return false;
}

} // namespace syl
