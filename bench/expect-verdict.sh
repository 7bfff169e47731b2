#!/bin/sh
# bench/expect-verdict.sh STATUS VERDICT PROGRAM [ARGS...]: runs a benchmark program and passes when
# it ends with STATUS and prints VERDICT as one of its lines. CTest runs it to check that a
# benchmark tells a broken goal as it should.
expected=$1
verdict=$2
shift 2
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
if [ "$status" != "$expected" ]; then
    echo "expect-verdict: status $status, expected $expected" >&2
    exit 1
fi
printf '%s\n' "$output" | grep -qxF "$verdict" && exit 0
echo "expect-verdict: no line \"$verdict\"" >&2
exit 1
