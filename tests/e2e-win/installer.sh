#!/bin/sh
# The Windows installer in a new Wine prefix, as a user would meet it:
# installed silently over another screen saver, Sylvadra is selected by
# its short path, the user's waiting time stays, the files, the Start-menu
# entry (which opens the settings dialog) and the "Apps and features" entry
# are there, and the saver found through SCRNSAVE.EXE shows a landscape. A
# newer installer replaces it and keeps the settings; the older one then
# refuses with a failing exit status. The silent uninstaller takes away
# everything but the settings and the wallpaper and puts the old screen
# saver back; with /PURGE nothing of Sylvadra is left. Installed for every
# user (/ALLUSERS), it is in the system folder and goes as completely. The
# version resources of the installer and the uninstaller are the .scr's,
# and the winget manifests parse and name the installer's SHA-256.
#
# Arguments: SCR PREVHOST BUILD_DIR SETUP.EXE NSI CONFIG.NSH MAKENSIS WINGET_DIR
# shellcheck disable=SC2034 # read by lib.sh
E2E_FRESH_PREFIX=1
. "$(dirname "$0")/lib.sh"

SETUP=$4 NSI=$5 CONFIG=$6 MAKENSIS=$7 WINGET=$8
if [ ! -f "$SETUP" ] || [ ! -f "$NSI" ] || [ ! -f "$CONFIG" ] || [ ! -x "$MAKENSIS" ] || [ ! -d "$WINGET" ]; then
  echo "usage: $0 SCR PREVHOST BUILD_DIR SETUP.EXE NSI CONFIG.NSH MAKENSIS WINGET_DIR" >&2
  exit 2
fi
# Debian's Python, whose modules python3-yaml and python3-pefile are.
PYTHON=${PYTHON:-/usr/bin/python3}
if ! "$PYTHON" -c 'import yaml, pefile' 2>/dev/null; then
  echo "SKIP: $PYTHON has no yaml or pefile module (python3-yaml, python3-pefile)"
  exit 77
fi

# No lingering wine server: "wineserver -w" then waits for every program of
# the prefix, the uninstaller's copy of itself included.
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
wine_idle() { "$WINESERVER" -w >/dev/null 2>&1; }

DESKTOP='HKCU\Control Panel\Desktop'
UNINST='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sylvadra'
# The data of a registry value; nothing when it is missing.
reg_value() {
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print; exit }'
}
reg_key_exists() { "$WINE" reg query "$1" >/dev/null 2>&1; }
expect() { # what, got, wanted
  [ "$2" = "$3" ] || fail "$1 is '$2', not '$3'"
}
# Every part of a Windows path after the drive is an 8.3 name.
short_path() { ! printf '%s\n' "$1" | tr '\\' '\n' | sed 1d | grep -qvE '^[^ .]{1,8}(\.[^ .]{1,3})?$'; }
unix_path() { "$WINE" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_env() { "$WINE" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }

# The version resource: the texts the installer sets and the fixed numbers.
version_info() {
  "$PYTHON" - "$1" <<'EOF'
import sys, pefile
pe = pefile.PE(sys.argv[1], fast_load=True)
pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
texts = {}
for info in getattr(pe, "FileInfo", [[]])[0]:
    for table in getattr(info, "StringTable", []):
        texts.update({k.decode(): v.decode() for k, v in table.entries.items()})
for key in ("ProductName", "ProductVersion", "CompanyName", "FileDescription", "FileVersion", "LegalCopyright"):
    print(key, "=", texts.get(key, "(none)"))
fixed = pe.VS_FIXEDFILEINFO[0]
print("fixed =", fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS)
EOF
}

SCR_INFO=$(version_info "$SCR")
VERSION=$(echo "$SCR_INFO" | sed -n 's/^ProductVersion = //p')
case $VERSION in
  *.*.*) ;;
  *) fail "no version in $SCR: '$SCR_INFO'"; finish ;;
esac
log "Sylvadra.scr $VERSION"

# 1. The version resources of the installer (and, below, the uninstaller).
info=$(version_info "$SETUP")
[ "$info" = "$SCR_INFO" ] || fail "the installer's version resource differs: $info"

