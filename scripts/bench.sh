#!/usr/bin/env bash
# Builds the extension and the benchmarks in Release into ${BENCH_BUILD_DIR:-build-bench} and
# prints the export benchmark's table (bench/export_bench.rb; arguments go to it, for example:
# scripts/bench.sh --sizes 100000 --runs 9 --folder /var/tmp), then the main job on a generated
# ${BENCH_OBJ_TRIANGLES:-1000000}-triangle OBJ against tinyobjloader's own parse of it, with peak
# memory (bench/obj_bench.cpp, in ${BENCH_OBJ_FOLDER:-$TMPDIR or /tmp}), and the main job on two
# real models against tinyobjloader's parse of each, best of ${BENCH_MODEL_RUNS:-3}: the Stanford
# dragon and OpenFOAM's motorBike, fetched once into
# ${BENCH_MODEL_CACHE:-$XDG_CACHE_HOME or ~/.cache}/vistrel-bench (bench/fetch_models.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# The real models are fetched first, so that a failed download costs no benchmark time.
model_list=$(bench/fetch_models.sh "${BENCH_MODEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vistrel-bench}")
mapfile -t models <<<"$model_list"

build_dir=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DVISTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" \
  --target vistrel_sketchup_plugin vistrel_obj_reader vistrel_bench_floor writer_bench obj_bench >/dev/null
ruby -I "$build_dir/lib" -I "$build_dir/bench" bench/export_bench.rb \
  --writer-bench "$build_dir/bench/writer_bench" "$@"

folder=$(mktemp -d "${BENCH_OBJ_FOLDER:-${TMPDIR:-/tmp}}/obj_bench.XXXXXX")
trap 'rm -rf "$folder"' EXIT
VISTREL_EXTENSION_DIR="$PWD/$build_dir/lib" "$build_dir/bench/obj_bench" "$folder" \
  "${BENCH_OBJ_TRIANGLES:-1000000}" "${BENCH_OBJ_RUNS:-5}" bin/vistrel-export
VISTREL_EXTENSION_DIR="$PWD/$build_dir/lib" "$build_dir/bench/obj_bench" --models "$folder" \
  "${BENCH_MODEL_RUNS:-3}" "${models[@]}" -- bin/vistrel-export
