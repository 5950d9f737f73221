#!/bin/sh
# /C: the Win32 settings dialog and its about box. The dialog opens with the
# defaults and the exact caption, also for /C:1234, /C 1234 and no switch at
# all (as Windows starts a screen saver for "Configure"); closing it
# (or Escape) stores nothing; the flower-number slider moved to 51, the
# "Sharp pictures" box unchecked, the "Follow the time of day" box checked
# and "&OK" leave maxFl 6.08, Sharp 0 and DayNight 1 in the registry; unchecking "Restart / Neustart"
# greys the minutes and disables the spinner; "&Info..." opens the about
# box and its "&OK" closes it; "&WWW..." hands the web address to the
# shell. Screenshots are left in <build>/e2e-shots for a look by eye.
. "$(dirname "$0")/lib.sh"

TITLE='Sylvadra  ---  Settings / Einstellungen...'
SHOTS="$BUILD/e2e-shots"
mkdir -p "$SHOTS"

if ! c++ -o "$WORK/close-window" "$(dirname "$0")/../e2e/close-window.cpp" -lX11; then
  fail "cannot build the close helper"
  finish
fi

# The shell's browser for web links: a stand-in that notes the address.
cat > "$WORK/browser.sh" <<EOF
#!/bin/sh
printf '%s\n' "\$*" > "$WORK/opened"
EOF
chmod +x "$WORK/browser.sh"
"$WINE" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$WORK/browser.sh" /f >/dev/null 2>&1

# The stored settings as "reg query" lists them; nothing when there are none.
settings() {
  "$WINE" reg query 'HKCU\Software\Sylvadra\Settings' >"$WORK/reg.txt" 2>/dev/null && tr -d '\r' <"$WORK/reg.txt"
}
setting() { settings | awk -v k="$1" '$1 == k && $2 == "REG_SZ" { print $3 }'; }
# The darkest grey (0..255) in a region of a screenshot.
darkest() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:int(255*minima+0.5)]' info:; }
# Region of the client area at (x, y) of size w x h, on the screen.
at() { echo "$3x$4+$((WX + $1))+$((WY + $2))"; }
click_at() { xdotool mousemove $((WX + $1)) $((WY + $2)) click 1; sleep 0.4; }
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }

# Starts the saver with the given arguments and waits for the dialog.
open_dialog() {
  start_saver "$@"
  dialog_or_end() { WIN=$(find_window 'Settings / Einstellungen'); [ -n "$WIN" ] || ! saver_running; }
  wait_until 60 dialog_or_end
  if [ -z "$WIN" ]; then
    fail "no dialog for '$*'"
    finish
  fi
  name=$(xdotool getwindowname "$WIN")
  [ "$name" = "$TITLE" ] || fail "caption is '$name'"
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  WX=$X WY=$Y
  [ "${WIDTH}x${HEIGHT}" = "496x411" ] || fail "client area is ${WIDTH}x${HEIGHT}, not 496x411"
  sleep 0.5
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  sleep 0.3
}

# 1. The defaults; closing the window stores nothing.
reset_settings
open_dialog /C
# Waits for the dialog to be painted: a light window, the minutes black on white.
dialog_painted() {
  shot a
  region_means "$WORK/a.png" "$(at 0 0 496 411)" | awk '{ exit !($1 > 0.7 && $2 > 0.7 && $3 > 0.7) }' &&
    region_means "$WORK/a.png" "$(at 281 257 21 15)" | awk '{ exit !($1 > 0.8 && $2 > 0.8 && $3 > 0.8) }' &&
    [ "$(darkest "$WORK/a.png" "$(at 280 256 23 17)")" -lt 80 ]
}
wait_until 30 dialog_painted
convert "$WORK/a.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-win32.png"
m=$(region_means "$WORK/a.png" "$(at 0 0 496 411)")
echo "$m" | awk '{ exit !($1 > 0.7 && $2 > 0.7 && $3 > 0.7) }' || fail "the dialog is not a light window ($m)"
m=$(region_means "$WORK/a.png" "$(at 281 257 21 15)")
echo "$m" | awk '{ exit !($1 > 0.8 && $2 > 0.8 && $3 > 0.8) }' || fail "the minutes are not on white ($m)"
[ "$(darkest "$WORK/a.png" "$(at 280 256 23 17)")" -lt 80 ] || fail "no black minutes text"
arrows_on=$(darkest "$WORK/a.png" "$(at 306 258 13 13)")
log "dialog opened; spinner arrows darkest $arrows_on"
"$WORK/close-window" "$WIN"
wait_saver_end 30 || fail "closing the window did not end the program"
[ -z "$(settings)" ] || fail "closing without OK stored settings: $(settings)"
log "closing the window stored nothing"

# 2. What follows the switch is ignored, and no switch is the dialog too;
#    Escape also leaves without storing.
for args in "/C:1234" "/C 1234" ""; do
  # shellcheck disable=SC2086
  open_dialog $args
  xdotool key Escape
  wait_saver_end 30 || fail "Escape did not close the dialog of '$args'"
  [ -z "$(settings)" ] || fail "Escape stored settings"
done
log "/C:1234, '/C 1234' and no switch show the dialog"

