#!/usr/bin/env bash
# Builds the extension and the benchmarks in Release into ${BENCH_BUILD_DIR:-build-bench} and
# prints the export benchmark's table (bench/export_bench.rb). Arguments go to the benchmark,
# for example: scripts/bench.sh --sizes 100000 --runs 9 --folder /var/tmp
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DVISTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" \
  --target vistrel_sketchup_plugin vistrel_bench_floor writer_bench >/dev/null
exec ruby -I "$build_dir/lib" -I "$build_dir/bench" bench/export_bench.rb \
  --writer-bench "$build_dir/bench/writer_bench" "$@"
