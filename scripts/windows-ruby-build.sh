#!/usr/bin/env bash
# Cross-compiles Ruby for 64-bit Windows (x86_64-w64-mingw32) from Debian's source package of the
# Ruby this machine runs, and installs it into a cache folder that later runs reuse:
#
#   scripts/windows-ruby-build.sh [prefix]
#
# The prefix defaults to ${WINDOWS_BUILD_DIR:-build-windows}/ruby-cache/prefix. Extensions that
# need libraries MinGW does not have here (OpenSSL, zlib, libffi, libyaml, readline, gdbm) are
# left out, as are the extensions that only Ruby's own tests use, and the bundled gems are not
# installed: their install step downloads them.
# Prints the prefix on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
source scripts/install-missing.sh
install_missing dpkg-dev autoconf make g++-mingw-w64-x86-64-posix ruby

build_dir=${WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir=$PWD/$build_dir
cache=$build_dir/ruby-cache
prefix=${1:-$cache/prefix}
stamp=$prefix/.built-from
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

# The source package comes from the archive this machine installs from: each deb entry gets its
# deb-src twin, once.
src_list=/etc/apt/sources.list.d/vistrel-deb-src.sources
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] && grep -q 'deb.debian.org\|debian' "$f" &&
        sed -e 's/^Types:.*/Types: deb-src/' "$f" && echo
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) \([^ ]*\) \(.*\)$/Types: deb-src\nURIs: \2\nSuites: \3\nComponents: \4\n/p' \
        /etc/apt/sources.list
    fi
  } | $sudo tee "$src_list" >/dev/null
  $sudo apt-get update -qq
fi

mkdir -p "$cache/src"
srcdir=$(find "$cache/src" -maxdepth 1 -type d -name 'ruby3.1-*' | head -n 1)
if [ -z "$srcdir" ] || [ ! -f "$srcdir/configure" ]; then
  rm -rf "$cache/src"
  mkdir -p "$cache/src"
  # The installed version first; a mirror may lack the security archive's sources, so then any
  # version of the same Ruby the archive has.
  installed=$(dpkg-query -W -f='${Version}' ruby3.1)
  for v in "$installed" $(apt-cache showsrc ruby3.1 | sed -n 's/^Version: //p'); do
    (cd "$cache/src" && apt-get source -qq "ruby3.1=$v" >/dev/null 2>&1) && break
  done
  srcdir=$(find "$cache/src" -maxdepth 1 -type d -name 'ruby3.1-*' | head -n 1)
  [ -n "$srcdir" ] || { echo "windows-ruby-build: no ruby3.1 source package" >&2; exit 1; }
  echo "windows-ruby-build: using $(basename "$srcdir")" >&2
fi

# Debian's patches change configure.ac; make would otherwise regenerate configure halfway.
if [ "$srcdir/configure.ac" -nt "$srcdir/configure" ]; then
  (cd "$srcdir" && autoconf)
fi

host=x86_64-w64-mingw32
objdir=$cache/build
mkdir -p "$objdir"
if [ ! -f "$objdir/Makefile" ]; then
  echo "windows-ruby-build: configuring Ruby for $host (10 minutes or more on 2 cores, once)" >&2
  (cd "$objdir" &&
    CC=$host-gcc-posix CXX=$host-g++-posix LDFLAGS="-static-libgcc" \
      "$srcdir/configure" --host=$host --target=$host --prefix="$prefix" \
      --enable-shared --disable-install-doc --with-baseruby="$(command -v ruby)" \
      "--with-out-ext=openssl,zlib,fiddle,psych,readline,gdbm,dbm,win32ole,-test-/*" \
      >configure.log 2>&1) || { tail -n 30 "$objdir/configure.log" >&2; exit 1; }
fi
jobs=${JOBS:-$(nproc)}
(cd "$objdir" && nice make -j "$jobs" >make.log 2>&1) || { tail -n 40 "$objdir/make.log" >&2; exit 1; }
# The interpreter, its libraries and headers, and the extensions. No gems: "make install" would
# download the bundled gems, and the installer puts gems where the build machine's Ruby keeps
# its own.
(cd "$objdir" && make install-local install-ext INSTRUBY_OPTS=--exclude=gem >install.log 2>&1) ||
  { tail -n 30 "$objdir/install.log" >&2; exit 1; }
basename "$srcdir" >"$stamp"
echo "$prefix"
