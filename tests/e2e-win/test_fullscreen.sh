#!/bin/sh
# /S: a landscape on the screen within a few seconds, clouds that move in
# the top quarter, a key press that ends the saver, the wallpaper file
# (Wallpaper 1, the default) at screen size with the copyright line in its
# bottom-left corner, and the activation switched off while the saver runs
# and on again at the end.
. "$(dirname "$0")/lib.sh"

reset_settings
remove_wallpapers
set_activation 1


log "starting $SCR /S"
start_saver /S
if t=$(wait_landscape 20); then
  log "landscape on the screen ${t}s after the start (Wine's own start-up included)"
else
  fail "no landscape on the screen within 20 s"
  finish
fi

sleep 1
shot a
sleep 2
shot b
d=$(pixels_differing "$WORK/a.png" "$WORK/b.png" "${SCREEN_W}x$((SCREEN_H / 4))+0+0")
log "$d pixels of the top quarter changed in 2 s"
[ "${d:-0}" -gt 100 ] || fail "the clouds did not move"
saver_running || fail "the saver ended by itself"
a=$(activation)
log "activation while the saver runs: $a"
[ "$a" = 0 ] || fail "the activation is '$a' while the saver runs"

xdotool key space
if wait_saver_end 10; then log "a key press ended the saver"; else fail "a key press did not end the saver"; fi

wp=$(wallpaper_files | head -n1)
if [ -z "$wp" ]; then
  fail "no wallpaper file written"
else
  size=$(identify -format '%wx%h' "$wp" 2>/dev/null)
  log "wallpaper $wp: $size"
  [ "$size" = "${SCREEN_W}x${SCREEN_H}" ] || fail "wallpaper is '$size', the screen ${SCREEN_W}x${SCREEN_H}"
  # The copyright line: white text 10 pixels from the left, ending 10 above the bottom.
  white=$(convert "$wp" -crop "330x30+8+$((SCREEN_H - 38))" +repage -fx '(r>0.92&&g>0.92&&b>0.92)?1:0' \
            -format '%[fx:mean*w*h]' info: 2>/dev/null | awk '{ printf "%d\n", $1 }')
  log "$white white pixels where the copyright line goes"
  [ "${white:-0}" -gt 150 ] || fail "no copyright line in the wallpaper's bottom-left corner"
  cp "$wp" "$WORK/wallpaper.bmp"
fi

a=$(activation)
log "activation afterwards: $a"
[ "$a" = 1 ] || fail "the full-screen ending did not switch the activation on"
finish
