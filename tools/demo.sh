#!/usr/bin/env bash
# Sets up the machine, builds the programs and runs the demo: the game server
# in table mode with three bots, the web server (advert page, notices, rules
# page), then the hall stand-in, which starts the mahjong client with its
# launch line and hands it the table at chair 0. The client shows its main
# frame on $DISPLAY when there is one: the table, the operation bar, the
# player list, the chat and the advert pane. Without a screen it runs on its
# headless display and says so once, on its output and in its daily log.
#   bash tools/demo.sh          play: press start, click a tile to discard
#   bash tools/demo.sh --auto   the client plays alone; close each settlement
# Type hall commands (state, left, quit, ...) on standard input; Ctrl-C ends
# the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
auto=0
for arg in "$@"; do
    case "$arg" in
        --auto) auto=1 ;;
        *) echo "usage: bash tools/demo.sh [--auto]"; exit 2 ;;
    esac
done
bash tools/setup.sh

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j "$(nproc)" --target gameserver webserver qevo-hall qevo-mahjong assets

run=$(mktemp -d)
cleanup() {
    [ -n "${server:-}" ] && kill "$server" 2>/dev/null
    [ -n "${web:-}" ] && kill "$web" 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT
# Waits for a program to print its port and echoes it.
port_of() {
    for _ in $(seq 100); do grep -q '^port ' "$1" 2>/dev/null && break; sleep 0.1; done
    sed -n 's/^port //p' "$1" | head -1
}
# The bots play at a person's pace: a second a move, and a claim offer stays
# open as long as the player's turn.
build/tools/gameserver/gameserver --table --bots 3 --bot-delay 1000 --claim-seconds 20 \
    >"$run/server.out" 2>&1 &
server=$!
port=$(port_of "$run/server.out")
[ -n "$port" ] || { echo "the game server did not start"; cat "$run/server.out"; exit 1; }
echo "game server (table with three bots) on 127.0.0.1:$port"

build/tools/webserver/webserver --root build/assets/web >"$run/web.out" 2>&1 &
web=$!
webport=$(port_of "$run/web.out")
[ -n "$webport" ] || { echo "the web server did not start"; cat "$run/web.out"; exit 1; }
echo "web server on 127.0.0.1:$webport"

if [ -n "${DISPLAY:-}" ]; then
    echo "the client's main frame shows the table; closing it ends the client"
else
    echo "no DISPLAY: the client runs without a window and prints what happens"
fi
echo "hall commands: state | card <id> | quit"

# The client keeps its daily log and settings in its own folder, beside the
# generated resources, skins and the table's sounds; the hall's folder holds
# faces and portraits.
export QEVO_PROGRAM_DIR="$run"
export QEVO_SYSTEM_DIR="$run"
cp -r build/assets/res build/assets/skins build/assets/sound "$run/"
printf '[SYSTEM]\r\nExePath=%s\r\n' "$root/build/assets/hall/GameHall.exe" >"$run/mirb.ini"
[ "$auto" = 1 ] && printf '[AI]\r\nbn_Robot=1\r\n' >"$run/Qevo.ini"
build/tools/hall/qevo-hall --program "$root/build/mahjong/qevo-mahjong" \
    --port "$port" --web "127.0.0.1:$webport" --user 1 --table 0 --chair 0 --seated 4 \
    --caption "Qevo mahjong"
