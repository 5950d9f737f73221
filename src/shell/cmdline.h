// The command line: the documented long options of Sylvadra come first, then
// the screen-saver switch ("/S", "/P 1234", "/C", "/A 1234"), whose text is
// the command text of Main. The saver options (shell/options.h) go with the
// full-screen run, not with /C or /A; those of the composition (--sharp,
// --classic) also go with /P and --render, the others do not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/options.h"
#include "shell/render.h"

namespace syl {

struct CommandLine {
    std::optional<RenderOptions> render;
    bool setWallpaper = false;  // a new landscape as the desktop's wallpaper (Linux)
    bool background = false;    // the animated landscape as the desktop's background (Linux)
    bool layerBottom = false;   // the background in the layer above the desktop's own
    bool alwaysAnimate = false; // the background moving also on battery, with less motion
    bool help = false;
    bool version = false;
    bool root = false;                     // xscreensaver: draw into the root window
    std::optional<unsigned long> windowId; // xscreensaver: draw into this window
    std::optional<uint64_t> seed;          // reproduce a run's landscapes
    SettingOverrides overrides;            // saver options, in the order given
    std::string commandText;               // what follows the long options, as given
                                           // (on Windows "/C" when nothing follows)
    std::string error;                     // non-empty: the arguments are wrong
};

CommandLine parseCommandLine(const std::vector<std::string>& args);

// The usage text of --help.
std::string usageText();

// The command text of Main: trimmed and upper-cased.
std::string normaliseCommandText(const std::string& text);
// The host window handle after "/P" or "/A": the text from the fourth
// character on, read as a leading decimal number (0 when there is none),
// rounded to a 32-bit integer.
long long hostWindowArgument(const std::string& commandText);

} // namespace syl
