#!/usr/bin/env bash
# Builds the Ruby extension for the modeller's own Windows Rubies (2.7 and 3.2) from its maker's
# SDK and tests it:
#
#   scripts/windows-ruby-test.sh     (VISTREL_MODELLER_RUBY_SDK=<folder> for another SDK folder)
#
# 1. Cross-compiles Ruby 2.7 for Windows from Debian 11's source package, once: it is kept in
#    ${WINDOWS_BUILD_DIR:-build-windows}/ruby-cache (scripts/windows-ruby-build.sh). Its DLL is
#    x64-msvcrt-ruby270.dll, the name of the modeller's own 2.7.
# 2. Builds the package in ${BUILD_DIR:-build} (target package): the extension and its companion
#    vistrel_instancing against the SDK for Ruby 2.7 and 3.2 (<build>/windows-ruby-<version>),
#    and for Linux. Also the OBJ reader against the SDK's 2.7, for the driver, and the stand-in
#    renderer.
# 3. Checks every Windows library of both: they import their Ruby's DLL and system DLLs only
#    (3.2: the UCRT, no msvcrt.dll), export their Init_ entry (Init_vistrel_sketchup_plugin,
#    Init_vistrel_instancing, ...) and were compiled from the SDK's headers of their version; the
#    .rbz holds the extension and its companion for both. Ruby 2.7's structs (tests/windows/
#    ruby_layout.cpp) have the same layout through the SDK's headers as through the MinGW Ruby's.
# 4. Under Wine, with the cross-built Ruby 2.7 and the SDK-built 2.7 library: a syntax check of
#    the package, the driver and the Ruby tests (nothing of later Rubies), the extension's
#    minitest suites (tests/ruby but for its Linux-only memory test, and tests/windows/ruby), as
#    they are and again under GC.stress, with the host's minitest on the load path; the package
#    tests (the walker's with the SDK libraries, the loader's on the unpacked .rbz); and bin/vistrel-export on the sample model, whose scene must be
#    the Linux one byte for byte, the checkout's path where it appears in them aside. Also the
#    core's C++ tests linked against the UCRT as the 3.2 library is, in $WINDOWS_BUILD_DIR/ucrt.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# The SDK lives outside the project; a machine without it cannot build these libraries at all.
sdk=${VISTREL_MODELLER_RUBY_SDK:-$PWD/../shared/modeller-ruby-sdk}
if [ ! -d "$sdk/include/2.7" ] || [ ! -d "$sdk/include/3.2" ]; then
  echo "windows-ruby-test: SKIPPED: no modeller Ruby SDK at $sdk (set VISTREL_MODELLER_RUBY_SDK)" >&2
  exit 0
fi

source scripts/install-missing.sh
install_missing cmake make g++ g++-mingw-w64-x86-64-posix googletest wine wine64 ruby ruby-dev swig

