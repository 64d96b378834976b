#!/usr/bin/env bash
# The main job: installs what is missing, builds into ${BUILD_DIR:-build}, then exports the
# sample model (or the model and options given, see bin/vistrel-export --help) and prints the
# summary line. Build output goes to standard error, the summary to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${BUILD_DIR:-build}
scripts/setup.sh >&2
exec bin/vistrel-export "$@"
