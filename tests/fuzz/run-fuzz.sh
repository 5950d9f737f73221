#!/bin/sh
# Builds the libFuzzer targets of the picture decoders with clang and runs
# each for a bounded time on a copy of its seed corpus.
#
# Usage: tests/fuzz/run-fuzz.sh [SECONDS] [WORK_FOLDER] [TARGET...]
#   SECONDS      time per target (default 20)
#   WORK_FOLDER  binaries, corpus copies and crash files (default
#                $TMPDIR/sylvadra-fuzz)
#   TARGET       bmp, ico (default both)
# Environment: CLANGXX (default clang++), FUZZ_JOBS (parallel fuzzing
# processes per target, default 1), FUZZ_KEEP_CORPUS=1 (keep the corpus grown
# by an earlier run instead of starting again from the seeds).
#
# Exit status 0 when no target found anything; otherwise 1, with the
# crashing inputs left as WORK_FOLDER/crash-<target>-*.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-20}
work=${2:-${TMPDIR:-/tmp}/sylvadra-fuzz}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
targets=${*:-bmp ico}
cxx=${CLANGXX:-clang++}
jobs=${FUZZ_JOBS:-1}

case $seconds in
'' | *[!0-9]*) echo "run-fuzz.sh: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac
if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz.sh: $cxx not found (Debian: apt-get install clang)" >&2
    exit 2
fi
mkdir -p "$work"

sources="$root/src/platform/codecs.cpp $root/src/platform/codec_png.cpp $root/src/platform/numbers.cpp"
headers="$root/src/platform/codecs.h $root/src/platform/picture.h $root/src/platform/numbers.h $here/fuzz_check.h"
flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION -I$root/src -isystem /usr/include/stb"

status=0
for t in $targets; do
    bin="$work/fuzz_$t"
    # Rebuild when any input is newer than the binary.
    stale=1
    if [ -x "$bin" ]; then
        stale=0
        for f in "$here/fuzz_$t.cpp" $sources $headers "$0"; do
            [ "$f" -nt "$bin" ] && stale=1
        done
    fi
    if [ $stale = 1 ]; then
        echo "== building fuzz_$t"
        # shellcheck disable=SC2086
        "$cxx" $flags "$here/fuzz_$t.cpp" $sources -o "$bin.tmp"
        mv "$bin.tmp" "$bin"
    fi

    corpus="$work/corpus-$t"
    if [ "${FUZZ_KEEP_CORPUS:-0}" != 1 ] || [ ! -d "$corpus" ]; then
        rm -rf "$corpus"
        mkdir -p "$corpus"
        cp "$here/corpus/$t/"* "$corpus/"
    fi

    echo "== fuzz_$t for $seconds s"
    log="$work/fuzz_$t.log"
    # Pictures up to 4 Mpixels under the fuzzer; 2 GB is plenty.
    set -- -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/crash-$t-" "$corpus"
    if [ "$jobs" -gt 1 ]; then
        set -- -jobs="$jobs" -workers="$jobs" "$@"
    fi
    if (cd "$work" && "$bin" "$@") >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$log" || true
        grep -E '^#[0-9]+.*DONE' "$log" | tail -1 || true
    else
        status=1
        tail -n 60 "$log"
        echo "run-fuzz.sh: fuzz_$t found a failure; inputs: $(ls "$work"/crash-"$t"-* 2>/dev/null | tr '\n' ' ')" >&2
    fi
done
exit $status
