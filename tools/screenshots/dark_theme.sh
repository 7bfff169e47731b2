#!/bin/sh
# Renders a small form of everyday widgets in the kit's dark theme under Xvfb, with its
# recent-files menu, as two PNGs (default folder: build/screenshots). Not part of CI.
#   tools/screenshots/dark_theme.sh [output-folder]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
cd "$root"
[ -f build/asan/build.ninja ] || cmake --preset asan >/dev/null
cmake --build --preset asan --target kolz-dark-theme-demo >/dev/null

# The demo keeps its recent files in a preference file of its own, under a throw-away HOME.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
    xvfb-run -a -s "-screen 0 1280x900x24" \
    build/asan/tests/common_gui/kolz-dark-theme-demo "$out/dark_theme.png" "$out/dark_theme_menu.png"
echo "$out/dark_theme.png"
echo "$out/dark_theme_menu.png"
