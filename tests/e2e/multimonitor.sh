#!/bin/bash
# Two monitors side by side: an X server with the dummy video driver and two
# RandR outputs, 800x600 (primary) and 640x480 to its right. Full screen,
# each monitor shows a landscape of its own at its own size, and both
# animate; a key ends both, the wallpaper is the primary's landscape; a
# mouse click on the second monitor ends both as well. Then --set-wallpaper
# composes a wallpaper for each of them. Skipped (exit 77) when not run as
# root.
OWN_X_SERVER=1
. "$(dirname "$0")/lib.bash"

# Xorg takes a configuration file from anywhere only when root starts it.
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: the X server with two monitors needs root"
  exit 77
fi
for tool in Xorg xrandr; do command -v "$tool" >/dev/null || fail "$tool is missing (make deps installs it)"; done
[ -f /usr/lib/xorg/modules/drivers/dummy_drv.so ] || fail "the dummy video driver is missing (make deps installs it)"

W0=800 H0=600 W1=640 H1=480
DISP=$(free_display) || fail "no free display number"
export DISPLAY=":$DISP"
mkdir -p "$WORK/xorg.d"
Xorg ":$DISP" -config "$(cd "$(dirname "$0")/.." && pwd)/xorg-dummy.conf" -configdir "$WORK/xorg.d" -noreset -nolisten tcp -sharevts -novtswitch \
  -logfile "$WORK/xorg.log" >/dev/null 2>&1 &
XVFB_PID=$!
wait_x || fail "the X server did not start: $(grep -F '(EE)' "$WORK/xorg.log" | head -5)"
xrandr --output DUMMY0 --mode ${W0}x${H0} --primary &&
  xrandr --addmode DUMMY1 ${W1}x${H1} &&
  xrandr --output DUMMY1 --mode ${W1}x${H1} --right-of DUMMY0 || fail "cannot set up the two monitors"
# (xrandr without arguments also polls the outputs, after which the second
# one counts as connected for every client.)
xrandr | grep -q "^DUMMY1 connected ${W1}x${H1}+${W0}+0" || fail "the second monitor is not right of the first: $(xrandr)"
ok "two monitors: ${W0}x${H0}+0+0 and ${W1}x${H1}+${W0}+0"

HEAD0="${W0}x${H0}+0+0" HEAD1="${W1}x${H1}+${W0}+0"
sky() { # $1 picture, $2 width, $3 x offset: blue above red in the top rows
  set -- $(mean_rgb "$1" "${2}x30+${3}+0")
  [ "${3:-0}" -gt 60 ] && [ "${3:-0}" -gt "${1:-0}" ]
}
# Waits until both monitors show a landscape.
wait_both() {
  for _ in $(seq 150); do
    shot "$WORK/m.png"
    sky "$WORK/m.png" $W0 0 && sky "$WORK/m.png" $W1 $W0 && return 0
    sleep 0.2
  done
  return 1
}

"$EXE" --seed 5 /S & PID=$!
wait_both || fail "not both monitors show a landscape (left: $(mean_rgb "$WORK/m.png" "${W0}x30+0+0"), right: $(mean_rgb "$WORK/m.png" "${W1}x30+${W0}+0"))"
ok "a landscape on both monitors"
# Each is a picture, composed at its monitor's size: the second one reaches
# its bottom row, and nothing is drawn below it, where no monitor is.
for head in "$HEAD0" "$HEAD1"; do
  [ "$(convert "$WORK/m.png" -crop "$head" +repage -format '%k' info:)" -gt 200 ] || fail "monitor $head shows a plain picture"
done
set -- $(mean_rgb "$WORK/m.png" "${W1}x4+${W0}+$((H1 - 4))")
[ $(( $1 + $2 + $3 )) -gt 30 ] || fail "the second monitor's landscape does not reach its bottom ($*)"
set -- $(mean_rgb "$WORK/m.png" "${W1}x$((H0 - H1))+${W0}+${H1}")
[ $(( $1 + $2 + $3 )) -lt 10 ] || fail "something is drawn outside the monitors ($*)"
# Two landscapes, not one drawn twice: the common 640x480 corner differs in
# most of its pixels.
convert "$WORK/m.png" -crop "${W1}x${H1}+0+0" +repage "$WORK/left.png"
convert "$WORK/m.png" -crop "$HEAD1" +repage "$WORK/right.png"
d=$(differing "$WORK/left.png" "$WORK/right.png" "${W1}x${H1}+0+0")
[ "${d:-0}" -gt $(( W1 * H1 / 3 )) ] || fail "the two monitors show the same landscape ($d pixels differ)"
ok "each monitor has a landscape of its own at its size ($d of $((W1 * H1)) pixels differ)"
# Both animate: each prints the time of day, seconds and all, in its
# bottom-left corner in every frame.
sleep 1.5
shot "$WORK/m2.png"
for head in "240x30+0+$((H0 - 30))" "240x30+${W0}+$((H1 - 30))"; do
  d=$(differing "$WORK/m.png" "$WORK/m2.png" "$head")
  [ "${d:-0}" -gt 0 ] || fail "the clock does not change in $head"
