#!/bin/sh
# install-packages.sh PACKAGE...: installs the Debian packages named that are not installed yet.
# As root it installs them, first waiting for any other package manager run to let go of its
# lock (up to KOLZ_APT_WAIT seconds, 600 by default); otherwise it prints the command to run.
set -eu

wait_limit=${KOLZ_APT_WAIT:-600}

missing=""
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing="$missing $package"
done
[ -n "$missing" ] || exit 0

if [ "$(id -u)" != 0 ]; then
    echo "Missing Debian packages; install them with:"
    echo "  sudo apt-get install$missing"
    exit 1
fi

echo "Installing:$missing (waiting first, up to ${wait_limit}s, for any other package manager run to finish)"

# apt-get update has no lock timeout of its own: while another run holds the package lists,
# try again every few seconds; any other failure stops at once.
waited=0
while ! output=$(apt-get update -q 2>&1); do
    case $output in
    *"Could not get lock"* | *"Unable to lock"*) ;;
    *)
        printf '%s\n' "$output" >&2
        exit 1
        ;;
    esac
    if [ "$waited" -ge "$wait_limit" ]; then
        printf '%s\n' "$output" >&2
        echo "Another package manager run still holds the lock after ${wait_limit}s; try again when it is done." >&2
        exit 1
    fi
    [ "$waited" -gt 0 ] ||
        echo "Another package manager run holds the package lists; waiting for it (up to ${wait_limit}s)..."
    sleep 5
    waited=$((waited + 5))
done
printf '%s\n' "$output" | tail -n 1

DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout="$wait_limit" \
    install -y -q --no-install-recommends $missing
