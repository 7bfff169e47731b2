#!/bin/sh
# Renders the about box, the feedback dialog, the preferences dialog (collapsed and with
# "Advanced" expanded) and Help's box when "xdg-open" cannot be run or ends with a failing status
# under Xvfb as PNGs:
#   tools/screenshots/kit.sh [output folder]   (default: build/screenshots/kit)
# Builds kolz-kit-shots in the asan tree and runs it in a private HOME. Leak checks are off: the
# X11 platform brings system libraries that keep allocations.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots/kit}
mkdir -p "$out"
out=$(cd "$out" && pwd)
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
cd "$root"
[ -f build/asan/CMakeCache.txt ] || cmake --preset asan >/dev/null
cmake --build --preset asan --target kolz-kit-shots >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home TMPDIR=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  build/asan/tests/app/kolz-kit-shots "$out" kit
