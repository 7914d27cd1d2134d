#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every libFuzzer target for SECONDS each, from a scratch copy of its
# seed corpus (the committed seeds stay small), and prints executions and
# findings per target. Exits non-zero when any target found a crash.
#   tests/fuzz/run.sh BUILD_DIR [SECONDS]
set -uo pipefail

build_dir=${1:?usage: run.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
source_dir=$(cd "$(dirname "$0")" && pwd)
fuzz_bin=$build_dir/tests/fuzz
work=$build_dir/fuzz-work

export LC_ALL=C
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Inputs the size of a few program files; bigger ones only slow the search.
declare -A max_len=([hexconvert]=16384 [settingsstring]=64)

status=0
printf '%-16s %12s %10s %8s  %s\n' target executions exec/s corpus findings
for target in hexconvert settingsstring; do
    binary=$fuzz_bin/fuzz_$target
    if [ ! -x "$binary" ]; then
        echo "missing $binary (configure with -DKORVEX_FUZZ=ON and build)" >&2
        status=1
        continue
    fi
    corpus=$work/corpus/$target
    artifacts=$work/findings/$target
    rm -rf "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    cp -n "$source_dir/corpus/$target/"* "$corpus/" 2>/dev/null || true
    log=$work/$target.log

    "$binary" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="${max_len[$target]}" -print_final_stats=1 \
        -artifact_prefix="$artifacts/" >"$log" 2>&1
    rc=$?

    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    corpus_size=$(find "$corpus" -type f | wc -l)
    findings=$(find "$artifacts" -type f | wc -l)
    printf '%-16s %12s %10s %8s  %s\n' "$target" "${executions:-?}" "${rate:-?}" "$corpus_size" "$findings"
    if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ]; then
        status=1
        echo "  fuzz_$target failed (exit $rc); log: $log" >&2
        grep -m1 -A12 -E 'ERROR: |invariant broken|runtime error' "$log" | sed 's/^/  /' >&2
        find "$artifacts" -type f | sed 's/^/  finding: /' >&2
    fi
done
exit $status
