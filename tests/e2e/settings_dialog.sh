#!/bin/bash
# The settings dialog (sylvadra /C) and its about box in GTK: the dialog
# opens with the defaults and the exact caption, also for /C:1234 and
# /C 1234; the flower-number slider moved to 51, the "Sharp pictures" box
# unchecked, the "Follow the time of day" box checked and "&OK" leave maxFl
# 6.08, Sharp 0 and DayNight 1 in the settings file; unchecking "Restart / Neustart" greys the minutes and
# disables the spinner; a mouse click on a slider's arrow moves it by 5, one
# into its trough by 20; stored switches of other non-zero values (2, -1)
# open as checked boxes; "&Info..." opens the about box and its "&OK" closes
# it; "&WWW..." hands the web address to the desktop's browser; closing the
# window (or Escape) stores nothing.
# Screenshots are left in <build>/e2e-shots for a look by eye.
. "$(dirname "$0")/lib.bash"

# One client stays connected all along: an X server without -noreset resets
# whenever its last client leaves, and a dialog started in that moment
# finds no display. It ends with the X server.
xprop -root -spy >/dev/null 2>&1 &

TITLE='Sylvadra  ---  Settings / Einstellungen...'
INI="$XDG_CONFIG_HOME/sylvadra/settings.ini"
SHOTS="$BUILD/e2e-shots"
mkdir -p "$SHOTS"

"${CXX:-c++}" -o "$WORK/close-window" "$(dirname "$0")/close-window.cpp" -lX11 || fail "cannot build the close helper"

# A stand-in for the desktop's default browser: it notes the address it is
# given. Registered before any dialog starts, as a browser is installed.
mkdir -p "$XDG_DATA_HOME/applications"
cat > "$WORK/browser.sh" <<EOF
#!/bin/sh
printf '%s\n' "\$1" > "$WORK/opened"
EOF
chmod +x "$WORK/browser.sh"
printf '[Desktop Entry]\nType=Application\nName=Test browser\nExec=%s %%u\nMimeType=x-scheme-handler/https;\n' \
  "$WORK/browser.sh" > "$XDG_DATA_HOME/applications/sylvadra-test-browser.desktop"
printf '[Default Applications]\nx-scheme-handler/https=sylvadra-test-browser.desktop\n' > "$XDG_CONFIG_HOME/mimeapps.list"

# The darkest grey (0..255) in a region of a screenshot.
darkest() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:int(255*minima+0.5)]' info:; }
# Region of the client area at (x, y) of size w x h, on the screen.
at() { echo "$3x$4+$((WX + $1))+$((WY + $2))"; }

# Starts the program with the given arguments and waits for the dialog.
open_dialog() {
  "$EXE" "$@" 2>"$WORK/stderr" & PID=$!
  WIN=
  for _ in $(seq 100); do
    WIN=$(xdotool search --onlyvisible --name 'Settings / Einstellungen' 2>/dev/null | head -1)
    [ -n "$WIN" ] && break
    alive $PID || break
    sleep 0.1
  done
  [ -n "$WIN" ] || fail "no dialog for '$*' ($(cat "$WORK/stderr"))"
  [ "$(xdotool getwindowname "$WIN")" = "$TITLE" ] || fail "caption is '$(xdotool getwindowname "$WIN")'"
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  WX=$X WY=$Y
  [ "${WIDTH}x${HEIGHT}" = "496x411" ] || fail "client area is ${WIDTH}x${HEIGHT}, not 496x411"
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  sleep 0.3
}
click_at() { xdotool mousemove $((WX + $1)) $((WY + $2)) click 1; sleep 0.3; }
closed_in() { wait_end "$PID" "$1" || fail "$2"; wait "$PID" 2>/dev/null; }

# 1. The defaults, and closing the window stores nothing.
open_dialog /C
shot "$WORK/a.png"
convert "$WORK/a.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-gtk.png"
set -- $(mean_rgb "$WORK/a.png" "$(at 0 0 496 411)")
[ "$1" -gt 180 ] && [ "$2" -gt 180 ] && [ "$3" -gt 180 ] || fail "the dialog is not a light window ($*)"
set -- $(mean_rgb "$WORK/a.png" "$(at 281 257 23 15)")
[ "$1" -gt 200 ] && [ "$2" -gt 200 ] && [ "$3" -gt 200 ] || fail "the minutes are not on white ($*)"
[ "$(darkest "$WORK/a.png" "$(at 280 256 23 17)")" -lt 80 ] || fail "no black minutes text"
[ "$(darkest "$WORK/a.png" "$(at 304 256 17 17)")" -lt 80 ] || fail "the spinner's arrows are not black"
ok "dialog opened with the caption, 496 x 387, the minutes black on white"
"$WORK/close-window" "$WIN"
closed_in 50 "closing the window did not end the program"
[ -e "$INI" ] && fail "closing without OK stored settings"
ok "closing the window stores nothing"

