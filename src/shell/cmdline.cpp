#include "shell/cmdline.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/numbers.h"

namespace syl {

namespace {
bool parseSize(const std::string& s, int& w, int& h)
{
    size_t x = s.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (i != x && !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    if (x > 5 || s.size() - x - 1 > 5) return false;
    w = std::atoi(s.substr(0, x).c_str());
    h = std::atoi(s.substr(x + 1).c_str());
    return w >= 1 && h >= 1 && w <= 16384 && h <= 16384;
}

bool parseUnsigned(const std::string& s, unsigned long long& v, unsigned long long max)
{
    if (s.empty() || s.size() > 20) return false;
    v = 0;
    bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    for (size_t i = hex ? 2 : 0; i < s.size(); ++i) {
        int d;
        char c = s[i];
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        unsigned base = hex ? 16 : 10;
        if (v > (max - d) / base) return false;
        v = v * base + d;
    }
    return true;
}
// "YYYY-MM-DD HH:MM:SS" (or with a T between date and time), a real date.
bool parseClock(const std::string& s, LocalDateTime& t)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    char sep = 0;
    int used = 0;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &se, &used) != 7 ||
        static_cast<size_t>(used) != s.size() || (sep != ' ' && sep != 'T'))
        return false;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1601 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || (mo == 2 && d == 29 && !leap) ||
        h > 23 || mi > 59 || se > 59 || h < 0 || mi < 0 || se < 0)
        return false;
    t = LocalDateTime{y, mo, d, h, mi, se, 0};
    return true;
}

} // namespace

std::string usageText()
{
    return "Usage: sylvadra [OPTIONS] [/S | /P <window> | /C | /A <window>]\n"
           "\n"
           "Screen-saver switches:\n"
#ifdef _WIN32
           "  /S                 run full screen on every monitor\n"
           "  /P <window>        draw the preview into the host's window\n"
           "  /C                 show the settings dialog (also with no switch)\n"
#else
           "  /S                 run full screen on every monitor (also with no switch),\n"
           "                     on X11 or natively on Wayland\n"
           "  /P <window>        draw the preview into the host's X11 window\n"
           "  /C                 show the settings dialog\n"
#endif
           "  /A <window>        change the password (does nothing on this system)\n"
           "\n" +
           saverOptionsHelp() +
           "\n"
           "Other options:\n"
           "  --render OUT.png   render a landscape without a display and write it as PNG\n"
           "  --size WxH         screen size for --render (default 1920x1080)\n"
           "  --seed N           seed of the random generator, to repeat a run's landscapes\n"
           "                     (default: the time of day)\n"
           "  --ticks N          animation ticks to run before the picture is taken\n"
           "  --scene-info F     also write the scene state as JSON to F\n"
           "  --clock 'YYYY-MM-DD HH:MM:SS'\n"
           "                     the date and time that --render shows (default: now);\n"
           "                     an error protocol still records the real time\n"
#ifndef _WIN32
           "  --set-wallpaper    compose a new landscape for each monitor and make it the\n"
           "                     desktop's wallpaper; the pictures are kept in\n"
           "                     $XDG_DATA_HOME/sylvadra/wallpaper (the newest three sets)\n"
           "  --background       the animated landscape as the desktop's background on\n"
           "                     every monitor, until the session ends (Wayland\n"
           "                     compositors with a layer shell, X11 window managers);\n"
           "                     still on battery or when the desktop asks for less\n"
           "                     motion, not drawn while the session is locked\n"
           "  --layer bottom     with --background: in the layer above the desktop's own\n"
           "                     background, for desktops that cover the background layer\n"
           "  --always-animate   with --background: moving also on battery and when the\n"
           "                     desktop asks for less motion\n"
#endif
           "  --window-id ID     run the scene inside an existing X11 window (xscreensaver)\n"
           "  --root             run the scene in the X11 root window, or in the window of\n"
           "                     XSCREENSAVER_WINDOW when that is set (xscreensaver)\n"
           "  --help             show this text\n"
           "  --version          show the version\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine c;
    RenderOptions r;
    bool wantRender = false, renderOnly = false;
    size_t i = 0;
    auto need = [&](const std::string& name) -> const std::string* {
        if (i + 1 >= args.size()) {
            c.error = name + " needs a value";
            return nullptr;
        }
        return &args[++i];
    };
    for (; i < args.size() && c.error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--render") {
            if (auto v = need(a)) {
                r.outPng = *v;
                wantRender = true;
            }
        } else if (a == "--size") {
            if (auto v = need(a); v && !parseSize(*v, r.width, r.height)) c.error = "bad --size '" + *v + "' (WxH)";
            renderOnly = true;
        } else if (a == "--seed") {
            unsigned long long s = 0;
            if (auto v = need(a)) {
                if (!parseUnsigned(*v, s, ~0ULL)) c.error = "bad --seed '" + *v + "'";
                else r.seed = c.seed = s;
            }
        } else if (a == "--ticks") {
            unsigned long long t = 0;
            if (auto v = need(a)) {
                if (!parseUnsigned(*v, t, 100000000ULL)) c.error = "bad --ticks '" + *v + "'";
                else r.ticks = static_cast<long>(t);
            }
            renderOnly = true;
        } else if (a == "--clock") {
            if (auto v = need(a)) {
                LocalDateTime t;
                if (!parseClock(*v, t)) c.error = "bad --clock '" + *v + "' (YYYY-MM-DD HH:MM:SS)";
                else r.clock = t;
            }
            renderOnly = true;
        } else if (a == "--scene-info") {
            if (auto v = need(a)) r.sceneInfoJson = *v;
            renderOnly = true;
#ifndef _WIN32
        } else if (a == "--set-wallpaper") {
            c.setWallpaper = true;
        } else if (a == "--background") {
            c.background = true;
        } else if (a == "--layer") {
            if (auto v = need(a)) {
                if (*v == "bottom") c.layerBottom = true;
                else if (*v != "background") c.error = "bad --layer '" + *v + "' (background or bottom)";
            }
        } else if (a == "--always-animate") {
            c.alwaysAnimate = true;
#endif
        } else if (a == "--window-id" || a == "-window-id") {
            unsigned long long id = 0;
            if (auto v = need(a)) {
                if (!parseUnsigned(*v, id, 0xFFFFFFFFULL)) c.error = "bad window id '" + *v + "'";
                else c.windowId = static_cast<unsigned long>(id);
            }
        } else if (a == "--root" || a == "-root") {
            c.root = true;
        } else if (a == "--help" || a == "-h") {
            c.help = true;
        } else if (a == "--version") {
            c.version = true;
        } else if (parseSaverOption(args, i, c.overrides, c.error)) {
            // appended to c.overrides, or c.error says what is wrong
        } else if (a.size() > 2 && a[0] == '-' && a[1] == '-') {
            c.error = "unknown option " + a;
        } else {
            break;
        }
    }
    if (!c.error.empty()) return c;
    for (; i < args.size(); ++i) c.commandText += (c.commandText.empty() ? "" : " ") + args[i];
