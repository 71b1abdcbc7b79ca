#!/usr/bin/env bash
# Walks the faults found in an audit of the command line, the export, the combiner and
# the map tile cache, against one build of the programs, and prints one line per fault
# with what that build did (status, time, files). Run it against two builds to compare
# them; it decides nothing itself. Not part of the test suite: it starts a loopback tile
# service (127.0.0.1 only), runs for a minute or two, and every wait is bounded.
#
# Usage: tests/trust/fault_walk.sh PROGRAM_FOLDER [SOURCE_TREE]
#   PROGRAM_FOLDER  the folder of kartovel-cli and combine (a build's bin/)
#   SOURCE_TREE     the tree they were built from (default PROGRAM_FOLDER/../..); the
#                   cache scenarios are built against its src/ and build/src/lib*.a
set -u
bin=$(cd "${1:?usage: $0 PROGRAM_FOLDER [SOURCE_TREE]}" && pwd)
tree=$(cd "${2:-$bin/../..}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/fault-walk-XXXXXX)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

say() { printf '%-34s | %s\n' "$1" "$2"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f s", b - a }'; }
timing() {  # the figures /usr/bin/time -o wrote, and whether the time limit ended the run
  if grep -q 'terminated by signal' "$work/time"; then
    printf 'killed at the time limit (%s)' "$(tail -n 1 "$work/time")"
  else
    tail -n 1 "$work/time"
  fi
}
temporaries() { find "$1" -name '*.tmp*' 2>/dev/null | wc -l; }

# ---- the loopback tile service: 256-pixel PNG tiles; ./mode says ok, fail or slow ----
cat >"$work/server.py" <<'EOF'
import http.server, os, socketserver, struct, sys, time, zlib
work = sys.argv[1]
def png(side, rgb=(90, 140, 200)):
    row = b"\0" + bytes(rgb) * side
    body = zlib.compress(row * side)
    chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", body) + chunk(b"IEND", b""))
for side in (8, 256, 4096):
    open(os.path.join(work, "tile%d.png" % side), "wb").write(png(side))
tile = png(256)
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *args): pass
    def do_GET(self):
        with open(os.path.join(work, "requests"), "a") as f: f.write(".")
        mode = open(os.path.join(work, "mode")).read().strip()
        if mode == "slow": time.sleep(0.3)
        if mode == "fail":
            self.send_response(500); self.send_header("Content-Length", "0"); self.end_headers(); return
        self.send_response(200); self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(tile))); self.end_headers(); self.wfile.write(tile)
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    def handle_error(self, request, client_address): pass  # a client that hung up
server = Server(("127.0.0.1", 0), Handler)
open(os.path.join(work, "port"), "w").write(str(server.server_address[1]))
server.serve_forever()
EOF
echo ok >"$work/mode"
python3 "$work/server.py" "$work" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

# ---- a program folder of its own: configuration naming the service, a blank image ----
prog=$work/program
mkdir -p "$prog/ini" "$prog/blankimg" "$work/maps"
cp "$bin/kartovel-cli" "$bin/combine" "$prog/"
cp "$work/tile256.png" "$prog/blankimg/blank.png"
printf '[IniParas]\r\nVersion=6.436\r\n[TileService]\r\nHost=127.0.0.1:%s\r\n' "$port" \
  >"$prog/ini/config.ini"
export KARTOVEL_TIME_SCALE=0.01 LC_ALL=C
cli() { timeout -s KILL 120 "$prog/kartovel-cli" "$@"; }
download() {  # zoom name: a rectangle of a few tiles into maps/
  cli download --left 10 --right 10.5 --top 50 --bottom 49.6 --zoom "$1" --name "$2" \
    --path "$work/maps" --quiet >"$work/dl.out" 2>&1
}
maps=$work/maps
first_tile() { ls "$maps/$1/"*.png | head -n 1; }

# 1. An export whose output is one of its own task files.
download 9-10 own
cli export "$maps/own_9.qtsk" "$maps/own_10.qtsk" >"$work/o" 2>&1
status=$?
kind=$(head -c 15 "$maps/own_9.qtsk" | tr -dc '[:print:]')
say "export onto its own task file" "status $status, own_9.qtsk now starts \"$kind\""

# 2. A tile replaced by a link to an owner-only file elsewhere.
download 10 secret
printf 'SECRET-BYTES-OF-THE-OWNER' >"$work/private"
chmod 600 "$work/private"
tile=$(first_tile secret)
rm "$tile" && ln -s "$work/private" "$tile"
cli export "$maps/secret.mbtiles" "$maps/secret.qtsk" >"$work/o" 2>&1
status=$?
leaked=$(sqlite3 "$maps/secret.mbtiles" \
  "select count(*) from tiles where instr(cast(tile_data as text), 'SECRET-BYTES') > 0" 2>&1)
