// The desktop's wallpaper on Linux, through each desktop's own interface:
// GSettings (GNOME, Unity, Budgie, Cinnamon, MATE), xfconf over D-Bus
// (XFCE), the Plasma shell's scripting over D-Bus (KDE) and the IPC socket
// of sway. No shell and no other program is started.
#pragma once

#include <string>
#include <vector>

#include "shell/wallpapers.h"

typedef struct _GSettingsSchemaSource GSettingsSchemaSource;
typedef struct _GSettingsBackend GSettingsBackend;

namespace syl {

enum class Desktop { Other, Gnome, Cinnamon, Mate, Xfce, Kde, Sway };

// The desktop of XDG_CURRENT_DESKTOP, a colon-separated list whose first
// known entry counts (case aside); sway when none is known and SWAYSOCK is
// set. Either may be null.
Desktop detectDesktop(const char* currentDesktop, const char* swaySocket);

// Makes the picture file at path (absolute) the wallpaper of the running
// desktop. False, with the reason in *why when why is not null, when the
// desktop is not known (an empty reason) or refused.
bool setDesktopWallpaper(const std::string& path, std::string* why);

// One monitor's picture of a set (shell/wallpapers.h).
struct MonitorPicture {
    std::string output; // the monitor's name (RandR output, sway output); empty when not known
    bool primary = false;
    std::string path; // absolute
};

// Makes a set of pictures, in the order of RandR's (or sway's) monitors, the
// wallpaper of the running desktop: each monitor its own where the desktop
// takes one for each (xfconf for each monitor, Plasma for each screen,
// sway for each output). The GSettings desktops take one picture: spanned,
// when not empty, with the picture option "spanned" (every monitor's
// landscape at its place in one picture), else the primary's with "zoom".
// False as setDesktopWallpaper.
bool setDesktopWallpapers(const std::vector<MonitorPicture>& pictures, const std::string& spanned, std::string* why);

// The ways to each desktop, one by one.

// The keys of the GSettings desktops (Gnome, Cinnamon, Mate): null source
// and backend take GLib's defaults. A schema missing from the source is a
// plain false.
// pictureOptions, when given, is written into the schema's picture-options
// key where it has one that takes that value; without it, a "spanned" there
// becomes "zoom" (the picture is one monitor's).
bool setGSettingsWallpaper(Desktop desktop, const std::string& path, GSettingsSchemaSource* source,
                           GSettingsBackend* backend, std::string* why, const char* pictureOptions = nullptr);
// Every last-image property of the xfce4-desktop channel (each monitor and
// workspace), or the first monitor's first workspace when there is none yet.
bool setXfceWallpaper(const std::string& path, std::string* why);
// The same with a picture for each monitor: a property of monitor<NAME> takes
// the picture of the output of that name, one of monitor<N> the N-th
// picture, any other the primary's. Without any property yet, each named
// monitor's first workspace.
bool setXfceWallpapers(const std::vector<MonitorPicture>& pictures, std::string* why);
// Every Plasma desktop's image wallpaper: uris[i] for the desktop on screen i
// (Plasma numbers the primary 0), uris[0] where there is no such one.
bool setPlasmaWallpaper(const std::string& uri, std::string* why);
bool setPlasmaWallpapers(const std::vector<std::string>& uris, std::string* why);
// The background of every output, through the sway IPC socket at socketPath.
bool setSwayWallpaper(const std::string& socketPath, const std::string& path, std::string* why);
// Each output its own picture (those without a name: every output the primary's).
bool setSwayWallpapers(const std::string& socketPath, const std::vector<MonitorPicture>& pictures, std::string* why);
// The active outputs of sway (GET_OUTPUTS) at their sizes in pixels.
bool swayOutputs(const std::string& socketPath, std::vector<MonitorArea>& outputs, std::string* why);
// The active outputs in sway's answer to GET_OUTPUTS; the focused one is the primary.
std::vector<MonitorArea> parseSwayOutputs(const std::string& json);

// The Plasma script that gives every desktop the image at uri.
std::string plasmaWallpaperScript(const std::string& uri);
std::string plasmaWallpaperScript(const std::vector<std::string>& uris);
// s as a double-quoted JavaScript string literal.
std::string javaScriptString(const std::string& s);
// The sway command that puts the picture at path on every output.
std::string swayBackgroundCommand(const std::string& path);
// The sway commands that put each picture on its output.
std::string swayBackgroundCommands(const std::vector<MonitorPicture>& pictures);
// Whether the JSON reply of a sway RUN_COMMAND tells every command succeeded.
bool swayReplySucceeded(const std::string& reply);

} // namespace syl
