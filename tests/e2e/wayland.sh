#!/bin/bash
# The full screen on Wayland compositors, without any X display.
# Weston's headless compositor (as root): the modes that need X end at once
# with a one-line message; /S shows a landscape that moves, and SIGTERM ends
# it through its normal ending. sway's headless compositor with two outputs
# (it refuses root: as a user the test creates): a full-screen surface on
# each output, a key typed on the virtual keyboard ends the saver, and the
# last landscape becomes sway's background through its IPC socket, and
# --set-wallpaper gives each output a new landscape of its size.
OWN_X_SERVER=1
. "$(dirname "$0")/lib.bash"
unset DISPLAY
for tool in weston weston-screenshooter sway swaymsg wtype; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
SCALE=${E2E_TIME_SCALE:-1}
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# ---- Weston ----
weston --backend=headless-backend.so --use-pixman --debug --idle-time=0 --no-config \
  --socket=sylvadra-e2e --width=1024 --height=768 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
export WAYLAND_DISPLAY=sylvadra-e2e
wait_until 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(cat "$WORK/weston.log")"
stop_weston() { kill "$WESTON_PID" 2>/dev/null; wait "$WESTON_PID" 2>/dev/null; }

# The preview and the scene in a window handed over are X11's only.
for mode in "/P 1234" "--root" "--window-id 0x200001"; do
  timeout 5 "$EXE" $mode 2>"$WORK/err"
  status=$?
  [ $status = 1 ] || { stop_weston; fail "$mode on Wayland: status $status"; }
  [ "$(wc -l <"$WORK/err")" = 1 ] && grep -q 'runs on X11 only' "$WORK/err" ||
    { stop_weston; fail "$mode on Wayland: no one-line message ($(cat "$WORK/err"))"; }
done
ok "/P, --root and --window-id end at once with a message"

# weston-screenshooter writes into the current folder, under the time.
mkdir "$WORK/shots"
wshot() {
  rm -f "$WORK"/shots/wayland-screenshot-*
  (cd "$WORK/shots" && timeout 10 weston-screenshooter) && mv "$WORK"/shots/wayland-screenshot-*.png "$1"
}
# A landscape whose clouds drift across the sky in view (seed 8).
"$EXE" --seed 8 /S 2>"$WORK/err" & PID=$!
scene=
for _ in $(seq $((50 * SCALE))); do
  wshot "$WORK/a.png" || break
  set -- $(mean_rgb "$WORK/a.png" "1024x40+0+0")
  if [ "${1:-0}" -gt 20 ] || [ "${3:-0}" -gt 20 ]; then scene=1; break; fi
  sleep 0.2
done
[ -n "$scene" ] || { stop_weston; fail "no landscape on Weston ($(cat "$WORK/err"))"; }
# The landscape composed, two screenshots two seconds apart.
sleep "$SCALE"
wshot "$WORK/a.png" && sleep 2 && wshot "$WORK/b.png" || { stop_weston; fail "no screenshots"; }
[ -n "${KEEP_SHOTS:-}" ] && cp "$WORK/a.png" "$WORK/b.png" "$KEEP_SHOTS"
# Above the date line: the clouds drift, whatever flies crosses.
moved=$(differing "$WORK/a.png" "$WORK/b.png" "1024x700+0+0")
[ "${moved:-0}" -gt 5000 ] || { stop_weston; fail "the landscape on Weston does not move ($moved pixels)"; }
ok "Weston: a landscape that moves ($moved pixels changed in 2 s)"
kill -TERM "$PID"
wait_end "$PID" $((50 * SCALE)) || { stop_weston; fail "SIGTERM did not end the saver on Weston"; }
wait "$PID"
status=$?
[ $status = 0 ] || { stop_weston; fail "the saver ended with status $status on SIGTERM ($(cat "$WORK/err"))"; }
alive "$WESTON_PID" || fail "weston ended with the saver"
[ -s "$WORK/err" ] && { stop_weston; fail "messages on Weston: $(cat "$WORK/err")"; }
stop_weston
ok "Weston: SIGTERM ends the saver, status 0, no messages"
saver_gone

