#!/bin/sh
# Screenshots of the program under Xvfb: a built-in profile, edit mode with an editor open, the
# question about unsaved edits, two application tabs (one finished), the system report and the
# preferences dialog.
# Usage: tools/screenshots/app.sh [output dir]   (default: build/screenshots/app)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots/app}
mkdir -p "$out"
out=$(cd "$out" && pwd)

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
cd "$root"
cmake --preset asan >/dev/null
cmake --build --preset asan --target kolz-app-shots

# A private home and temporary directory: no real settings are touched and no running
# instance's sockets are in the way.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/tmp" "$scratch/profiles"
export HOME="$scratch/home" TMPDIR="$scratch/tmp" ZENDRA_PROFILE_PATH="$scratch/profiles"
export QT_QPA_PLATFORM=xcb
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0:detect_leaks=0"
xvfb-run -a -s "-screen 0 1280x720x24" "$root/build/asan/tests/app/kolz-app-shots" "$out"
