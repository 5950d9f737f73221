#!/bin/bash
# The restart period counts on the machine's clock: with a period of one
# minute the first new landscape comes after about a minute, not two.
. "$(dirname "$0")/lib.bash"

START=$(date +%s)
"$EXE" --seed 5 --restart 1 /S & PID=$!
wait_scene || fail "no landscape"
band="${SCREEN_W}x$((SCREEN_H / 4))+0+$((SCREEN_H * 3 / 8))"
total=$((SCREEN_W * (SCREEN_H / 4)))
# The first landscape is whole once the band stays as it is.
shot "$WORK/first.png"
for _ in $(seq 60); do
  sleep 0.5
  shot "$WORK/again.png"
  n=$(differing "$WORK/first.png" "$WORK/again.png" "$band")
  [ "${n:-$total}" -lt $((total / 20)) ] && break
  cp "$WORK/again.png" "$WORK/first.png"
done
changed_at=
while [ $(( $(date +%s) - START )) -lt 150 ]; do
  sleep 1
  shot "$WORK/now.png"
  n=$(differing "$WORK/first.png" "$WORK/now.png" "$band")
  # A bird or a balloon changes a few pixels; a new landscape most of them.
  if [ "${n:-0}" -gt $((total / 3)) ]; then changed_at=$(( $(date +%s) - START )); break; fi
  alive $PID || fail "the saver ended by itself"
done
xdotool key space
wait_end $PID 100 || { kill -9 $PID; fail "a key did not end the saver"; }
wait $PID || fail "exit status $?"
[ -n "$changed_at" ] || fail "no new landscape within 150 s"
[ "$changed_at" -ge 50 ] && [ "$changed_at" -le 80 ] || fail "the first new landscape came after $changed_at s, not about 60"
ok "the first new landscape came after $changed_at s"
exit 0