# Weston switches its output off after 3 s without input: from then on it
# sends no frame callbacks, and the saver commits nothing.
weston --backend=headless-backend.so --use-pixman --idle-time=3 --no-config \
  --socket=sylvadra-e2e --width=1024 --height=768 >"$WORK/weston.log" 2>&1 &
WESTON_PID=$!
wait_until 100 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start: $(cat "$WORK/weston.log")"
WAYLAND_DEBUG=1 "$EXE" /S 2>"$WORK/log" & PID=$!
commits() { grep -c 'wl_surface@[0-9]*\.commit()' "$WORK/log"; }
sleep $((5 * SCALE))
before=$(commits)
sleep 10
after=$(commits)
alive "$PID" || { stop_weston; fail "the saver ended on Weston's idle output"; }
kill -TERM "$PID"
wait_end "$PID" $((50 * SCALE))
stop_weston
[ "$after" = "$before" ] || fail "$((after - before)) commits in 10 s with Weston's output off"
[ "$before" -gt 0 ] || fail "no commit at all on Weston"
ok "Weston: nothing committed for 10 s while its output is off"
saver_gone
unset WAYLAND_DISPLAY

# ---- sway, as a user of the test's own ----
. "$(dirname "$0")/sway.bash"
start_sway 2 'xwayland disable
output HEADLESS-1 mode --custom 1024x768 position 0 0
output HEADLESS-2 mode --custom 800x600 position 1024 0'

in_sway "$UWORK/app/sylvadra" /S 2>"$WORK/err" &
wait_until 50 pgrep -u "$USR" -f "^$UWORK/app/sylvadra" >/dev/null || fail "the saver did not start under sway"
SPID=$(pgrep -u "$USR" -f "^$UWORK/app/sylvadra")
# One full-screen surface of the saver on each output, at that output's size.
fullscreen() {
  local tree
  tree=$(in_sway swaymsg -t get_tree | tr -d ' \n')
  [ "$(grep -o "\"fullscreen_mode\":1,\"sticky\":false,\"pid\":$SPID," <<<"$tree" | wc -l)" = 2 ] &&
    grep -q '"window_rect":{"x":0,"y":0,"width":1024,"height":768},"geometry":{"x":0,"y":0,"width":1024,"height":768},"name":"Sylvadra"' <<<"$tree" &&
    grep -q '"window_rect":{"x":0,"y":0,"width":800,"height":600},"geometry":{"x":0,"y":0,"width":800,"height":600},"name":"Sylvadra"' <<<"$tree"
}
wait_until $((50 * SCALE)) fullscreen || fail "sway: no full-screen surface on each output: $(in_sway swaymsg -t get_tree | tr -d ' \n' | grep -o '.\{300\}"name":"Sylvadra"')"
ok "sway: a full-screen surface on each of two outputs"
# Time for the landscapes, then a key.
sleep $((2 * SCALE))
alive "$SPID" || fail "the saver ended by itself under sway ($(cat "$WORK/err"))"
# The seat has a keyboard only while wtype's virtual one exists: the key
# comes a second after it, once the saver has taken the keyboard and its
# focus.
in_sway wtype -s $((1000 * SCALE)) a || fail "wtype failed"
wait_end "$SPID" $((50 * SCALE)) || fail "a key did not end the saver under sway"
collect
ok "sway: a key ends the saver"
[ -f "$UWORK/app/Sylvadra.bmp" ] || fail "no wallpaper file written under sway"
[ -s "$WORK/err" ] && fail "messages under sway: $(cat "$WORK/err")"
wait_until 50 grep -q "spawn_swaybg cmd\[[0-9]*\] = $UWORK/app/Sylvadra.bmp" "$WORK/sway.log" ||
  fail "sway did not take the wallpaper: $(grep -i 'bg' "$WORK/sway.log" | tail -5)"
ok "sway: the last landscape became sway's background (output * bg over IPC)"
saver_gone

# A new wallpaper on demand: a landscape of each output's size, each set on
# its output.
in_sway "$UWORK/app/sylvadra" --set-wallpaper --seed 3 >"$WORK/out" 2>"$WORK/err" ||
  fail "--set-wallpaper under sway: $(cat "$WORK/err")"
