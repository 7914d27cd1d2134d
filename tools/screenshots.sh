#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of every window (main window with some terminal text, port
# properties, start address, help, About, progress) under a virtual X server:
# runs the screenshot test with KORVEX_SCREENSHOT_DIR set, which saves one PNG
# per window into OUTDIR. The test also fails when a window draws nothing or
# cuts off a caption, so a bad layout does not go unnoticed.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: tools/screenshots.sh BUILD_DIR OUTDIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
test_program="$build/tests/tst_screenshots"

if ! command -v xvfb-run >/dev/null; then
    echo "screenshots: xvfb-run is missing (Debian packages xvfb and xauth: make deps-screenshots)" >&2
    exit 1
fi
if [ ! -x "$test_program" ]; then
    cmake --build "$build" --target tst_screenshots
fi

# A screen of its own (-a picks a free display), 96 dpi like most desktops.
status=0
KORVEX_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$test_program" || status=$?

count=$(find "$out" -maxdepth 1 -name '*.png' | wc -l)
echo "screenshots: $count pictures in $out"
if [ "$status" -ne 0 ]; then
    echo "screenshots: some window failed its checks (see above)" >&2
    exit "$status"
fi
[ "$count" -gt 0 ]
