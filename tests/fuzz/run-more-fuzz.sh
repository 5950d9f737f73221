#!/bin/sh
# Builds the libFuzzer targets of the settings texts and the command line
# with clang and runs each for a bounded time on a copy of its corpus.
#
# Usage: tests/fuzz/run-more-fuzz.sh [SECONDS] [WORK_FOLDER] [TARGET...]
#   SECONDS      time per target (default 30)
#   WORK_FOLDER  binaries, corpus copies and crash files (default
#                $TMPDIR/sylvadra-fuzz-more)
#   TARGET       settings, cmdline (default both)
# Environment: CLANGXX (default clang++), FUZZ_JOBS (parallel fuzzing
# processes per target, default 1), FUZZ_KEEP_CORPUS=1 (go on from the
# corpus grown by an earlier run), FUZZ_TIMEOUT (seconds one input may take,
# default 10; long runs on a shared machine may want more).
#
# Exit status 0 when no target found anything; otherwise 1, with the failing
# inputs left as WORK_FOLDER/crash-<target>-* (or leak-, timeout-, oom-).
# A finding becomes a regression input: copy it into corpus/<target>/ (the
# unit tests replay every file there, see tests/test_fuzz_inputs.cpp).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-30}
work=${2:-${TMPDIR:-/tmp}/sylvadra-fuzz-more}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
targets=${*:-settings cmdline}
cxx=${CLANGXX:-clang++}
jobs=${FUZZ_JOBS:-1}

case $seconds in
'' | *[!0-9]*) echo "run-more-fuzz.sh: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac
if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-more-fuzz.sh: $cxx not found (Debian: apt-get install clang)" >&2
    exit 2
fi
mkdir -p "$work"

flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -DSYLVADRA_VERSION_MAJOR=1 -DSYLVADRA_VERSION_MINOR=0 -DSYLVADRA_VERSION_REVISION=0
       -I$root/src -I$here"

# The settings and what they rest on; the error form is left out (each
# target answers for the dispatcher itself).
settings_sources="$root/src/platform/numbers.cpp $root/src/platform/host.cpp $root/src/settings/config.cpp
                  $root/src/settings/settings_store.cpp $root/src/settings/settings_store_linux.cpp"
settings_headers="$root/src/settings/config.h $root/src/settings/settings_store.h $root/src/platform/numbers.h
                  $root/src/platform/host.h $root/src/errors/handler.h"
glib="$(pkg-config --cflags --libs glib-2.0)"

status=0
for t in $targets; do
    case $t in
    settings)
        sources="$settings_sources"
        headers="$here/settings_checks.h $settings_headers"
        ;;
    cmdline)
        sources="$root/src/shell/cmdline.cpp $root/src/shell/options.cpp $settings_sources"
        headers="$here/cmdline_checks.h $root/src/shell/cmdline.h $root/src/shell/options.h $root/src/shell/render.h
                 $settings_headers"
        ;;
    *) echo "run-more-fuzz.sh: unknown target '$t' (settings, cmdline)" >&2; exit 2 ;;
    esac
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
        "$cxx" $flags "$here/fuzz_$t.cpp" $sources $glib -o "$bin.tmp"
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
    set -- -max_total_time="$seconds" -max_len=4096 -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 -print_final_stats=1 \
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
        echo "run-more-fuzz.sh: fuzz_$t found a failure; inputs: $(ls "$work"/*-"$t"-* 2>/dev/null | tr '\n' ' ')" >&2
    fi
done
exit $status
