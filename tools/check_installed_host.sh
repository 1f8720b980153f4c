#!/bin/sh
# check_installed_host.sh BUILD_DIR WORK_DIR: installs the build tree into
# WORK_DIR/stage (DESTDIR), then builds examples/host.c against that install
# twice, with `pkg-config --cflags --libs jux` and with a CMake project that
# uses find_package(jux), and runs both hosts: each must search and stop.
set -e
build=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
stage="$work/stage"
rm -rf "$stage" "$work/cmake-host"
# The component keeps the manifest of a make install (install_manifest.txt) as it was.
DESTDIR="$stage" cmake --install "$build" --component Unspecified >/dev/null
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
prefix=$(cache CMAKE_INSTALL_PREFIX)
libdir=$(cache CMAKE_INSTALL_LIBDIR)
case "$libdir" in /*) ;; *) libdir="$prefix/$libdir" ;; esac

expect_search() {
    output=$(LD_LIBRARY_PATH="$stage$libdir" timeout 60 "$1")
    echo "$output" | grep -q "^depth 5: bestmove [a-h][1-8][a-h][1-8]" &&
        echo "$output" | grep -q "^infinite, stopped: bestmove [a-h][1-8][a-h][1-8]" ||
        { echo "$output" | tail -5; echo "check_installed_host: $1 failed" >&2; exit 1; }
}

# pkg-config: the .pc file names the real prefix; the sysroot puts the stage in front.
flags=$(PKG_CONFIG_SYSROOT_DIR="$stage" PKG_CONFIG_LIBDIR="$stage$libdir/pkgconfig" pkg-config --cflags --libs jux)
cc -Wall -Wextra -Werror "$source_dir/examples/host.c" $flags -pthread -o "$work/pkg-config-host"
expect_search "$work/pkg-config-host"
echo "check_installed_host: built with pkg-config ($flags) and ran"

cmake -S "$source_dir/examples" -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$stage$prefix" >/dev/null
make --no-print-directory -s -C "$work/cmake-host" >/dev/null
expect_search "$work/cmake-host/host"
echo "check_installed_host: built with find_package(jux) and ran"
