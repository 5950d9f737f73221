#!/bin/sh
# /S: a landscape on the screen within a few seconds, clouds that move in
# the top quarter, the activation switched off while the saver runs; then
# the window takes another size and shape (as at a change of the display
# mode) and a landscape composed for that size fills it, with the date and
# time at full size in its bottom-left corner; a key press ends the saver,
# the wallpaper file (Wallpaper 1, the default) is the last landscape at the
# window's size with the copyright line in its bottom-left corner, and the
# activation is on again at the end. Names planted beside the program (the
# temporary and probe names of old, as links to a file of the user's) are
# never written through.
. "$(dirname "$0")/lib.sh"

reset_settings
remove_wallpapers
set_activation 1
echo precious > "$WORK/victim"
PLANTED="$SCR_DIR/Sylvadra.bmp.tmp $SCR_DIR/.sylvadra-write-probe"
for p in $PLANTED; do rm -f "$p"; ln -s "$WORK/victim" "$p"; done


log "starting $SCR /S"
start_saver /S
if t=$(wait_landscape 60); then
  log "landscape on the screen ${t}s after the start (Wine's own start-up included)"
else
  fail "no landscape on the screen within 60 s"
  finish
fi

# The animation runs once the date and time are printed: the clouds move.
if ! wait_until 30 frame_with_date $SCREEN_W $SCREEN_H; then fail "no date and time at the bottom-left ($box)"; fi
shot a
TOP="${SCREEN_W}x$((SCREEN_H / 4))+0+0"
clouds_moved() {
  shot b
  d=$(pixels_differing "$WORK/a.png" "$WORK/b.png" "$TOP")
  [ "${d:-0}" -gt 100 ]
}
if wait_until 30 clouds_moved; then log "$d pixels of the top quarter changed"; else fail "the clouds did not move"; fi
saver_running || fail "the saver ended by itself"
a=$(activation)
log "activation while the saver runs: $a"
[ "$a" = 0 ] || fail "the activation is '$a' while the saver runs"

# The new size: a stretched or cut copy of the old frame would show the
# date and time shrunk or not at all.
NW=640 NH=400
r=$("$WINE" "$PREVHOST" resize SylvadraFrmMain $NW $NH 2>/dev/null | tr -d '\r')
log "window resized: $r"
[ "$r" = "SIZE $NW $NH" ] || fail "the window did not take ${NW}x${NH}"
composed_at_new_size() { frame_with_date $NW $NH && is_landscape "$WORK/date.png" $NW $NH; }
if wait_until 30 composed_at_new_size; then
  log "a landscape of ${NW}x${NH}, date and time within $box"
else
  fail "no landscape composed for ${NW}x${NH} (date and time within '$box')"
fi
b=$(region_means "$WORK/date.png" "${NW}x4+0+$((NH - 4))" | awk '{ printf "%.3f\n", $1 + $2 + $3 }')
log "bottom rows of the window: brightness $b"
echo "$b" | awk '{ exit !($1 > 0.1) }' || fail "the landscape does not reach the window's bottom"
saver_running || fail "the saver ended after the change of size"

xdotool key space
if wait_saver_end 20; then log "a key press ended the saver"; else fail "a key press did not end the saver"; fi

wp=$(wallpaper_files | head -n1)
if [ -z "$wp" ]; then
  fail "no wallpaper file written"
else
  size=$(identify -format '%wx%h' "$wp" 2>/dev/null)
  log "wallpaper $wp: $size"
  [ "$size" = "${NW}x${NH}" ] || fail "wallpaper is '$size', the window ${NW}x${NH}"
  # The copyright line: white text 10 pixels from the left, ending 10 above the bottom.
  white=$(convert "$wp" -crop "330x30+8+$((NH - 38))" +repage -fx '(r>0.92&&g>0.92&&b>0.92)?1:0' \
            -format '%[fx:mean*w*h]' info: 2>/dev/null | awk '{ printf "%d\n", $1 }')
  log "$white white pixels where the copyright line goes"
  [ "${white:-0}" -gt 150 ] || fail "no copyright line in the wallpaper's bottom-left corner"
  cp "$wp" "$WORK/wallpaper.bmp"
fi

[ "$(cat "$WORK/victim")" = precious ] || fail "a file was written through a name planted beside the program"
rm -f $PLANTED
left=$(find "$SCR_DIR" -maxdepth 1 -name '*.part')
[ -z "$left" ] || fail "temporary files left: $left"

a=$(activation)
log "activation afterwards: $a"
[ "$a" = 1 ] || fail "the full-screen ending did not switch the activation on"
finish
