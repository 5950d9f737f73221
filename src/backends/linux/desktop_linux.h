// The desktop's wallpaper on Linux, through each desktop's own interface:
// GSettings (GNOME, Unity, Budgie, Cinnamon, MATE), xfconf over D-Bus
// (XFCE), the Plasma shell's scripting over D-Bus (KDE) and the IPC socket
// of sway. No shell and no other program is started.
#pragma once

#include <string>

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

// The ways to each desktop, one by one.

// The keys of the GSettings desktops (Gnome, Cinnamon, Mate): null source
// and backend take GLib's defaults. A schema missing from the source is a
// plain false.
bool setGSettingsWallpaper(Desktop desktop, const std::string& path, GSettingsSchemaSource* source,
                           GSettingsBackend* backend, std::string* why);
// Every last-image property of the xfce4-desktop channel (each monitor and
// workspace), or the first monitor's first workspace when there is none yet.
bool setXfceWallpaper(const std::string& path, std::string* why);
// Every Plasma desktop's image wallpaper.
bool setPlasmaWallpaper(const std::string& uri, std::string* why);
// The background of every output, through the sway IPC socket at socketPath.
bool setSwayWallpaper(const std::string& socketPath, const std::string& path, std::string* why);

// The Plasma script that gives every desktop the image at uri.
std::string plasmaWallpaperScript(const std::string& uri);
// s as a double-quoted JavaScript string literal.
std::string javaScriptString(const std::string& s);
// The sway command that puts the picture at path on every output.
std::string swayBackgroundCommand(const std::string& path);
// Whether the JSON reply of a sway RUN_COMMAND tells every command succeeded.
bool swayReplySucceeded(const std::string& reply);

} // namespace syl
