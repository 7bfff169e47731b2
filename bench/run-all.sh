#!/bin/sh
# bench/run-all.sh LIST RESULTS [benchmark options...]: runs every benchmark program named in
# LIST (one path a line, written by the build), each in a private TMPDIR that is removed after it,
# and appends each program's JSON summary to one file under RESULTS named after this run. Fails
# when a program fails (a crash, a broken setup); goals not met only fail a program run with
# KOLZ_BENCH_STRICT=1, since the figures wander with the machine's load.
set -u
if [ $# -lt 2 ] || [ ! -r "$1" ]; then
    echo "usage: bench/run-all.sh LIST RESULTS [benchmark options...]" >&2
    exit 2
fi
list=$1
results=$2
shift 2

mkdir -p "$results" || exit 1
summary=$results/$(date -u +%Y%m%d-%H%M%S).jsonl
: >"$summary" || exit 1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kolz-bench-XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

failed=""
while IFS= read -r program; do
    [ -n "$program" ] || continue
    name=$(basename "$program")
    echo "== $name"
    # Qt makes its runtime folder in TMPDIR when XDG_RUNTIME_DIR is not set.
    mkdir "$scratch/$name" "$scratch/$name.runtime"
    chmod 700 "$scratch/$name.runtime"
    # The output is also kept, for the recap of every verdict at the end.
    {
        TMPDIR=$scratch/$name XDG_RUNTIME_DIR=$scratch/$name.runtime KOLZ_BENCH_JSON=$summary \
            "$program" "$@" </dev/null
        echo $? >"$scratch/$name.status"
    } 2>&1 | tee "$scratch/$name.log"
    if [ "$(cat "$scratch/$name.status")" != 0 ]; then
        echo "== $name FAILED (status $(cat "$scratch/$name.status"))"
        failed="$failed $name"
    fi
    if [ -n "$(ls -A "$scratch/$name")" ]; then
        echo "== $name left files in its TMPDIR (removed):" $(ls -A "$scratch/$name")
    fi
done <"$list"

echo
echo "== Verdicts"
sed -n 's/^.*\(VERDICT \)/\1/p' "$scratch"/*.log | grep . || echo "(none)"
short=$(grep -o '"met":false' "$summary" | wc -l)
echo "Goals not met: $short."
echo "JSON summary of this run (one line per program): $summary"
if [ -n "$failed" ]; then
    echo "Benchmarks that failed:$failed"
    exit 1
fi
