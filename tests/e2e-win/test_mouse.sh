#!/bin/sh
# /S with Wallpaper 0: the first mouse move and a 2-pixel move do not end the
# saver, a 3-pixel move does, and no wallpaper file is written. The ending
# switches the activation on, even when it was off before the start.
. "$(dirname "$0")/lib.sh"

reset_settings
set_setting Wallpaper 0
remove_wallpapers
set_activation 0

start_saver /S
if t=$(wait_landscape 60); then log "landscape after ${t}s"; else fail "no landscape within 60 s"; finish; fi
sleep 0.5

# Moves relative to where the pointer is while the saver's window is up (an
# X server without clients resets, and the pointer with it, so a position
# set before the start would not last).
eval "$(xdotool getmouselocation --shell)"
log "pointer at $X,$Y"

xdotool mousemove $((X + 1)) $((Y + 1))
sleep 1.5
if saver_running; then log "first move: still running"; else fail "the first mouse move ended the saver"; finish; fi

xdotool mousemove $((X + 3)) $((Y + 3))
sleep 1.5
if saver_running; then log "2-pixel move: still running"; else fail "a 2-pixel move ended the saver"; finish; fi

xdotool mousemove $((X + 6)) $((Y + 3))
if wait_saver_end 30; then log "3-pixel move ended the saver"; else fail "a 3-pixel move did not end the saver"; fi

sleep 0.5
if [ -n "$(wallpaper_files)" ]; then fail "a wallpaper file was written with Wallpaper 0: $(wallpaper_files)"; else log "no wallpaper file"; fi
a=$(activation)
log "activation afterwards: $a"
[ "$a" = 1 ] || fail "the full-screen ending left the activation at '$a'"
finish
