#!/bin/sh
# Renders the profile editor in view mode and in edit mode under Xvfb:
#   tools/screenshots/editor.sh [output folder]   (default: build/screenshots/editor)
# Builds kolz-kit-shots in the asan tree and runs it in a private HOME. Leak checks are off: the
# X11 platform brings system libraries that keep allocations.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots/editor}
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
  build/asan/tests/app/kolz-kit-shots "$out" editor
