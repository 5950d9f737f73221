#!/bin/bash
# The preview inside a host's window and the scene inside a window handed
# over as xscreensaver does.
. "$(dirname "$0")/lib.bash"
XHOST="$BUILD/tests/sylvadra_xhost"

# /P: the preview fills the host's window and ends with it.
coproc HOSTWIN { "$XHOST" 320 240; }
read -r WIN <&"${HOSTWIN[0]}"
[ -n "$WIN" ] || fail "no host window"
"$EXE" /P "$WIN" & PID=$!
sleep 1.5
alive $PID || fail "the preview ended by itself"
shot "$WORK/p.png"
set -- $(mean_rgb "$WORK/p.png" "300x100+20+20")
[ $(( $1 + $2 + $3 )) -gt 150 ] || fail "the host window does not show the preview ($*)"
[ "$(convert "$WORK/p.png" -crop 300x220+20+20 +repage -format '%k' info:)" -gt 50 ] || fail "the preview is a plain colour"
ok "preview drawn ($*)"
exec {HOSTWIN[1]}>&-
wait_end $PID 50 || fail "the preview did not end with its host window"
ok "preview ends with its host"

# --window-id: the scene runs inside a given window.
coproc HOSTWIN2 { "$XHOST" 400 300; }
read -r WIN2 <&"${HOSTWIN2[0]}"
"$EXE" --window-id "$WIN2" & PID=$!
sleep 2
shot "$WORK/e.png"
set -- $(mean_rgb "$WORK/e.png" "380x40+20+12")
[ "$3" -gt 60 ] || fail "no sky inside the given window ($*)"
ok "scene inside the window ($*)"
# Another window covers part of the landscape and goes away (as a screen
# locker's dialog does): the uncovered part shows the landscape again.
coproc COVER { "$XHOST" 120 60 150 200; }
read -r COVERWIN <&"${COVER[0]}"
[ -n "$COVERWIN" ] || fail "no covering window"
sleep 0.5
exec {COVER[1]}>&-
sleep 1
shot "$WORK/u.png"
set -- $(mean_rgb "$WORK/u.png" "120x60+150+200")
[ "$2" -gt $(( $1 + 20 )) ] || fail "the uncovered part is not the landscape again ($*)"
ok "uncovered part drawn again ($*)"
# The host changes the window's size, larger and then smaller than the
# scene: the scene goes on being shown, and at full size its clock line
# changes each second.
for size in "520 380" "300 200" "400 300"; do
  xdotool windowsize "$WIN2" $size
  sleep 1
  alive $PID || fail "the run ended when its window became $size"
  shot "$WORK/r1.png"
  set -- $(mean_rgb "$WORK/r1.png" "280x40+20+12")
  [ "$3" -gt 60 ] || fail "no sky in the window at $size ($*)"
  if [ "$size" != "300 200" ]; then
    sleep 1.2
    shot "$WORK/r2.png"
    changed=$(differing "$WORK/r1.png" "$WORK/r2.png" "150x20+12+290")
    [ "${changed:-0}" -gt 0 ] || fail "the clock line stood still after the window became $size"
  fi
  ok "shown at $size"
done
kill -TERM $PID
wait_end $PID 50 || fail "SIGTERM did not end the run"
ok "SIGTERM ends the embedded run"
exec {HOSTWIN2[1]}>&-
exit 0
