# Shared by the end-to-end tests of Sylvadra.scr under Wine; sourced by each
# test_*.sh with the arguments SCR PREVHOST BUILD_DIR.
#
# Each test gets a scratch folder, a persistent wineserver for the tests'
# own prefix (so that settings that are not stored, such as the screen-saver
# activation, live from one process to the next), and is cleaned up with
# wineserver -k whatever happens.

SCR=$1
PREVHOST=$2
BUILD=$3
if [ -z "$SCR" ] || [ -z "$PREVHOST" ] || [ -z "$BUILD" ]; then
  echo "usage: $0 SCR PREVHOST BUILD_DIR" >&2
  exit 2
fi

# Without a display the test brings its own (of E2E_SCREEN, when set).
# -noreset: an X server that resets when its last client leaves (the test
# before this one) refuses connections for a moment.
if [ -z "$DISPLAY" ]; then
  exec xvfb-run -a -s "-screen 0 ${E2E_SCREEN:-1024x768x24} -noreset" "$0" "$@"
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/sylvadra-e2e-win.XXXXXX")

# A test that sets E2E_FRESH_PREFIX gets a new prefix of its own in its
# scratch folder, gone with it.
if [ -n "$E2E_FRESH_PREFIX" ]; then
  export WINEPREFIX="$WORK/wineprefix"
else
  export WINEPREFIX="$BUILD/wineprefix-e2e"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEARCH=win64
WINE="${WINE:-/usr/lib/wine/wine64}"
WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver}"
SAVER_PID=
FAILED=0

# Printed as they are: Windows paths hold backslashes.
log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }
fail() {
  printf 'FAIL: %s\n' "$*"
  FAILED=1
}

