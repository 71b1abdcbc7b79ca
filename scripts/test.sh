#!/usr/bin/env bash
# Sets up, builds and runs every test. Usage: scripts/test.sh [build-folder]
# Environment: KARTOVEL_SANITIZE=address,undefined|thread builds with sanitizers;
# KARTOVEL_GUI=OFF leaves out the Qt front end and its tests. Benchmarks are built only
# in the plain build (they are run by hand, never by the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${1:-build}
sanitize=${KARTOVEL_SANITIZE:-}
bench=ON
if [ -n "$sanitize" ]; then bench=OFF; fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKARTOVEL_SANITIZE="$sanitize" -DKARTOVEL_BUILD_GUI="${KARTOVEL_GUI:-ON}" \
  -DKARTOVEL_BUILD_BENCH="$bench"
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 300 -j2
