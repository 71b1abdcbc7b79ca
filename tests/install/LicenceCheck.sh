#!/usr/bin/env bash
# The licence is told the same everywhere: the package's copyright file holds LICENSE's
# holder and terms, the AppStream metadata and the About box name the licence LICENSE is.
#   LicenceCheck.sh CMAKE BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
work=$(mktemp -d /tmp/kartovel-licence.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$1" --install "$2" --prefix "$work" >/dev/null
licence=$3/LICENSE copyright=$work/share/doc/kartovel/copyright failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[[ $(head -n1 "$licence") == "MIT License" ]] || fail "LICENSE is not the MIT licence"
holder=$(sed -n 's/^Copyright (c) //p' "$licence")
grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright" ||
  fail "no copyright file in the machine-readable form"
grep -qx "Copyright: $holder" "$copyright" || fail "the copyright file does not name '$holder'"
# The terms, read back from the copyright file's form, are LICENSE's to the letter.
sed -n '/^License: Expat$/,$p' "$copyright" | tail -n +2 | sed 's/^ //; s/^\.$//' >"$work/terms"
sed -n '/^Permission is hereby/,$p' "$licence" | diff - "$work/terms" ||
  fail "the copyright file's terms differ from LICENSE"
grep -q "<project_license>MIT</project_license>" "$work"/share/metainfo/*.metainfo.xml ||
  fail "the AppStream metadata names another licence"
grep -q 'Licence\[\] = "Licence: MIT"' "$3/src/app/UnitAbout.h" || fail "the About box names another licence"
[[ $failures -eq 0 ]] || exit 1
echo "the licence agrees: LICENSE, the package's copyright file, the metadata and the About box"
