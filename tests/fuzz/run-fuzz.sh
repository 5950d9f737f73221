#!/bin/sh
# Builds libFuzzer targets with clang and runs each for a bounded time on a
# copy of its corpus: the picture decoders (bmp, ico) and the settings texts
# and the command line (settings, cmdline).
#
# Usage: tests/fuzz/run-fuzz.sh [SECONDS] [WORK_FOLDER] [TARGET...]
#   SECONDS      time per target (default 20)
#   WORK_FOLDER  binaries, corpus copies and crash files (default
#                $TMPDIR/sylvadra-fuzz)
#   TARGET       bmp, ico, settings, cmdline (default bmp ico)
# Environment: CLANGXX (default clang++), FUZZ_JOBS (parallel fuzzing
# processes per target, default 1), FUZZ_KEEP_CORPUS=1 (go on from the
# corpus grown by an earlier run instead of starting again from the seeds),
# FUZZ_TIMEOUT (seconds one input may take, default 10; long runs on a
# shared machine may want more).
#
# Exit status 0 when no target found anything; otherwise 1, with the failing
# inputs left as WORK_FOLDER/crash-<target>-* (or leak-, timeout-, oom-).
# A finding becomes a regression input: copy it into corpus/<target>/ (the
# unit tests replay every file there, see tests/test_fuzz_inputs_linux.cpp).
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

flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I$root/src -I$here"

# The decoders.
codec_sources="$root/src/platform/codec_dib.cpp $root/src/platform/codec_bmp.cpp $root/src/platform/codec_ico.cpp $root/src/platform/codec_png.cpp $root/src/platform/numbers.cpp
               $root/src/platform/files.cpp $root/src/os/linux/files_linux.cpp"
codec_headers="$root/src/platform/codecs.h $root/src/platform/dib.h $root/src/art/bytes.h $root/src/platform/picture.h $root/src/platform/numbers.h $here/fuzz_check.h
               $root/src/platform/files.h"
# The settings and what they rest on; the error form is left out (each
# target answers for the dispatcher itself).
settings_sources="$root/src/platform/numbers.cpp $root/src/platform/host.cpp $root/src/settings/config.cpp $root/src/settings/setting_table.cpp
                  $root/src/settings/settings_store.cpp $root/src/os/linux/settings_store_linux.cpp
                  $root/src/platform/files.cpp $root/src/os/linux/files_linux.cpp
                  $root/src/os/linux/system_host_linux.cpp $root/src/platform/local_place.cpp $root/src/platform/sysinfo.cpp
                  $root/src/os/linux/sysinfo_linux.cpp"
settings_headers="$root/src/settings/config.h $root/src/settings/settings_store.h $root/src/platform/numbers.h
                  $root/src/platform/host.h $root/src/errors/handler.h $root/src/platform/files.h
                  $root/src/platform/system_host.h"
version="-DSYLVADRA_VERSION_MAJOR=1 -DSYLVADRA_VERSION_MINOR=0 -DSYLVADRA_VERSION_REVISION=0"

status=0
for t in $targets; do
    case $t in
    bmp | ico)
        sources="$codec_sources"
        headers="$codec_headers"
        extra="-DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION -isystem /usr/include/stb"
        libs=""
        max_len=8192 # pictures up to 4 Mpixels under the fuzzer; 2 GB is plenty
        ;;
    settings | cmdline)
        sources="$settings_sources"
        headers="$here/settings_checks.h $settings_headers"
        if [ "$t" = cmdline ]; then
            sources="$root/src/shell/cmdline.cpp $root/src/shell/options.cpp $sources"
            headers="$here/cmdline_checks.h $root/src/shell/cmdline.h $root/src/shell/options.h
                     $root/src/shell/render.h $settings_headers"
        fi
        extra="$version"
        libs="$(pkg-config --cflags --libs glib-2.0)"
        max_len=4096
        ;;
    *) echo "run-fuzz.sh: unknown target '$t' (bmp, ico, settings, cmdline)" >&2; exit 2 ;;
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
        "$cxx" $flags $extra "$here/fuzz_$t.cpp" $sources $libs -o "$bin.tmp"
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
    set -- -max_total_time="$seconds" -max_len="$max_len" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/crash-$t-" "$corpus"
    if [ "$jobs" -gt 1 ]; then
        set -- -jobs="$jobs" -workers="$jobs" "$@"
    fi
    if (cd "$work" && "$bin" "$@") >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$log" || true
        grep -E '^#[0-9]+.*DONE' "$log" | tail -1 || true
    else
        status=1
        tail -n 60 "$log"
        echo "run-fuzz.sh: fuzz_$t found a failure; inputs: $(ls "$work"/*-"$t"-* 2>/dev/null | tr '\n' ' ')" >&2
    fi
done
exit $status
