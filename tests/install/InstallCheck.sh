#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes the prefix read-only and runs the
# installed programs as a new user would (a fresh home and XDG folders; as root, the user
# nobody): the command line against the loopback tile service, the window's Options OK,
# --version and --help, and homes that cannot hold the settings. Then checks where every
# file landed and that nothing in the prefix changed.
#   InstallCheck.sh CMAKE BUILD_FOLDER [GUI_TESTS]
set -euo pipefail
cmake_command=$1
build=$2
gui_tests=${3:-}

work=$(mktemp -d /tmp/kartovel-install.XXXXXX)
server_pid=""
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() {  # expected status, description, command...
  local expected=$1 what=$2; shift 2
  local status=0
  "$@" >"$work/out" 2>"$work/err" || status=$?
  if [[ $status -ne $expected ]]; then
    fail "$what: exit status $status, not $expected"; sed 's/^/  | /' "$work/out" "$work/err"
  fi
}

prefix=$work/prefix
"$cmake_command" --install "$build" --prefix "$prefix" >/dev/null

# -- What the prefix holds --
expected_files=(
  bin/kartovel-cli share/kartovel/ini/config.ini share/kartovel/ini/sources.ini
  share/kartovel/blankimg/blank.png share/kartovel/blankimg/blank.jpg
  share/kartovel/blankimg/blank.webp share/kartovel/help/help.html
  share/applications/kartovel.desktop share/applications/kartovel-mapviewer.desktop
  share/metainfo/io.github.kartovel.kartovel.metainfo.xml share/mime/packages/kartovel.xml
  share/man/man1/kartovel-cli.1 share/man/man1/kartovel.1 share/man/man1/mapviewer.1
  share/man/man1/combine.1 share/doc/kartovel/copyright share/icons/hicolor/scalable/apps/kartovel.svg
  share/icons/hicolor/48x48/apps/kartovel.png share/icons/hicolor/256x256/apps/kartovel.png)
if [[ -n $gui_tests ]]; then expected_files+=(bin/kartovel bin/mapviewer bin/combine); fi
for file in "${expected_files[@]}"; do
  [[ -f $prefix/$file ]] || fail "not installed: $file"
done
cmp -s "$prefix/share/kartovel/ini/config.ini" "$build/bin/ini/config.ini" ||
  fail "the installed config.ini is not the shipped one"

snapshot() {
  (cd "$prefix" && find . -printf '%p|%y|%s|%m|%T@|%l\n' | sort &&
    find . -type f -exec sha256sum {} + | sort)
}
chmod -R a-w "$prefix"
snapshot >"$work/prefix.before"

