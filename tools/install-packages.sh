#!/bin/sh
# install-packages.sh REASON PACKAGE...: installs the Debian packages named
# that are not installed yet, after saying which and why. Used by make and by
# .ci/run, so a fresh machine needs nothing but the README's commands.
reason="$1"
shift
missing=""
for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing the Debian packages$missing ($reason) with apt-get."
echo "To do it yourself: sudo apt-get install$missing"
if [ "$(id -u)" -eq 0 ]; then
    run=""
elif command -v sudo >/dev/null 2>&1; then
    run="sudo"
else
    echo "Cannot install$missing: run as root or install sudo." >&2
    exit 1
fi
# A fresh machine may have empty package lists: update them once if the first try fails.
export DEBIAN_FRONTEND=noninteractive
$run apt-get install -y --no-install-recommends $missing ||
    { $run apt-get update && $run apt-get install -y --no-install-recommends $missing; }
