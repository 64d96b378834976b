#!/usr/bin/env bash
# Cross-compiles the scene writer, the scene export layer, the exporter, the platform layer and
# their tests for 64-bit Windows with MinGW-w64, and runs the tests under Wine:
#
#   scripts/windows-test.sh
#
# Installs what is missing from Debian's packages, builds into ${WINDOWS_BUILD_DIR:-build-windows},
# and uses a Wine prefix of its own in that folder, so runs do not depend on ~/.wine. The
# stand-in renderer is installed into the prefix and registered under
# HKEY_LOCAL_MACHINE\SOFTWARE\Tavren\Vistrel. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/install-missing.sh
install_missing cmake make g++-mingw-w64-x86-64-posix googletest wine wine64

build_dir=${WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir=$PWD/$build_dir
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

source scripts/windows-wine-prefix.sh

ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
