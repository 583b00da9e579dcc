#!/usr/bin/env bash
# Takes docs/screenshot.png: three test game servers (protocols 6, 22 and
# 118, with players and an rcon password), a data folder listing them and one
# address where nobody answers, then the main window is created against that
# folder, a server is selected and the window is grabbed once its ping chart
# has filled.
#   bash scripts/screenshot.sh [build dir]     (default build/screenshot)
# With --admin after the build dir it takes the administration pages and the
# password dialogs instead (docs/tab-*.png, docs/tform16.png, docs/tform17.png).
#   bash scripts/screenshot.sh build/screenshot --admin
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/screenshot}
MODE=${2:-}
JOBS=${JOBS:-$(nproc)}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j "$JOBS" --target zelmora-screenshot zelmora-testserver \
  zelmora-datagen zelmora-mkdemo zelmora-mkpicture

DATA=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$DATA"
}
trap cleanup EXIT INT TERM
bash scripts/make-data.sh "$BUILD" "$DATA"
TS=$BUILD/tools/testserver/zelmora-testserver
"$TS" --quiet --port 28970 --protocol 6 --rcon demo --hostname '^1Zelmora ^7Demo ^3CoD1' \
  --players 8 --map mp_harbor --gametype sd --delay 38 & pids+=($!)
"$TS" --quiet --port 28971 --protocol 22 --rcon demo --hostname '^4United ^7Offensive ^2Demo' \
  --players 19 --maxclients 20 --map mp_foy --gametype tdm --delay 64 & pids+=($!)
"$TS" --quiet --port 28972 --protocol 118 --rcon demo --hostname '^5CoD2 ^7Demo ^6Server' \
  --players 12 --maxclients 24 --map mp_toujane --gametype ctf --delay 112 & pids+=($!)
"$BUILD/tools/demo/zelmora-mkdemo" "$DATA/Servers.dat" \
  127.0.0.1:28970:demo 127.0.0.1:28971:demo 127.0.0.1:28972:demo 127.0.0.1:28979
# A short ping history so the chart fills within the run.
printf '[Ping]\r\naktive=1\r\ndatenmenge=14\r\nymax=150\r\n' >"$DATA/config.ini"
SHOT=$BUILD/tests/ui/zelmora-screenshot
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# The administration pages against the protocol 118 server (row 3), the
# password dialogs for it.
admin_shots() {
  "$BUILD/tools/demo/zelmora-mkpicture" "$DATA/mapimgs/117_mp_toujane.jpg" "mp_toujane"
  local shot
  for shot in players:tab-spieler maps:tab-karten configs:tab-konfig console:tab-konsole \
    msgtimer:tab-msgtimer form16:tform16 form17:tform17; do
    "$SHOT" "$DATA" "docs/${shot#*:}.png" 3 "${shot%%:*}"
    echo "docs/${shot#*:}.png written"
  done
}

if [ "$MODE" = --admin ]; then
  admin_shots
  exit 0
fi
"$SHOT" "$DATA" docs/screenshot.png 3
echo "docs/screenshot.png written"
