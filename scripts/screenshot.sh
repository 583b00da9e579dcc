#!/usr/bin/env bash
# Takes docs/screenshot.png: three test game servers (protocols 6, 22 and
# 118, with players and an rcon password), a data folder listing them and one
# address where nobody answers, then the main window is created against that
# folder, a server is selected and the window is grabbed once its ping chart
# has filled. Further modes take the pictures of single tabs and windows.
#   bash scripts/screenshot.sh [build dir] [mode...]   (default build/screenshot, main)
# Modes: main, spielmodus, spielmodus-einstellungen, waffen, sonstiges, tform6,
# overlay; "cvar" stands for the six after main.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/screenshot}
shift || true
MODES=("$@")
((${#MODES[@]})) || MODES=(main)
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
# Weapon and vehicle switches of the sample lists, with some of them off.
ARMS=(--cvar scr_allow_bar=1 --cvar scr_allow_mp44=1 --cvar scr_allow_springfield=0
  --cvar scr_allow_kar98ksniper=1 --cvar scr_allow_ppsh=1 --cvar scr_allow_fraggrenades=1
  --cvar scr_allow_smokegrenades=0 --cvar sv_fps=20 --cvar g_allowvote=1
  --cvar scr_drawfriend=1 --cvar scr_teambalance=1 --cvar scr_spectatefree=0)
"$TS" --quiet --port 28971 --protocol 22 --rcon demo --hostname '^4United ^7Offensive ^2Demo' \
  --players 19 --maxclients 20 --map mp_foy --gametype tdm --delay 64 "${ARMS[@]}" \
  --cvar scr_allow_jeeps=1 --cvar scr_allow_tanks=0 --cvar scr_allow_flak88=1 & pids+=($!)
"$TS" --quiet --port 28972 --protocol 118 --rcon demo --hostname '^5CoD2 ^7Demo ^6Server' \
  --players 12 --maxclients 24 --map mp_toujane --gametype ctf --delay 112 "${ARMS[@]}" \
  & pids+=($!)
"$BUILD/tools/demo/zelmora-mkdemo" "$DATA/Servers.dat" \
  127.0.0.1:28970:demo 127.0.0.1:28971:demo 127.0.0.1:28972:demo 127.0.0.1:28979
# A short ping history so the chart fills within the run.
printf '[Ping]\r\naktive=1\r\ndatenmenge=14\r\nymax=150\r\n' >"$DATA/config.ini"
shot() {  # mode, picture, row
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/tests/ui/zelmora-screenshot" \
    "$DATA" "$2" "$3" "$1"
  echo "$2 written"
}
for mode in "${MODES[@]}"; do
  case $mode in
    main) shot main docs/screenshot.png 3 ;;
    cvar)
      shot spielmodus docs/spielmodus.png 2
      shot spielmodus-einstellungen docs/spielmodus-einstellungen.png 3
      shot waffen docs/waffen.png 2
      shot sonstiges docs/sonstiges.png 3
      shot tform6 docs/tform6.png 3
      shot overlay docs/overlay.png 3
      ;;
    spielmodus | waffen) shot "$mode" "docs/$mode.png" 2 ;;
    spielmodus-einstellungen | sonstiges | tform6 | overlay) shot "$mode" "docs/$mode.png" 3 ;;
    *) echo "unknown mode $mode" >&2; exit 2 ;;
  esac
done
