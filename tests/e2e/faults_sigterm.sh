#!/bin/bash
# SIGTERM at any moment of a full-screen run, most of them in the middle of
# the first composition (which lets window events run between its stages).
# Every time the program ends within a few seconds, either through the
# saver's own ending (status 0) or, before the window system is up, by the
# signal's default action (status 143); never by a crash or a sanitizer
# report. No temporary file is left, and a wallpaper file, when one was
# written, is complete: its size is the one its header gives, and it opens.
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
exit 0
