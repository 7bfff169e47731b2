#!/bin/sh
# fuzz/run.sh NAME [SECONDS [libFuzzer options...]]: fuzzes build/fuzz/fuzz/fuzz_NAME (built by
# `make fuzz`) for SECONDS, 60 by default, starting from fuzz/corpus/NAME. Everything a target
# needs is set here: a private HOME and TMPDIR (removed afterwards, whatever the target left),
# headless Qt, the leak suppressions for caches that system libraries keep, and places inside
# build/fuzz/ for new inputs and for crash, leak and timeout reports.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)

if [ $# -lt 1 ]; then
    echo "usage: fuzz/run.sh NAME [SECONDS [libFuzzer options...]]" >&2
    exit 2
fi
name=$1
seconds=${2:-60}
[ $# -lt 2 ] || shift
shift

program=$root/build/fuzz/fuzz/fuzz_$name
starting=$root/fuzz/corpus/$name
if [ ! -x "$program" ] || [ ! -d "$starting" ]; then
    echo "No fuzz target \"$name\" (build them with make fuzz). Targets:" >&2
    ls "$root/fuzz/corpus" >&2
    exit 2
fi
case $seconds in
'' | *[!0-9]*)
    echo "SECONDS must be a whole number, not \"$seconds\"" >&2
    exit 2
    ;;
esac

corpus=$root/build/fuzz/corpus/$name
artifacts=$root/build/fuzz/artifacts/$name
mkdir -p "$corpus" "$artifacts"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kolz-fuzz-run-XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
mkdir "$scratch/home" "$scratch/tmp" "$scratch/runtime"
chmod 700 "$scratch/runtime"

echo "fuzz_$name for ${seconds}s; new inputs go to build/fuzz/corpus/$name/, reports to build/fuzz/artifacts/$name/"
HOME=$scratch/home TMPDIR=$scratch/tmp XDG_RUNTIME_DIR=$scratch/runtime QT_QPA_PLATFORM=offscreen \
    LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$program" -max_total_time="$seconds" -artifact_prefix="$artifacts/" "$@" "$corpus" "$starting"
status=$?
if [ "$status" != 0 ]; then
    echo "fuzz_$name failed (status $status); its reports:" >&2
    ls -t "$artifacts" | head -5 | sed "s|^|  build/fuzz/artifacts/$name/|" >&2
fi
exit "$status"
