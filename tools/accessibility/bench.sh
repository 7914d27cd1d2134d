#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The paced line's figures (korvex-bench's "line" section, xcb) with the
# accessibility bridge active and a tool listening for the terminal's text
# events (listen.py), under a virtual X server and a session bus of their own.
# Compare with `KORVEX_BENCH_ONLY=line QT_QPA_PLATFORM=xcb xvfb-run -a
# BUILD_DIR/bench/korvex-bench`, run just before or after.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: tools/accessibility/bench.sh BUILD_DIR (a Release build with korvex-bench)" >&2
    exit 2
fi
if [ -z "${KORVEX_A11Y_SESSION:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- env KORVEX_A11Y_SESSION=1 "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
bus_pid=$!
/usr/bin/python3 "$here/listen.py" &
listen_pid=$!
trap 'kill -TERM "$listen_pid" "$bus_pid" 2>/dev/null || true' EXIT
sleep 2 # the listener registers its events
KORVEX_BENCH_ONLY=line QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/bench/korvex-bench"
kill -TERM "$listen_pid"
wait "$listen_pid" || true
