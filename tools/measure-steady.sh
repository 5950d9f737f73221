#!/bin/bash
# The steady cost of a running landscape, the program and its display server
# together: CPU over SECONDS after SETTLE seconds (start-up and the first
# landscape left out), read from /proc, and the program's peak memory.
# The picture cache is filled first by a run that is not measured: a saver
# paints the pictures of later landscapes on its worker thread after the
# first landscape is shown (a minute or more, once per machine and size),
# which is no part of the steady cost.
#
#   tools/measure-steady.sh [WIDTH HEIGHT [SECONDS [SETTLE]]]
#   MODE=--background tools/measure-steady.sh 1920 1080 30 10
#   WAYLAND=1 tools/measure-steady.sh 3840 2160
#   COVER=1 MODE=--background tools/measure-steady.sh   # a window over all of it
#   COMMAND="/usr/libexec/xscreensaver/deco -root" SEEDS=1 tools/measure-steady.sh
#   WAYLAND=1 COMMAND="weston-presentation-shm -d 40" SEEDS=1 tools/measure-steady.sh
#
# MODE is how the program runs (default /S); OPTIONS are added (e.g.
# --classic); SEEDS (default "1 2 3") one line each. COMMAND measures another
# program in the same way instead (no warm-up, no seed): the least that
# any animation costs on the same machine and server. Xvfb by default;
# WAYLAND=1 runs Weston's headless compositor (software renderer).
set -u
W=${1:-1920} H=${2:-1080} RUN=${3:-30} SETTLE=${4:-10}
HERE=$(cd "$(dirname "$0")/.." && pwd)
EXE=${SYLVADRA:-$HERE/build/src/backends/sylvadra}
XHOST=$HERE/build/tests/sylvadra_xhost
[ -x "$EXE" ] || { echo "measure-steady: build first (make native): $EXE" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/home"
export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The exact time on a processor (nanoseconds, every thread's), beside the
# kernel's sampling at each clock tick (utime + stime, charged a whole tick
# to whoever runs at that moment): a process that runs a few hundred
# microseconds 25 times a second is charged in a few dozen whole ticks
# over 30 s, a third up or down from one round to the next. Each thread's
# time is taken apart: a thread that ends on the way takes its share with it.
runtime() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(cut -d' ' -f1 "$t/schedstat" 2>/dev/null)"; done; }
spent() { awk 'NR == FNR { a[$1] = $2; next } { n += $2 - ($1 in a ? a[$1] : 0) } END { printf "%.0f", n }' "$1" "$2"; }

start_server() {
  if [ -n "${WAYLAND:-}" ]; then
    weston --backend=headless-backend.so --use-pixman --idle-time=0 --no-config --socket=steady \
      --width="$W" --height="$H" >/dev/null 2>&1 &
    SERVER=$!
    unset DISPLAY
    export WAYLAND_DISPLAY=steady
  else
    local n=$(( 300 + RANDOM % 300 ))
    Xvfb ":$n" -noreset -screen 0 "${W}x${H}x24" -nolisten tcp >/dev/null 2>&1 &
    SERVER=$!
    unset WAYLAND_DISPLAY
    export DISPLAY=":$n"
  fi
  sleep 1.5
}

run() { # seed settle seconds -> "program% server% peakMB"
  start_server
  # shellcheck disable=SC2086
  if [ -n "${COMMAND:-}" ]; then ${COMMAND} >/dev/null 2>&1 &
  else "$EXE" ${MODE:-/S} ${OPTIONS:-} --seed "$1" >/dev/null 2>&1 &
  fi
  local pid=$!
  local cover=
  if [ -n "${COVER:-}" ] && [ -z "${WAYLAND:-}" ]; then
    sleep 1
    sleep 3600 | "$XHOST" "$W" "$H" 0 0 >/dev/null &
    cover=$!
  fi
  sleep "$2"
  local p0 s0 p1 s1
  p0=$(ticks $pid) s0=$(ticks $SERVER)
  runtime $pid >"$work/q0"; runtime $SERVER >"$work/r0"
  sleep "$3"
  p1=$(ticks $pid) s1=$(ticks $SERVER)
  runtime $pid >"$work/q1"; runtime $SERVER >"$work/r1"
  local kb
  kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  kill -TERM $pid; wait $pid 2>/dev/null
  [ -n "$cover" ] && pkill -P $$ -f sylvadra_xhost 2>/dev/null
  kill "$SERVER"; wait "$SERVER" 2>/dev/null
  awk -v a=$((p1 - p0)) -v b=$((s1 - s0)) -v c="$(spent "$work/q0" "$work/q1")" -v d="$(spent "$work/r0" "$work/r1")" -v hz="$hz" -v t="$3" -v kb="${kb:-0}" \
    'BEGIN { printf "%.2f %.2f %.3f %.3f %.0f", 100 * a / hz / t, 100 * b / hz / t, c / 1e7 / t, d / 1e7 / t, kb / 1024 }'
}

warm() { # runs until the cache has not grown for 15 s (at most 10 minutes)
  start_server
  "$EXE" ${MODE:-/S} ${OPTIONS:-} --seed 1 >/dev/null 2>&1 &
  local pid=$! n=-1 same=0 now
  for _ in $(seq 1 120); do
    sleep 5
    now=$(find "$XDG_CACHE_HOME" -type f 2>/dev/null | wc -l)
    if [ "$now" = "$n" ]; then same=$((same + 1)); else same=0; n=$now; fi
    [ "$same" -ge 3 ] && break
  done
  kill -TERM $pid; wait $pid 2>/dev/null
  kill "$SERVER"; wait "$SERVER" 2>/dev/null
}
[ -n "${COMMAND:-}" ] || warm
for seed in ${SEEDS:-1 2 3}; do
  read -r prog srv eprog esrv mb <<<"$(run "$seed" "$SETTLE" "$RUN")"
  awk -v w="$W" -v h="$H" -v s="$seed" -v p="$prog" -v x="$srv" -v ep="$eprog" -v ex="$esrv" -v m="$mb" -v t="$RUN" -v z="$SETTLE" \
    -v mode="${COMMAND:-${MODE:-/S} ${OPTIONS:-}}${WAYLAND:+ (Weston)}${COVER:+ (covered)}" 'BEGIN {
      printf "%dx%d %s seed %s: %.3f %% + server %.3f %% = %.3f %% of a core over %d s after %d s" \
             " (sampled at clock ticks: %.2f + %.2f = %.2f %%); peak %d MB\n",
             w, h, mode, s, ep, ex, ep + ex, t, z, p, x, p + x, m }'
done
