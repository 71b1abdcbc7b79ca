#!/usr/bin/env bash
# Sets up, builds and runs every test. Usage: scripts/test.sh [build-folder]
# Environment: KARTOVEL_SANITIZE=address,undefined|thread builds with sanitizers;
# KARTOVEL_GUI=OFF leaves out the Qt front end and its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKARTOVEL_SANITIZE="${KARTOVEL_SANITIZE:-}" -DKARTOVEL_BUILD_GUI="${KARTOVEL_GUI:-ON}"
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 300 -j2
