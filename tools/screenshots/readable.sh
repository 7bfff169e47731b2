#!/bin/sh
# Screenshots of the places where long texts are shown (the editor's header in edit mode, a
# profile with long names in both modes at the window's narrowest and at 1366 pixels, the
# capability formats, the file-name prompt, framed console titles in three fonts, the error
# list past its bound, context pages), under Xvfb with openbox so that dialogs get their real
# frames. Usage: tools/screenshots/readable.sh [output dir]  (default: build/screenshots/readable)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots/readable}
mkdir -p "$out"
out=$(cd "$out" && pwd)

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-3}
cd "$root"
[ -f build/asan/CMakeCache.txt ] || cmake --preset asan >/dev/null
cmake --build --preset asan --target kolz-readable-shots >/dev/null

# A private home and temporary directory: no real settings are touched and no running
# instance's sockets are in the way.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/tmp" "$scratch/profiles"
export HOME="$scratch/home" TMPDIR="$scratch/tmp" ZENDRA_PROFILE_PATH="$scratch/profiles"
export QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 1600x1000x24" sh -c '
  openbox & wm=$!
  sleep 1
  "$0" "$1"; status=$?
  kill $wm
  exit $status' "$root/build/asan/tests/app/kolz-readable-shots" "$out"
