#!/usr/bin/env bash
# Sets up, builds and opens Kartovel with the loopback demo tile service (127.0.0.1:8642,
# the host the shipped ini/config.ini names) running beside it; the service stops when
# the main window closes.
# Usage: scripts/run.sh [build-folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(kartovel kartovel-cli tileserver kartovel_resources)
# The companion programs that the Tools menu starts, when this tree builds them.
for companion in mapviewer combine; do
  if cmake --build "$build" --target help | grep -q "^$companion:"; then
    targets+=("$companion")
  fi
done
cmake --build "$build" --target "${targets[@]}"

"$build/bin/tileserver" --port 8642 &
service=$!
trap 'kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true' EXIT INT TERM

"$build/bin/kartovel"
