#!/bin/bash
# The full-screen saver: the landscape is shown within seconds with sky
# at the top, the clouds move, small mouse moves do not end it and a real
# one does, a key ends it, and the wallpaper file is written or not; a
# second saver started beside it ends at once.
. "$(dirname "$0")/lib.bash"

start=$(date +%s%N)
"$EXE" --seed 1 /S & PID=$!
wait_scene || fail "no landscape on the screen"
# The time until the screenshot that showed it was taken.
elapsed=$(( (SHOT_STARTED - start) / 1000000 ))
# How fast it comes is measured by tools/firstframe on a quiet machine; here
# it must come, also on a busy one. Sanitized builds run slower:
# E2E_TIME_SCALE stretches the limit.
[ "$elapsed" -lt $((10000 * ${E2E_TIME_SCALE:-1})) ] || fail "the landscape took $elapsed ms"
ok "landscape shown after $elapsed ms"
shot "$WORK/a.png"
set -- $(mean_rgb "$WORK/a.png" "${SCREEN_W}x40+0+0")
[ "$3" -gt "$1" ] || fail "the top rows are not sky-coloured ($*)"
ok "sky at the top ($*)"
# The clouds drift: the top quarter changes.
sleep 1.5
shot "$WORK/b.png"
d=$(differing "$WORK/a.png" "$WORK/b.png" "${SCREEN_W}x$((SCREEN_H / 4))+0+0")
[ "${d:-0}" -gt 0 ] || fail "the clouds do not move"
ok "clouds moved ($d pixels)"

# The window changes its size and comes back: the picture goes on being
# shown (its clock line changes each second), then fills the screen again.
WINID=$(xwininfo -root -children | awk '/"Sylvadra"/ {print $1; exit}')
[ -n "$WINID" ] || fail "no saver window found"
xdotool windowsize "$WINID" $((SCREEN_W / 2)) $((SCREEN_H / 2)); sleep 0.8
alive $PID || fail "a smaller window ended the saver"
xdotool windowsize "$WINID" "$SCREEN_W" "$SCREEN_H"; sleep 0.8
shot "$WORK/c.png"
sleep 1.2
shot "$WORK/d.png"
d=$(differing "$WORK/c.png" "$WORK/d.png" "200x24+0+$((SCREEN_H - 24))")
[ "${d:-0}" -gt 0 ] || fail "the clock line stood still after the window's size changed"
set -- $(mean_rgb "$WORK/d.png" "200x100+$((SCREEN_W - 200))+$((SCREEN_H - 100))")
[ $(( $1 + $2 + $3 )) -gt 60 ] || fail "the landscape is gone from the bottom-right corner ($*)"
ok "shown through a change of the window's size"
# Frames go to the server from an image of the saver's own in memory it
# shares with it (no wait for the server at each frame): a private
# segment the saver made, held by both.
own=
for id in $(ipcs -m -p | awk -v p="$PID" '$3 == p { print $1 }'); do
  ipcs -m | awk -v id="$id" '$2 == id && $4 == 600 && $6 == 2 { f = 1 } END { exit !f }' && own=$id
done
[ -n "$own" ] || fail "the window is not shown from a shared image of the saver's own ($(ipcs -m | tail -n +4))"
ok "frames from the saver's own shared image"

