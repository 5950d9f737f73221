#!/bin/bash
# Peers that accept a connection and then never answer: an X display that
# says nothing after the connection is made, and a session bus that does
# the same to --set-wallpaper on Xfce and KDE. Every mode gives up within
# about 10 s with a message naming the peer, and status 1, instead of
# waiting for ever. (sway's socket that dribbles its answer: the unit test
# SwaySocket.AnAnswerDribbledOutGivesUpAtTheDeadline.)
OWN_X_SERVER=1
. "$(dirname "$0")/lib.bash"
command -v nc >/dev/null || { echo "skipped: nc is missing"; exit 77; }
SCALE=${E2E_TIME_SCALE:-1}

# A display on a TCP port where a listener takes the connection and stays
# silent (further connections wait in its backlog, silent too).
port=
for n in $(shuf -i 150-250 -n 20); do
  nc -lk 127.0.0.1 $((6000 + n)) >/dev/null 2>&1 & NC_PID=$!
  sleep 0.3
  if kill -0 "$NC_PID" 2>/dev/null; then port=$n; break; fi
done
[ -n "$port" ] || { echo "skipped: no free port for the silent display"; exit 77; }
nc -lkU "$WORK/silent-bus" >/dev/null 2>&1 & BUS_PID=$!
trap 'kill $NC_PID $BUS_PID 2>/dev/null; cleanup' EXIT
export DISPLAY="127.0.0.1:$port"

modes=("/S" "/P 0x200001" "/C" "--window-id 0x200001" "--set-wallpaper")
pids=()
for i in "${!modes[@]}"; do
  XDG_CURRENT_DESKTOP= timeout $((40 * SCALE)) "$EXE" ${modes[$i]} >"$WORK/out$i" 2>&1 & pids+=($!)
done
# The session bus, for the desktops reached through it.
desktops=(XFCE KDE)
bpids=()
for i in "${!desktops[@]}"; do
  env -u DISPLAY XDG_CURRENT_DESKTOP="${desktops[$i]}" DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/silent-bus" \
    timeout $((60 * SCALE)) "$EXE" --set-wallpaper >"$WORK/bus$i" 2>&1 & bpids+=($!)
done
for i in "${!modes[@]}"; do
  wait "${pids[$i]}"
  status=$?
  [ "$status" = 1 ] || fail "${modes[$i]} with a silent display: status $status ($(cat "$WORK/out$i"))"
  grep -q "did not answer within" "$WORK/out$i" || fail "${modes[$i]}: no message ($(cat "$WORK/out$i"))"
done
ok "a silent X display: ${modes[*]} each end with a message and status 1"
for i in "${!desktops[@]}"; do
  wait "${bpids[$i]}"
  status=$?
  [ "$status" = 1 ] || fail "--set-wallpaper on ${desktops[$i]} with a silent bus: status $status ($(cat "$WORK/bus$i"))"
  grep -q "session bus did not answer within" "$WORK/bus$i" || fail "${desktops[$i]}: no message ($(cat "$WORK/bus$i"))"
done
ok "a silent session bus: --set-wallpaper on ${desktops[*]} ends with a message and status 1"
exit 0
