#!/usr/bin/env bash
# Installs what Zelmora needs, builds it and starts it with its data files
# beside the executable.
#
#   bash scripts/run.sh          your own server list (build/release/app)
#   bash scripts/run.sh --demo   also starts three local test game servers
#                                (protocols 6, 22 and 118, with players and
#                                the rcon password "demo"; their replies are
#                                held back 18, 64 and 131 ms so the pings
#                                look like servers on the internet) and a demo data
#                                folder listing them (build/demo)
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}
DEMO=0
for a in "$@"; do
  case "$a" in
    --demo) DEMO=1 ;;
    *) echo "unknown option: $a" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j "$JOBS"

APPDIR=build/release/app
# Data files beside the executable: country ranges, flags, map picture
# fallback and sample rcon profiles. Existing user files are kept.
bash scripts/make-data.sh build/release "$APPDIR"

if [ "$DEMO" = 0 ]; then
  exec "$APPDIR/zelmora"
fi

DEMODIR=build/demo
mkdir -p "$DEMODIR"
cp -f "$APPDIR/zelmora" "$DEMODIR/zelmora"
bash scripts/make-data.sh build/release "$DEMODIR"
TS=build/release/tools/testserver/zelmora-testserver
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT INT TERM
"$TS" --port 28960 --protocol 6 --rcon demo --hostname '^1Zelmora ^7Demo ^3CoD1' \
  --players 8 --map mp_harbor --gametype sd --delay 18 >/dev/null 2>&1 & pids+=($!)
"$TS" --port 28961 --protocol 22 --rcon demo --hostname '^4United ^7Offensive ^2Demo' \
  --players 14 --map mp_foy --gametype tdm --delay 64 >/dev/null 2>&1 & pids+=($!)
"$TS" --port 28962 --protocol 118 --rcon demo --hostname '^5CoD2 ^7Demo ^6Server' \
  --players 19 --map mp_toujane --gametype ctf --blank-after-colon --delay 131 >/dev/null 2>&1 & pids+=($!)
# A fresh list each time so the demo always shows the three servers.
build/release/tools/demo/zelmora-mkdemo "$DEMODIR/Servers.dat" \
  127.0.0.1:28960:demo 127.0.0.1:28961:demo 127.0.0.1:28962:demo
"$DEMODIR/zelmora"
