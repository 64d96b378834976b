#!/usr/bin/env bash
# Installs what the build needs from Debian's packages (only what is missing), then
# configures and builds into ${BUILD_DIR:-build}. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config ruby ruby-dev swig libgtest-dev valgrind locales clang
  libtinyobjloader-dev libembree-dev libstb-dev)
missing=()
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# A decimal-comma locale lets the tests prove that numbers are written with a full stop.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || echo "setup: no de_DE.UTF-8 locale" >&2
fi

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