# 2. The winget manifests name this installer by its SHA-256.
sha=$(sha256sum "$SETUP" | cut -d' ' -f1)
if ! out=$("$PYTHON" - "$WINGET" "$VERSION" "$sha" "$(basename "$SETUP")" 2>&1 <<'EOF'
import sys, os, yaml
folder, version, sha, name = sys.argv[1:]
docs = {}
for f in os.listdir(folder):
    with open(os.path.join(folder, f), encoding="utf-8") as fh:
        d = yaml.safe_load(fh)
    docs[d["ManifestType"]] = d
assert sorted(docs) == ["defaultLocale", "installer", "version"], sorted(docs)
for d in docs.values():
    assert d["ManifestVersion"] == "1.6.0", d["ManifestVersion"]
    assert d["PackageIdentifier"] == "Sylvadra.Sylvadra", d["PackageIdentifier"]
    assert str(d["PackageVersion"]) == version, d["PackageVersion"]
i = docs["installer"]
assert i["InstallerType"] == "nullsoft" and i["Scope"] == "user", i
sw = i["InstallerSwitches"]
assert sw == {"Silent": "/S", "SilentWithProgress": "/S", "InstallLocation": "/D=<INSTALLPATH>"}, sw
assert len(i["Installers"]) == 1, i["Installers"]
assert i["Installers"][0]["InstallerSha256"].lower() == sha, i["Installers"][0]["InstallerSha256"]
assert i["Installers"][0]["InstallerUrl"].endswith("/" + name), i["Installers"][0]["InstallerUrl"]
assert docs["version"]["DefaultLocale"] == docs["defaultLocale"]["PackageLocale"]
print("winget manifests of", version, "name", sha)
EOF
); then
  fail "winget manifests: $out"
else
  log "$out"
fi

# 3. Another screen saver was chosen before, with a waiting time of the user's.
PREVIOUS='C:\windows\system32\previous.scr'
"$WINE" reg add "$DESKTOP" /v SCRNSAVE.EXE /d "$PREVIOUS" /f >/dev/null 2>&1
"$WINE" reg add "$DESKTOP" /v ScreenSaveTimeOut /d 420 /f >/dev/null 2>&1
active_before=$(reg_value "$DESKTOP" ScreenSaveActive)
LOCAL=$(unix_path "$(win_env LOCALAPPDATA)")
APPDATA_U=$(unix_path "$(win_env APPDATA)")
LNK="$APPDATA_U/Microsoft/Windows/Start Menu/Programs/Sylvadra settings.lnk"
[ -d "$LOCAL" ] && [ -d "$APPDATA_U" ] || { fail "no user folders ($LOCAL, $APPDATA_U)"; finish; }

"$WINE" "$SETUP" /S >"$WORK/setup.log" 2>&1
rc=$?
expect "the installer's exit status" "$rc" 0
INST="$LOCAL/Programs/Sylvadra"
for f in Sylvadra.scr Uninstall.exe LICENSE.txt font-1-LICENSE.txt; do
  [ -s "$INST/$f" ] || fail "$f not installed in $INST"
done
cmp -s "$INST/Sylvadra.scr" "$BUILD/installer/Sylvadra.scr" || fail "the installed Sylvadra.scr is not the build's"
[ -f "$LNK" ] || fail "no Start-menu entry"
expect "DisplayName" "$(reg_value "$UNINST" DisplayName)" Sylvadra
expect "DisplayVersion" "$(reg_value "$UNINST" DisplayVersion)" "$VERSION"
expect "Publisher" "$(reg_value "$UNINST" Publisher)" "$(echo "$SCR_INFO" | sed -n 's/^CompanyName = //p')"
size=$(reg_value "$UNINST" EstimatedSize)
[ $((size)) -gt 100 ] 2>/dev/null || fail "EstimatedSize is '$size'"
loc=$(reg_value "$UNINST" InstallLocation)
expect "InstallLocation" "$(unix_path "$loc")" "$INST"
expect "UninstallString" "$(reg_value "$UNINST" UninstallString)" "\"$loc\\Uninstall.exe\""
QUIET=$(reg_value "$UNINST" QuietUninstallString)
expect "QuietUninstallString" "$QUIET" "\"$loc\\Uninstall.exe\" /S"
expect "DisplayIcon" "$(reg_value "$UNINST" DisplayIcon)" "$loc\\Sylvadra.scr,0"
info=$(version_info "$INST/Uninstall.exe")
[ "$info" = "$SCR_INFO" ] || fail "the uninstaller's version resource differs: $info"

