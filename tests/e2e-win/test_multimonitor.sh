#!/bin/sh
# /S on two monitors: an X server of its own with the dummy video driver and
# two RandR outputs, the primary 800x600 and a second one of 640x480 to its
# left, so that the second lies at negative coordinates of the virtual
# screen. Each monitor shows a landscape of its own at its own size, both
# animate, a key press ends both and leaves no window behind, the wallpaper
# is the primary's landscape; a click on the second monitor ends both too.
# Skipped (77) when the X server, xrandr or the dummy driver is missing, or
# when not run as root (Xorg takes a configuration file from anywhere only
# when root starts it).

if [ "$(id -u)" != 0 ]; then
  echo "SKIP: the X server with two monitors needs root"
  exit 77
fi
for tool in Xorg xrandr xdpyinfo xdotool import convert; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing (make deps installs it)"; exit 77; }
done
if [ ! -f /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
  echo "SKIP: the dummy video driver is missing (make deps installs it)"
  exit 77
fi

# The X server, before lib.sh: Wine's processes take the display from the
# start of the test's wineserver on.
XDIR=$(mktemp -d "${TMPDIR:-/tmp}/sylvadra-e2e-win-x.XXXXXX")
DISP=
for n in $(shuf -i 100-199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then DISP=$n; break; fi
done
if [ -z "$DISP" ]; then echo "FAIL: no free display number"; rm -rf "$XDIR"; exit 1; fi
mkdir -p "$XDIR/xorg.d"
Xorg ":$DISP" -config "$(cd "$(dirname "$0")/.." && pwd)/xorg-dummy.conf" -configdir "$XDIR/xorg.d" -noreset -nolisten tcp -sharevts -novtswitch \
  -logfile "$XDIR/xorg.log" >/dev/null 2>&1 &
XORG_PID=$!
export DISPLAY=":$DISP"
stop_x() {
  kill "$XORG_PID" 2>/dev/null
  wait "$XORG_PID" 2>/dev/null
  rm -rf "$XDIR"
}
up=0
for _ in $(seq 100); do
  if xdpyinfo >/dev/null 2>&1; then up=1; break; fi
  sleep 0.1
done
if [ "$up" = 0 ]; then
  echo "FAIL: the X server did not start: $(grep -F '(EE)' "$XDIR/xorg.log" | head -5)"
  stop_x
  exit 1
fi

W0=800 H0=600 W1=640 H1=480
# (The second output counts as connected once xrandr has polled the
# outputs, after the first call; both are then placed in one go.)
if ! { xrandr --output DUMMY0 --mode ${W0}x${H0} --primary &&
       xrandr --addmode DUMMY1 ${W1}x${H1} &&
       xrandr --output DUMMY1 --mode ${W1}x${H1} --pos 0x0 --output DUMMY0 --mode ${W0}x${H0} --pos ${W1}x0 &&
       xrandr | grep -q "^DUMMY0 connected primary ${W0}x${H0}+${W1}+0" &&
       xrandr | grep -q "^DUMMY1 connected ${W1}x${H1}+0+0"; }; then
  echo "FAIL: cannot set up the two monitors: $(xrandr 2>&1)"
  stop_x
  exit 1
fi

. "$(dirname "$0")/lib.sh"
trap 'cleanup; stop_x' EXIT

# The monitors on the X screen: the second one left of the primary.
HEAD0="${W0}x${H0}+${W1}+0" HEAD1="${W1}x${H1}+0+0"
log "two monitors on the X screen: primary $HEAD0, second $HEAD1"
# Under Wine the virtual screen has its origin at the primary's top-left
# corner: the second monitor lies at negative coordinates.
mons=$("$WINE" "$PREVHOST" monitors 2>/dev/null | tr -d '\r')
log "the monitors as Windows lists them: $(echo $mons)"
echo "$mons" | grep -q "^MONITOR 0 0 $W0 $H0 1\$" || fail "no primary monitor ${W0}x${H0} at 0,0"
echo "$mons" | grep -q "^MONITOR -$W1 0 $W1 $H1 0\$" || fail "no second monitor ${W1}x${H1} at -$W1,0"

# Blue above red and bright enough in the top rows of a monitor.
sky() { # $1 picture, $2 region
  _m=$(region_means "$1" "$2")
  [ -n "$_m" ] && echo "$_m" | awk '{ exit !($3 > 0.3 && $3 > $1 + 0.1) }'
}
# Both monitors show a sky, and (with "date") both print the date and time,
# so that their landscapes are complete.
both_shown() {
  saver_running || return 0
  shot m
  sky "$WORK/m.png" "${W0}x30+${W1}+0" && sky "$WORK/m.png" "${W1}x30+0+0" || return 1
  [ "$1" = date ] || return 0
  for _head in "300x40+${W1}+$((H0 - 40))" "300x40+0+$((H1 - 40))"; do
    _box=$(white_box "$WORK/m.png" "$_head")
    [ "$(box_w "$_box")" -ge 100 ] 2>/dev/null || return 1
  done
}
wait_both() { wait_until 60 both_shown "$@" && saver_running; }
# The sum of the red, green and blue means (0..3) of a region.
brightness() { region_means "$1" "$2" | awk '{ printf "%.3f\n", $1 + $2 + $3 }'; }
colours() { convert "$1" -crop "$2" +repage -format '%k' info: 2>/dev/null; }
our_windows() { xdotool search --onlyvisible --name '^Sylvadra$' 2>/dev/null | wc -l; }

reset_settings
remove_wallpapers
start_saver --seed 5 /S
if wait_both; then
  log "a landscape on both monitors"
else
  fail "not both monitors show a landscape (primary top $(region_means "$WORK/m.png" "${W0}x30+${W1}+0"), second top $(region_means "$WORK/m.png" "${W1}x30+0+0"))"
  finish
fi
wait_both date || fail "not both monitors print the date and time"
cp "$WORK/m.png" "$WORK/both.png"
[ -n "$KEEP_E2E" ] && cp "$WORK/m.png" "$BUILD/e2e-multimonitor.png"
log "$(our_windows) visible windows named Sylvadra"

# Each monitor shows a picture of its own, composed at its size: the second
# one down to its bottom row, and nothing below it, where no monitor is.
for head in "$HEAD0" "$HEAD1"; do
  k=$(colours "$WORK/m.png" "$head")
  log "monitor $head: ${k:-?} colours"
  [ "${k:-0}" -gt 200 ] || fail "monitor $head shows a plain picture"
done
b=$(brightness "$WORK/m.png" "${W1}x4+0+$((H1 - 4))")
log "bottom rows of the second monitor: brightness $b"
echo "$b" | awk '{ exit !($1 > 0.1) }' || fail "the second monitor's landscape does not reach its bottom"
b=$(brightness "$WORK/m.png" "${W1}x$((H0 - H1))+0+${H1}")
log "below the second monitor: brightness $b"
echo "$b" | awk '{ exit !($1 < 0.05) }' || fail "something is drawn outside the monitors"
# Two landscapes, not one drawn twice: the common 640x480 corners differ
# in most of their pixels.
convert "$WORK/m.png" -crop "${W1}x${H1}+${W1}+0" +repage "$WORK/left.png"
convert "$WORK/m.png" -crop "$HEAD1" +repage "$WORK/right.png"
d=$(pixels_differing "$WORK/left.png" "$WORK/right.png" "${W1}x${H1}+0+0")
log "$d of $((W1 * H1)) pixels differ between the two landscapes"
[ "${d:-0}" -gt $((W1 * H1 / 3)) ] || fail "the two monitors show the same landscape"

# Both animate: each prints the time of day, seconds and all, in its
# bottom-left corner in every frame.
clock_changed() {
  shot m2
  d=$(pixels_differing "$WORK/m.png" "$WORK/m2.png" "$1")
  [ "${d:-0}" -gt 0 ]
}
for head in "240x30+${W1}+$((H0 - 30))" "240x30+0+$((H1 - 30))"; do
  if wait_until 30 clock_changed "$head"; then log "clock region $head: $d pixels changed"
  else fail "the clock does not change in $head"; fi
done
# Frames go to the screen where they changed only: the text of each tick
# is where the frame has it, the date and time at the bottom-left corner
# (pure white, the width of "12/8/2026   6:06:49 AM" at 96 dpi).
for head in "300x40+${W1}+$((H0 - 40))" "300x40+0+$((H1 - 40))"; do
  box=$(convert "$WORK/m2.png" -crop "$head" +repage -fx '(r>0.97&&g>0.97&&b>0.97)?1:0' -format '%@' info: 2>/dev/null)
  log "date and time in $head: white pixels within $box"
  echo "$box" | awk -F'[x+]' '{ exit !($1 >= 100 && $2 >= 6 && $2 <= 16 && $4 >= 20) }' ||
    fail "no date and time at the bottom-left of $head"
done
saver_running || fail "the saver ended by itself"

# One key ends both, leaving no window; the wallpaper is the primary's.
xdotool key space
if wait_saver_end 30; then log "a key press ended the saver"; else fail "a key press did not end the saver"; finish; fi
windows_gone() { [ "$(our_windows)" = 0 ]; }
screens_dark() {
  windows_gone || return 1
  shot after
  for _head in "$HEAD0" "$HEAD1"; do
    brightness "$WORK/after.png" "$_head" | awk '{ exit !($1 < 0.05) }' || return 1
  done
}
wait_until 20 screens_dark
for head in "$HEAD0" "$HEAD1"; do
  b=$(brightness "$WORK/after.png" "$head")
  log "monitor $head afterwards: brightness $b"
  echo "$b" | awk '{ exit !($1 < 0.05) }' || fail "monitor $head still shows a picture"
done
n=$(our_windows)
[ "$n" = 0 ] || fail "$n windows left behind"
wp=$(wallpaper_files | head -n1)
size=$([ -n "$wp" ] && identify -format '%wx%h' "$wp" 2>/dev/null)
log "wallpaper: ${size:-none}"
[ "$size" = "${W0}x${H0}" ] || fail "the wallpaper is '${size}', not the primary's ${W0}x${H0}"

# A click on the second monitor ends both. The pointer is put there before
# the start: moving it there during the run would be a real mouse movement,
# which ends the saver by itself.
xdotool mousemove $((W1 / 2)) $((H1 / 2))
start_saver --seed 6 /S
if ! wait_both date; then fail "no landscapes the second time"; finish; fi
saver_running || fail "the saver ended by itself"
xdotool click 1
if wait_saver_end 30; then log "a click on the second monitor ended the saver"; else fail "a click on the second monitor did not end the saver"; fi
wait_until 20 windows_gone
n=$(our_windows)
[ "$n" = 0 ] || fail "$n windows left behind after the click"
finish