# Mouse: the first position seen is the reference; moves that stay within
# 2 pixels of it do not end the saver, and small steps add up until the
# pointer is 3 pixels away. The pointer starts where the server put it; the
# window may already have reported that position as its first move (else
# the first move is the reference).
eval "$(xdotool getmouselocation --shell)"
xdotool mousemove $((X + 1)) $((Y + 1)); sleep 0.4
alive $PID || fail "the first mouse move ended the saver"
xdotool mousemove $((X + 2)) $((Y + 2)); sleep 0.4
alive $PID || fail "a move within 2 pixels of the first position ended the saver"
xdotool mousemove $((X + 4)) $((Y + 2))
wait_end $PID 50 || fail "2-pixel steps that add up to 3 pixels did not end the saver"
ok "mouse rule"
wait $PID
[ -f "$WORK/app/Sylvadra.bmp" ] || fail "no wallpaper file"
size=$(identify -format '%wx%h' "$WORK/app/Sylvadra.bmp")
[ "$size" = "${SCREEN_W}x${SCREEN_H}" ] || fail "wallpaper is $size"
# The copyright line near the bottom-left corner: light text on the landscape.
bright=$(convert "$WORK/app/Sylvadra.bmp" -crop 300x30+5+$((SCREEN_H - 35)) +repage -threshold 92% -format '%[fx:mean*w*h]' info:)
[ "${bright%.*}" -gt 10 ] || fail "no copyright line on the wallpaper"
ok "wallpaper written at $size"
ls "$WORK/app"/*.tmp 2>/dev/null && fail "a temporary file was left"

# A key ends it; with Wallpaper 0 no file is written.
rm -f "$WORK/app/Sylvadra.bmp"
settings_ini "Wallpaper=0"
"$EXE" /s & PID=$!
wait_scene || fail "no landscape the second time"
# One saver at a time: a second /S (an idle daemon's next timeout) ends at
# once with status 0 and no window; the scene in the root window still runs.
timeout 5 "$EXE" /S 2>"$WORK/err" || fail "a second saver: status $? ($(cat "$WORK/err"))"
[ ! -s "$WORK/err" ] || fail "a second saver: $(cat "$WORK/err")"
n=$(xwininfo -root -children | grep -c '"Sylvadra"')
[ "$n" = 1 ] || fail "$n saver windows"
timeout 2 "$EXE" --root; [ $? = 124 ] || fail "--root did not run beside the saver"
alive $PID || fail "the second saver ended the first"
ok "a second saver ends at once"
xdotool key a
wait_end $PID 50 || fail "a key did not end the saver"
[ -f "$WORK/app/Sylvadra.bmp" ] && fail "wallpaper written with Wallpaper 0"
ok "key ends, no wallpaper with Wallpaper 0"

# The desktop's background (--background) on X11: a desktop-type window
# below all others that keys go past; still while the machine is on battery
# (a stand-in UPower on a bus of the test's own), moving on mains power;
# nothing drawn while a window covers it; SIGTERM ends it with status 0 and
# no wallpaper written.
settings_ini "Sharp=0"
dbus-daemon --session --address="unix:path=$WORK/bus" --nofork --print-address=1 >"$WORK/bus.address" 2>/dev/null &
BUS=$!
wait_until 50 test -s "$WORK/bus.address" || fail "no bus of the test's own"
export DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/bus.address") DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$WORK/bus.address")
coproc UPOWER { exec "$(dirname "$0")/../fakes/upower.py" 1; }
read -r -t 10 _ <&"${UPOWER[0]}" || fail "the stand-in UPower did not start"
"$EXE" --background --seed 2 & PID=$!
wait_scene || fail "no landscape in the background"
BGWIN=$(xwininfo -root -children | awk '/"Sylvadra"/ {print $1; exit}')
xprop -id "$BGWIN" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DESKTOP' || fail "not a desktop-type window"
xprop -id "$BGWIN" _NET_WM_STATE | grep -q '_NET_WM_STATE_BELOW' || fail "not below the other windows"
xdotool key a; sleep 0.5
alive $PID || fail "a key ended the background"
top="${SCREEN_W}x$((SCREEN_H * 3 / 4))+0+0"
shot "$WORK/a.png"; sleep 2; shot "$WORK/b.png"
d=$(differing "$WORK/a.png" "$WORK/b.png" "$top")
[ "${d:-1}" = 0 ] || fail "on battery the background moves ($d pixels in 2 s)"
kill -USR1 "$UPOWER_PID"
sleep 0.5; shot "$WORK/a.png"; sleep 1.5; shot "$WORK/b.png"
d=$(differing "$WORK/a.png" "$WORK/b.png" "$top")
[ "${d:-0}" -gt 0 ] || fail "on mains power the background does not move"
cpu_ticks() { awk '{print $14 + $15}' "/proc/$PID/stat"; }
coproc COVER { "$BUILD/tests/sylvadra_xhost" "$SCREEN_W" "$SCREEN_H" 0 0; }
read -r _ <&"${COVER[0]}"
sleep 1
before=$(cpu_ticks); sleep 5; after=$(cpu_ticks)
[ $((after - before)) -le 2 ] || fail "covered, the background used $((after - before)) ticks in 5 s"
exec {COVER[1]}>&-
wait "$COVER_PID" 2>/dev/null
kill -TERM $PID
wait_end $PID 50 || fail "SIGTERM did not end the background"
wait $PID; st=$?
[ $st = 0 ] || fail "the background ended with status $st"
[ -f "$WORK/app/Sylvadra.bmp" ] && fail "a wallpaper was written at the end of the background"
kill "$UPOWER_PID" "$BUS"
unset DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS
ok "--background: a desktop window, keys go past, still on battery, moving on mains, $((after - before)) ticks in 5 s covered, SIGTERM ends it"

# An unknown switch ends at once.
timeout 5 "$EXE" /x || fail "/x did not end cleanly"
ok "/x ends at once"

# Without a display the modes that need one end at once with a message
# (never on a driver that shows nothing), unless SDL_VIDEODRIVER asks for one.
for mode in /S /P\ 1234 /C; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 5 "$EXE" $mode 2>"$WORK/err" &&
    fail "$mode without a display: status 0"
  [ $? != 124 ] || fail "$mode without a display: still running after 5 s"
  grep -q 'no display' "$WORK/err" || fail "$mode without a display: no message ($(cat "$WORK/err"))"
done
ok "no display: the modes end at once with a message"
saver_gone
exit 0