# Selected by its short path (every part 8.3), the waiting time kept.
SAVER=$(reg_value "$DESKTOP" SCRNSAVE.EXE)
expect "SCRNSAVE.EXE's file" "$(unix_path "$SAVER")" "$INST/Sylvadra.scr"
short_path "$SAVER" || fail "SCRNSAVE.EXE is not a short path: $SAVER"
expect "ScreenSaveActive" "$(reg_value "$DESKTOP" ScreenSaveActive)" 1
expect "ScreenSaveTimeOut" "$(reg_value "$DESKTOP" ScreenSaveTimeOut)" 420
log "installed $VERSION into $loc, selected as $SAVER"

# 4. The saver as Windows starts it, through SCRNSAVE.EXE; a key ends it.
"$WINE" "$SAVER" /S >"$WORK/saver.log" 2>&1 &
SAVER_PID=$!
if t=$(wait_landscape 60); then
  log "SCRNSAVE.EXE /S shows a landscape after ${t}s"
else
  fail "SCRNSAVE.EXE /S showed no landscape"
fi
sleep 1
xdotool key space
wait_saver_end 30 || fail "a key did not end the saver"

# 5. The Start-menu entry opens the settings dialog; Escape closes it.
"$WINE" start /unix "$LNK" >/dev/null 2>&1
dialog_open() { WIN=$(xdotool search --onlyvisible --name 'Settings / Einstellungen' 2>/dev/null | head -n1); [ -n "$WIN" ]; }
if wait_until 60 dialog_open; then
  log "the Start-menu entry opened '$(xdotool getwindowname "$WIN")'"
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  xdotool key Escape
  dialog_closed() { ! dialog_open; }
  wait_until 30 dialog_closed || fail "Escape did not close the settings dialog"
else
  fail "the Start-menu entry opened no settings dialog"
fi
wine_idle

# 6. A newer installer over it, into a folder of one's own (/D=): the
#    program moves, the settings and the screen-saver record stay.
"$WINE" reg add 'HKCU\Software\Sylvadra\Settings' /v Speed /d 7 /f >/dev/null 2>&1
NEWER=$(echo "$VERSION" | awk -F. '{ printf "%d.%d.%d\n", $1, $2, $3 + 1 }')
if ! "$MAKENSIS" -V1 -DCONFIG="$CONFIG" -DVERSION="$NEWER" -DOUTFILE="$WORK/newer-setup.exe" "$NSI" >"$WORK/makensis.log" 2>&1; then
  fail "makensis of $NEWER failed: $(tail -n 5 "$WORK/makensis.log")"
  finish
fi
# (Wine quotes an argument with a space, which /D= must not have: a
# folder name without one.)
"$WINE" "$WORK/newer-setup.exe" /S '/D=C:\SylvadraScreenSaver' >"$WORK/setup.log" 2>&1
expect "the newer installer's exit status" "$?" 0
OWN=$(unix_path 'C:\SylvadraScreenSaver')
expect "DisplayVersion after the update" "$(reg_value "$UNINST" DisplayVersion)" "$NEWER"
expect "InstallLocation after the update" "$(reg_value "$UNINST" InstallLocation)" 'C:\SylvadraScreenSaver'
cmp -s "$OWN/Sylvadra.scr" "$BUILD/installer/Sylvadra.scr" || fail "no Sylvadra.scr in $OWN"
for f in Sylvadra.scr Uninstall.exe LICENSE.txt font-1-LICENSE.txt; do
  [ -e "$INST/$f" ] && fail "$f is still in the old folder $INST"
