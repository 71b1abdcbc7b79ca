#!/usr/bin/env bash
# Renders every window of Kartovel to PNG files under BUILD/screenshots, with the loopback
# demo tile service running so that the main window shows a run in progress. The pictures
# go into the user manual, so they show a neutral folder, /home/user/downloads, instead of
# this machine's: the program runs in a private mount namespace where an empty /home lies
# over the real one (nothing outside the namespace sees it or is changed).
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
shoot=("$build/bin/kartovel_screenshots" "$out")
if command -v xvfb-run >/dev/null; then
  shoot=(xvfb-run -a -s "-screen 0 1024x768x24" "${shoot[@]}")
else
  export QT_QPA_PLATFORM=offscreen
fi

neutral=/home/user/downloads
hide_home="mount -t tmpfs tmpfs /home && mkdir -p $neutral && HOME=/home/user exec \"\$@\""
namespace=()
case "$(cd "$out" && pwd -P)" in
  /home/*) ;;  # the output would be hidden too
  *)
    if unshare -m true 2>/dev/null; then
      namespace=(unshare -m sh -c "$hide_home" sh)
    elif unshare -Urm true 2>/dev/null; then
      namespace=(unshare -Urm sh -c "$hide_home" sh)
    fi
    ;;
esac
if [ ${#namespace[@]} -eq 0 ]; then
  echo "No private mount namespace here: the pictures show $out/run." >&2
  timeout 300 "${shoot[@]}"
else
  timeout 300 "${namespace[@]}" "${shoot[@]}" "$neutral"
fi
echo "Screenshots in $out"
