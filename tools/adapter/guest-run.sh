# SPDX-License-Identifier: GPL-3.0-or-later
# Runs in the test bed's guest (sh, after BUILD= and REPO= lines the host
# adds): the flows against the real driver, the student outside dialout, and
# the idle program's wake-ups, traced with strace. Lines starting "MESURE"
# are the bed's figures. The exit status is the first failure's.
set -u
export QT_QPA_PLATFORM=offscreen
flows=$BUILD/tools/adapter/korvex-adapter-flows
status=0
step() { echo; echo "=== $*"; }
control() { # asks the host to unplug or plug the adapter; waits for its answer
    stty -F /dev/ttyS1 raw -echo
    exec 3<>/dev/ttyS1
    echo "$1" >&3
    read -r answer <&3
    exec 3>&-
    [ "$answer" = ok ]
}
# SECONDS of the running program traced: its system calls per second, and its
# wake-ups, the polls that put it to sleep (a zero time-out only looks at
# what the wake-up itself posted), with the calls it made, by kind.
trace_idle() { # label pid seconds
    timeout -s INT "$3" strace -f -o "/tmp/strace-$1.txt" -p "$2" >/dev/null 2>&1
    awk -v label="$1" -v s="$3" '
        / resumed>/ || /^[0-9]+ +(\+\+\+|---)/ { next }
        { calls++; name = $2; sub(/\(.*/, "", name); count[name]++ }
        /poll\(\[.*\], [0-9]+, (-1|[1-9][0-9]*)/ { sleeps++ }
        END {
            printf "MESURE %s: %.1f appels système/s, %.1f réveils/s (sur %d s)\n", label, calls / s, sleeps / s, s
            for (name in count) printf "  %5d %s\n", count[name], name
        }
    ' "/tmp/strace-$1.txt"
}

step "noyau $(uname -r); l'adaptateur"
ls -l /dev/serial/by-id/ /dev/ttyUSB* || status=1
echo "pilote: $(basename "$(readlink -f /sys/class/tty/ttyUSB0/device/driver)")"

step "parcours de root (membre de tout groupe) par le nom durable"
timeout 900 "$flows" typingAndEcho loadAt300 replugIdle replugDuringLoad || status=1

step "un étudiant hors du groupe dialout"
timeout 300 runuser -u student -- env QT_QPA_PLATFORM=offscreen HOME=/home/student "$flows" notInDialout || status=1

step "le même, ajouté à dialout, dans une session ouverte avant"
usermod -a -G dialout student
timeout 300 setpriv --reuid=student --regid=student --clear-groups env QT_QPA_PLATFORM=offscreen HOME=/home/student \
    KORVEX_EXPECT="ouverte avant" "$flows" notInDialout || status=1

step "réveils du programme au repos, port ouvert, puis adaptateur débranché"
mkdir -p /tmp/idle
printf '[Ports]\nCom1=%s\n' "$(ls /dev/serial/by-id/* | head -1)" >"/tmp/idle/KORVEX Terminal.ini"
XDG_CONFIG_HOME=/tmp/idle "$BUILD/korvex-terminal" >/tmp/idle/out.txt 2>&1 &
pid=$!
sleep 15 # past start-up and the caret's 10 s of blinking; the program is measured, not this script
if ls -l /proc/$pid/fd 2>/dev/null | grep -q ttyUSB; then
    echo "le programme a le port ouvert: $(ls -l /proc/$pid/fd | grep -o '/dev/ttyUSB[0-9]*')"
    echo "fils: $(ls /proc/$pid/task | wc -l)"
    trace_idle "au_repos" $pid 20
    control unplug || status=1
    sleep 3
    trace_idle "debranche" $pid 20
    control plug || status=1
    sleep 5
    ls -l /proc/$pid/fd | grep -q ttyUSB && echo "rouvert après rebranchement" || { echo "pas rouvert"; status=1; }
else
    echo "le programme n'a pas ouvert le port"; cat /tmp/idle/out.txt; status=1
fi
kill $pid
exit $status