done
[ -f "$INST/Sylvadra.bmp" ] || fail "the wallpaper in use went with the old folder"
expect "the setting Speed after the update" "$(reg_value 'HKCU\Software\Sylvadra\Settings' Speed)" 7
SAVER2=$(reg_value "$DESKTOP" SCRNSAVE.EXE)
expect "SCRNSAVE.EXE's file after the update" "$(unix_path "$SAVER2")" "$OWN/Sylvadra.scr"
short_path "$SAVER2" || fail "SCRNSAVE.EXE is not a short path after the update: $SAVER2"
expect "the noted screen saver after the update" "$(reg_value 'HKCU\Software\Sylvadra\Setup' PreviousScreenSaver)" "$PREVIOUS"
version_info "$OWN/Uninstall.exe" | grep -qx "ProductVersion = $NEWER" || fail "the uninstaller is not $NEWER's"
QUIET=$(reg_value "$UNINST" QuietUninstallString)
log "updated to $NEWER, moved to $OWN, selected as $SAVER2"

# 7. The older installer over the newer one fails and changes nothing.
"$WINE" "$SETUP" /S >"$WORK/setup.log" 2>&1
rc=$?
[ "$rc" != 0 ] || fail "the older installer over $NEWER ended with status 0"
expect "DisplayVersion after the older installer" "$(reg_value "$UNINST" DisplayVersion)" "$NEWER"
log "the older installer refused with status $rc"

# 8. While Sylvadra runs (its settings dialog), neither an installer nor the
#    uninstaller can replace it: both fail and change nothing.
"$WINE" "$OWN/Sylvadra.scr" /C >"$WORK/saver.log" 2>&1 &
SAVER_PID=$!
if wait_until 60 dialog_open; then
  "$WINE" "$WORK/newer-setup.exe" /S >"$WORK/setup.log" 2>&1
  rc=$?
  [ "$rc" != 0 ] || fail "the installer over a running Sylvadra ended with status 0"
  "$WINE" "$OWN/Uninstall.exe" /S '_?=C:\SylvadraScreenSaver' >"$WORK/uninstall.log" 2>&1
  rc2=$?
  [ "$rc2" != 0 ] || fail "the uninstaller of a running Sylvadra ended with status 0"
  reg_key_exists "$UNINST" || fail "the failed removal took the uninstall entry"
  expect "SCRNSAVE.EXE after the failed removal" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "$SAVER2"
  [ -f "$LNK" ] || fail "the failed removal took the Start-menu entry"
  log "with Sylvadra running, the installer ended with status $rc, the uninstaller with $rc2"
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  xdotool key Escape
  wait_saver_end 30 || fail "Escape did not close the settings dialog"
else
  fail "Sylvadra.scr /C opened no settings dialog"
fi
wine_idle

# 9. The silent uninstaller as "Apps and features" runs it: the picture cache
#    goes, the settings and the wallpaper stay, the old screen saver is back.
CACHE="$LOCAL/Sylvadra/Cache/sharp-test"
mkdir -p "$CACHE" && echo x >"$CACHE/bitmap-1-x2.pic"
exe=$(printf '%s\n' "$QUIET" | sed -n 's/^"\([^"]*\)" .*/\1/p')
# shellcheck disable=SC2086
"$WINE" "$exe" ${QUIET##*\" } >"$WORK/uninstall.log" 2>&1
expect "the uninstaller's exit status" "$?" 0
wine_idle
[ -e "$OWN" ] && fail "$OWN is still there: $(ls -A "$OWN")"
[ -f "$INST/Sylvadra.bmp" ] || fail "the wallpaper went without /PURGE"
[ -e "$LNK" ] && fail "the Start-menu entry is still there"
[ -e "$LOCAL/Sylvadra/Cache" ] && fail "the picture cache is still there"
reg_key_exists "$UNINST" && fail "the uninstall entry is still there"
reg_key_exists 'HKCU\Software\Sylvadra\Setup' && fail "the installer's notes are still there"
expect "the setting Speed after removal" "$(reg_value 'HKCU\Software\Sylvadra\Settings' Speed)" 7
expect "SCRNSAVE.EXE after removal" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "$PREVIOUS"
expect "ScreenSaveActive after removal" "$(reg_value "$DESKTOP" ScreenSaveActive)" "$active_before"
expect "ScreenSaveTimeOut after removal" "$(reg_value "$DESKTOP" ScreenSaveTimeOut)" 420
log "removed; the settings and the wallpaper stayed"

# 10. Installed again and removed with /PURGE: nothing of Sylvadra is left,
#     and the desktop no longer names the wallpaper.
mkdir -p "$LOCAL/Sylvadra/Cache/sharp-test"
echo x >"$LOCAL/Sylvadra/Sylvadra.bmp"
"$WINE" "$SETUP" /S >"$WORK/setup.log" 2>&1
expect "the installer's exit status, once more" "$?" 0
expect "InstallLocation, once more" "$(reg_value "$UNINST" InstallLocation)" "$loc"
# The desktop names the wallpaper the saver left (step 4).
case $(reg_value "$DESKTOP" Wallpaper) in
  *Sylvadra.bmp) ;;
  *) fail "the desktop's wallpaper is '$(reg_value "$DESKTOP" Wallpaper)', not the saver's" ;;
