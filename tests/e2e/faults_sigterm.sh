#!/bin/bash
# SIGTERM at any moment of a full-screen run, most of them in the middle of
# the first composition (which lets window events run between its stages).
# Every time the program ends within a few seconds, either through the
# saver's own ending (status 0) or, before the window system is up, by the
# signal's default action (status 143); never by a crash or a sanitizer
# report. No temporary file is left, and a wallpaper file, when one was
# written, is complete: its size is the one its header gives, and it opens.
# SIGHUP and SIGQUIT end a running saver in the same orderly way, and
# SIGTERM ends the preview at once.
. "$(dirname "$0")/lib.bash"

APP="$WORK/app"
check_wallpaper() {
  local f="$APP/Sylvadra.bmp"
  [ -f "$f" ] || return 0
  local header actual
  header=$(od -An -t u4 -j 2 -N 4 "$f" | tr -d ' ')
  actual=$(stat -c %s "$f")
  [ "$header" = "$actual" ] || fail "$1: the wallpaper has $actual bytes, its header says $header"
  identify "$f" >/dev/null 2>&1 || fail "$1: the wallpaper does not open"
}

delays="0.005 0.02 0.05 0.08 0.1 0.15 0.2 0.25 0.3 0.35 0.4 0.5 0.6 0.8 1.0 1.5"
i=0
for d in $delays; do
  i=$((i + 1))
  rm -f "$APP/Sylvadra.bmp"
  "$EXE" --seed "$i" /S & PID=$!
  sleep "$d"
  kill -TERM $PID 2>/dev/null
  # Every other run gets a second SIGTERM right after the first.
  [ $((i % 2)) = 0 ] && { sleep 0.01; kill -TERM $PID 2>/dev/null; }
  wait_end $PID 50 || { kill -9 $PID; fail "SIGTERM after $d s: the program did not end"; }
  wait $PID
  status=$?
  [ $status = 0 ] || [ $status = 143 ] || fail "SIGTERM after $d s: exit status $status"
  left=$(find "$APP" -name '*.tmp' -o -name '*.part')
  [ -z "$left" ] || fail "SIGTERM after $d s: temporary files left: $left"
  check_wallpaper "SIGTERM after $d s"
  echo "SIGTERM after $d s: status $status$( [ -f "$APP/Sylvadra.bmp" ] && echo ', wallpaper complete')"
done
ok "$i runs ended by SIGTERM, nothing half-written"

# SIGHUP and SIGQUIT while the landscape is shown, and while it is being
# composed: the saver's own ending, status 0 and a complete wallpaper.
for sig in HUP QUIT; do
  for when in shown composing; do
    rm -f "$APP/Sylvadra.bmp"
    "$EXE" --seed 3 /S & PID=$!
    if [ $when = shown ]; then
      wait_scene || fail "SIG$sig: no landscape"
    else
      # The window is up: the run listens, its first landscape is on its way.
      wait_until 100 eval 'xwininfo -name Sylvadra 2>/dev/null | grep -q IsViewable' || fail "SIG$sig: no window"
    fi
    kill -$sig $PID
    wait_end $PID 50 || { kill -9 $PID; fail "SIG$sig ($when): the program did not end"; }
    wait $PID
    status=$?
    [ $status = 0 ] || fail "SIG$sig ($when): exit status $status"
    [ -f "$APP/Sylvadra.bmp" ] || fail "SIG$sig ($when): no wallpaper"
    check_wallpaper "SIG$sig ($when)"
    ok "SIG$sig while $when: the saver's own ending, wallpaper written"
  done
done

# The preview ends within a second of SIGTERM (it waits for its host's
# window and for the signal alike).
coproc HOSTWIN { "$BUILD/tests/sylvadra_xhost" 320 240; }
read -r WIN <&"${HOSTWIN[0]}"
[ -n "$WIN" ] || fail "no host window"
"$EXE" /P "$WIN" & PID=$!
# Drawn: the host's grey is gone from the window.
drawn() { shot "$WORK/p.png"; set -- $(mean_rgb "$WORK/p.png" "300x100+20+20"); [ "${1:-64}" != 64 ] || [ "${3:-64}" != 64 ]; }
wait_until 100 drawn || fail "the preview was not drawn"
kill -TERM $PID
wait_end $PID 10 || { kill -9 $PID; fail "SIGTERM did not end the preview within a second"; }
wait $PID || fail "the preview ended by SIGTERM with status $?"
exec {HOSTWIN[1]}>&-
ok "SIGTERM ends the preview"
saver_gone
exit 0