say "a linked secret tile" "status $status, MBTiles rows holding the secret: ${leaked:-none}"

# 3. A FIFO in a tile's place: does the export end, and does SIGTERM stop it?
download 10 fifo
tile=$(first_tile fifo)
rm "$tile" && mkfifo "$tile"
start=$(now)
"$prog/kartovel-cli" export "$maps/fifo.mbtiles" "$maps/fifo.qtsk" >"$work/o" 2>&1 &
pid=$!
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then
  kill -TERM $pid; sleep 2
  if kill -0 $pid 2>/dev/null; then
    kill -TERM $pid; sleep 1; kill -KILL $pid 2>/dev/null
    wait $pid; status=$?
    result="blocked for 10 s, the first SIGTERM did nothing, status $status after the second"
  else
    wait $pid; status=$?
    result="blocked for 10 s, ended by SIGTERM with status $status"
  fi
else
  wait $pid; status=$?
  result="status $status in $(since "$start")"
fi
say "a FIFO tile (export)" "$result, temporaries left: $(temporaries "$maps")"

# 4. An export that runs out of room (files limited to 50 kB).
download 10 room
sh -c 'trap "" XFSZ; ulimit -f 100; exec "$0" "$@"' "$prog/kartovel-cli" export \
  "$maps/room.mbtiles" "$maps/room.qtsk" >"$work/o" 2>"$work/e"
status=$?
say "an export out of room" "status $status, \"$(head -n 1 "$work/e")\", temporaries left: $(temporaries "$maps")"

# 5. A stale temporary of a killed export: removed by the next?
touch "$maps/room2.mbtiles.tmp-AbC123"
cli export "$maps/room2.mbtiles" "$maps/room.qtsk" >"$work/o" 2>&1
status=$?
say "a killed export's temporary" "status $status, temporary still there: $([ -e "$maps/room2.mbtiles.tmp-AbC123" ] && echo yes || echo no)"

# 6. Task files whose zoom or range the program never writes.
for keys in "Zoom=-5:0:0:1:1" "Zoom=31:0:0:3:3" "Zoom=64:0:0:3:3" "Zoom=2147483647:0:0:3:3" \
  "Zoom=5:-2147483648:0:2147483647:3"; do
  IFS=: read -r zoom minx miny maxx maxy <<<"$keys"
  printf '[MapsType]\r\nMapsType=3\r\n[Zoom]\r\n%s\r\n[XY]\r\nMinX=%s\r\nMinY=%s\r\nMaxX=%s\r\nMaxY=%s\r\n' \
    "$zoom" "$minx" "$miny" "$maxx" "$maxy" >"$maps/odd.qtsk"
  rm -f "$maps/odd.mbtiles"
  cli info "$maps/odd.qtsk" >"$work/o" 2>&1
  info=$?
  cli export "$maps/odd.mbtiles" "$maps/odd.qtsk" >"$work/o2" 2>&1
  exported=$?
  line=$(grep -m1 'Tiles on disk' "$work/o" | tr -d '\r')
  say "odd task $zoom x $minx..$maxx" "info $info${line:+ (\"$line\")}, export $exported, MBTiles written: $([ -e "$maps/odd.mbtiles" ] && echo yes || echo no)"
done

# 7. Standard output on /dev/full.
cli info "$maps/room.qtsk" >/dev/full 2>"$work/e"
say "info with stdout on /dev/full" "status $?"
cli export "$maps/full.mbtiles" "$maps/room.qtsk" >/dev/full 2>"$work/e"
say "export with stdout on /dev/full" "status $?"

