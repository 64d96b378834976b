#!/usr/bin/env bash
# Builds the Ruby extension for 64-bit Windows against a Windows Ruby and tests it under Wine:
#
#   scripts/windows-ruby-test.sh
#
# 1. Cross-compiles Ruby 3.1 for Windows from Debian's source package, once: it is kept in
#    ${WINDOWS_BUILD_DIR:-build-windows}/ruby-cache (scripts/windows-ruby-build.sh).
# 2. Builds the extension DLLs (lib/vistrel_sketchup_plugin.so, and lib/vistrel_obj_reader.so and
#    lib/vistrel_instancing.so when the project has them) in the Windows build folder with
#    VISTREL_RUBY_ROOT set to that Ruby, and the same extensions for Linux in ${BUILD_DIR:-build}.
# 3. Runs the extension's minitest suites (tests/ruby, but for its Linux-only memory test, and
#    tests/windows/ruby) with the Windows ruby.exe in the build folder's Wine prefix, as they
#    are and again under GC.stress, with the host's minitest on the load path.
# 4. Exports the sample model with bin/vistrel-export under both Rubies and compares the scenes
#    byte for byte, the checkout's path where it appears in them aside.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/install-missing.sh
install_missing cmake make g++ g++-mingw-w64-x86-64-posix googletest wine wine64 ruby ruby-dev swig

build_dir=${WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir=$PWD/$build_dir
host_build=${BUILD_DIR:-build}
[[ $host_build = /* ]] || host_build=$PWD/$host_build
export WINDOWS_BUILD_DIR=$build_dir
ruby_root=$(scripts/windows-ruby-build.sh | tail -n 1)

# Builds the extensions (and any other targets named) of the build folder $1.
build_extensions() {
  local dir=$1
  shift
  local targets=(vistrel_sketchup_plugin "$@")
  # The other extensions, where the project has them. grep reads all of the list: with -q,
  # cmake could end on a closed pipe and fail the test.
  local help
  help=$(cmake --build "$dir" --target help)
  for extension in vistrel_obj_reader vistrel_instancing; do
    grep " $extension\$" <<<"$help" >/dev/null && targets+=("$extension")
  done
  nice cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
}
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
  -DVISTREL_BUILD_RUBY=ON -DVISTREL_RUBY_ROOT="$ruby_root" >/dev/null
build_extensions "$build_dir" vistrel_renderer_standin
[ -f "$host_build/CMakeCache.txt" ] || cmake -S . -B "$host_build" >/dev/null
build_extensions "$host_build"

source scripts/windows-wine-prefix.sh
# Wine's drive Z: is the root of the machine's file system.
win() { echo "Z:$1"; }
ruby_exe=$ruby_root/bin/ruby.exe
minitest=$(ruby -rminitest -e 'print File.dirname($LOADED_FEATURES.grep(%r{/minitest\.rb$}).first)' 2>/dev/null)
# The memory test measures the process through Linux's /proc and glibc.
tests=()
for f in tests/ruby/test_*.rb tests/windows/ruby/test_*.rb; do
  [ "$(basename "$f")" = test_memory.rb ] || tests+=("$(win "$PWD/$f")")
done
run_tests='ARGV.each { |f| require f }; ARGV.clear'
for gc_stress in 0 1; do
  echo "windows-ruby-test: minitest under Wine, VISTREL_GC_STRESS=$gc_stress" >&2
  VISTREL_GC_STRESS=$gc_stress "$wine" "$ruby_exe" -I "$(win "$minitest")" -I "$(win "$build_dir/lib")" \
    -e "$run_tests" "${tests[@]}"
done

echo "windows-ruby-test: bin/vistrel-export under Linux and Windows" >&2
scenes=$build_dir/driver-scenes  # kept for a look when they differ
mkdir -p "$scenes"
VISTREL_EXTENSION_DIR=$host_build/lib bin/vistrel-export -q -o "$scenes/linux.vsf"
VISTREL_EXTENSION_DIR=$(win "$build_dir/lib") "$wine" "$ruby_exe" "$(win "$PWD/bin/vistrel-export")" \
  -q -o "$(win "$scenes/windows.vsf")"
ruby - "$PWD" "$scenes/linux.vsf" "$scenes/windows.vsf" <<'RUBY'
root, linux, windows = ARGV
# Paths under the checkout (a texture, say) start with Z: and may use backslashes on Windows.
windows_root = Regexp.union("Z:#{root}", "Z:#{root.tr('/', '\\')}")
same = File.binread(linux).gsub(root, '<checkout>') ==
       File.binread(windows).gsub(windows_root) { '<checkout>' }
abort "windows-ruby-test: the scenes differ: #{linux} #{windows}" unless same
puts 'windows-ruby-test: the Windows export writes the same scene'
RUBY
