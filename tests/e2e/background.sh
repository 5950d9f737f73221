#!/bin/bash
# The landscape as the desktop's background (--background) under sway's
# headless compositor, as a user the test creates: a layer surface on each
# output, seen where no window covers it, moving; an output that comes gets
# its own; a 1.5-scaled output gets a buffer of its real pixels, composed
# once at that size;
# keys go past it; SIGTERM ends it with status 0 and no wallpaper written.
# A second full-screen saver beside a first one ends at once.
OWN_X_SERVER=1
. "$(dirname "$0")/lib.bash"
. "$(dirname "$0")/sway.bash"
unset DISPLAY
for tool in sway swaymsg grim wtype weston-simple-shm; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
SCALE=${E2E_TIME_SCALE:-1}
start_sway 2 'xwayland disable
output HEADLESS-1 mode --custom 1280x720 position 0 0 scale 1.5
output HEADLESS-2 mode --custom 800x600 position 854 0'

# The client's requests and events, one per line, in its log.
in_sway WAYLAND_DEBUG=1 "$UWORK/app/sylvadra" --background --seed 5 2>"$WORK/log" &
RUNNER=$!
wait_until 50 pgrep -u "$USR" -f "^$UWORK/app/sylvadra" >/dev/null || fail "--background did not start"
BPID=$(pgrep -u "$USR" -f "^$UWORK/app/sylvadra")
commits() { grep -c 'wl_surface@[0-9]*\.commit()' "$WORK/log"; }
messages() { grep -v '^\[' "$WORK/log"; }
shot() { in_sway grim -o "$1" - >"$2"; }
# Sky across the top of each output.
sky() { set -- $(mean_rgb "$1" "$2"); [ "$3" -gt 100 ] && [ "$3" -gt $(($1 + 30)) ]; }
both_sky() {
  shot HEADLESS-1 "$WORK/1.png" && shot HEADLESS-2 "$WORK/2.png" &&
    sky "$WORK/1.png" 1200x40+40+10 && sky "$WORK/2.png" 760x40+20+10
}
wait_until $((100 * SCALE)) both_sky || fail "no landscape on both outputs: $(messages)"
[ "$(grep -c 'get_layer_surface(.*, "wallpaper")' "$WORK/log")" = 2 ] || fail "not one layer surface per output"
grep -q 'get_layer_surface(.*, 0, "wallpaper")' "$WORK/log" || fail "not in the background layer"
grep -q 'set_exclusive_zone(-1)' "$WORK/log" || fail "the exclusive zone is not -1"
ok "a landscape in the background layer of each output"

# The 1.5-scaled output: a buffer of its 1280x720 pixels shown at its
# logical size, and no landscape composed at another size first.
grep -q 'create_buffer(new id wl_buffer@[0-9]*, 0, 1280, 720, 5120, 1)' "$WORK/log" ||
  fail "no 1280x720 buffer for the 1.5-scaled output: $(grep -o 'create_buffer([^)]*)' "$WORK/log" | sort -u)"
grep -q 'set_destination(853, 480)' "$WORK/log" || fail "the buffer is not mapped onto the output's 853x480"
sizes=$(grep -o 'create_buffer(new id wl_buffer@[0-9]*, 0, [0-9]*, [0-9]*' "$WORK/log" | awk '{print $5 $6}' | sort -u | xargs)
[ "$sizes" = "1280,720 800,600" ] || fail "buffers of other sizes: $sizes"
ok "the 1.5-scaled output shows its real pixels"

# It moves, and a window in front covers it.
shot HEADLESS-2 "$WORK/a.png"; sleep 2; shot HEADLESS-2 "$WORK/b.png"
moved=$(differing "$WORK/a.png" "$WORK/b.png" "800x560+0+0")
[ "${moved:-0}" -gt 500 ] || fail "the background does not move ($moved pixels)"
in_sway swaymsg focus output HEADLESS-2 >/dev/null
in_sway weston-simple-shm >"$WORK/shm.log" 2>&1 &
# Its window (a 250x250 picture, the rest of its tile see-through) in the
# middle of the output.
covered() { shot HEADLESS-2 "$WORK/c.png" && [ "$(differing "$WORK/b.png" "$WORK/c.png" 200x200+300+210)" -gt 30000 ]; }
wait_until $((50 * SCALE)) covered || fail "a window does not cover the background: $(cat "$WORK/shm.log")"
pkill -u "$USR" -f weston-simple-shm
ok "it moves ($moved pixels in 2 s), and a window covers it"

# Keys go past it.
in_sway wtype -s $((500 * SCALE)) a >/dev/null 2>&1
alive "$BPID" || fail "a key ended the background"

# An output that comes gets a landscape of its own.
in_sway swaymsg create_output >/dev/null || fail "sway made no output"
wait_until $((100 * SCALE)) eval '[ "$(grep -c "get_layer_surface(.*\"wallpaper\")" "$WORK/log")" = 3 ]' ||
  fail "no layer surface for the new output"
wait_until $((100 * SCALE)) eval 'shot HEADLESS-3 "$WORK/3.png" && sky "$WORK/3.png" 800x40+40+10' ||
  fail "no landscape on the new output"
ok "an output that comes gets its own landscape"

kill -TERM "$BPID"
wait_end "$BPID" $((50 * SCALE)) || fail "SIGTERM did not end the background"
wait "$RUNNER"; st=$?
collect
[ $st = 0 ] || fail "the background ended with status $st"
[ -z "$(messages)" ] || fail "messages: $(messages)"
ls "$UWORK"/app/*.bmp "$UWORK"/data/sylvadra/*.bmp >/dev/null 2>&1 && fail "a wallpaper was written at the end"
ok "SIGTERM ends it, status 0, no wallpaper written"

# One full-screen saver at a time: a second sylvadra /S ends at once with
# status 0, without a word to the compositor; the background still starts.
in_sway "$UWORK/app/sylvadra" /S 2>"$WORK/saver.log" &
wait_until $((50 * SCALE)) pgrep -u "$USR" -f "^$UWORK/app/sylvadra /S" >/dev/null || fail "the saver did not start"
SPID=$(pgrep -u "$USR" -f "^$UWORK/app/sylvadra /S")
wait_until $((50 * SCALE)) test -f "$UWORK/runtime/sylvadra-saver.lock" || fail "the saver took no lock"
sleep 0.5
in_sway WAYLAND_DEBUG=1 timeout 5 "$UWORK/app/sylvadra" /S 2>"$WORK/second.log"; st=$?
[ $st = 0 ] || fail "a second saver: status $st ($(cat "$WORK/second.log"))"
[ ! -s "$WORK/second.log" ] || fail "a second saver spoke: $(head -3 "$WORK/second.log")"
in_sway timeout 2 "$UWORK/app/sylvadra" --background 2>/dev/null; st=$?
[ $st = 124 ] || fail "--background beside the saver: status $st"
alive "$SPID" || fail "the second saver ended the first"
kill -TERM "$SPID"
wait_end "$SPID" $((50 * SCALE)) || fail "SIGTERM did not end the saver"
collect
ok "a second saver ends at once on Wayland"
exit 0
