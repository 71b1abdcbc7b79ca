#!/usr/bin/env bash
# Builds the Debian package from an existing build folder (no second build) and lists it:
# its control fields (the dependencies dpkg-shlibdeps found) and its files.
#   bash scripts/package.sh [BUILD_FOLDER]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[[ -f $build/CPackConfig.cmake ]] || { echo "no configured build in $build" >&2; exit 1; }
cmake --build "$build"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/package/kartovel_*.deb)
echo "== $package =="
dpkg-deb -f "$package" Package Version Architecture Depends Installed-Size
echo "== Files =="
dpkg-deb -c "$package" | awk '{print $6}'
# The package holds every program and no test or benchmark.
listing=$(dpkg-deb -c "$package")
for file in ./usr/bin/kartovel ./usr/bin/kartovel-cli ./usr/bin/mapviewer ./usr/bin/combine \
    ./usr/share/kartovel/ini/config.ini ./usr/share/applications/kartovel.desktop \
    ./usr/share/man/man1/kartovel-cli.1 ./usr/share/icons/hicolor/scalable/apps/kartovel.svg \
    ./usr/share/doc/kartovel/copyright; do
  grep -q " $file$" <<<"$listing" || { echo "the package lacks $file" >&2; exit 1; }
done
if grep -q -E "_tests|bench_|tileserver" <<<"$listing"; then
  echo "the package holds a test program" >&2; exit 1
fi
# The packed programs run from where the package puts them (here unpacked elsewhere: the
# programs find their files relative to themselves).
unpacked=$(mktemp -d /tmp/kartovel-deb.XXXXXX)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$package" "$unpacked"
"$unpacked/usr/bin/kartovel-cli" --version | head -n1
# Its dependencies resolve on this system (a simulation: nothing is installed).
if command -v apt-get >/dev/null; then
  apt-get install --simulate -q "$(realpath "$package")" >"$unpacked/apt.log" 2>&1 ||
    { cat "$unpacked/apt.log" >&2; echo "the package's dependencies do not resolve" >&2; exit 1; }
  grep -E "^(Inst|Conf) kartovel" "$unpacked/apt.log"
fi
