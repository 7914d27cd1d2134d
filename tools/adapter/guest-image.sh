#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes, once, the small Debian 12 guest in which the terminal meets a real
# USB-serial driver: kernel and initrd beside an ext4 root holding the Qt
# runtime, udev (for /dev/serial/by-id and the device's permissions), strace
# and a second account outside dialout. Cached in $ADAPTER_CACHE
# (default /var/cache/korvex-adapter); `FRESH=1` makes it again.
set -euo pipefail

cache=${ADAPTER_CACHE:-/var/cache/korvex-adapter}
suite=bookworm
mirror=${MIRROR:-$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' | awk -v s=$suite '$1 == s { print $2; exit }')}
packages=linux-image-amd64,udev,kmod,procps,strace,adduser,passwd,util-linux,fonts-dejavu-core,libqt6core6,libqt6gui6,libqt6widgets6,libqt6serialport6,libqt6test6

fail() { echo "guest-image: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "run me as root (debootstrap)"
[ "${FRESH:-0}" = 1 ] && rm -rf "$cache"
[ -f "$cache/root.ext4" ] && [ -f "$cache/vmlinuz" ] && [ -f "$cache/initrd.img" ] && exit 0
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"
[ -n "$mirror" ] || fail "no Debian mirror found for $suite; set MIRROR"

mkdir -p "$cache"
root=$cache/root
rm -rf "$root"
echo "guest-image: debootstrap into $root (a few minutes)"
debootstrap --variant=minbase --include="$packages" "$suite" "$root" "$mirror" >"$cache/debootstrap.log" 2>&1 \
    || { tail -20 "$cache/debootstrap.log"; fail "debootstrap failed (log: $cache/debootstrap.log)"; }

# A student account that was never added to dialout.
chroot "$root" adduser --disabled-password --gecos "" student >/dev/null
echo korvex-guest >"$root/etc/hostname"
install -m 755 "$(dirname "$0")/guest-init.sh" "$root/sbin/korvex-init"

cp "$(ls "$root"/boot/vmlinuz-* | tail -1)" "$cache/vmlinuz"
cp "$(ls "$root"/boot/initrd.img-* | tail -1)" "$cache/initrd.img"
rm -f "$cache/root.ext4"
mkfs.ext4 -q -L korvex -d "$root" "$cache/root.ext4" 3G
rm -rf "$root"
echo "guest-image: ready in $cache"
