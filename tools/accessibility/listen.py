#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""An assistive tool that only listens: it asks for the terminal's text and
caret events (Qt sends only the kinds a tool asks for) and counts them,
printing the count when it is stopped (SIGTERM)."""
import signal
import sys

import pyatspi

counts = {"insert": 0, "delete": 0, "caret": 0}


def on_event(event):
    kind = event.type.split(":")[-1]
    key = "caret" if kind == "text-caret-moved" else kind
    counts[key] = counts.get(key, 0) + 1


def stop(*_):
    pyatspi.Registry.stop()


for kind in ["object:text-changed:insert", "object:text-changed:delete", "object:text-caret-moved"]:
    pyatspi.Registry.registerEventListener(on_event, kind)
signal.signal(signal.SIGTERM, stop)
pyatspi.Registry.start()
print("listen:", counts)
sys.stdout.flush()
