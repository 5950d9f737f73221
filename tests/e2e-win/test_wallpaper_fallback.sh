#!/bin/sh
# The wallpaper where the folder of the .scr cannot be written: the saver
# runs as an unprivileged user from a folder that user may not write, and
# the wallpaper file goes to the user's %LOCALAPPDATA%\Sylvadra instead, at
# screen size, with the desktop's wallpaper setting naming that file. Needs
# root to set up the user and its own Wine prefix (skipped otherwise).
. "$(dirname "$0")/lib.sh"

if [ "$(id -u)" != 0 ]; then
  echo "SKIP: only root can run the saver as another user"
  exit 77
fi
WU=sylvadra-wine
useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
        --comment "Sylvadra Wine test" "$WU" 2>/dev/null || getent passwd "$WU" >/dev/null ||
  { fail "cannot create user $WU"; finish; }

# The user's home and prefix in the build folder; the display through a
# copy of our X authority.
UHOME="$BUILD/wine-e2e-home"
UPREFIX="$UHOME/prefix"
mkdir -p "$UHOME"
chown "$WU" "$UHOME"
chmod 755 "$WORK"
UXAUTH=
if [ -n "$XAUTHORITY" ] && [ -f "$XAUTHORITY" ]; then
  cp "$XAUTHORITY" "$WORK/xauth"
  chown "$WU" "$WORK/xauth"
  UXAUTH="$WORK/xauth"
fi
as_user() {
  runuser -u "$WU" -- env -i PATH="$PATH" HOME="$UHOME" DISPLAY="$DISPLAY" ${UXAUTH:+XAUTHORITY="$UXAUTH"} \
    WINEPREFIX="$UPREFIX" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" "$@"
}
trap 'as_user "$WINESERVER" -k >/dev/null 2>&1; cleanup' EXIT

(
  flock 9
  if [ ! -f "$UPREFIX/.ready" ]; then
    log "making the user's Wine prefix"
    rm -rf "$UPREFIX"
    as_user "$WINE" wineboot -i >/dev/null 2>&1
    as_user "$WINESERVER" -w
    as_user touch "$UPREFIX/.ready"
  fi
) 9>"$BUILD/wine-e2e-home.lock"
[ -f "$UPREFIX/.ready" ] || { fail "no Wine prefix for $WU"; finish; }
as_user "$WINESERVER" -k >/dev/null 2>&1
as_user "$WINESERVER" -w >/dev/null 2>&1
as_user "$WINESERVER" -p

# The program in a folder of root's.
mkdir "$WORK/app"
cp "$SCR" "$WORK/app/Sylvadra.scr"
chmod 755 "$WORK/app"
as_user "$WINE" reg delete 'HKCU\Software\Sylvadra' /f >/dev/null 2>&1
find "$UPREFIX/drive_c/users" -name Sylvadra.bmp -exec rm -f {} + 2>/dev/null

as_user "$WINE" "$WORK/app/Sylvadra.scr" /S >"$WORK/saver.log" 2>&1 &
SAVER_PID=$!
if t=$(wait_landscape 60); then log "landscape after ${t}s"; else fail "no landscape within 60 s"; finish; fi
# The landscape is complete once the animation prints the date and time.
wait_until 60 frame_with_date $SCREEN_W $SCREEN_H || fail "no date and time at the bottom-left ($box)"
xdotool key space
if wait_saver_end 30; then log "a key press ended the saver"; else fail "a key press did not end the saver"; fi

[ -e "$WORK/app/Sylvadra.bmp" ] && fail "a wallpaper file appeared in the folder the user may not write"
wp=$(find "$UPREFIX/drive_c/users" -path '*/AppData/Local/Sylvadra/Sylvadra.bmp' 2>/dev/null | head -n1)
if [ -z "$wp" ]; then
  fail "no wallpaper file in the user's AppData\\Local\\Sylvadra"
else
  size=$(identify -format '%wx%h' "$wp" 2>/dev/null)
  log "wallpaper ${wp#$UPREFIX/}: $size"
  [ "$size" = "${SCREEN_W}x${SCREEN_H}" ] || fail "wallpaper is '$size', the screen ${SCREEN_W}x${SCREEN_H}"
fi
setting=$(as_user "$WINE" reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | tr -d '\r' |
          sed -n 's/^ *Wallpaper *REG_SZ *//p')
log "desktop wallpaper setting: $setting"
case $setting in
  *'\AppData\Local\Sylvadra\Sylvadra.bmp') ;;
  *) fail "the wallpaper setting does not name the user's file" ;;
esac
finish
