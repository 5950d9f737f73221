#!/bin/bash
# valgrind's memcheck on a headless run of 5,000 ticks with a timed restart.
# Settings: Speed 10 (a tick every 20 ms) and rTime 60, so the 100 simulated
# seconds compose a second landscape. A run without valgrind with Restart 0
# first shows that the stored settings are read: the two pictures differ.
# Argument: $1 the sylvadra executable.
set -u
EXE="$1"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v valgrind >/dev/null || fail "valgrind is not installed (make deps)"

export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" HOME="$WORK"
mkdir -p "$XDG_CONFIG_HOME/sylvadra"
settings() { printf '[Settings]\nSpeed=10\nrTime=60\nRestart=%s\n' "$1" > "$XDG_CONFIG_HOME/sylvadra/settings.ini"; }
render() { "$@" --render "$WORK/out.png" --size 320x240 --seed 5 --ticks 5000 --clock '2026-12-08 12:00:00'; }

settings 0
render "$EXE" || fail "render without restart"
mv "$WORK/out.png" "$WORK/kept.png"
settings 1
render "$EXE" || fail "render with restart"
cmp -s "$WORK/kept.png" "$WORK/out.png" && fail "Restart=1 and rTime=60 gave no new landscape: settings not read"
echo "ok: the stored settings give a new landscape within 5,000 ticks"
mv "$WORK/out.png" "$WORK/restarted.png"

start=$(date +%s)
render valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
  --show-leak-kinds=definite,indirect,possible --track-origins=yes --quiet "$EXE" > "$WORK/valgrind.log" 2>&1
status=$?
cat "$WORK/valgrind.log"
[ "$status" = 0 ] || fail "valgrind reported errors or leaks (exit status $status)"
cmp -s "$WORK/restarted.png" "$WORK/out.png" || fail "the picture under valgrind differs from the native run"
echo "ok: memcheck clean in $(( $(date +%s) - start )) s, the same picture as the native run"