# -- A new user: a fresh home and XDG folders --
run_as=()
if [[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null; then
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
chmod 755 "$work"
new_home() {  # folder
  mkdir -p "$1"
  if [[ ${#run_as[@]} -gt 0 ]]; then chown 65534:65534 "$1"; fi
}
home=$work/home
xdg=$work/xdg
new_home "$home"
new_home "$xdg"
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$xdg/config"
  XDG_DATA_HOME="$xdg/data" XDG_CACHE_HOME="$xdg/cache" QT_QPA_PLATFORM=offscreen
  KARTOVEL_TIME_SCALE=0.01 LC_ALL=C.UTF-8)
as_user() { timeout 120 "${run_as[@]}" "${user_env[@]}" "$@"; }
bin=$prefix/bin

# --version, --help and refused arguments.
expect_status 0 "kartovel-cli --version" as_user "$bin/kartovel-cli" --version
head -n1 "$work/out" | grep -qx "kartovel-cli [0-9.]*" || fail "kartovel-cli --version: $(head -n1 "$work/out")"
for library in libcurl SQLite libpng libjpeg-turbo libwebp libdeflate zlib; do
  grep -q "^$library [0-9]" "$work/out" || fail "kartovel-cli --version names no $library"
done
expect_status 0 "kartovel-cli --help" as_user "$bin/kartovel-cli" --help
grep -q "kartovel/" "$work/out" || fail "kartovel-cli --help says nothing of the settings folder"
if [[ -n $gui_tests ]]; then
  for program in kartovel mapviewer combine; do
    expect_status 0 "$program --version" as_user "$bin/$program" --version
    head -n1 "$work/out" | grep -qx "$program [0-9.]*" || fail "$program --version: $(cat "$work/out")"
  done
  expect_status 0 "kartovel --help" as_user "$bin/kartovel" --help
  grep -q "^Usage: kartovel" "$work/out" || fail "kartovel --help: $(cat "$work/out")"
  for program in kartovel mapviewer; do
    expect_status 2 "$program with an unknown argument" as_user "$bin/$program" --frobnicate
    grep -q 'unknown option "--frobnicate"' "$work/err" || fail "$program refusal: $(cat "$work/err")"
  done
  expect_status 2 "kartovel with an operand" as_user "$bin/kartovel" task.qtsk
fi

# The first command makes the user's settings from the shipped defaults.
expect_status 3 "info of a missing task" as_user "$bin/kartovel-cli" info "$work/none.qtsk"
config_dir=$xdg/config/kartovel
for name in config.ini sources.ini; do
  cmp -s "$config_dir/$name" "$prefix/share/kartovel/ini/$name" ||
    fail "$config_dir/$name is not a copy of the shipped $name"
done
[[ $(stat -c %a "$config_dir") == 700 ]] || fail "$config_dir is not owner-only"

# The loopback tile service on a port of its own, named in the user's configuration.
for attempt in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 20000))
  "$build/bin/tileserver" --port "$port" >"$work/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 50); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break 2; fi
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; server_pid=""
done
[[ -n $server_pid ]] || { fail "the tile service did not start"; exit 1; }
"${run_as[@]}" sed -i "s/^Host=[^\r]*/Host=127.0.0.1:$port/" "$config_dir/config.ini"

downloads=$home/maps
expect_status 0 "download" as_user "$bin/kartovel-cli" download --left 13.35 --right 13.45 \
  --top 52.55 --bottom 52.48 --zoom 12 --name berlin --path "$downloads" --quiet
tiles=$(find "$downloads" -name '*.png' | wc -l)
[[ $tiles -ge 4 ]] || fail "the download left $tiles tiles"
expect_status 0 "export" as_user "$bin/kartovel-cli" export "$downloads/berlin.mbtiles" \
  "$downloads/berlin.qtsk" --quiet
if command -v python3 >/dev/null; then
  python3 - "$downloads/berlin.mbtiles" "$tiles" <<'PY' || fail "the MBTiles file does not hold the tiles"
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
assert db.execute("PRAGMA integrity_check").fetchone()[0] == "ok"
assert db.execute("SELECT count(*) FROM tiles").fetchone()[0] == int(sys.argv[2])
PY
fi
expect_status 0 "info" as_user "$bin/kartovel-cli" info "$downloads/berlin.qtsk"
grep -q "berlin" "$work/out" || fail "info: $(cat "$work/out")"

# The window's Options OK and its place on closing.
if [[ -n $gui_tests ]]; then
  expect_status 0 "the window's Options OK" as_user env KARTOVEL_INSTALLED_BIN="$bin/" \
    "$gui_tests" --gtest_filter='InstalledProgramWindow.*'
  grep -q "\[  PASSED  \] 1 test" "$work/out" && ! grep -q SKIPPED "$work/out" ||
    fail "the window test did not run: $(tail -n5 "$work/out")"
fi

# Where every file landed: the settings in the user's config folder, the downloads where
# asked, and nothing else of ours in the home.
landed=$(cd "$work" && find home xdg -type f ! -path 'home/maps/*' ! -path 'xdg/cache/qt*' ! -path 'xdg/data/qt*' | sort | tr '\n' ' ')
[[ $landed == "xdg/config/kartovel/config.ini xdg/config/kartovel/sources.ini " ]] ||
  fail "files in the home: $landed"

# -- Homes that cannot hold the settings --
broken_env=(env -i PATH=/usr/bin:/bin HOME="$work/home-file" LC_ALL=C.UTF-8)
echo "not a folder" >"$work/home-file"
status=0
timeout 60 "${run_as[@]}" "${broken_env[@]}" "$bin/kartovel-cli" info "$downloads/berlin.qtsk" \
  >"$work/out" 2>"$work/err" || status=$?
[[ $status -eq 0 ]] || fail "info with a home that is a file: status $status"
[[ $(grep -c "Kartovel cannot keep its settings in" "$work/err") -eq 1 ]] ||
  fail "a home that is a file is not told once: $(cat "$work/err")"

linked=$work/linked
new_home "$linked"
"${run_as[@]}" mkdir -p "$linked/.config/kartovel"
echo "[IniParas]" >"$work/elsewhere.ini"
chmod 644 "$work/elsewhere.ini"
ln -s "$work/elsewhere.ini" "$linked/.config/kartovel/config.ini"
status=0
timeout 60 "${run_as[@]}" env -i PATH=/usr/bin:/bin HOME="$linked" LC_ALL=C.UTF-8 \
  "$bin/kartovel-cli" info "$downloads/berlin.qtsk" >"$work/out" 2>"$work/err" || status=$?
[[ $status -eq 0 ]] || fail "info with a linked config.ini: status $status"
grep -q "is a link or no regular file" "$work/err" || fail "a linked config.ini: $(cat "$work/err")"
[[ $(cat "$work/elsewhere.ini") == "[IniParas]" ]] || fail "the link's target was written"

damaged=$work/damaged
new_home "$damaged"
"${run_as[@]}" mkdir -p "$damaged/.config/kartovel"
head -c 4096 /dev/urandom | "${run_as[@]}" tee "$damaged/.config/kartovel/config.ini" >/dev/null
status=0
timeout 60 "${run_as[@]}" env -i PATH=/usr/bin:/bin HOME="$damaged" LC_ALL=C.UTF-8 \
  "$bin/kartovel-cli" info "$downloads/berlin.qtsk" >"$work/out" 2>"$work/err" || status=$?
[[ $status -eq 0 ]] || fail "info with a damaged config.ini: status $status $(cat "$work/err")"

# -- Nothing in the prefix changed --
snapshot >"$work/prefix.after"
diff "$work/prefix.before" "$work/prefix.after" >"$work/prefix.diff" ||
  { fail "the prefix changed"; head -n 20 "$work/prefix.diff"; }

if [[ $failures -ne 0 ]]; then
  echo "$failures failures"
  exit 1
fi
echo "installed, ran from a read-only prefix as a new user ($([[ ${#run_as[@]} -gt 0 ]] && echo nobody || id -un)): all checks passed"
