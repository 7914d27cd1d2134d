#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves the Debian package on clean Debian 12 systems. Run by hand, as root
# (it takes a good while: two fresh systems and a full build; not for CI).
#
#  1. A fresh Debian 12 chroot with only git and make builds the package with
#     `make package` from a clone of this repository at COMMIT (default HEAD,
#     so only committed work is proven); the build installs what it needs.
#  2. A second fresh chroot, which never built anything, installs it with
#     `apt install ./korvex-terminal_<version>_<arch>.deb`.
#  3. There the desktop entry and the metainfo are validated,
#     `korvex-terminal --version` runs without a display, and the program is
#     started on the offscreen platform with a HEX file: it must come up and
#     still be running after a while, having written nothing under /usr.
#
# Usage: tools/package-check.sh [COMMIT]
# MIRROR: the Debian mirror (default: the one apt uses on this machine).
# KEEP=1: keep the two chroots (in /var/tmp) for a look afterwards.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse "${1:-HEAD}")
suite=bookworm
mirror=${MIRROR:-$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' | awk -v s=$suite '$1 == s { print $2; exit }')}
work=$(mktemp -d /var/tmp/korvex-package-check.XXXXXX)
builder=$work/builder
runner=$work/runner
start=$SECONDS

step() { printf '\n=== [%4ds] %s\n' $((SECONDS - start)) "$*"; }
fail() { printf '\nFAILED: %s\n' "$*"; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "run me as root (debootstrap and chroot)"
[ -n "$mirror" ] || fail "no Debian mirror found for $suite; set MIRROR"
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"

# Never remove a chroot with something still mounted inside it.
cleanup() {
    for pid in $(runner_pids korvex-terminal) $(runner_pids socat); do kill "$pid" 2>/dev/null || true; done
    wait
    for mounted in "$runner/dev/pts" "$builder/proc" "$runner/proc"; do
        if mountpoint -q "$mounted" 2>/dev/null; then umount "$mounted"; fi
    done
    if [ "${KEEP:-0}" = 1 ]; then
        echo "Chroots kept in $work"
    elif ! grep -q " $work/" /proc/mounts; then
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT

new_system() { # folder, extra packages
    debootstrap --variant=minbase ${2:+--include="$2"} "$suite" "$1" "$mirror" >"$1.debootstrap.log" 2>&1 \
        || { tail -20 "$1.debootstrap.log"; fail "debootstrap of $1"; }
    cp /etc/resolv.conf "$1/etc/resolv.conf"
    mount -t proc proc "$1/proc"
}

runner_pids() { # program name: its processes inside the install system only
    local pid
    for pid in $(pgrep -x "$1"); do
        [ "$(readlink /proc/"$pid"/root)" = "$runner" ] && echo "$pid"
    done
    return 0
}

in_root() { # folder, command...
    local root=$1
    shift
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

echo "Commit $commit, mirror $mirror, work folder $work"

step "Build system: fresh Debian 12 with git and make only"
new_system "$builder" git,make
git clone --quiet --no-checkout "$repo" "$builder/root/korvex-terminal"
git -C "$builder/root/korvex-terminal" checkout --quiet --detach "$commit"
in_root "$builder" git -C /root/korvex-terminal log -1 --format='Building %h %s'

step "make package (installs its own build dependencies)"
in_root "$builder" make -C /root/korvex-terminal package 2>&1 | tail -25
package=$(cd "$builder/root/korvex-terminal" && ls korvex-terminal_*.deb 2>/dev/null | head -1)
[ -n "$package" ] || fail "make package made no korvex-terminal_*.deb"
dpkg-deb --field "$builder/root/korvex-terminal/$package" Package Version Architecture Depends
dpkg-deb --contents "$builder/root/korvex-terminal/$package" | awk '$1 !~ /^d/ { print $6 }'

step "Install system: fresh Debian 12 that never built anything"
new_system "$runner"
mkdir -p "$runner/root/check"
cp "$builder/root/korvex-terminal/$package" "$repo/tests/data/blink_sdcc.hex" "$runner/root/check/"
in_root "$runner" apt-get -q update >/dev/null
in_root "$runner" sh -c "cd /root/check && apt-get install -y ./$package" >"$work/install.log" 2>&1 \
    || { tail -30 "$work/install.log"; fail "apt install ./$package"; }
grep -E '^(Note|Setting up korvex)' "$work/install.log"
echo "apt installed $(grep -c '^Setting up' "$work/install.log") packages:" \
    $(sed -n 's/^Setting up \([^ :]*\).*/\1/p' "$work/install.log" | sort)
if in_root "$runner" ldd /usr/bin/korvex-terminal | grep 'not found'; then fail "libraries missing"; fi

step "Validators (installed only now, after the package)"
in_root "$runner" apt-get install -y -q desktop-file-utils appstream shared-mime-info socat >/dev/null
in_root "$runner" desktop-file-validate /usr/share/applications/korvex-terminal.desktop || fail "desktop entry"
echo "desktop-file-validate: korvex-terminal.desktop accepted"
in_root "$runner" sh -c 'appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml' || fail "metainfo"
in_root "$runner" update-mime-database /usr/share/mime
grep -h 'x-ihex' "$runner/usr/share/mime/globs2" || fail "the MIME type is not registered"
(cd "$runner" && ls usr/share/icons/hicolor/*/apps/korvex-terminal.* usr/share/man/man1/korvex-terminal.1.gz) \
    || fail "icons or manual page missing"

step "korvex-terminal --version (no display)"
in_root "$runner" korvex-terminal --version || fail "--version"

step "Start the installed program with a HEX file, offscreen, on a pseudo-terminal board line"
# A pty pair stands in for the board, so that start-up opens the port and
# shows the window instead of stopping at "Port COM 1 pas disponible !".
mount --bind /dev/pts "$runner/dev/pts"
mkdir -p "$runner/root/.config"
printf '[Properties]\nSettings=9600,n,8,1\nCommPort=1\nHandshaking=0\nEcho=False\n[Ports]\nCom1=/root/check/board\n' \
    >"$runner/root/.config/KORVEX Terminal.ini"
in_root "$runner" socat pty,raw,echo=0,link=/root/check/board pty,raw,echo=0,link=/root/check/far &
for _ in $(seq 50); do [ -e "$runner/root/check/board" ] && break; sleep 0.1; done
touch "$runner/root/check/started"
in_root "$runner" sh -c 'cd /root/check && QT_QPA_PLATFORM=offscreen exec timeout 10 korvex-terminal blink_sdcc.hex' \
    >"$work/run.log" 2>&1 &
run_pid=$!
sleep 5
board=$(readlink "$runner/root/check/board")
program=$(runner_pids korvex-terminal)
[ -n "$program" ] || { cat "$work/run.log"; fail "the program is not running 5 s after its start"; }
# /proc shows the program's files as this system sees them: under $runner.
ls -l /proc/"$program"/fd | grep -q -- " -> $runner$board\$" || fail "the program did not open the port $board"
echo "After 5 s the program runs (pid $program) with the board's line $board open: start-up went through."
set +e
wait "$run_pid"
status=$?
set -e
for pid in $(runner_pids socat); do kill "$pid"; done
wait
umount "$runner/dev/pts"
cat "$work/run.log"
[ "$status" -eq 124 ] || fail "the program ended by itself (exit status $status) instead of running"
echo "It was still running after 10 s with blink_sdcc.hex (stopped by timeout)."
written=$(cd "$runner" && find usr -newer root/check/started -type f)
[ -z "$written" ] || fail "the program wrote under /usr: $written"
echo "Nothing written under /usr while it ran."

step "All checks passed"