# 2. What follows the switch is ignored; Escape also leaves without storing.
for args in "/C:1234" "/C 1234" "/c"; do
  open_dialog $args
  xdotool key Escape
  closed_in 50 "Escape did not close the dialog of '$args'"
  [ -e "$INI" ] && fail "Escape stored settings"
done
ok "/C:1234, '/C 1234' and /c show the dialog"

# 3. The flower-number slider to 51, the sharp pictures off, the time of day
#    followed, then "&OK" (Alt+O).
open_dialog /C
click_at 97 118                      # the thumb: focus, no change
xdotool key Home                     # 1
for _ in $(seq 10); do xdotool key Right; done  # 1 + 10 x 5 = 51
click_at 40 304                      # the "Sharp pictures" box
click_at 40 328                      # the "Follow the time of day" box
sleep 0.2
shot "$WORK/b.png"
convert "$WORK/b.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-gtk-51.png"
xdotool key alt+o
closed_in 50 "OK did not close the dialog"
[ -f "$INI" ] || fail "OK stored nothing"
grep -qx 'maxFl=6.08' "$INI" || fail "maxFl is not 6.08: $(cat "$INI")"
for kv in SpeedF=6 SpeedS=0.53 SpeedO=6 Speed=5 Date=1 Time=1 Restart=1 rTime=600 Wallpaper=1 Sharp=0 DayNight=1; do
  grep -qx "$kv" "$INI" || fail "$kv missing after OK: $(tr '\n' ' ' < "$INI")"
done
ok "slider at 51, the sharp box unchecked, the day-and-night box checked and OK stored maxFl=6.08, Sharp=0 and DayNight=1"

# 3b. The mouse on the sliders' arrows and troughs, with switches stored as
#     other non-zero values (1.6 reads as 2): the dialog opens with those
#     boxes checked, an arrow moves a slider by 5, a click into the trough
#     by 20, and "&OK" stores the boxes as 1.
settings_ini "$(printf 'Date=1.6\nTime=-1\nRestart=2\nWallpaper=-1\nSharp=-1')"
open_dialog /C
# Sliders on the client area (x, y, width, height in pixels at 96 DPI); an
# arrow sits at each end, the thumb in the middle at 50.
arrow_left() { click_at $(($1 + 6)) $(($2 + $4 / 2)); }
arrow_right() { click_at $(($1 + $3 - 7)) $(($2 + $4 / 2)); }
trough_left() { click_at $(($1 + 25)) $(($2 + $4 / 2)); }
trough_right() { click_at $(($1 + $3 - 26)) $(($2 + $4 / 2)); }
GENERAL="24 32 340 17" NUMBER="24 112 147 13" FLOWER_SPEED="24 160 147 13" CLOUD="216 96 147 13" OBJECT="216 160 147 13"
arrow_left $NUMBER                      # 50 - 5 = 45
arrow_right $FLOWER_SPEED; arrow_right $FLOWER_SPEED   # 50 + 2 x 5 = 60
trough_right $CLOUD                     # 50 + 20 = 70
trough_left $GENERAL                    # 50 - 20 = 30
arrow_right $OBJECT; arrow_left $OBJECT; arrow_left $OBJECT  # 50 + 5 - 10 = 45
shot "$WORK/b2.png"
convert "$WORK/b2.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-gtk-mouse.png"
xdotool key alt+o
closed_in 50 "OK did not close the dialog after the mouse moved the sliders"
for kv in maxFl=5.6 SpeedF=6.8 SpeedS=0.73 Speed=3 SpeedO=5.6 Date=1 Time=1 Restart=1 Wallpaper=1 Sharp=1; do
  grep -qx "$kv" "$INI" || fail "$kv missing after the mouse moved the sliders: $(tr '\n' ' ' < "$INI")"
done
[ -e "$WORK/app/sylvadra.EPT" ] && fail "the switches stored as 1.6, -1 and 2 were dispatched: $(cat "$WORK/app/sylvadra.EPT")"
ok "arrows move a slider by 5 and the trough by 20; switches of 2 and -1 open as checked boxes"
stored=$(md5sum < "$INI")