# 8. Stops: the first SIGINT or SIGTERM of each long job (ends within a second, 130?).
stop_after() {  # signal what command...: starts it, signals after $delay s (1.5), times the end
  local signal=$1 what=$2; shift 2
  ls -a "$maps" >"$work/before"
  local old_temporaries; old_temporaries=$(temporaries "$maps")
  # A job started with & here ignores SIGINT; at a terminal Ctrl+C finds the default.
  python3 -c 'import os, signal, sys
signal.signal(signal.SIGINT, signal.SIG_DFL)
os.execvp(sys.argv[1], sys.argv[1:])' "$@" >"$work/o" 2>&1 &
  local pid=$! start
  local program; program=$(readlink -f "$1")
  for _ in $(seq 100); do  # the program itself, not its launcher, is to get the signal
    [ "$(readlink /proc/$pid/exe 2>/dev/null)" = "$program" ] && break
    sleep 0.02
  done
  sleep "${delay:-1.5}"
  start=$(now)
  kill -"$signal" $pid 2>/dev/null
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
  local took; took=$(since "$start")
  if kill -0 $pid 2>/dev/null; then
    kill -KILL $pid; wait $pid
    say "$what, first SIG$signal" "still running 5 s after the signal (killed)"
  else
    wait $pid
    say "$what, first SIG$signal" "status $? after $took, new temporaries: $(($(temporaries "$maps") - old_temporaries)), new entries: $(ls -a "$maps" | comm -13 "$work/before" - | tr "\n" " " | cut -c 1-120)"
  fi
}
echo fail >"$work/mode"
download 12 stopped  # some 50 failed tiles: a re-download of 15 s at 300 ms a tile
echo slow >"$work/mode"
for signal in INT TERM; do
  stop_after $signal "redownload" "$prog/kartovel-cli" redownload "$maps/stopped_failed.ftl"
  stop_after $signal "download" "$prog/kartovel-cli" download --left 9 --right 11 --top 51 \
    --bottom 49 --zoom 12 --name "big$signal" --path "$maps"
  # 1.2 million tiles: the signal comes while the tile list (127 MB) is being written.
  delay=0.3 stop_after $signal "download, list being written" "$prog/kartovel-cli" download \
    --left 0 --right 10 --top 50 --bottom 40 --zoom 15 --name "huge$signal" --path "$maps"
  rm -rf "$maps/huge$signal"*
done
echo ok >"$work/mode"

# The export and combine stops need long jobs: a task widened by hand to 450 x 450 tiles
# (links to copies of one tile), and a list of 100 x 100 of them for combine.
download 10 wide
python3 - "$maps" <<'EOF_PY'
import math, os, re, sys
maps = sys.argv[1]
task = open(os.path.join(maps, "wide.qtsk"), newline="").read()
for key, value in (("MinX", 0), ("MinY", 0), ("MaxX", 449), ("MaxY", 449)):
    task = re.sub(r"(?m)^%s=.*$" % key, "%s=%d\r" % (key, value), task)
open(os.path.join(maps, "wide.qtsk"), "w", newline="").write(task)
folder = next(os.path.join(maps, d) for d in os.listdir(maps)
              if d.startswith("wide") and os.path.isdir(os.path.join(maps, d)))
names = sorted(os.listdir(folder))
one = os.path.join(folder, names[0])
prefix = names[0].split("_")[0]
lon = lambda x: x / 1024 * 360 - 180
lat = lambda y: math.degrees(math.atan(math.sinh(math.pi * (1 - 2 * y / 1024))))
head = open(os.path.join(maps, "wide_list.txt"), newline="").read().split("\r\n")[0]
lines = [head]
links = 0
for x in range(450):
    for y in range(450):
        name = "%s_%d_%d_10.png" % (prefix, x, y)
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            if links % 30000 == 0:  # a file system allows a few tens of thousands of links
                source = os.path.join(maps, "source%d.png" % links)
                open(source, "wb").write(open(one, "rb").read())
            os.link(source, path)
            links += 1
        if x < 100 and y < 100:
            os.makedirs(folder + "100", exist_ok=True)
            if not os.path.exists(os.path.join(folder + "100", name)):
                os.link(path, os.path.join(folder + "100", name))
            lines.append("%s: %.14f %.14f %.14f %.14f" % (name, lon(x), lon(x + 1), lat(y), lat(y + 1)))
open(os.path.join(maps, "wide100_list.txt"), "w", newline="").write("\r\n".join(lines) + "\r\n")
EOF_PY
yes=$("$prog/combine" --help 2>&1 | grep -q -- --yes && echo --yes)
for signal in INT TERM; do
  rm -f "$maps/wide.mbtiles" "$maps/wide$signal.png"
  stop_after $signal "export" "$prog/kartovel-cli" export "$maps/wide.mbtiles" "$maps/wide.qtsk"
  stop_after $signal "combine" "$prog/combine" $yes "$maps/wide100_list.txt" "$maps/wide$signal.png"
done

# 9. sources.ini: 900 sections, 900 among 20,000 others, a 50 MB Url and a 20 MB UserAgent.
sources() {  # what: time and peak memory of a refused download that reads the file
  /usr/bin/time -o "$work/time" -f '%e s, %M kB' timeout -s KILL 60 "$prog/kartovel-cli" \
    download --left 10 --right 11 --top 50 --bottom 49 --zoom 5 --source 999 --name s \
    --path "$maps" >/dev/null 2>"$work/se"
  say "sources.ini $1" "$(timing), stderr: \"$(cut -c 1-90 "$work/se" | tr '\r\n' '  ' | cut -c 1-200)\""
}
awk 'BEGIN { for (i = 100; i < 1000; i++) printf "[MapType %d]\r\nName=S%d\r\nUrl=http://127.0.0.1:9/{z}/{x}/{y}.png\r\n", i, i }' \
  >"$prog/ini/sources.ini"
