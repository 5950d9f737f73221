#!/bin/bash
# Settings files the program cannot make sense of: unreadable (a folder in
# its place, or a file without read permission), corrupt, empty, one line of
# 1 MB. The program starts and runs with the defaults: a headless render
# gives the very picture it gives without any settings file, and the full
# screen comes up and ends at a key. A value that cannot be converted costs
# one error protocol beside the program and the default; the saver runs.
. "$(dirname "$0")/lib.bash"

INI="$XDG_CONFIG_HOME/sylvadra/settings.ini"
render() { "$EXE" --render "$WORK/$1.png" --size 320x240 --seed 9 --ticks 30 --clock '2026-12-08 12:00:00'; }
fullscreen_runs() {
  "$EXE" /S & PID=$!
  wait_scene || fail "$1: no landscape"
  sleep 0.3
  alive $PID || fail "$1: the saver ended by itself"
  xdotool key space
  wait_end $PID 50 || { kill -9 $PID; fail "$1: a key did not end the saver"; }
  wait $PID || fail "$1: exit status $?"
}

rm -rf "$XDG_CONFIG_HOME/sylvadra"
render none || fail "render without a settings file"

mkdir -p "$XDG_CONFIG_HOME/sylvadra"
for case in folder no-permission corrupt empty megabyte-line; do
  rm -rf "$INI"
  case $case in
  folder) mkdir -p "$INI" ;;
  # Root reads it all the same, and finds nothing it can use either.
  no-permission) printf '\x01\x02 [Settings]\nSpeed\n' > "$INI"; chmod 000 "$INI" ;;
  corrupt) perl -e 'srand(7); print map { chr(int(rand(256))) } 1..4096' > "$INI"; printf '\n[Settings\nSpeed==\n\xff\xfe=\x00\n' >> "$INI" ;;
  empty) : > "$INI" ;;
  megabyte-line) head -c 1048576 /dev/zero | tr '\0' 'x' > "$INI"; printf '\nrTime=5\n' >> "$INI" ;;
  esac
  render "$case" || fail "$case: render failed"
  cmp -s "$WORK/none.png" "$WORK/$case.png" || fail "$case: the picture is not the one of the defaults"
  fullscreen_runs "$case"
  ok "$case: runs with the defaults"
done
rm -rf "$INI"

# Values that cannot be converted: one protocol for each, the defaults, and
# the saver runs.
printf '[Settings]\nSpeed=fast\nrTime=ten minutes\n' > "$INI"
fullscreen_runs "unconvertible values"
protocol="$WORK/app/sylvadra.EPT"
[ -f "$protocol" ] || fail "no error protocol for the unconvertible values"
n=$(grep -c 'LoadConfig' "$protocol")
[ "$n" = 2 ] || fail "$n protocols of LoadConfig instead of 2"
grep -q '13 (Type mismatch)' "$protocol" || fail "the protocol does not name the type mismatch"
ok "unconvertible values: two protocols, the saver runs with the defaults"
exit 0
