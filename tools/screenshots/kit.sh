#!/bin/sh
# Renders the about box, the feedback dialog and the preferences dialog (collapsed and with
# "Advanced" expanded) under Xvfb as PNGs:
#   tools/screenshots/kit.sh [output folder]   (default: build/screenshots/kit)
# Builds the kit's and the preferences dialog's test programs in the asan tree and runs their
# screenshot cases. Leak checks are off: the X11 platform brings system libraries that keep
# allocations.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots/kit}
mkdir -p "$out"
out=$(cd "$out" && pwd)
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
cd "$root"
[ -f build/asan/CMakeCache.txt ] || cmake --preset asan >/dev/null
cmake --build --preset asan --target test_common_gui_aboutbox test_app_preferences >/dev/null
for program in common_gui/test_common_gui_aboutbox app/test_app_preferences; do
  KOLZ_SCREENSHOTS=$out QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x800x24" \
    "build/asan/tests/$program" screenshots >/dev/null
done
ls "$out"/kit-*.png
