#!/bin/bash
# CPU time and peak memory of the real saver: `sylvadra /S` full screen on
# an Xvfb screen of the given size for the given seconds, measured with
# /usr/bin/time (user + system CPU of our process only; the X server's work
# is not counted). One line per seed. With WAYLAND=1 the screen is Weston's
# headless compositor (its software renderer) instead of Xvfb, and the saver
# runs on it without any X display.
#
#   tools/measure-cpu.sh [WIDTH HEIGHT [SECONDS [SEEDS...]]]
#   tools/measure-cpu.sh 3840 2160 30 1 2 3
#   WAYLAND=1 tools/measure-cpu.sh 1920 1080 30 1 2 3
#
# The runs share one cache folder of painted pictures. WARMUP=S first runs
# the saver for S seconds (not measured) to paint them, as every run after
# the first on a machine finds them; without it each measured run starts
# with an empty cache; CACHE_DIR=D uses (and keeps) the folder D. OPTIONS
# are given to the saver (e.g. --classic).
set -u
W=${1:-1920} H=${2:-1080} SECONDS_RUN=${3:-30}
shift $(( $# < 3 ? $# : 3 ))
SEEDS=("$@")
[ ${#SEEDS[@]} -eq 0 ] && SEEDS=(1 2 3)
HERE=$(cd "$(dirname "$0")/.." && pwd)
EXE=${SYLVADRA:-$HERE/build/src/backends/sylvadra}
SERVER=Xvfb
[ -n "${WAYLAND:-}" ] && SERVER=weston
for tool in "$SERVER" /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "measure-cpu: $tool is missing" >&2; exit 1; }
done
[ -x "$EXE" ] || { echo "measure-cpu: build first (make native): $EXE" >&2; exit 1; }
if [ -n "${CACHE_DIR:-}" ]; then
  cache=$CACHE_DIR
else
  cache=$(mktemp -d)
  trap 'rm -rf "$cache"' EXIT
fi
# shellcheck disable=SC2086
run() { # seed seconds
  home=$(mktemp -d)
  if [ "$SERVER" = weston ]; then
    mkdir -m 700 "$home/runtime"
    XDG_RUNTIME_DIR="$home/runtime" weston --backend=headless-backend.so --use-pixman --idle-time=0 \
      --no-config --socket=measure --width="$W" --height="$H" >/dev/null 2>&1 &
    xpid=$!
    sleep 1.5
    out=$(env -u DISPLAY XDG_RUNTIME_DIR="$home/runtime" WAYLAND_DISPLAY=measure HOME="$home" XDG_CACHE_HOME="$cache" \
          /usr/bin/time -f "%U %S %M" timeout -s TERM "$2" "$EXE" ${OPTIONS:-} /S --seed "$1" 2>&1 >/dev/null | tail -1)
  else
    disp=$(( 90 + RANDOM % 400 ))
    Xvfb ":$disp" -noreset -screen 0 "${W}x${H}x24" -nolisten tcp >/dev/null 2>&1 &
    xpid=$!
    sleep 1.5
    out=$(env -u WAYLAND_DISPLAY DISPLAY=":$disp" HOME="$home" XDG_CACHE_HOME="$cache" /usr/bin/time -f "%U %S %M" \
          timeout -s TERM "$2" "$EXE" ${OPTIONS:-} /S --seed "$1" 2>&1 >/dev/null | tail -1)
  fi
  kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null
  rm -rf "$home"
}
[ "${WARMUP:-0}" -gt 0 ] && run 1 "$WARMUP"
for seed in "${SEEDS[@]}"; do
  run "$seed" "$SECONDS_RUN"
  read -r user sys kb <<<"$out"
  awk -v w="$W" -v h="$H" -v s="$seed" -v u="$user" -v y="$sys" -v k="$kb" -v t="$SECONDS_RUN" \
    -v frame="$(( W * H * 4 ))" 'BEGIN {
      printf "%dx%d seed %s: %.2f s CPU in %d s = %.2f %% of a core; peak %.0f MB (four frames + 40 MB = %.0f MB)\n",
             w, h, s, u + y, t, 100 * (u + y) / t, k / 1024, (4 * frame) / 1048576 + 40 }'
done
