#!/usr/bin/env bash
# Cross-compiles Ruby 2.7 for 64-bit Windows (x86_64-w64-mingw32) from Debian 11's source package
# (ruby2.7) and installs it into a cache folder that later runs reuse:
#
#   scripts/windows-ruby-build.sh [prefix]
#
# Its DLL is x64-msvcrt-ruby270.dll, the name the modeller's 2021-2023 releases give theirs, so
# an extension linked against the modeller's import library loads into it. The prefix defaults to
# ${WINDOWS_BUILD_DIR:-build-windows}/ruby-cache/prefix. Extensions that need libraries MinGW
# does not have here (OpenSSL, zlib, libffi, libyaml, readline, gdbm) are left out, as are the
# extensions that only Ruby's own tests use, and the bundled gems are not installed: their
# install step downloads them. Prints the prefix on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
source scripts/install-missing.sh
install_missing dpkg-dev autoconf make g++-mingw-w64-x86-64-posix ruby debian-archive-keyring

ruby_source=ruby2.7
build_dir=${WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir=$PWD/$build_dir
cache=$build_dir/ruby-cache
prefix=${1:-$cache/prefix}
stamp=$prefix/.built-from
if [ -f "$stamp" ] && grep -q "^$ruby_source-" "$stamp"; then
  echo "$prefix"
  exit 0
fi
# The cache of another Ruby (the 3.1 one this script built before) is replaced as a whole.
if [ -f "$stamp" ] || ! compgen -G "$cache/src/$ruby_source-*/configure" >/dev/null; then
  rm -rf "$cache" "$prefix"
fi

# Debian 11 (bullseye) is the last release with Ruby 2.7: its sources only, no binaries, so
# nothing the machine installs comes from it.
src_list=/etc/apt/sources.list.d/vistrel-bullseye-src.sources
if [ ! -f "$src_list" ]; then
  $sudo tee "$src_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bullseye
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bullseye-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $sudo apt-get update -qq
fi

mkdir -p "$cache/src"
srcdir=$(find "$cache/src" -maxdepth 1 -type d -name "$ruby_source-*" | head -n 1)
if [ -z "$srcdir" ] || [ ! -f "$srcdir/configure" ]; then
  rm -rf "$cache/src"
  mkdir -p "$cache/src"
  # The newest version first; a mirror may lack the security archive's sources, so then any
  # version the archive has.
  for v in $(apt-cache showsrc "$ruby_source" | sed -n 's/^Version: //p' | sort -r -V); do
    (cd "$cache/src" && apt-get source -qq "$ruby_source=$v" >/dev/null 2>&1) && break
  done
  srcdir=$(find "$cache/src" -maxdepth 1 -type d -name "$ruby_source-*" | head -n 1)
  [ -n "$srcdir" ] || { echo "windows-ruby-build: no $ruby_source source package" >&2; exit 1; }
  echo "windows-ruby-build: using $(basename "$srcdir")" >&2
fi

# Debian's patches change configure.ac; make would otherwise regenerate configure halfway.
if [ "$srcdir/configure.ac" -nt "$srcdir/configure" ]; then
  (cd "$srcdir" && autoconf)
fi

host=x86_64-w64-mingw32
objdir=$cache/build
mkdir -p "$objdir"
if [ ! -f "$objdir/GNUmakefile" ]; then
  echo "windows-ruby-build: configuring Ruby 2.7 for $host (12 minutes or more on 2 cores, once)" >&2
  # The JIT's header step would run the build machine's Ruby under a faked 2.7 configuration.
  (cd "$objdir" &&
    CC=$host-gcc-posix CXX=$host-g++-posix LDFLAGS="-static-libgcc" \
      "$srcdir/configure" --host=$host --target=$host --prefix="$prefix" \
      --enable-shared --disable-install-doc --disable-jit-support \
      --with-baseruby="$(command -v ruby)" \
      "--with-out-ext=openssl,zlib,fiddle,psych,readline,gdbm,dbm,win32ole,-test-/*" \
      >configure.log 2>&1) || { tail -n 30 "$objdir/configure.log" >&2; exit 1; }
  # Ruby 2.7 gives windres its preprocessor as one command with an option, which Debian's windres
  # looks up as one program name; the option goes separately.
  sed -i "s/--preprocessor=\"\\\$(CPP) -xc\"/--preprocessor=$host-cpp --preprocessor-arg=-xc/" \
    "$objdir/GNUmakefile"
  grep -q -- '--preprocessor-arg=-xc' "$objdir/GNUmakefile" ||
    { echo "windows-ruby-build: no windres preprocessor line to mend in GNUmakefile" >&2; exit 1; }
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
