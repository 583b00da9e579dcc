#!/usr/bin/env bash
# Takes the pictures of the documentation against local test game servers:
# three servers (protocols 6, 22 and 118, with players and an rcon password),
# a data folder listing them and one address where nobody answers; the
# windows are created as the program creates them and grabbed.
#   bash scripts/screenshot.sh [build dir] [mode...]   (default build/screenshot, main)
# Modes:
#   main      docs/screenshot.png, the main window once its ping chart has filled
#   cvar      the tabs and windows of the server variables: docs/spielmodus.png,
#             spielmodus-einstellungen.png, waffen.png, sonstiges.png, tform6.png,
#             tform8.png, overlay.png (each also as a mode of its own)
#   admin     the administration pages and the password dialogs: docs/tab-spieler.png,
#             tab-karten.png, tab-konfig.png, tab-konsole.png, tab-msgtimer.png,
#             tform16.png, tform17.png
#   windows   docs/about.png, colorcodes.png, versioncheck.png, guidlist.png
#   join      docs/joinwindow.png, the join window over a full server, waiting
#   countries docs/screenshot-countries.png: the players tab of a server whose
#             players have public addresses, with countries and flags from the
#             real country data; run in a network namespace of its own (loopback
#             only), so no provider lookup of those addresses can leave the machine
#   scale2    docs/screenshot-scale2.png: the main window at QT_SCALE_FACTOR=2 on a
#             1280 x 900 screen (640 x 450 logical pixels): placed and sized to fit
#   limited   docs/limited.png: a fourth server with ioquake3's request limiter and
#             status table, on "Spieler" until Zelmora has found it limited: the
#             hourglass behind its ping, the players of its ioquake3 table
#   history   docs/history.png: the player history's search window over a month of
#             the test servers' players, with countries from the real country data
#   all       every picture
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
  zelmora-datagen zelmora-data zelmora-mkdemo zelmora-mkpicture zelmora-historyshot

TMP=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$TMP"
}
trap cleanup EXIT INT TERM
TS=$BUILD/tools/testserver/zelmora-testserver
SHOT=$BUILD/tests/ui/zelmora-screenshot
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# The three servers of the main pictures, started once when first needed.
DATA=$TMP/data
servers_up() {
  [ -d "$DATA" ] && return
  mkdir -p "$DATA"
  bash scripts/make-data.sh "$BUILD" "$DATA"
  # The loopback test servers keep the sample data's made-up country.
  "$BUILD/tools/datagen/zelmora-datagen" --sample "$DATA" >/dev/null
  "$TS" --quiet --port 28970 --protocol 6 --rcon demo --hostname '^1Zelmora ^7Demo ^3CoD1' \
    --players 8 --map mp_harbor --gametype sd --delay 38 & pids+=($!)
  # Weapon and vehicle switches of the sample lists, with some of them off.
  local arms=(--cvar scr_allow_bar=1 --cvar scr_allow_mp44=1 --cvar scr_allow_springfield=0
    --cvar scr_allow_kar98ksniper=1 --cvar scr_allow_ppsh=1 --cvar scr_allow_fraggrenades=1
    --cvar scr_allow_smokegrenades=0 --cvar sv_fps=20 --cvar g_allowvote=1
    --cvar scr_drawfriend=1 --cvar scr_teambalance=1 --cvar scr_spectatefree=0)
  "$TS" --quiet --port 28971 --protocol 22 --rcon demo --hostname '^4United ^7Offensive ^2Demo' \
    --players 19 --maxclients 20 --map mp_foy --gametype tdm --delay 64 "${arms[@]}" \
    --cvar scr_allow_jeeps=1 --cvar scr_allow_tanks=0 --cvar scr_allow_flak88=1 & pids+=($!)
  "$TS" --quiet --port 28972 --protocol 118 --rcon demo --hostname '^5CoD2 ^7Demo ^6Server' \
    --players 12 --maxclients 24 --map mp_toujane --gametype ctf --delay 112 "${arms[@]}" \
    & pids+=($!)
  "$BUILD/tools/demo/zelmora-mkdemo" "$DATA/Servers.dat" \
    127.0.0.1:28970:demo 127.0.0.1:28971:demo 127.0.0.1:28972:demo 127.0.0.1:28979
  # A short ping history so the chart fills within the run.
  printf '[Ping]\r\naktive=1\r\ndatenmenge=14\r\nymax=150\r\n' >"$DATA/config.ini"
}

shot() {  # mode, picture, row
  servers_up
  "$SHOT" "$DATA" "$2" "$3" "$1"
  echo "$2 written"
}

windows_shots() {
  local data=$TMP/windows
  mkdir -p "$data"
  bash scripts/make-data.sh "$BUILD" "$data"
  "$SHOT" --windows "$data" docs
  echo "docs/about.png docs/colorcodes.png docs/versioncheck.png docs/guidlist.png written"
}

