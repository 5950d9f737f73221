#!/bin/bash
# Settings files the program cannot make sense of: unreadable (a folder in
# its place, or a file without read permission), corrupt, empty, one line of
# 1 MB. The program starts and runs with the defaults: a headless render
# gives the very picture it gives without any settings file, and the full
# screen comes up and ends at a key. A value that cannot be converted costs
# one error protocol beside the program and the default; the saver runs.
# "&OK" in the settings dialog never writes over a settings file it could
# not read, and a save that fails is told and ends with a non-zero status.
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
rm -f "$protocol" "$INI"

# "&OK" in the settings dialog when the settings cannot be saved. The dialog
# opens with the defaults; "&OK" leaves the file exactly as it was, writes
# the failure to the protocol, tells it on stderr in one line and ends the
# program with a non-zero status. Root can read and write everything, so
# the places used here defeat root too.
xprop -root -spy >/dev/null 2>&1 &
ok_in_dialog() {
  "$EXE" /C 2>"$WORK/stderr" & PID=$!
  WIN=
  for _ in $(seq 100); do
    WIN=$(xdotool search --onlyvisible --name 'Settings / Einstellungen' 2>/dev/null | head -1)
    [ -n "$WIN" ] && break
    alive $PID || break
    sleep 0.1
  done
  [ -n "$WIN" ] || fail "$1: no dialog ($(cat "$WORK/stderr"))"
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  sleep 0.3
  xdotool key alt+o
  wait_end $PID 100 || { kill -9 $PID; fail "$1: OK did not end the program"; }
  wait $PID; STATUS=$?
}
failed_save() { # $1 case, $2 the path the stderr line names
  [ "$STATUS" != 0 ] || fail "$1: exit status 0 after a failed save"
  [ "$(wc -l < "$WORK/stderr")" = 1 ] && grep -q "^sylvadra: cannot save the settings: $2: " "$WORK/stderr" ||
    fail "$1: stderr is not one line about $2: $(cat "$WORK/stderr")"
  [ -f "$protocol" ] && grep -q 'SaveConfig' "$protocol" && grep -q '75 (Path/File access error)' "$protocol" ||
    fail "$1: no protocol of the failed save"
  rm -f "$protocol"
}
for case in larger-than-1MB fifo folder; do
  rm -rf "$INI"
  case $case in
  larger-than-1MB) { printf '# mine\n[Settings]\nSpeed=3\n'; head -c 1048576 /dev/zero | tr '\0' '#'; } > "$INI"; chmod 640 "$INI" ;;
  fifo) mkfifo "$INI" ;;
  folder) mkdir "$INI"; echo mine > "$INI/keep" ;;
  esac
  before=$(stat -c '%F %a %i %s' "$INI"; [ -f "$INI" ] && md5sum < "$INI"; [ -d "$INI" ] && ls -l "$INI")
  ok_in_dialog "$case"
  failed_save "$case" "$INI"
  after=$(stat -c '%F %a %i %s' "$INI"; [ -f "$INI" ] && md5sum < "$INI"; [ -d "$INI" ] && ls -l "$INI")
  [ "$before" = "$after" ] || fail "$case: the settings file changed: $before / $after"
  [ "$(ls -A "$XDG_CONFIG_HOME/sylvadra")" = settings.ini ] || fail "$case: left $(ls -A "$XDG_CONFIG_HOME/sylvadra")"
  ok "$case: OK keeps the file unread and unchanged, protocol, stderr line, status $STATUS"
done
rm -rf "$INI"

# A settings folder that cannot be made (its parent is a file), and for a
# user other than root a folder without write permission.
: > "$WORK/not-a-folder"
XDG_CONFIG_HOME="$WORK/not-a-folder/config" ok_in_dialog "no settings folder"
failed_save "no settings folder" "$WORK/not-a-folder/config/sylvadra"
ok "no settings folder: protocol, stderr line, status $STATUS"
if [ "$(id -u)" != 0 ]; then
  chmod 555 "$XDG_CONFIG_HOME/sylvadra"
  ok_in_dialog "read-only folder"
  chmod 755 "$XDG_CONFIG_HOME/sylvadra"
  failed_save "read-only folder" "$INI"
  ok "read-only folder: protocol, stderr line, status $STATUS"
fi
exit 0
