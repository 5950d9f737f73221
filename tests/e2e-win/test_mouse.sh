#!/bin/sh
# /S with Wallpaper 0: a second /S started beside it ends at once with
# status 0; the first mouse move and moves within 2 pixels of the first
# position do not end the saver, 2-pixel steps that take the pointer 3
# pixels away do, and no wallpaper file is written. The ending switches the
# activation on, even when it was off before the start.
. "$(dirname "$0")/lib.sh"

reset_settings
set_setting Wallpaper 0
remove_wallpapers
set_activation 0

start_saver /S
if t=$(wait_landscape 60); then log "landscape after ${t}s"; else fail "no landscape within 60 s"; finish; fi
sleep 0.5

# One saver at a time: a second /S ends at once, and the first runs on.
if timeout $((60 * ${E2E_TIME_SCALE:-1})) "$WINE" "$SCR" /S >"$WORK/second.log" 2>&1; then
  log "a second /S ended with status 0"
else
  fail "a second /S: status $? ($(cat "$WORK/second.log"))"
fi
if saver_running; then log "the first saver still runs"; else fail "the second /S ended the first"; finish; fi

# Moves relative to where the pointer is while the saver's window is up (an
# X server without clients resets, and the pointer with it, so a position
# set before the start would not last).
eval "$(xdotool getmouselocation --shell)"
log "pointer at $X,$Y"

xdotool mousemove $((X + 1)) $((Y + 1))
sleep 1.5
if saver_running; then log "first move: still running"; else fail "the first mouse move ended the saver"; finish; fi

xdotool mousemove $((X + 2)) $((Y + 2))
sleep 1.5
if saver_running; then log "within 2 pixels: still running"; else fail "a move within 2 pixels of the first position ended the saver"; finish; fi

xdotool mousemove $((X + 4)) $((Y + 2))
if wait_saver_end 30; then log "2-pixel steps, 3 pixels away: the saver ended"; else fail "2-pixel steps that add up to 3 pixels did not end the saver"; fi

sleep 0.5
if [ -n "$(wallpaper_files)" ]; then fail "a wallpaper file was written with Wallpaper 0: $(wallpaper_files)"; else log "no wallpaper file"; fi
a=$(activation)
log "activation afterwards: $a"
[ "$a" = 1 ] || fail "the full-screen ending left the activation at '$a'"
finish
