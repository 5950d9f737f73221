#!/bin/bash
# The preview inside a host's window and the scene inside a window handed
# over as xscreensaver does; both take --sharp and --classic.
. "$(dirname "$0")/lib.bash"
XHOST="$BUILD/tests/sylvadra_xhost"

# /P: the preview fills the host's window and ends with it.
coproc HOSTWIN { "$XHOST" 320 240; }
read -r WIN <&"${HOSTWIN[0]}"
[ -n "$WIN" ] || fail "no host window"
"$EXE" --sharp /P "$WIN" & PID=$!
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
"$EXE" --classic --window-id "$WIN2" & PID=$!
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
# scene: a landscape is composed for each new size, with its meadow and its
# date line at the new bottom (the clock there changes each second).
for size in "520 380" "300 200" "400 300"; do
  set -- $size
  W=$1 H=$2
  xdotool windowsize "$WIN2" $W $H
  # Window at (10, 10): the date line is in its bottom-left corner.
  clock_runs() {
    shot "$WORK/r1.png"; sleep 1.1; shot "$WORK/r2.png"
    [ "$(differing "$WORK/r1.png" "$WORK/r2.png" "140x18+12+$((10 + H - 20))")" -gt 0 ]
  }
  wait_until 50 clock_runs || fail "no running clock at the bottom of the window at $size"
  alive $PID || fail "the run ended when its window became $size"
  set -- $(mean_rgb "$WORK/r2.png" "$((W - 20))x30+20+12")
  [ "$3" -gt 60 ] || fail "no sky in the window at $size ($*)"
  # The meadow's bottom-right corner: the landscape, not the host's grey.
  set -- $(mean_rgb "$WORK/r2.png" "60x20+$((10 + W - 70))+$((10 + H - 40))")
  [ "$1" != 64 ] || [ "$2" != 64 ] || fail "the bottom-right corner is not drawn at $size ($*)"
  ok "a landscape for $size"
done
kill -TERM $PID
wait_end $PID 50 || fail "SIGTERM did not end the run"
ok "SIGTERM ends the embedded run"
exec {HOSTWIN2[1]}>&-

# The window destroyed while the scene runs in it: the run ends, status 0.
coproc HOSTWIN3 { "$XHOST" 300 200; }
read -r WIN3 <&"${HOSTWIN3[0]}"
"$EXE" --window-id "$WIN3" & PID=$!
# Sky, not the host's grey (64 64 64): the scene is up before the window goes.
sky_in_third() { shot "$WORK/g.png"; set -- $(mean_rgb "$WORK/g.png" "280x30+20+12"); [ "$3" -gt $(( $1 + 40 )) ]; }
wait_until 50 sky_in_third || fail "no scene in the third window"
exec {HOSTWIN3[1]}>&-
wait_end $PID 50 || fail "the run went on after its window was destroyed"
wait $PID || fail "the run ended with status $? after its window was destroyed"
ok "the run ends with its window"

# Window ids that name no window: refused at once, with a message.
for id in 0 -1 4194303 0xFFFFFFFF; do
  for how in option env; do
    start=$(date +%s%N)
    if [ $how = option ]; then
      timeout 5 "$EXE" --window-id "$id" 2>"$WORK/err" && fail "--window-id $id: status 0"
    else
      XSCREENSAVER_WINDOW=$id timeout 5 "$EXE" 2>"$WORK/err" && fail "XSCREENSAVER_WINDOW=$id: status 0"
    fi
    status=$?
    took=$(( ($(date +%s%N) - start) / 1000000 ))
    [ $status != 124 ] || fail "$how $id: still running after 5 s"
    [ $took -lt $((1000 * ${E2E_TIME_SCALE:-1})) ] || fail "$how $id: refused after $took ms"
    grep -q 'window' "$WORK/err" || fail "$how $id: no message ($(cat "$WORK/err"))"
  done
done
ok "window ids that name no window are refused"
# The preview in the root window would never end: refused.
ROOT=$(( $(xwininfo -root | awk '/Window id/ {print $4}') ))
timeout 5 "$EXE" /P "$ROOT" 2>"$WORK/err" && fail "a preview in the root window ran"
grep -q 'root' "$WORK/err" || fail "no message for the root window"
ok "no preview in the root window"
saver_gone
exit 0

# A window far larger than the memory allows a scene for (17000x17000): the
# protocol tells of the lack of memory and the run ends with status 1.
coproc HUGE { "$XHOST" 17000 17000; }
read -r WIN4 <&"${HUGE[0]}"
"$EXE" --window-id "$WIN4" & PID=$!
wait_end $PID 200 || fail "the run in a 17000x17000 window did not end"
wait $PID; st=$?
[ $st = 1 ] || fail "the run without enough memory ended with status $st"
ok "no memory for the scene: status 1"
exec {HUGE[1]}>&-
