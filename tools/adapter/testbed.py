#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The terminal against a real USB-serial driver.

Boots the cached Debian 12 guest (tools/adapter/guest-image.sh) under QEMU with
an emulated FTDI FT232 adapter, which the guest kernel drives with ftdi_sio.
The adapter's far end is the simulated board, running here on a pty. The
project's build is shared into the guest read-only; the guest runs
tools/adapter/guest-run.sh and leaves its output and exit status in a result
folder shared back. On the guest's request (its second serial port) the
adapter is unplugged and plugged back through QEMU's monitor, on the same USB
port, as a student pulls the cable.

Usage: tools/adapter/testbed.py BUILD_DIR      (as root; exit status: the guest's)
"""
import os
import select
import socket
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CACHE = os.environ.get("ADAPTER_CACHE", "/var/cache/korvex-adapter")
ADAPTER = "usb-serial,chardev=line,id=adapter,bus=xhci.0,port=1"
GUEST_SECONDS = int(os.environ.get("ADAPTER_TIMEOUT", "1800"))


def fail(message):
    print("test-adapter: " + message, file=sys.stderr)
    sys.exit(1)


def connect(path, deadline):
    while True:
        try:
            sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            sock.connect(path)
            return sock
        except OSError:
            sock.close()
            if time.monotonic() > deadline:
                fail("QEMU did not open " + path)
            time.sleep(0.1)


def monitor_command(monitor, command=None):
    """Sends a command to QEMU's monitor (none: reads its greeting) and waits for its prompt."""
    if command is not None:
        monitor.sendall(command.encode() + b"\n")
    reply = b""
    while not reply.endswith(b"(qemu) "):
        chunk = monitor.recv(4096)
        if not chunk:
            break
        reply += chunk
    return reply.decode(errors="replace")


def plug(monitor):
    """Plugs the adapter back; QEMU may still be finishing its removal."""
    for _ in range(20):
        reply = monitor_command(monitor, "device_add " + ADAPTER)
        if "rror" not in reply:
            break
        time.sleep(0.5)
    return reply + monitor_command(monitor, "info usb")


def serve(qemu, control, monitor):
    """Acts on the guest's requests until QEMU ends."""
    pending = b""
    while qemu.poll() is None:
        ready, _, _ = select.select([control], [], [], 1.0)
        if not ready:
            continue
        chunk = control.recv(256)
        if not chunk:
            break
        pending += chunk
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            request = line.strip().decode(errors="replace")
            if request == "unplug":
                reply = monitor_command(monitor, "device_del adapter")
            elif request == "plug":
                reply = plug(monitor)
            else:
                control.sendall(b"unknown\n")
                continue
            # The monitor echoes the command with terminal escapes: keep its plain answer lines.
            answer = " | ".join(line.strip() for line in reply.splitlines() if "\x1b" not in line and line.strip()
                                and not line.startswith("(qemu)"))
            print(f"test-adapter: [host] adapter {request}ged {answer}", flush=True)
            control.sendall(b"ok\n")


def start_guest(out, line_device):
    """QEMU with the adapter on the board's line, the project and the result folder shared."""
    return subprocess.Popen([
        "qemu-system-x86_64", "-accel", "tcg,thread=multi", "-m", "1536", "-smp", "2",
        "-display", "none", "-no-reboot",
        "-kernel", f"{CACHE}/vmlinuz", "-initrd", f"{CACHE}/initrd.img",
        "-append", f"root=/dev/vda rw console=ttyS0 init=/sbin/korvex-init korvex.project={REPO} quiet",
        "-drive", f"file={CACHE}/root.ext4,format=raw,if=virtio,snapshot=on",
        "-virtfs", f"local,path={REPO},mount_tag=project,security_model=none,readonly=on",
        "-virtfs", f"local,path={out},mount_tag=out,security_model=none",
        "-chardev", f"serial,id=line,path={line_device}",
        "-device", "qemu-xhci,id=xhci", "-device", ADAPTER,
        "-serial", f"file:{out}/console.log",
        "-serial", f"unix:{out}/control.sock,server=on,wait=off",
        "-monitor", f"unix:{out}/monitor.sock,server=on,wait=off",
    ])


def report(out, board_log, seconds):
    """Prints what the guest left; returns its exit status."""
    print(f"test-adapter: guest ran {seconds:.0f} s; results in {out}")
    log = os.path.join(out, "guest.log")
    if os.path.exists(log):
        with open(log, errors="replace") as guest:
            sys.stdout.write(guest.read())
    print(f"test-adapter: what the board received and sent: {board_log}")
    status_file = os.path.join(out, "status")
    if not os.path.exists(status_file):
        with open(os.path.join(out, "console.log"), errors="replace") as console:
            sys.stdout.write("".join(console.readlines()[-40:]))
        fail("the guest left no exit status (console above)")
    with open(status_file) as status:
        code = int(status.read().strip() or "1")
    print("test-adapter: " + ("PASSED" if code == 0 else f"FAILED (status {code})"))
    return code


def main():
    if len(sys.argv) != 2:
        fail("usage: testbed.py BUILD_DIR")
    build = os.path.abspath(sys.argv[1])
    if os.geteuid() != 0:
        fail("run me as root (the guest image is made with debootstrap)")
    for program in ("korvex-terminal", "tools/board/korvex-board", "tools/adapter/korvex-adapter-flows"):
        if not os.access(os.path.join(build, program), os.X_OK):
            fail(f"{build}/{program} is missing: build it first (make test-adapter does)")
    subprocess.run([os.path.join(REPO, "tools/adapter/guest-image.sh")], check=True)

    out = tempfile.mkdtemp(prefix="korvex-adapter.", dir="/var/tmp")
    os.chmod(out, 0o777)
    with open(os.path.join(REPO, "tools/adapter/guest-run.sh")) as source:
        script = source.read()
    with open(os.path.join(out, "run.sh"), "w") as run:
        run.write(f"BUILD={build}\nREPO={REPO}\n" + script)

    board_log = os.path.join(out, "board.json")
    board = subprocess.Popen([os.path.join(build, "tools/board/korvex-board"), "--line-speed", "300",
                              "--log", board_log],
                             stdout=subprocess.PIPE, text=True)
    line_device = board.stdout.readline().strip()
    if not line_device.startswith("/dev/"):
        fail("the simulated board did not start")
    qemu = start_guest(out, line_device)
    started = time.monotonic()
    try:
        deadline = started + 30
        control = connect(f"{out}/control.sock", deadline)
        monitor = connect(f"{out}/monitor.sock", deadline)
        monitor_command(monitor)
        serve(qemu, control, monitor)
        qemu.wait(timeout=GUEST_SECONDS)
    except subprocess.TimeoutExpired:
        qemu.kill()
        print(f"test-adapter: the guest did not end within {GUEST_SECONDS} s")
    finally:
        if qemu.poll() is None:
            qemu.kill()
        board.terminate()
        board.wait()

    sys.exit(report(out, board_log, time.monotonic() - started))

if __name__ == "__main__":
    main()