#ifdef _WIN32
    // Windows starts a screen saver with no switch for "Configure" on its
    // context menu ("Test", a double-click and the system pass /S): there no
    // switch is the settings dialog. Elsewhere it is the full screen.
    if (normaliseCommandText(c.commandText).empty()) c.commandText = "/C";
#endif
    if (renderOnly && !wantRender) c.error = "--size, --ticks, --clock and --scene-info go with --render";
    if (c.error.empty() && !c.overrides.empty()) {
        // The preview and --render compose landscapes too: the options of
        // the composition go with them. /C and /A take none.
        const std::string sel = normaliseCommandText(c.commandText).substr(0, 2);
        const std::string with = wantRender                                    ? "--render"
                                 : c.setWallpaper                              ? "--set-wallpaper"
                                 : (sel == "/P" || sel == "/C" || sel == "/A") ? sel
                                                                               : "";
        const bool composes = with == "--render" || with == "--set-wallpaper" || with == "/P";
        for (const SettingOverride& o : c.overrides) {
            if (with.empty() || (composes && o.option->composition)) continue;
            c.error = optionText(o) + " goes with the running saver, not with " + with;
            break;
        }
    }
    if (c.setWallpaper && c.error.empty()) {
        if (wantRender) c.error = "--set-wallpaper and --render go separately";
        else if (c.windowId || c.root || !normaliseCommandText(c.commandText).empty())
            c.error = "--set-wallpaper takes no window and no switch";
    }
    if (c.layerBottom && !c.background && c.error.empty()) c.error = "--layer goes with --background";
    if (c.alwaysAnimate && !c.background && c.error.empty()) c.error = "--always-animate goes with --background";
    if (c.background && c.error.empty()) {
        if (wantRender || c.setWallpaper) c.error = "--background goes alone, without --render or --set-wallpaper";
        else if (c.windowId || c.root || !normaliseCommandText(c.commandText).empty())
            c.error = "--background takes no window and no switch";
    }
    if (wantRender && c.error.empty()) c.render = r;
    return c;
}

std::string normaliseCommandText(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    std::string s = text.substr(b, e - b);
    for (auto& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

long long hostWindowArgument(const std::string& commandText)
{
    if (commandText.size() < 4) return 0;
    std::string s = commandText.substr(3);
    // A leading decimal number: blanks, a sign, digits, a fraction.
    size_t p = 0;
    while (p < s.size() && s[p] == ' ') ++p;
    size_t start = p;
    if (p < s.size() && (s[p] == '-' || s[p] == '+')) ++p;
    size_t digits = p;
    while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
    if (p < s.size() && s[p] == '.') {
        ++p;
        while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
    }
    if (p == digits || p - start > 40) return 0;
    double v = std::strtod(s.substr(start, p - start).c_str(), nullptr);
    if (!std::isfinite(v)) return 0;
    double r = roundHalfEven(v);
    if (r < -2147483648.0 || r > 2147483647.0) return 0;
    return static_cast<long long>(r);
}

} // namespace syl
