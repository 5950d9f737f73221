#!/bin/sh
# 192 dots per inch (LogPixels in the test prefix) against the 96 of a
# fresh prefix, the same landscape (--seed) each time: the date and time in
# the bottom-left corner of the screen and the copyright line of the
# wallpaper are printed twice as large, the landscape stays at the screen's
# pixels, and the settings dialog and its about box are laid out twice as
# large. LogPixels is removed again at the end. Screenshots are left in
# <build>/e2e-shots for a look by eye.
# At 192 dpi the settings dialog is taller (822 rows) than the usual display
# (768): the test brings a display of its own that holds it.
if [ -z "$E2E_SCREEN" ]; then
  E2E_SCREEN=1280x1024x24 exec env -u DISPLAY "$0" "$@"
fi
. "$(dirname "$0")/lib.sh"

SHOTS="$BUILD/e2e-shots"
mkdir -p "$SHOTS"

# The resolution is read when a process starts; the wineserver is started
# afresh so that no process of the other resolution lives on.
set_dpi() {
  if [ "$1" = 96 ]; then
    "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
  else
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
  "$WINESERVER" -k >/dev/null 2>&1
  "$WINESERVER" -w >/dev/null 2>&1
  "$WINESERVER" -p
}
trap 'set_dpi 96; cleanup' EXIT

# True when $1 / $2 lies within [$3, $4].
ratio_within() { awk -v a="$1" -v b="$2" -v lo="$3" -v hi="$4" 'BEGIN { exit !(b > 0 && a / b >= lo && a / b <= hi) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
window_or_end() { _w=$(find_window "$1"); [ -n "$_w" ] || ! saver_running; }
wait_window() { # $1 name; prints the window
  wait_until 60 window_or_end "$1" && [ -n "$_w" ] && echo "$_w"
}
size_of() { eval "$(xdotool getwindowgeometry --shell "$1")"; echo "$WIDTH $HEIGHT"; }

# The screen region of the date and time, and of the copyright line.
TEXT="$((SCREEN_W / 2))x60+0+$((SCREEN_H - 60))"
COPY="$((SCREEN_W * 3 / 4))x80+0+$((SCREEN_H - 80))"

for dpi in 96 192; do
  set_dpi "$dpi"
  reset_settings
  remove_wallpapers
  # The classic pictures: the sharp ones may be painted in the first run
  # and be at hand in the second.
  log "$dpi dpi: starting $SCR --classic --seed 7 /S"
  start_saver --classic --seed 7 /S
  if ! wait_landscape 60 >/dev/null; then
    saver_running && { fail "$dpi dpi: no landscape within 60 s"; finish; }
    # Right after the wineserver's restart, Wine may still be settling the
    # screen (focus, pointer) and a saver ends on the first real move: one
    # more start, said in the log, before this counts as a failure.
    log "$dpi dpi: the saver ended before a landscape showed; starting it once more"
    start_saver --classic --seed 7 /S
    wait_landscape 60 >/dev/null || { fail "$dpi dpi: no landscape within 60 s"; finish; }
  fi
  # The landscape is complete once the animation prints the date and time.
  wait_until 60 frame_with_date $SCREEN_W $SCREEN_H || fail "$dpi dpi: no date and time ($box)"
  cp "$WORK/date.png" "$WORK/screen$dpi.png"
  is_landscape "$WORK/screen$dpi.png" || fail "$dpi dpi: the screen shows no landscape"
  cp "$WORK/screen$dpi.png" "$SHOTS/screen-${dpi}dpi-win32.png"
  xdotool key space
  wait_saver_end 30 || { fail "$dpi dpi: a key press did not end the saver"; finish; }
  wp=$(wallpaper_files | head -n1)
  if [ -z "$wp" ]; then fail "$dpi dpi: no wallpaper"; finish; fi
  size=$(identify -format '%wx%h' "$wp" 2>/dev/null)
  # The landscape stays at the screen's pixels, whatever the resolution.
  [ "$size" = "${SCREEN_W}x${SCREEN_H}" ] || fail "$dpi dpi: the wallpaper is $size, the screen ${SCREEN_W}x${SCREEN_H}"
  convert "$wp" "$WORK/wallpaper$dpi.png"
  eval "date$dpi=\$(white_box \"\$WORK/screen$dpi.png\" \"\$TEXT\")"
  eval "copy$dpi=\$(white_box \"\$WORK/wallpaper$dpi.png\" \"\$COPY\")"
  eval "log \"$dpi dpi: date and time \$date$dpi, copyright line \$copy$dpi\""

  # The settings dialog and its about box.
  start_saver /c
  dlg=$(wait_window '^Sylvadra  ---  Settings / Einstellungen...$') || { fail "$dpi dpi: no settings dialog"; finish; }
  sleep 1
  eval "dialog$dpi=\"\$(size_of \"\$dlg\")\""
  shot "dialog$dpi"
  xdotool key alt+i
  info=$(wait_window '^Sylvadra Info$') || { fail "$dpi dpi: Info opened no about box"; finish; }
  sleep 1
  eval "about$dpi=\"\$(size_of \"\$info\")\""
  shot "about$dpi"
  cp "$WORK/about$dpi.png" "$SHOTS/settings-and-about-${dpi}dpi-win32.png"
  eval "log \"$dpi dpi: dialog \$dialog$dpi, about box \$about$dpi\""
  kill "$SAVER_PID" 2>/dev/null
  wait "$SAVER_PID" 2>/dev/null
  SAVER_PID=
done

# The text: twice as wide (the same characters), and about twice as tall
# (the pure white core of small letters is a little shorter).
for what in date copy; do
  eval "a=\$${what}96 b=\$${what}192"
  wa=$(box_w "$a") wb=$(box_w "$b") ha=$(box_h "$a") hb=$(box_h "$b")
  log "$what: ${wa}x${ha} at 96 dpi, ${wb}x${hb} at 192 dpi (x$(ratio "$wb" "$wa") wide, x$(ratio "$hb" "$ha") tall)"
  [ "${ha:-0}" -ge 6 ] && [ "${ha:-0}" -le 16 ] || fail "$what: no text of 96 dpi size at the bottom-left ($a)"
  ratio_within "${wb:-0}" "${wa:-0}" 1.8 2.2 || fail "$what: not twice as wide at 192 dpi"
  ratio_within "${hb:-0}" "${ha:-0}" 1.6 2.8 || fail "$what: not about twice as tall at 192 dpi"
done
# The landscape itself is the same picture: the upper third of the two
# wallpapers (sky and horizon, far from the text and from the flowers that
# the meadow keeps, which depend on how long each run took) agree.
d=$(pixels_differing "$WORK/wallpaper96.png" "$WORK/wallpaper192.png" "${SCREEN_W}x$((SCREEN_H / 3))+0+0")
log "$d pixels of the upper thirds of the landscapes differ"
[ "${d:-1}" = 0 ] || fail "the landscape differs with the resolution"

# The dialog and the about box: twice the size.
for what in dialog about; do
  eval "set -- \$${what}96 \$${what}192"
  log "$what: $1x$2 at 96 dpi, $3x$4 at 192 dpi"
  ratio_within "${3:-0}" "${1:-0}" 1.9 2.1 && ratio_within "${4:-0}" "${2:-0}" 1.9 2.1 ||
    fail "$what: not laid out twice as large at 192 dpi"
done
finish
