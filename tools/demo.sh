#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the terminal against the simulated board: starts korvex-board with a
# link in BUILD_DIR/demo, gives the terminal a settings folder of its own that
# maps Com1 to that link, and stops the board when the terminal exits.
# The user's own settings are never read or written.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: tools/demo.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
board="$build/tools/board/korvex-board"
terminal="$build/korvex-terminal"
demo="$build/demo"
link="$demo/korvex-tty"
config="$demo/config"

for program in "$board" "$terminal"; do
    if [ ! -x "$program" ]; then
        echo "demo: $program is missing: build the project first" >&2
        exit 1
    fi
done
mkdir -p "$config"

"$board" --link "$link" --log "$demo/board-transcript.json" >"$demo/board.out" 2>"$demo/board.err" &
board_pid=$!
stop_board() {
    kill -TERM "$board_pid" 2>/dev/null || true
    wait "$board_pid" 2>/dev/null || true
}
trap stop_board EXIT

# The board makes its link once the pty exists; give it five seconds.
for _ in $(seq 50); do
    [ -L "$link" ] && break
    if ! kill -0 "$board_pid" 2>/dev/null; then
        echo "demo: the simulated board did not start:" >&2
        cat "$demo/board.err" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -L "$link" ]; then
    echo "demo: the simulated board made no link at $link" >&2
    exit 1
fi

# Written anew each time, so that start-up always finds the board.
cat >"$config/KORVEX Terminal.ini" <<INI
[Ports]
Com1="$link"

[Properties]
Settings="9600,n,8,1"
CommPort=1
Handshaking=0
Echo=False
INI

echo "demo: simulated board on $(head -n 1 "$demo/board.out") (link $link)"
echo "demo: press Enter in the terminal for the board's banner; try X4100, P4100, R, M 10 AB, D 0 1F"
XDG_CONFIG_HOME="$config" "$terminal"
