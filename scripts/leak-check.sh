#!/usr/bin/env bash
# Runs whole exports from Ruby under valgrind --leak-check=full and fails when any block
# definitely or indirectly lost was allocated by the extension's own code (see
# tests/sanitizer/leak_report.rb). What the interpreter itself keeps at exit is not counted.
#
#   scripts/leak-check.sh        (uses the build in ${BUILD_DIR:-build}, building it if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
[ -f "$build_dir/lib/vistrel_sketchup_plugin.so" ] || BUILD_DIR=$build_dir scripts/setup.sh
log=$build_dir/leak-check.log
valgrind --leak-check=full --show-leak-kinds=definite,indirect --errors-for-leak-kinds=none \
  --num-callers=60 --fullpath-after= --log-file="$log" \
  ruby -I "$build_dir/lib" tests/sanitizer/leak_exports.rb
ruby tests/sanitizer/leak_report.rb "$log" "$(pwd)/" || status=$?
grep -A3 'LEAK SUMMARY' "$log" | sed 's/^==[0-9]*== //' >&2
exit "${status:-0}"
