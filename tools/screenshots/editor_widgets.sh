#!/bin/sh
# Renders the three profile tree views in edit mode, each with an open value selector, under
# Xvfb as PNGs, to check by eye that separators are drawn, names shown and nothing clipped:
#   tools/screenshots/editor_widgets.sh [output folder]   (default: build/screenshots/editor_widgets)
# Builds the tree view test program in the asan tree and runs its selector case. Leak checks are
# off: the X11 platform brings system libraries that keep allocations.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots/editor_widgets}
mkdir -p "$out"
out=$(cd "$out" && pwd)
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
cd "$root"
[ -f build/asan/CMakeCache.txt ] || cmake --preset asan >/dev/null
cmake --build --preset asan --target test_widgets_treeviews >/dev/null
KOLZ_SCREENSHOTS=$out QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  build/asan/tests/widgets/test_widgets_treeviews openSelectorsShowWholeNames >/dev/null
ls "$out"/editor-widgets-*.png