# 4. Unchecking "Restart / Neustart" greys the minutes and disables the
#    spinner; checking it again restores both.
open_dialog /C
shot "$WORK/c.png"
[ "$(darkest "$WORK/c.png" "$(at 280 256 23 17)")" -lt 80 ] || fail "minutes not black before unchecking"
click_at 215 240                     # the restart box
shot "$WORK/d.png"
convert "$WORK/d.png" -crop "$(at 0 0 496 411)" +repage "$SHOTS/settings-dialog-gtk-restart-off.png"
g=$(darkest "$WORK/d.png" "$(at 280 256 23 17)")
[ "$g" -gt 150 ] || fail "minutes not grey after unchecking restart (darkest $g)"
s=$(darkest "$WORK/d.png" "$(at 304 256 17 17)")
[ "$s" -gt 100 ] || fail "spinner arrows not grey after unchecking restart (darkest $s)"
before=$(convert "$WORK/d.png" -crop "$(at 280 256 23 17)" +repage -format '%#' info:)
click_at 312 260                     # the upper arrow of the disabled spinner
shot "$WORK/e.png"
after=$(convert "$WORK/e.png" -crop "$(at 280 256 23 17)" +repage -format '%#' info:)
[ "$before" = "$after" ] || fail "the disabled spinner changed the minutes"
ok "unchecking restart greys the minutes ($g) and disables the spinner ($s)"
click_at 215 240
shot "$WORK/f.png"
[ "$(darkest "$WORK/f.png" "$(at 280 256 23 17)")" -lt 80 ] || fail "minutes not black after checking again"
click_at 312 260                     # the upper arrow: one minute more
shot "$WORK/g.png"
after=$(convert "$WORK/g.png" -crop "$(at 280 256 23 17)" +repage -format '%#' info:)
[ "$before" != "$after" ] || fail "the enabled spinner did not change the minutes"
ok "checking restart again enables the spinner"

# 5. "&Info..." opens the about box; its "&OK" closes it.
click_at 440 238
ABOUT=
for _ in $(seq 50); do
  ABOUT=$(xdotool search --onlyvisible --name '^Sylvadra Info$' 2>/dev/null | head -1)
  [ -n "$ABOUT" ] && break
  sleep 0.1
done
[ -n "$ABOUT" ] || fail "Info opened no about box"
eval "$(xdotool getwindowgeometry --shell "$ABOUT")"
[ "${WIDTH}x${HEIGHT}" = "356x329" ] || fail "about box is ${WIDTH}x${HEIGHT}"
AX=$X AY=$Y
sleep 0.3
shot "$WORK/h.png"
convert "$WORK/h.png" -crop "356x329+$AX+$AY" +repage "$SHOTS/about-box-gtk.png"
set -- $(mean_rgb "$WORK/h.png" "20x20+$AX+$((AY + 150))")
[ "$3" -gt "$1" ] && [ "$3" -gt 120 ] || fail "no blue disk at the about box's left edge ($*)"
set -- $(mean_rgb "$WORK/h.png" "249x21+$((AX + 56))+$((AY + 80))")
[ "$1" -gt 180 ] && [ "$3" -gt 180 ] || fail "the version label is not white ($*)"
[ "$(darkest "$WORK/h.png" "249x21+$((AX + 56))+$((AY + 80))")" -lt 80 ] || fail "no version text"
set -- $(mean_rgb "$WORK/h.png" "37x29+$((AX + 210))+$((AY + 266))")
[ "$1" -gt 150 ] && [ "$1" -lt 235 ] || fail "no grey OK button ($*)"
ok "about box shown at 356x329 with the version label"
xdotool key alt+o
for _ in $(seq 30); do
  xdotool search --onlyvisible --name '^Sylvadra Info$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Sylvadra Info$' >/dev/null 2>&1 && fail "OK did not close the about box"
alive "$PID" || fail "closing the about box ended the program"
ok "the about box's OK closes it"
# Alt+I opens it again; Escape closes it as its OK button does.
xdotool windowfocus --sync "$WIN" 2>/dev/null
xdotool key alt+i
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Sylvadra Info$' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --onlyvisible --name '^Sylvadra Info$' >/dev/null 2>&1 || fail "Alt+I opened no about box"
sleep 0.3
xdotool key Escape
for _ in $(seq 30); do
  xdotool search --onlyvisible --name '^Sylvadra Info$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Sylvadra Info$' >/dev/null 2>&1 && fail "Escape did not close the about box"
alive "$PID" || fail "Escape in the about box ended the program"
ok "Alt+I opens the about box, Escape closes it"

# 6. "&WWW..." hands the address to the desktop's default browser.
xdotool windowfocus --sync "$WIN" 2>/dev/null
xdotool key alt+w
for _ in $(seq 50); do [ -s "$WORK/opened" ] && break; sleep 0.1; done
[ -s "$WORK/opened" ] || fail "WWW opened no browser"
grep -qx 'https://sylvadra.example.org/' "$WORK/opened" || fail "WWW opened $(cat "$WORK/opened")"
ok "WWW opened $(cat "$WORK/opened")"

# Everything changed above is dropped when the window is closed.
"$WORK/close-window" "$WIN"
closed_in 50 "closing the window did not end the program"
[ "$(md5sum < "$INI")" = "$stored" ] || fail "closing without OK changed the settings"
ok "closing after changes stores nothing"
exit 0