esac
# Waits for itself (_?=): its status is the removal's.
"$WINE" "$INST/Uninstall.exe" /S /PURGE "_?=$loc" >"$WORK/uninstall.log" 2>&1
expect "the uninstaller's exit status with /PURGE" "$?" 0
wine_idle
rm -f "$INST/Uninstall.exe" && rmdir "$INST" 2>/dev/null || fail "$INST holds more than the uninstaller: $(ls -A "$INST")"
left=$(find "$WINEPREFIX/drive_c" -iname '*sylvadra*' 2>/dev/null)
[ -z "$left" ] || fail "files left: $left"
left=$(grep -i sylvadra "$WINEPREFIX"/*.reg)
[ -z "$left" ] || fail "registry entries left: $left"
expect "SCRNSAVE.EXE after /PURGE" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "$PREVIOUS"
log "removed with /PURGE; nothing left"

# 11. For every user (/ALLUSERS; Wine's user is an administrator): the
#     program in the system folder, the entries the common ones. A user
#     without a waiting time gets one, and it goes with Sylvadra.
"$WINE" reg delete "$DESKTOP" /v ScreenSaveTimeOut /f >/dev/null 2>&1
"$WINE" "$SETUP" /S /ALLUSERS >"$WORK/setup.log" 2>&1
expect "the installer's exit status with /ALLUSERS" "$?" 0
expect "the new ScreenSaveTimeOut" "$(reg_value "$DESKTOP" ScreenSaveTimeOut)" 600
HKLM_UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sylvadra'
SYS=$(unix_path 'C:\windows\system32')
COMMON=$(unix_path "$(win_env ProgramData)\Microsoft\Windows\Start Menu\Programs")
cmp -s "$SYS/Sylvadra.scr" "$BUILD/installer/Sylvadra.scr" || fail "no Sylvadra.scr in the system folder"
[ -f "$COMMON/Sylvadra settings.lnk" ] || fail "no Start-menu entry for all users"
expect "SCRNSAVE.EXE's file for all users" "$(unix_path "$(reg_value "$DESKTOP" SCRNSAVE.EXE)")" "$SYS/Sylvadra.scr"
QUIET=$(reg_value "$HKLM_UNINST" QuietUninstallString)
reg_key_exists "$UNINST" && fail "an entry for the user alone with /ALLUSERS"
exe=$(printf '%s\n' "$QUIET" | sed -n 's/^"\([^"]*\)" .*/\1/p')
[ -n "$exe" ] || fail "no QuietUninstallString for all users"
"$WINE" "$exe" /S >"$WORK/uninstall.log" 2>&1
wine_idle
left=$(find "$WINEPREFIX/drive_c" -iname '*sylvadra*' 2>/dev/null)
[ -z "$left" ] || fail "files left after removal for all users: $left"
left=$(grep -i sylvadra "$WINEPREFIX"/*.reg)
[ -z "$left" ] || fail "registry entries left after removal for all users: $left"
expect "SCRNSAVE.EXE after removal for all users" "$(reg_value "$DESKTOP" SCRNSAVE.EXE)" "$PREVIOUS"
expect "ScreenSaveTimeOut after removal for all users" "$(reg_value "$DESKTOP" ScreenSaveTimeOut)" ""
log "installed for all users and removed"
finish