build_dir=${WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir=$PWD/$build_dir
host_build=${BUILD_DIR:-build}
[[ $host_build = /* ]] || host_build=$PWD/$host_build
export WINDOWS_BUILD_DIR=$build_dir
ruby_root=$(scripts/windows-ruby-build.sh | tail -n 1)
jobs=(-j "$(nproc)")

sdk_option=()
[ -z "${VISTREL_MODELLER_RUBY_SDK:-}" ] || sdk_option=(-DVISTREL_MODELLER_RUBY_SDK="$VISTREL_MODELLER_RUBY_SDK")
cmake -S . -B "$host_build" -DVISTREL_PACKAGE_WINDOWS=ON "${sdk_option[@]}" >/dev/null
nice cmake --build "$host_build" "${jobs[@]}" --target package vistrel_sketchup_plugin vistrel_obj_reader
sdk27=$host_build/windows-ruby-2.7
sdk32=$host_build/windows-ruby-3.2
for dir in "$sdk27" "$sdk32"; do
  for library in vistrel_sketchup_plugin vistrel_instancing; do
    [ -f "$dir/lib/$library.so" ] ||
      { echo "windows-ruby-test: no $dir/lib/$library.so (MinGW-w64 or the SDK missing?)" >&2; exit 1; }
  done
done
nice cmake --build "$sdk27" "${jobs[@]}" --target vistrel_obj_reader
# The core's Windows build, for the stand-in renderer (scripts/windows-test.sh tests the rest).
cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
  -DVISTREL_BUILD_RUBY=OFF >/dev/null
nice cmake --build "$build_dir" "${jobs[@]}" --target vistrel_renderer_standin

echo "windows-ruby-test: the Windows libraries' imports, exports and headers" >&2
ruby - "$sdk27" "$sdk32" "$host_build/vistrel_exporter.rbz" <<'RUBY'
require 'json'
sdk27, sdk32, rbz = ARGV
# DLLs every Windows 10 and 11 has.
system_dll = /\A(KERNEL32|ADVAPI32|SHELL32|api-ms-win-crt-[a-z]+-l1-1-0)\.dll\z/i
expected = { sdk27 => ['2.7', 'x64-msvcrt-ruby270.dll', /\Amsvcrt\.dll\z/i],
             sdk32 => ['3.2', 'x64-ucrt-ruby320.dll', nil] }
problems = []
expected.each do |dir, (version, ruby_dll, runtime)|
  Dir["#{dir}/lib/*.so"].each do |library|
    dump = IO.popen(['x86_64-w64-mingw32-objdump', '-p', library], &:read)
    imports = dump.scan(/DLL Name: (\S+)/).flatten
    others = imports.reject { |dll| dll == ruby_dll || dll.match?(system_dll) || (runtime && dll.match?(runtime)) }
    problems << "#{library} imports #{others.join(', ')}" unless others.empty?
    problems << "#{library} does not import #{ruby_dll}" unless imports.include?(ruby_dll)
    entry = "Init_#{File.basename(library, '.so')}"
    problems << "#{library} does not export #{entry}" unless dump.match?(/\] #{entry}$/)
  end
  # The extensions' Ruby code was compiled with the SDK's headers of this version behind the GCC
  # config.h, and nothing was compiled with another Ruby's headers.
  JSON.parse(File.read("#{dir}/compile_commands.json")).each do |unit|
    command = unit['command'].gsub(/@(\S+\.rsp)/) { File.read(File.expand_path(Regexp.last_match(1), unit['directory'])) }
    includes = command.scan(/(?:-I|-isystem)\s*"?([^"\s]+)/).flatten
    rubies = includes.select { |path| path.match?(%r{/modeller-ruby-|/win32_x64\z|/include/ruby-}) }
    wanted = [%r{/modeller-ruby-#{version}\z}, %r{/include/#{version}/win32_x64\z}]
    next if rubies.empty? && !unit['file'].match?(/_wrap\.cxx\z|ruby_reader\.cpp\z/)
    next if rubies.size == 2 && wanted.zip(rubies).all? { |pattern, path| path.match?(pattern) }

    problems << "#{unit['file']} in #{dir}: Ruby headers #{rubies.join(' ')}"
  end
end
entries = IO.popen(['cmake', '-E', 'tar', 'tf', rbz], &:read).split("\n")
%w[windows/2.7 windows/3.2].product(%w[vistrel_sketchup_plugin vistrel_instancing]).each do |slot, name|
  file = "vistrel_exporter/lib/#{slot}/#{name}.so"
  problems << "#{rbz} lacks #{file}" unless entries.include?(file)
end
abort "windows-ruby-test: #{problems.join("\nwindows-ruby-test: ")}" unless problems.empty?
puts 'windows-ruby-test: both Windows libraries import their Ruby and system DLLs only'
RUBY

# The structs shared with Ruby 2.7 laid out alike through the SDK's headers and the GCC
# config.h, and through the headers of the MinGW Ruby the library is loaded into below.
layout() { x86_64-w64-mingw32-g++-posix -std=c++17 -S -o - "$@" tests/windows/ruby_layout.cpp | grep '\.quad'; }
ruby_headers=$ruby_root/include/ruby-2.7.0
if ! diff <(layout -I "$sdk27/modeller-ruby-2.7" -I "$(sed -n 's/^Ruby_CONFIG_INCLUDE_DIR:PATH=//p' "$sdk27/CMakeCache.txt")") \
  <(layout -I "$ruby_headers/x64-mingw32" -I "$ruby_headers") >/dev/null; then
  echo "windows-ruby-test: Ruby's structs differ between the SDK's 2.7 headers and the MinGW Ruby's" >&2
  exit 1
fi
echo "windows-ruby-test: Ruby 2.7's structs laid out alike through the SDK's and the MinGW Ruby's headers" >&2

source scripts/windows-wine-prefix.sh
# Wine's drive Z: is the root of the machine's file system.
win() { echo "Z:$1"; }
ruby_exe=$ruby_root/bin/ruby.exe
minitest=$(ruby -rminitest -e 'print File.dirname($LOADED_FEATURES.grep(%r{/minitest\.rb$}).first)' 2>/dev/null)
# UTF-8 as the default external encoding, as the modeller sets it (and Ruby 3 on Windows has it).
wine_ruby() { "$wine" "$ruby_exe" -E UTF-8 -I "$(win "$minitest")" "$@"; }
# The package runs in the modeller's Ruby 2.7 too, and the driver and the tests below in this one:
# no syntax of later Rubies.
echo "windows-ruby-test: Ruby 2.7 reads the package, the driver and their tests" >&2
ruby_files=()
for f in plugins/sketchup/package/*.rb plugins/sketchup/package/*/*.rb bin/vistrel-export lib/*/*.rb \
  tests/modeller/*.rb tests/ruby/*.rb tests/windows/ruby/*.rb; do
  ruby_files+=("$(win "$PWD/$f")")
done
wine_ruby -e 'read = ARGV.map do |f|
                RubyVM::InstructionSequence.compile_file(f)
              rescue SyntaxError => e
                warn e.message
              end
              exit(read.all?)' "${ruby_files[@]}"

# The memory test measures the process through Linux's /proc and glibc.
tests=()
for f in tests/ruby/test_*.rb tests/windows/ruby/test_*.rb; do
  [ "$(basename "$f")" = test_memory.rb ] || tests+=("$(win "$PWD/$f")")
done
run_tests='ARGV.each { |f| require f }; ARGV.clear'
for gc_stress in 0 1; do
  echo "windows-ruby-test: minitest under Wine (Ruby 2.7, SDK library), VISTREL_GC_STRESS=$gc_stress" >&2
  VISTREL_GC_STRESS=$gc_stress wine_ruby -I "$(win "$sdk27/lib")" -e "$run_tests" "${tests[@]}"
done

echo "windows-ruby-test: the package tests under Wine (Ruby 2.7): the walker with the SDK libraries, then the .rbz" >&2
wine_ruby -I "$(win "$sdk27/lib")" "$(win "$PWD/tests/modeller/test_walker.rb")"
plugins=$build_dir/plugins
rm -rf "$plugins" && mkdir -p "$plugins"
(cd "$plugins" && cmake -E tar xf "$host_build/vistrel_exporter.rbz")
VISTREL_PLUGINS=$(win "$plugins") VISTREL_RENDERER_STANDIN=$(win "$build_dir/tests/windows/vistrel_renderer_standin.exe") \
  wine_ruby "$(win "$PWD/tests/modeller/test_package.rb")"

# The 3.2 library cannot be loaded here (no Debian archive has Ruby 3.2), but its C runtime can
# be run: the core's tests, linked against the UCRT as that library is.
echo "windows-ruby-test: the core's tests on the UCRT, linked as the 3.2 library is" >&2
ucrt_build=$build_dir/ucrt
cmake -S . -B "$ucrt_build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
  -DVISTREL_BUILD_RUBY=ON -DVISTREL_MODELLER_RUBY=3.2 "${sdk_option[@]}" >/dev/null
nice cmake --build "$ucrt_build" "${jobs[@]}" --target scene_api_tests scene_export_tests \
  sketchup_exporter_tests windows_platform_tests
ctest --test-dir "$ucrt_build" --output-on-failure "${jobs[@]}" | tail -n 3

echo "windows-ruby-test: bin/vistrel-export under Linux and Windows" >&2
scenes=$build_dir/driver-scenes  # kept for a look when they differ
mkdir -p "$scenes"
VISTREL_EXTENSION_DIR=$host_build/lib bin/vistrel-export -q -o "$scenes/linux.vsf"
VISTREL_EXTENSION_DIR=$(win "$sdk27/lib") "$wine" "$ruby_exe" "$(win "$PWD/bin/vistrel-export")" \
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
