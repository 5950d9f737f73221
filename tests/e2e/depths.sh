#!/bin/bash
# The full-screen landscape on X screens of 8, 16, 24 and 30 bits of colour:
# each shows the landscape (many colours in its top quarter), not a black
# window, and a key ends it with status 0. On the 8-bit screen the colours
# are those of the window's own colour map, which the program installs
# (there is no window manager to do so).
OWN_X_SERVER=1
. "$(dirname "$0")/lib.bash"

for depth in 8 16 24 30; do
  DISP=$(free_display) || fail "no free display number"
  export DISPLAY=":$DISP"
  Xvfb "$DISPLAY" -noreset -screen 0 "${SCREEN_W}x${SCREEN_H}x$depth" -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  wait_x || fail "no X server of depth $depth"
  "$EXE" --seed 2 /S 2>"$WORK/err" & PID=$!
  colourful() {
    alive $PID || return 1
    if [ $depth = 8 ]; then
      local win
      win=$(xwininfo -name Sylvadra 2>/dev/null | awk '/Window id/ {print $4}')
      [ -n "$win" ] && xwininfo -id "$win" | grep -q 'Colormap.*(installed)' || return 1
      import -window "$win" "$WORK/s.png" 2>/dev/null || return 1
    else
      shot "$WORK/s.png" || return 1
    fi
    [ "$(convert "$WORK/s.png" -crop "${SCREEN_W}x$((SCREEN_H / 4))+0+0" +repage -format %k info:)" -gt 6 ]
  }
  wait_until 100 colourful || fail "depth $depth: no landscape ($(cat "$WORK/err"))"
  xdotool key space
  wait_end $PID 50 || fail "depth $depth: a key did not end the saver"
  wait $PID || fail "depth $depth: exit status $?"
  ok "depth $depth: landscape shown ($(convert "$WORK/s.png" -crop "${SCREEN_W}x$((SCREEN_H / 4))+0+0" +repage -format %k info:) colours at the top)"
  kill $XVFB_PID; wait $XVFB_PID 2>/dev/null
  XVFB_PID=
done
saver_gone
exit 0
