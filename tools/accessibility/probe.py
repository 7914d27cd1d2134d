#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What an assistive tool finds in the running terminal, through AT-SPI.

Finds the application, its terminal object and the toolbar's load button;
listens for text insertions; types keys to the board (Enter, then "R" and
Enter), starts a load with the toolbar button, and prints what it read and
heard. Exits non-zero when the terminal or its insertions are missing.
"""
import os
import signal
import sys
import time

import pyatspi
from gi.repository import GLib

APP = "KORVEX Terminal"


def find(node, predicate, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if predicate(node):
            return node
        for child in node:
            found = find(child, predicate, depth + 1)
            if found is not None:
                return found
    except GLib.GError:
        return None
    return None


def application():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == APP:
                return app
        time.sleep(0.1)
    return None


def pump(seconds):
    """Lets AT-SPI deliver events for a while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        context.iteration(False)
        time.sleep(0.01)


def click(app, name):
    # A button seen before a window changed may have gone stale: look again.
    for _ in range(5):
        button = find(app, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == name)
        try:
            if button is not None:
                button.queryAction().doAction(0)
                return True
        except GLib.GError:
            # The press may have opened a modal box before it answered.
            pump(1.0)
            if find(application(), lambda n: n.getRole() == pyatspi.ROLE_ALERT) is not None:
                return True
        pump(0.5)
        app = application()
    return False


def press(keysym_name):
    code = 0xFF0D if keysym_name == "Return" else ord(keysym_name)
    pyatspi.Registry.generateKeyboardEvent(code, None, pyatspi.KEY_SYM)


def main():
    app = application()
    if app is None:
        print("probe: no application named", APP)
        return 1
    terminal = find(app, lambda n: n.getRole() == pyatspi.ROLE_TERMINAL)
    if terminal is None:
        print("probe: no object with the terminal role")
        return 1
    print("probe: terminal named %r, states %s" % (terminal.name, terminal.getState().getStates()))

    inserted = []

    def on_insert(event):
        if event.source == terminal:
            inserted.append((event.detail1, event.any_data))

    pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
    terminal.queryComponent().grabFocus()
    pump(1.0)
    for key in ["Return", "R", "Return"]:
        press(key)
        pump(0.7)
    pump(2.0)

    text = terminal.queryText()
    whole = text.getText(0, -1)
    print("probe: %d characters, caret at %d" % (text.characterCount, text.caretOffset))
    offset = 0
    lines = []
    while offset < text.characterCount:
        line, start, end = text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START)
        lines.append(line.rstrip("\n"))
        offset = max(end, offset + 1)
    for line in lines:
        print("probe: line %r" % line)
    for position, added in inserted:
        print("probe: inserted at %d: %r" % (position, added))

    # The load; then the board hangs up and the connect button's open fails
    # in a message box; Enter closes it and the keys go to the terminal again.
    for name, seconds in [("Transfert Programme vers KORVEX", 8.0), ("board", 2.0),
                          ("Connecter/Déconnecter", 3.0)]:
        if name == "board":
            os.kill(int(os.environ["KORVEX_BOARD_PID"]), signal.SIGUSR1)
            pump(seconds)
            continue
        if not click(app, name):
            names = []
            find(application(), lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and names.append(n.name))
            print("probe: no button named %r among %r" % (name, names))
            return 1
        print("probe: pressed %r" % name)
        pump(seconds)
    press("Return")
    pump(2.0)
    focused = terminal.getState().contains(pyatspi.STATE_FOCUSED)
    print("probe: terminal focused after the box:", focused)
    pyatspi.Registry.deregisterEventListener(on_insert, "object:text-changed:insert")
    ok = bool(inserted) and bool(whole) and len(lines) >= 2 and focused
    print("probe:", "ok" if ok else "FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