join_shot() {
  local data=$TMP/join
  mkdir -p "$data"
  bash scripts/make-data.sh "$BUILD" "$data"
  "$TS" --quiet --port 28975 --protocol 22 --rcon demo \
    --hostname '^4United ^7Offensive ^2Clanwar' --players 18 --maxclients 20 --map mp_foy \
    --gametype tdm --delay 40 & pids+=($!)
  "$BUILD/tools/demo/zelmora-mkdemo" "$data/Servers.dat" 127.0.0.1:28975:demo
  # Histories as the program writes them: Windows-1252, CR LF, newest last.
  printf '%b\r\n' 'Big Bob' 'J\xe4ger' '^1Zel^7mora' >"$data/names.txt"
  printf '%b\r\n' 'training' 'clanwar' >"$data/passes.txt"
  printf '[Ping]\r\naktive=1\r\n' >"$data/config.ini"
  "$SHOT" --join "$data" docs/joinwindow.png
  echo "docs/joinwindow.png written"
}

countries_shot() {
  local data=$TMP/countries
  mkdir -p "$data"
  bash scripts/make-data.sh "$BUILD" "$data"
  "$BUILD/tools/demo/zelmora-mkdemo" "$data/Servers.dat" 127.0.0.1:28975:demo
  local netns=(unshare -rn)
  [ "$(id -u)" -eq 0 ] && netns=(unshare -n)
  # Inside: loopback up, nothing else; the test server lives as long as the
  # picture takes.
  "${netns[@]}" bash -c '
    set -euo pipefail
    ip link set lo up
    "$1/tools/testserver/zelmora-testserver" --quiet --port 28975 --protocol 118 --rcon demo \
      --hostname "^2Clan^7Server ^3Europa" --players 16 --maxclients 24 --map mp_toujane \
      --gametype tdm --delay 30 --public-addresses &
    ts=$!
    trap "kill $ts 2>/dev/null || true" EXIT
    "$1/tests/ui/zelmora-screenshot" --countries "$2" docs/screenshot-countries.png
  ' shot "$BUILD" "$data"
  echo "docs/screenshot-countries.png written"
}

run_mode() {
  case $1 in
    main) shot main docs/screenshot.png 3 ;;
    cvar) for m in spielmodus spielmodus-einstellungen waffen sonstiges tform6 tform8 overlay; do
        run_mode "$m"
      done ;;
    spielmodus | waffen) shot "$1" "docs/$1.png" 2 ;;
    spielmodus-einstellungen | sonstiges | tform6 | tform8 | overlay) shot "$1" "docs/$1.png" 3 ;;
    admin)
      servers_up
      # The pages against the protocol 118 server (row 3), with a map picture.
      "$BUILD/tools/demo/zelmora-mkpicture" "$DATA/mapimgs/117_mp_toujane.jpg" "mp_toujane"
      for s in players:tab-spieler maps:tab-karten configs:tab-konfig console:tab-konsole \
        msgtimer:tab-msgtimer form16:tform16 form17:tform17; do
        shot "${s%%:*}" "docs/${s#*:}.png" 3
      done ;;
    windows) windows_shots ;;
    join) join_shot ;;
    countries) countries_shot ;;
    limited)
      servers_up
      cp -r "$DATA" "$TMP/limited"
      "$TS" --quiet --port 28973 --protocol 6 --rcon demo --hostname '^3Arena ^7mit Limiter' \
        --players 6 --maxclients 16 --map mp_harbor --gametype dm --delay 20 \
        --limiter 10 --ioq3-status & pids+=($!)
      "$BUILD/tools/demo/zelmora-mkdemo" "$TMP/limited/Servers.dat" \
        127.0.0.1:28970:demo 127.0.0.1:28971:demo 127.0.0.1:28972:demo 127.0.0.1:28973:demo
      "$SHOT" "$TMP/limited" docs/limited.png 4 limited
      echo "docs/limited.png written" ;;
    scale2)
      servers_up
      printf '{"windowFrameMargins": true, "screens": [{"name": "Small", "x": 0, "y": 0, "width": 1280, "height": 900, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1.0}]}' \
        >"$TMP/screen.json"
      QT_QPA_PLATFORM="offscreen:configfile=$TMP/screen.json" QT_SCALE_FACTOR=2 \
        "$SHOT" "$DATA" docs/screenshot-scale2.png 3 main
      echo "docs/screenshot-scale2.png written" ;;
    history)
      "$BUILD/tools/demo/zelmora-historyshot" docs/history.png "$BUILD/data" >/dev/null
      echo "docs/history.png written" ;;
    all) for m in main cvar admin windows join countries scale2 limited history; do run_mode "$m"; done ;;
    *) echo "unknown mode $1" >&2; exit 2 ;;
  esac
}
for mode in "${MODES[@]}"; do run_mode "$mode"; done