cleanup() {
  [ -n "$SAVER_PID" ] && kill "$SAVER_PID" 2>/dev/null
  "$WINESERVER" -k >/dev/null 2>&1
  "$WINESERVER" -w >/dev/null 2>&1
  if [ -n "$KEEP_E2E" ]; then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The shared prefix is made once per build folder (ctest's wine_prefixes
# makes it before the tests start).
"$(dirname "$0")/../../tools/wine-prefix.sh" "$WINEPREFIX" || exit 1
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
"$WINESERVER" -p
# A screen resolution left behind by test_high_dpi.sh, should it have been
# stopped short, is taken away again (user.reg is the saved HKCU).
if awk '/^\[/ { desk = index($0, "[Control Panel\\\\Desktop]") == 1 } desk && /^"LogPixels"=/ { found = 1 }
         END { exit !found }' "$WINEPREFIX/user.reg" 2>/dev/null; then
  "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
fi

# The screen's size, from a display that may still be resetting after the
# test before (one given by the caller need not have -noreset).
_tries=0
until SCREEN_DIM=$(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\).*/\1/p' | head -n1) &&
      [ -n "$SCREEN_DIM" ]; do
  _tries=$((_tries + 1))
  if [ "$_tries" -ge 100 ]; then
    echo "FAIL: the display $DISPLAY cannot be opened"
    exit 1
  fi
  sleep 0.2
done
SCREEN_W=${SCREEN_DIM%x*}
SCREEN_H=${SCREEN_DIM#*x}
SCR_DIR=$(dirname "$SCR")

# The saver's settings: all defaults, or one value set.
reset_settings() { "$WINE" reg delete 'HKCU\Software\Sylvadra' /f >/dev/null 2>&1; }
set_setting() { "$WINE" reg add 'HKCU\Software\Sylvadra\Settings' /v "$1" /d "$2" /f >/dev/null 2>&1; }

# The system's screen-saver activation, read and set by the test host.
activation() { "$WINE" "$PREVHOST" spi-get 2>/dev/null | tr -d '\r' | sed -n 's/^active=//p'; }
set_activation() { "$WINE" "$PREVHOST" spi-set "$1" >/dev/null 2>&1; }

# The wallpaper file the saver writes (beside the .scr, else in the
# per-user data folder of the prefix).
wallpaper_files() {
  ls "$SCR_DIR/Sylvadra.bmp" "$WINEPREFIX"/drive_c/users/*/AppData/Local/Sylvadra/Sylvadra.bmp \
     "$WINEPREFIX"/drive_c/users/*/"Local Settings"/"Application Data"/Sylvadra/Sylvadra.bmp 2>/dev/null
}
remove_wallpapers() { wallpaper_files | while IFS= read -r f; do rm -f "$f"; done; }

start_saver() {
  "$WINE" "$SCR" "$@" >"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
}

saver_running() { [ -n "$SAVER_PID" ] && kill -0 "$SAVER_PID" 2>/dev/null; }

# Runs a check (a command and its arguments) until it holds or $1 seconds
# have passed by the clock (times E2E_TIME_SCALE, for slow machines); true
# when it held. Checks wait for what they look for instead of sleeping a
# fixed time, so that a busy machine only makes them slower.
wait_until() {
  _deadline=$(( $(date +%s) + $1 * ${E2E_TIME_SCALE:-1} ))
  shift
  while :; do
    "$@" && return 0
    [ "$(date +%s)" -lt "$_deadline" ] || return 1
    sleep 0.2
  done
}

saver_ended() { saver_running && return 1; wait "$SAVER_PID" 2>/dev/null; SAVER_PID=; return 0; }
# Waits up to $1 seconds for the saver to end; true when it has.
wait_saver_end() { wait_until "$1" saver_ended; }

shot() { import -window root "$WORK/$1.png" 2>/dev/null; }

# "r g b" means (0..1) of a region WxH+X+Y of a picture.
region_means() {
  convert "$1" -crop "$2" +repage -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info: 2>/dev/null
}

# A landscape is on the screen (or on its top-left W x H, $2 and $3): the
# picture is not black, and its top rows are sky (blue clearly above red
# and bright enough).
is_landscape() {
  _w=${2:-$SCREEN_W} _h=${3:-$SCREEN_H}
  _top=$(region_means "$1" "${_w}x$((_h / 20))+0+0")
  _all=$(region_means "$1" "${_w}x${_h}+0+0")
  [ -n "$_top" ] && [ -n "$_all" ] || return 1
  echo "$_top $_all" | awk '{ exit !($3 > 0.45 && $3 > $1 + 0.15 && ($4 + $5 + $6) > 0.3) }'
}

# Waits up to $1 seconds for a landscape; prints how long it took. False at
# once when the saver ends.
landscape_shown() { saver_running || return 2; shot wait; is_landscape "$WORK/wait.png"; }
landscape_or_end() { landscape_shown; [ $? != 1 ]; }
wait_landscape() {
  _start=$(date +%s.%N)
  wait_until "$1" landscape_or_end && saver_running || return 1
  echo "$(date +%s.%N) $_start" | awk '{ printf "%.1f\n", $1 - $2 }'
}

# Number of pixels that differ between two pictures in a region.
pixels_differing() {
  convert "$1" "$2" -crop "$3" +repage -compose difference -composite -threshold 0 \
    -format '%[fx:mean*w*h]' info: 2>/dev/null | awk '{ printf "%d\n", $1 }'
}

# The bounding box WxH+X+Y of the pure white pixels (printed text) in a
# region of a picture, and its width and height.
white_box() {
  convert "$1" -crop "$2" +repage -fx '(r>0.97&&g>0.97&&b>0.97)?1:0' -format '%@' info: 2>/dev/null
}
box_w() { echo "$1" | sed -n 's/^\([0-9]*\)x.*/\1/p'; }
box_h() { echo "$1" | sed -n 's/^[0-9]*x\([0-9]*\)+.*/\1/p'; }

# A frame of a window of W x H ($1, $2) at the screen's top-left corner
# shows the date and time at 96 dpi in its bottom-left corner (box: where
# the white pixels lie). The screenshot is left in date.png.
frame_with_date() {
  shot date
  box=$(white_box "$WORK/date.png" "$(($1 / 2))x40+0+$(($2 - 40))")
  [ "$(box_w "$box")" -ge 100 ] 2>/dev/null && [ "$(box_h "$box")" -ge 6 ] 2>/dev/null
}

finish() {
  if [ "$FAILED" = 0 ]; then log "PASS"; exit 0; fi
  [ -f "$WORK/saver.log" ] && sed 's/^/saver: /' "$WORK/saver.log" | tail -n 20
  exit 1
}