done
ok "both monitors animate"

# The second monitor takes another mode while the saver runs: its window
# follows it, with a landscape composed for the new size (the date line at
# its new bottom).
xrandr --addmode DUMMY1 ${W0}x${H0} && xrandr --output DUMMY1 --mode ${W0}x${H0} --right-of DUMMY0 ||
  fail "cannot change the second monitor's mode"
refitted() {
  shot "$WORK/m3.png"
  set -- $(mean_rgb "$WORK/m3.png" "${W0}x4+${W0}+$((H0 - 4))")
  [ $(( $1 + $2 + $3 )) -gt 30 ] || return 1
  [ "$(convert "$WORK/m3.png" -crop "90x14+$((W0 + 4))+$((H0 - 16))" +repage \
        -fx '(r>0.9&&g>0.9&&b>0.9)?1:0' -format '%[fx:int(mean*w*h)]' info:)" -gt 20 ]
}
wait_until 200 refitted || fail "the second monitor's window did not follow its new mode"
ok "a new mode of the second monitor: a landscape at ${W0}x${H0} there"

# One key ends both; the wallpaper is the primary's landscape.
xdotool key a
wait_end $PID 100 || fail "a key did not end the saver"
wait $PID
[ -f "$WORK/app/Sylvadra.bmp" ] || fail "no wallpaper"
size=$(identify -format '%wx%h' "$WORK/app/Sylvadra.bmp")
[ "$size" = "${W0}x${H0}" ] || fail "the wallpaper is $size, not the primary's ${W0}x${H0}"
shot "$WORK/after.png"
set -- $(mean_rgb "$WORK/after.png" "$HEAD1")
[ $(( $1 + $2 + $3 )) -lt 10 ] || fail "the second monitor still shows a picture ($*)"
ok "a key ended both; wallpaper at ${size}"

# A click on the second monitor ends both. The pointer is put there before
# the start: moving it there during the run would be a real mouse movement,
# which ends the saver by itself.
xdotool mousemove $((W0 + W1 / 2)) $((H1 / 2))
"$EXE" --seed 6 & PID=$!
wait_both || fail "no landscapes the second time"
sleep 0.5
alive $PID || fail "the saver ended by itself"
xdotool click 1
wait_end $PID 100 || fail "a click on the second monitor did not end the saver"
saver_gone
ok "a click on the second monitor ended both"

# sylvadra --set-wallpaper on the two monitors, under GNOME with GSettings on
# a key file of the test's own (nothing reaches the user's settings): a new
# landscape for each monitor at its size, and one picture of both at their
# places that GNOME spans over them. Of four runs the newest three sets
# stay; a link planted under a set's name is left alone, and so is what it
# points to.
command -v gsettings >/dev/null || fail "gsettings is missing (make deps installs it)"
xrandr --output DUMMY1 --mode ${W1}x${H1} --right-of DUMMY0 && xrandr | grep -q "^DUMMY1 connected ${W1}x${H1}+${W0}+0" ||
  fail "cannot give the second monitor its first mode back"
WALL="$XDG_DATA_HOME/sylvadra/wallpaper"
mkdir -p "$WALL" && chmod 700 "$WALL"
echo keep > "$WORK/victim"
ln -s "$WORK/victim" "$WALL/landscape-20000101-000000-1-1.png"
export GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=GNOME
for run in 1 2 3 4; do
  out=$("$EXE" --set-wallpaper 2>&1) || fail "--set-wallpaper failed: $out"
done
[ -f "$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" ] || fail "GSettings did not write the test's key file"
sets=$(ls "$WALL" | grep -c -- '-all\.png$')
[ "$sets" = 3 ] || fail "$sets sets kept, not 3: $(ls "$WALL")"
[ "$(ls "$WALL" | grep -c '^landscape-.*\.png$')" = 10 ] || fail "not 3 sets of 3 pictures (and the link): $(ls "$WALL")"
[ -L "$WALL/landscape-20000101-000000-1-1.png" ] && [ "$(cat "$WORK/victim")" = keep ] ||
  fail "the planted link or its target was touched"