# 3. The flower-number slider to 51, the sharp pictures off, the time of day
#    followed, then "&OK" (Alt+O).
open_dialog /C
click_at 97 118                 # the thumb: focus, no change
xdotool key Home                # 1
for _ in 1 2 3 4 5 6 7 8 9 10; do xdotool key Right; done   # 1 + 10 x 5 = 51
click_at 40 304                 # the "Sharp pictures" box
click_at 40 328                 # the "Follow the time of day" box
sleep 0.3
shot b
convert "$WORK/b.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-win32-51.png"
xdotool key alt+o
wait_saver_end 30 || fail "OK did not close the dialog"
v=$(setting maxFl)
[ "$v" = "6.08" ] || fail "maxFl is '$v', not 6.08"
for kv in SpeedF=6 SpeedS=0.53 SpeedO=6 Speed=5 Date=1 Time=1 Restart=1 rTime=600 Wallpaper=1 Sharp=0 DayNight=1; do
  [ "$(setting "${kv%%=*}")" = "${kv#*=}" ] || fail "${kv%%=*} is '$(setting "${kv%%=*}")' after OK"
done
log "slider at 51, the sharp box unchecked, the day-and-night box checked and OK stored maxFl=$v, Sharp=0 and DayNight=1"
stored=$(settings)

# 4. Unchecking "Restart / Neustart" greys the minutes and disables the
#    spinner; checking it again restores both.
open_dialog /C
click_at 214 240                # the restart box
greyed() {
  shot d
  g=$(darkest "$WORK/d.png" "$(at 280 256 23 17)")
  s=$(darkest "$WORK/d.png" "$(at 306 258 13 13)")
  [ "$g" -gt 150 ] && [ "$s" -gt "$arrows_on" ]
}
wait_until 20 greyed
convert "$WORK/d.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-win32-restart-off.png"
[ "$g" -gt 150 ] || fail "minutes not grey after unchecking restart (darkest $g)"
[ "$s" -gt "$arrows_on" ] || fail "spinner arrows not greyed (darkest $s, enabled $arrows_on)"
click_at 312 260                # the upper arrow of the disabled spinner
shot e
[ "$(pixels_differing "$WORK/d.png" "$WORK/e.png" "$(at 280 256 23 17)")" = 0 ] ||
  fail "the disabled spinner changed the minutes"
log "unchecking restart greys the minutes ($g) and the spinner ($s)"
click_at 214 240
minutes_black() { shot f; [ "$(darkest "$WORK/f.png" "$(at 280 256 23 17)")" -lt 80 ]; }
wait_until 20 minutes_black || fail "minutes not black after checking again"
click_at 312 259                # the upper arrow: one minute more
minutes_changed() { shot g; [ "$(pixels_differing "$WORK/f.png" "$WORK/g.png" "$(at 280 256 23 17)")" -gt 0 ]; }
wait_until 20 minutes_changed || fail "the enabled spinner did not change the minutes"
log "checking restart again enables the spinner"

# 5. "&Info..." opens the about box; its "&OK" closes it.
click_at 440 238
about_open() { ABOUT=$(find_window '^Sylvadra Info$'); [ -n "$ABOUT" ]; }
wait_until 30 about_open
if [ -z "$ABOUT" ]; then
  fail "Info opened no about box"
else
  eval "$(xdotool getwindowgeometry --shell "$ABOUT")"
  [ "${WIDTH}x${HEIGHT}" = "356x329" ] || fail "about box is ${WIDTH}x${HEIGHT}"
  AX=$X AY=$Y
  # Painted: the version label white.
  about_painted() {
    shot h
    region_means "$WORK/h.png" "249x21+$((AX + 56))+$((AY + 80))" | awk '{ exit !($1 > 0.7 && $3 > 0.7) }'
  }
  wait_until 20 about_painted
  convert "$WORK/h.png" -crop "356x329+$AX+$AY" +repage "$SHOTS/about-box-win32.png"
  m=$(region_means "$WORK/h.png" "20x20+$AX+$((AY + 150))")
  echo "$m" | awk '{ exit !($3 > $1 && $3 > 0.45) }' || fail "no blue disk at the about box's left edge ($m)"
  m=$(region_means "$WORK/h.png" "249x21+$((AX + 56))+$((AY + 80))")
  echo "$m" | awk '{ exit !($1 > 0.7 && $3 > 0.7) }' || fail "the version label is not white ($m)"
  [ "$(darkest "$WORK/h.png" "249x21+$((AX + 56))+$((AY + 80))")" -lt 80 ] || fail "no version text"
  m=$(region_means "$WORK/h.png" "33x25+$((AX + 212))+$((AY + 268))")
  echo "$m" | awk '{ exit !($1 > 0.6 && $1 < 0.92) }' || fail "no grey OK button ($m)"
  xdotool key alt+o
  about_closed() { [ -z "$(find_window '^Sylvadra Info$')" ]; }
  wait_until 20 about_closed
  [ -z "$(find_window '^Sylvadra Info$')" ] || fail "OK did not close the about box"
  saver_running || fail "closing the about box ended the program"
  log "about box shown at ${WIDTH}x${HEIGHT}; its OK closed it"
fi

# 6. "&WWW..." hands the address to the shell, which opens the browser.
xdotool windowfocus --sync "$WIN" 2>/dev/null
xdotool key alt+w
browser_called() { [ -s "$WORK/opened" ]; }
wait_until 30 browser_called
if [ -s "$WORK/opened" ]; then
  grep -q 'https://sylvadra.example.org/' "$WORK/opened" || fail "WWW opened $(cat "$WORK/opened")"
  log "WWW opened $(cat "$WORK/opened")"
else
  fail "WWW opened no browser"
fi

# Everything changed above is dropped when the window is closed.
"$WORK/close-window" "$WIN"
wait_saver_end 30 || fail "closing the window did not end the program"
[ "$(settings)" = "$stored" ] || fail "closing without OK changed the settings"
log "closing after changes stored nothing"
finish
