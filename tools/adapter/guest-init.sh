#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The guest's first process: mounts what a session needs, starts udev (it
# names /dev/serial/by-id and sets the adapter's group), mounts the project
# and the result folder shared by the host, runs the host's script, leaves
# its exit status beside its output and powers off.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm /run/lock
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /run
mkdir -p /run/lock
mount -t tmpfs tmpfs /tmp
hostname korvex-guest
modprobe 9pnet_virtio
project=$(sed -n 's/.*korvex.project=\([^ ]*\).*/\1/p' /proc/cmdline)
mkdir -p "$project" /out
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 project "$project"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 out /out
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add
udevadm settle --timeout=30
sh /out/run.sh >/out/guest.log 2>&1
echo $? >/out/status
sync
umount /out
echo o >/proc/sysrq-trigger
sleep 5
