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

packages=(cmake make g++-mingw-w64-x86-64-posix googletest wine wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "windows-test: installing ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

build_dir=${WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir=$PWD/$build_dir
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

source scripts/windows-wine-prefix.sh

ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