newest=$(ls "$WALL" | grep -- '-all\.png$' | sort -t- -k2,2 -k3,3 -k4,4n | tail -1)
newest="$WALL/${newest%-all.png}"
for pic in "$newest-1.png:${W0}x${H0}" "$newest-2.png:${W1}x${H1}" "$newest-all.png:$((W0 + W1))x${H0}"; do
  size=$(identify -format '%wx%h' "${pic%%:*}") && [ "$size" = "${pic##*:}" ] || fail "${pic%%:*} is ${size:-no picture}, not ${pic##*:}"
done
[ "$(gsettings get org.gnome.desktop.background picture-uri)" = "'file://$newest-all.png'" ] ||
  fail "GNOME was given $(gsettings get org.gnome.desktop.background picture-uri), not $newest-all.png"
[ "$(gsettings get org.gnome.desktop.background picture-options)" = "'spanned'" ] ||
  fail "the picture is not spanned: $(gsettings get org.gnome.desktop.background picture-options)"
# Each monitor's landscape at its place, and a landscape, not a plain picture.
d0=$(differing "$newest-all.png" "$newest-1.png" "${W0}x${H0}+0+0")
convert "$newest-all.png" -crop "${W1}x${H1}+${W0}+0" +repage "$WORK/right-part.png"
d1=$(differing "$WORK/right-part.png" "$newest-2.png" "${W1}x${H1}+0+0")
[ "$d0" = 0 ] && [ "$d1" = 0 ] || fail "the spanned picture does not hold the monitors' pictures ($d0, $d1 pixels differ)"
[ "$(convert "$newest-2.png" -format '%k' info:)" -gt 200 ] || fail "the second monitor's picture is plain"
ok "--set-wallpaper: ${W0}x${H0} and ${W1}x${H1} landscapes spanned on GNOME; 3 sets of 4 runs kept"

# With no desktop to reach at all (no display, no known desktop's session
# bus) nothing is composed: one line on stderr and status 1, so that the
# daily timer's service tries again.
before=$(ls "$WALL" | wc -l)
env -u DISPLAY -u WAYLAND_DISPLAY -u SWAYSOCK -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$WORK/none" XDG_CURRENT_DESKTOP= \
  "$EXE" --set-wallpaper >"$WORK/out" 2>"$WORK/err" && fail "--set-wallpaper without any desktop: status 0 ($(cat "$WORK/out"))"
[ "$(wc -l < "$WORK/err")" = 1 ] && grep -q "^sylvadra: no desktop to give the wallpaper to" "$WORK/err" ||
  fail "without any desktop, not one line on stderr: $(cat "$WORK/err" "$WORK/out")"
[ "$(ls "$WALL" | wc -l)" = "$before" ] || fail "pictures written without any desktop"
# Without a display, GNOME on its session bus gets 1920 x 1080 pictures.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/no-bus"
out=$(env -u DISPLAY "$EXE" --set-wallpaper 2>"$WORK/err") || fail "--set-wallpaper without a display failed: $(cat "$WORK/err")"
[ ! -s "$WORK/err" ] || fail "noise on stderr: $(cat "$WORK/err")"
pic=$(echo "$out" | sed -n 's|^sylvadra: the wallpaper is \(/[^ ]*\.png\)$|\1|p')
[ -n "$pic" ] && [ "$(identify -format '%wx%h' "$pic")" = 1920x1080 ] || fail "no 1920x1080 picture named: $out"
# Three runs at once: each announces a set of its own, and all three stay.
pids=
for i in 1 2 3; do
  env -u DISPLAY "$EXE" --set-wallpaper >"$WORK/par$i" 2>&1 & pids="$pids $!"
done
for p in $pids; do wait "$p" || fail "a concurrent --set-wallpaper failed: $(cat "$WORK"/par[123])"; done
pics=$(sed -n 's|^sylvadra: the wallpaper is \(/[^ ]*\.png\)$|\1|p' "$WORK"/par[123] | sort -u)
[ "$(echo "$pics" | wc -w)" = 3 ] || fail "three runs at once did not announce three pictures: $(cat "$WORK"/par[123])"
for p in $pics; do
  [ "$(identify -format '%wx%h' "$p" 2>/dev/null)" = 1920x1080 ] || fail "$p, announced by a concurrent run, is lost"
done
DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/no-bus" XDG_CURRENT_DESKTOP=KDE "$EXE" --set-wallpaper >/dev/null 2>"$WORK/err" &&
  fail "a desktop that cannot be reached is no failure"
[ "$(wc -l < "$WORK/err")" = 1 ] && grep -q "^sylvadra: the wallpaper is not set: " "$WORK/err" ||
  fail "not one line on stderr: $(cat "$WORK/err")"
ok "no desktop at all: status 1; without a display: $pic; three runs at once: three sets; an unreachable desktop: $(cat "$WORK/err")"
exit 0
