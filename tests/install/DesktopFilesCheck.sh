#!/usr/bin/env bash
# Validates the installed desktop entries, the AppStream metadata and the man pages with
# the desktop's own tools; exits 77 (skipped) when one of them is not installed.
#   DesktopFilesCheck.sh CMAKE BUILD_FOLDER
set -euo pipefail
cmake_command=$1
build=$2
for tool in desktop-file-validate appstreamcli man; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (Debian: desktop-file-utils, appstream, man-db)"
    exit 77
  fi
done
work=$(mktemp -d /tmp/kartovel-desktop.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$cmake_command" --install "$build" --prefix "$work" >/dev/null
failures=0
for entry in "$work"/share/applications/*.desktop; do
  # Hints are advice; errors and warnings fail.
  output=$(desktop-file-validate --no-hints "$entry" 2>&1) || true
  if [[ -n $output ]]; then echo "FAIL: $output"; failures=$((failures + 1)); fi
  program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [[ -x $work/bin/$program ]] || { echo "FAIL: $entry starts $program, not installed"; failures=$((failures + 1)); }
done
if ! appstreamcli validate --no-net --pedantic "$work"/share/metainfo/*.metainfo.xml >"$work/as.log" 2>&1; then
  echo "FAIL: appstreamcli"; cat "$work/as.log"; failures=$((failures + 1))
fi
for page in "$work"/share/man/man1/*.1; do
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$work/man.err")
  name=$(basename "$page" .1)
  if [[ -s $work/man.err ]] || ! grep -q "^NAME" <<<"$rendered" ||
     ! grep -q "$name" <<<"$rendered"; then
    echo "FAIL: man -l $page"; cat "$work/man.err"; failures=$((failures + 1))
  fi
done
# kartovel-cli's page names every subcommand and exit status the program has.
rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$work/share/man/man1/kartovel-cli.1" 2>/dev/null)
for word in download redownload export info 130; do
  grep -qw -- "$word" <<<"$rendered" || { echo "FAIL: kartovel-cli(1) names no $word"; failures=$((failures + 1)); }
done
[[ $failures -eq 0 ]] || exit 1
echo "desktop entries, AppStream metadata and man pages valid"
