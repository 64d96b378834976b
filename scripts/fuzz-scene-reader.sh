#!/usr/bin/env bash
# Fuzzes the scene reader (the parser, checks and summary of vistrel-inspect) with libFuzzer for
# a bounded time, starting from the exporter's own scene files.
#
#   scripts/fuzz-scene-reader.sh [SECONDS]      (default 60; CI runs it with 60)
#
# Builds with clang into ${FUZZ_BUILD_DIR:-build-fuzz}. The seed corpus is every .vsf file under
# tests/ (golden exports written by the exporter), the saved regression inputs and, when the
# host build ${BUILD_DIR:-build} has the extension, the scenes of a short binding fuzz; what the
# fuzzer adds is kept in ${FUZZ_BUILD_DIR}/corpus, so a longer run continues from it. An input
# that makes the reader fail is copied to tests/fuzz/scene_reader_regressions/, where the test
# scene_reader_fuzz_regressions replays it, and the script exits with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
regressions=tests/fuzz/scene_reader_regressions

cmake -S . -B "$build_dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVISTREL_BUILD_FUZZERS=ON -DVISTREL_BUILD_RUBY=OFF -DVISTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --target fuzz_scene_reader -j "$(nproc)" >/dev/null
fuzzer=$build_dir/inspect/fuzz_scene_reader

corpus=$build_dir/corpus
seeds=$build_dir/seeds
artifacts=$build_dir/artifacts
mkdir -p "$corpus" "$seeds" "$artifacts"
find tests -name '*.vsf' -type f -exec cp {} "$seeds/" \;
cp "$regressions"/* "$seeds/" 2>/dev/null || true
# More exports, of every shape the binding fuzzer makes, when a host build is there.
host=${BUILD_DIR:-build}
if [ -f "$host/lib/vistrel_sketchup_plugin.so" ] && [ -x "$host/inspect/vistrel-inspect" ]; then
  rm -rf "$build_dir/exports"
  ruby -I "$host/lib" tests/fuzz/fuzz_binding.rb --seed 7 --calls 3000 \
    --inspector "$host/inspect/vistrel-inspect" --keep "$build_dir/exports" >/dev/null
  find "$build_dir/exports/completed" -name '*.vsf' -size -64k -exec cp {} "$seeds/" \;
fi

echo "fuzz-scene-reader: $(ls "$seeds" | wc -l) seed files, ${seconds} s" >&2
status=0
"$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" "$seeds" \
  2>"$build_dir/fuzz.log" || status=$?
grep -E '^stat::number_of_executed_units|^Done' "$build_dir/fuzz.log" >&2 || true
if [ "$status" -ne 0 ]; then
  tail -40 "$build_dir/fuzz.log" >&2
  for found in "$artifacts"/*; do
    [ -e "$found" ] || continue
    cp "$found" "$regressions/"
    echo "fuzz-scene-reader: saved $regressions/$(basename "$found")" >&2
  done
  exit 1
fi
