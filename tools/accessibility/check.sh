#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The terminal against a real screen reader: under a virtual X server with a
# window manager and a session bus of their own, starts the AT-SPI bus, Orca
# (logging every phrase it would say), the simulated board and the terminal
# with a program chosen; probe.py then reads the terminal through AT-SPI,
# types to the board and starts the load. Leaves in OUTDIR what the probe
# read (probe.txt) and what Orca said (speech.txt).
# Debian packages: xvfb xauth openbox dbus at-spi2-core python3-pyatspi
# gir1.2-atspi-2.0 orca.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: tools/accessibility/check.sh BUILD_DIR OUTDIR" >&2
    exit 2
fi
if [ -z "${KORVEX_A11Y_SESSION:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- env KORVEX_A11Y_SESSION=1 "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
config="$out/config"
link="$out/korvex-tty"
mkdir -p "$config" "$out/home"
# A home of its own: Orca's settings belong to this check alone.
export HOME="$out/home"

pids=()
stop_all() {
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap stop_all EXIT
wait_for() { # seconds, then a command that must succeed
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$out/atspi.log" 2>&1 &
pids+=($!)
openbox >"$out/openbox.log" 2>&1 &
pids+=($!)
a11y_bus() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1
}
wait_for 10 a11y_bus || echo "check: no accessibility bus" >&2
# No speech server (none could sound here, and a silent one stalls Orca):
# it still logs every phrase it would say.
rm -f "$out/orca-debug.txt"
SPEECHD_ADDRESS="unix_socket:$out/no-speech-server" \
    orca --debug-file="$out/orca-debug.txt" >"$out/orca.log" 2>&1 &
orca_pid=$!
orca_listens() {
    /usr/bin/python3 -c 'import pyatspi, sys; sys.exit(not any(a and a.name == "orca" for a in pyatspi.Registry.getDesktop(0)))'
}
wait_for 30 orca_listens || echo "check: Orca did not start" >&2
pids+=("$orca_pid")

"$build/tools/board/korvex-board" --link "$link" >"$out/board.out" 2>"$out/board.err" &
pids+=($!)
wait_for 5 test -L "$link"
cat >"$config/KORVEX Terminal.ini" <<INI
[Ports]
Com1="$link"

[Properties]
Settings="9600,n,8,1"
CommPort=1
Handshaking=0
Echo=False
INI
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$config" \
    "$build/korvex-terminal" "$here/../../tests/data/blink_sdcc.hex" >"$out/terminal.log" 2>&1 &
pids+=($!)
# The probe makes the board hang up, for the reconnection's box.
export KORVEX_BOARD_PID=${pids[3]}

status=0
/usr/bin/python3 "$here/probe.py" >"$out/probe.txt" 2>&1 || status=$?
# Orca writes the end of its log out as it ends.
kill -TERM "$orca_pid" 2>/dev/null || true
wait_for 15 sh -c "! kill -0 $orca_pid 2>/dev/null" || echo "check: Orca did not end" >&2
grep "SPEECH OUTPUT" "$out/orca-debug.txt" >"$out/speech.txt" || true
cat "$out/probe.txt"
echo "check: Orca said $(wc -l <"$out/speech.txt") phrases (speech.txt)"
exit "$status"