sources "of 900 sections"
awk 'BEGIN { for (i = 0; i < 20000; i++) printf "[Other %d]\r\nKey=Value\r\n", i }' >>"$prog/ini/sources.ini"
sources "of 900 + 20,000 others"
{ printf '[MapType 100]\r\nName=Long\r\nUrl=http://127.0.0.1:9/'
  head -c 50000000 /dev/zero | tr '\0' a; printf '/{z}/{x}/{y}.png\r\nUserAgent='
  head -c 20000000 /dev/zero | tr '\0' b; printf '\r\n'; } >"$prog/ini/sources.ini"
sources "with a 50 MB Url"
rm "$prog/ini/sources.ini"

# 10. combine: the first tile read is 8 x 8 or 4096 x 4096, the others 256 x 256.
for side in 8 4096; do
  rm -rf "$maps/size$side"*
  download 10 "size$side"
  cp "$work/tile$side.png" "$(first_tile "size$side")"
  start=$(now)
  /usr/bin/time -o "$work/time" -f '%M kB' timeout -s KILL 120 "$prog/combine" \
    "$maps/size$side.qtsk" "$work/size$side.png" >"$work/o" 2>&1
  status=$?
  size=$(python3 -c "import struct,sys; d=open(sys.argv[1],'rb').read(24); print('%d x %d' % struct.unpack('>II', d[16:24]))" \
    "$work/size$side.png" 2>/dev/null)
  said=$(cat "$work/o" "$work/size$side.txt" 2>/dev/null | grep -o 'unreadable\|not 256 x 256' | sort | uniq -c | tr -s ' \n' ' ')
  say "combine, first tile $side px" "status $status in $(since "$start"), ${size:-no} mosaic, $(timing) peak, says:${said:- nothing of it}"
done

# 11. combine: a hand-made list of two tiles 3,905 columns and rows apart.
mkdir -p "$work/crafted"
cp "$work/tile256.png" "$work/crafted/qn_0_0_13.png"
printf 'ImageFileName    Left_Edge_Longitude\r\nqn_0_0_13.png: 10 11 50 49\r\nqn_3905_3905_13.png: 10 11 50 49\r\n' \
  >"$work/crafted_list.txt"
start=$(now)
"$prog/combine" "$work/crafted_list.txt" "$work/crafted.png" >"$work/o" 2>&1 &
pid=$!
peak=0 written=0
for _ in $(seq 150); do  # up to 15 s
  kill -0 $pid 2>/dev/null || break
  rss=$(awk '/^VmHWM/ { print $2 }' /proc/$pid/status 2>/dev/null)
  [ -n "$rss" ] && peak=$rss
  # The image is written to an unnamed file until it is complete: measure it by the
  # program's open regular files.
  for fd in /proc/$pid/fd/*; do
    size=$(stat -L -c %s "$fd" 2>/dev/null)
    [ -f "$fd" ] && [ -n "$size" ] && [ "$size" -gt "$written" ] && written=$size
  done
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then
  kill -KILL $pid; wait $pid 2>/dev/null
  result="still writing after 15 s (killed)"
else
  wait $pid; result="status $? after $(since "$start")"
fi
say "combine, crafted 2-line list" "$result ($(wc -c <"$work/crafted_list.txt")-byte list), largest open file $written bytes, peak $peak kB, \"$(head -n 1 "$work/o" | cut -c 1-120)\""

# 12. The map tile cache, built against the tree's own cache and fetch.
driver=$work/cache_walk
libs=$(ls "$tree"/build/src/libkartovel_{map,download,task,common}.a 2>/dev/null)
if g++ -std=c++20 -O1 -I"$tree/src" "$here/cache_walk.cpp" -Wl,--start-group $libs \
  -Wl,--end-group -lcurl -lpthread -o "$driver" 2>"$work/cc"; then
  for scenario in root-link root-link-slash planted-link two-instances non-image; do
    rm -rf "$work/box" && mkdir "$work/box"
    say "cache: $scenario" "$(timeout -s KILL 60 "$driver" "$scenario" "$work/box" 2>&1 | tail -n 1)"
  done
else
  say "cache scenarios" "not built: $(head -n 1 "$work/cc")"
fi
