#!/bin/bash
# The preview's host window destroyed at any moment: before the preview
# starts, while it draws its first frame, while it redraws after a resize,
# or long after. The preview must end every time within a few seconds, with
# status 0 and no sanitizer report; it must never hang on a window that is
# gone. A window id that names no window when the preview starts is refused
# at once with a message and status 1.
. "$(dirname "$0")/lib.bash"
XHOST="$BUILD/tests/sylvadra_xhost"

# A host window of $1 x $2; sets WIN and the coprocess HOST.
open_host() {
  coproc HOST { "$XHOST" "$1" "$2"; }
  read -r WIN <&"${HOST[0]}"
  [ -n "$WIN" ] || fail "no host window"
}
close_host() { exec {HOST[1]}>&-; wait "$HOST_PID" 2>/dev/null; }
# $2: the statuses allowed (default 0).
preview_ends() {
  wait_end $PID 50 || { kill -9 $PID; fail "$1: the preview did not end with its host window"; }
  wait $PID
  local status=$?
  [[ " ${2:-0} " == *" $status "* ]] || fail "$1: exit status $status"
}

# A window that never existed, and one destroyed before the preview starts.
"$EXE" /P 4194303 2>"$WORK/none.err" & PID=$!
preview_ends "no such window" 1
grep -q "does not exist" "$WORK/none.err" || fail "no such window: no message ($(cat "$WORK/none.err"))"
ok "a window id that names no window is refused at once, with a message and status 1"

# Destroyed before the preview starts.
open_host 640 480
close_host
"$EXE" /P "$WIN" 2>/dev/null & PID=$!
preview_ends "destroyed before the start" 1
ok "a host window destroyed before the start"

# Destroyed 0 to 600 ms after the start, in steps of 20 ms: before the
# preview looks at the window, between that look and its asking to hear of
# the window's end (a window destroyed then used to leave the preview
# waiting for ever), during the first frame (a large window takes the
# longest to draw) and after it. Where these moments fall depends on the
# machine and the build, hence the sweep.
n=0
for d in $(LC_ALL=C seq 0 0.02 0.6); do
  open_host 1000 740
  "$EXE" /P "$WIN" 2>/dev/null & PID=$!
  sleep "$d"
  close_host
  # Gone before the preview looked at it: refused (1); later: ended (0).
  preview_ends "destroyed after $d s" "0 1"
  n=$((n + 1))
done
ok "$n previews ended with their host window destroyed 0 to 600 ms after the start"

# Destroyed while the preview redraws after a resize.
for d in 0 0.005 0.02 0.05; do
  open_host 300 200
  "$EXE" /P "$WIN" & PID=$!
  sleep 0.5
  xdotool windowsize "$WIN" 1000 740 2>/dev/null
  sleep "$d"
  close_host
  preview_ends "destroyed $d s after a resize"
done
ok "previews ended with their host window destroyed during a redraw"
exit 0
