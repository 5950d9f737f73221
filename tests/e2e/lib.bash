# Shared set-up of the end-to-end tests: a private X server, private
# settings and data folders, and a copy of the program in a folder of its
# own (the wallpaper and the protocol are written beside it).
# Arguments of every test: $1 the sylvadra executable, $2 the build folder.
set -u
EXE_SRC="$1"
BUILD="$2"
WORK=$(mktemp -d)
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$WORK/app"
# A runtime folder of the test's own: the saver's lock (one full-screen
# saver at a time) is the test's, so that tests running side by side do not
# take each other's.
export XDG_RUNTIME_DIR="$WORK/xdg-runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$EXE_SRC" "$WORK/app/sylvadra"
EXE="$WORK/app/sylvadra"
unset XSCREENSAVER_WINDOW
# The scripts run their own display servers: never a desktop's compositor.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
# A program built with the sanitizers writes its reports into $WORK instead
# of its standard error; any report fails the test when the script ends,
# whatever the program's exit status was.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}log_path=$WORK/sanitizer"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=$WORK/sanitizer"
SCREEN_W=${SCREEN_W:-1024}
SCREEN_H=${SCREEN_H:-768}

# A display number that no X server uses.
free_display() {
  for n in $(shuf -i 100-199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return 0; fi
  done
  return 1
}
# Waits until the X server of $DISPLAY answers.
wait_x() { for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }

# A test that needs an X server of another kind sets OWN_X_SERVER=1 before
# sourcing this file, starts its server itself and sets XVFB_PID to it.
XVFB_PID=
if [ -z "${OWN_X_SERVER:-}" ]; then
  DISP=$(free_display)
  Xvfb ":$DISP" -noreset -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$DISP"
  wait_x
fi

cleanup() {
  local status=$?
  pkill -f "$WORK/app/sylvadra" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  if ls "$WORK"/sanitizer.* >/dev/null 2>&1; then
    cat "$WORK"/sanitizer.*
    echo "FAIL: a sanitizer report (above)"
    status=1
  fi
  rm -rf "$WORK"
  exit $status
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }
ok() { echo "ok: $*"; }

shot() { import -window root "$1" 2>/dev/null; }
# The mean colour of a region as "r g b" (0..255).
mean_rgb() { convert "$1" -crop "$2" +repage -resize 1x1\! -depth 8 txt:- | sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -1; }
# Number of pixels that differ between two pictures in a region.
differing() {
  convert "$1" -crop "$3" +repage "$WORK/d1.png"
  convert "$2" -crop "$3" +repage "$WORK/d2.png"
  compare -metric AE "$WORK/d1.png" "$WORK/d2.png" null: 2>&1 | sed 's/[^0-9].*//'
}
alive() { kill -0 "$1" 2>/dev/null; }
# Waits up to $1 tenths of a second until the command that follows succeeds.
wait_until() { local n=$1; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done; "$@"; }
# No saver process of this test is left behind: each one ends within five
# seconds of the end of the test's steps.
saver_gone() {
  local pattern="^$WORK/[^ ]*/sylvadra( |\$)"
  wait_until 50 eval '! pgrep -f "$pattern" >/dev/null' ||
    fail "a saver process was left behind: $(pgrep -af "$pattern")"
  ok "no saver process left"
}
# Waits up to $2 tenths of a second for process $1 to end.
wait_end() { for _ in $(seq "$2"); do alive "$1" || return 0; sleep 0.1; done; return 1; }
# Waits until the screen is no longer black (the scene is shown).
wait_scene() {
  for _ in $(seq $((100 * ${E2E_TIME_SCALE:-1}))); do
    SHOT_STARTED=$(date +%s%N)
    shot "$WORK/w.png"
    set -- $(mean_rgb "$WORK/w.png" "${SCREEN_W}x40+0+0")
    [ "${1:-0}" -gt 20 ] || [ "${3:-0}" -gt 20 ] && return 0
    sleep 0.1
  done
  return 1
}
settings_ini() { mkdir -p "$XDG_CONFIG_HOME/sylvadra"; printf '[Settings]\n%s\n' "$*" > "$XDG_CONFIG_HOME/sylvadra/settings.ini"; }