collect
sizes=
for pic in "$UWORK"/data/sylvadra/wallpaper/landscape-*.png; do
  [ -f "$pic" ] || fail "--set-wallpaper wrote no picture: $(ls -R "$UWORK/data")"
  sizes="$sizes $(identify -format %wx%h "$pic")"
  wait_until 50 grep -q "spawn_swaybg cmd\[[0-9]*\] = $pic" "$WORK/sway.log" ||
    fail "sway did not take $pic: $(grep -i 'swaybg' "$WORK/sway.log" | tail -5)"
done
[ "$(tr ' ' '\n' <<<"$sizes" | sort | xargs)" = "1024x768 800x600" ] || fail "--set-wallpaper pictures of$sizes"
ok "sway: --set-wallpaper gives each output a landscape of its own size"

# A data folder whose name a shell would expand: $(...), backticks, $HOME, a
# tab, quotes, ;, &, parentheses, a newline and spaces. sway is given each
# picture as it is (a link with a plain name where needed): it runs nothing
# and shows the pictures.
evil="$UWORK/data/\$(touch $UWORK/pwned) \`touch $UWORK/pwned2\` \$HOME	'q' \"d\" ; & (x)
nl"
mkdir -p "$evil" && chown -R "$USR" "$UWORK/data"
in_sway XDG_DATA_HOME="$evil" "$UWORK/app/sylvadra" --set-wallpaper --seed 4 >"$WORK/out" 2>"$WORK/err" ||
  fail "--set-wallpaper under sway in a hostile folder: $(cat "$WORK/err")"
collect
[ ! -e "$UWORK/pwned" ] && [ ! -e "$UWORK/pwned2" ] || fail "sway ran a command from the wallpaper's path"
n=0
for pic in "$evil"/sylvadra/wallpaper/landscape-*.png; do
  [ -f "$pic" ] || fail "no picture in the hostile folder"
  found=
  for _ in $(seq 50); do
    while read -r shown; do
      [ "$(readlink "$shown")" = "$pic" ] && found=1
    done < <(sed -n 's/.*spawn_swaybg cmd\[[0-9]*\] = \(.*\.link\)$/\1/p' "$WORK/sway.log")
    [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] || fail "sway does not show $pic: $(grep -i 'swaybg' "$WORK/sway.log" | tail -3)"
  n=$((n + 1))
done
[ "$n" = 2 ] || fail "$n pictures in the hostile folder, not 2"
ok "sway: pictures in a folder named with \$(...), backticks, \$HOME, a tab, quotes, ;, &, () and a newline are shown, nothing run"

# A compositor without outputs: the saver shows nothing and waits, then
# takes the output that comes.
launch_sway 0 'xwayland disable'
in_sway "$UWORK/app/sylvadra" /S 2>"$WORK/err" &
wait_until 50 pgrep -u "$USR" -f "^$UWORK/app/sylvadra" >/dev/null || fail "the saver did not start without outputs"
SPID=$(pgrep -u "$USR" -f "^$UWORK/app/sylvadra")
sleep "$SCALE"
alive "$SPID" || fail "the saver ended without outputs: $(cat "$WORK/err")"
tree=$(in_sway swaymsg -t get_tree | tr -d ' \n')
grep -q "\"pid\":$SPID," <<<"$tree" && fail "a surface without an output: $tree"
in_sway swaymsg create_output >/dev/null || fail "sway made no output"
shown() { in_sway swaymsg -t get_tree | tr -d ' \n' | grep -q "\"fullscreen_mode\":1,\"sticky\":false,\"pid\":$SPID,"; }
wait_until $((50 * SCALE)) shown || fail "no full-screen surface on the output that came: $(cat "$WORK/err"; in_sway swaymsg -t get_tree | tr -d " \n" | grep -o ".\{200\}pid.\{100\}")"
kill -TERM "$SPID"
wait_end "$SPID" $((50 * SCALE)) || fail "SIGTERM did not end the saver"
collect
[ -s "$WORK/err" ] && fail "messages with an output that came late: $(cat "$WORK/err")"
ok "sway: without outputs the saver waits, then fills the output that comes"
exit 0
