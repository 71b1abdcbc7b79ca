#!/usr/bin/env bash
# The licence is told the same everywhere: the package's copyright file holds LICENSE's
# holder and terms, the AppStream metadata and the About box name the licence LICENSE is.
#   LicenceCheck.sh CMAKE BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
cmake_command=$1
build=$2
source=$3
work=$(mktemp -d /tmp/kartovel-licence.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$cmake_command" --install "$build" --prefix "$work" >/dev/null
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

licence=$source/LICENSE
[[ $(head -n1 "$licence") == "MIT License" ]] || fail "LICENSE is not the MIT licence: $(head -n1 "$licence")"
holder=$(sed -n 's/^Copyright (c) //p' "$licence")
[[ -n $holder ]] || fail "LICENSE names no copyright holder"

copyright=$work/share/doc/kartovel/copyright
if [[ ! -f $copyright ]]; then
  fail "not installed: share/doc/kartovel/copyright"
else
  head -n1 "$copyright" | grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$" ||
    fail "the copyright file is not in the machine-readable form"
  grep -qx "Copyright: $holder" "$copyright" || fail "the copyright file does not name $holder"
  grep -qx "License: Expat" "$copyright" || fail "the copyright file names another licence"
  # The terms, read back from the copyright file's form, are LICENSE's to the letter.
  sed -n '/^License: Expat$/,$p' "$copyright" | tail -n +2 | sed 's/^ //; s/^\.$//' >"$work/terms"
  sed -n '/^Permission is hereby/,$p' "$licence" >"$work/expected"
  diff "$work/expected" "$work/terms" >"$work/terms.diff" ||
    { fail "the copyright file's terms differ from LICENSE"; head -n 10 "$work/terms.diff"; }
fi

grep -q "<project_license>MIT</project_license>" "$work"/share/metainfo/*.metainfo.xml ||
  fail "the AppStream metadata names another licence"
grep -q 'Licence\[\] = "Licence: MIT"' "$source/src/app/UnitAbout.h" ||
  fail "the About box names another licence"

if [[ $failures -ne 0 ]]; then
  echo "$failures failures"
  exit 1
fi
echo "the licence agrees: LICENSE, the package's copyright file, the metadata and the About box"
