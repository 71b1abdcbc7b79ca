#!/usr/bin/env bash
# Renders every window of Kartovel to PNG files under BUILD/screenshots, with the loopback
# demo tile service running so that the main window shows a run in progress.
# Usage: scripts/screenshots.sh [build-folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target kartovel_screenshots tileserver
out="$build/screenshots"
rm -rf "$out"
mkdir -p "$out"

"$build/bin/tileserver" --port 8642 &
service=$!
trap 'kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true' EXIT

# A second of the program's time lasts 0.2 s, so the run shows progress quickly.
export KARTOVEL_TIME_SCALE=${KARTOVEL_TIME_SCALE:-0.2}
if command -v xvfb-run >/dev/null; then
  timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/kartovel_screenshots" "$out"
else
  QT_QPA_PLATFORM=offscreen timeout 300 "$build/bin/kartovel_screenshots" "$out"
fi
echo "Screenshots in $out"
