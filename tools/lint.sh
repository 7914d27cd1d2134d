#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lint: formatting (clang-format), static checks (clang-tidy with the
# compile database of BUILD_DIR, and cppcheck). Prints every finding and
# exits non-zero when there is any.
#   tools/lint.sh BUILD_DIR
# BUILD_DIR must be configured (CMake writes compile_commands.json there).
set -uo pipefail

build_dir=${1:?usage: tools/lint.sh BUILD_DIR}
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

if [ ! -f "$build_dir/compile_commands.json" ]; then
    echo "lint: $build_dir/compile_commands.json is missing: configure $build_dir with CMake first" >&2
    exit 2
fi
for tool in clang-format clang-tidy cppcheck; do
    command -v "$tool" >/dev/null || { echo "lint: $tool is not installed (make deps-dev)" >&2; exit 2; }
done

sources() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort; }

failed=0
report() { # name, finding count
    if [ "$2" -eq 0 ]; then
        echo "== $1: clean"
    else
        echo "== $1: $2 finding(s)"
        failed=1
    fi
}

# ---- formatting: every file as .clang-format has it
echo "== clang-format"
format_log=$(mktemp)
sources src tests tools bench | xargs -r clang-format --dry-run -Werror >"$format_log" 2>&1
format_files=$(grep -oE '^[^:]+\.(cpp|h):[0-9]+:[0-9]+: error' "$format_log" | cut -d: -f1 | sort -u)
if [ -n "$format_files" ]; then
    echo "$format_files" | sed 's/^/  not formatted: /'
fi
report clang-format "$(printf '%s' "$format_files" | grep -c . || true)"
rm -f "$format_log"

# ---- clang-tidy: the product and the simulated board, checks in .clang-tidy
echo "== clang-tidy"
tidy_log=$(mktemp)
sources src tools/board | grep '\.cpp$' \
    | xargs -r -P "$jobs" -n 1 clang-tidy -p "$build_dir" --quiet >"$tidy_log" 2>/dev/null
# A header's finding shows once per file that includes it: report it once.
tidy_findings=$(grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error):' "$tidy_log" | sed "s|^$PWD/||" | sort -u)
if [ -n "$tidy_findings" ]; then
    echo "$tidy_findings" | sed 's/^/  /'
fi
report clang-tidy "$(printf '%s' "$tidy_findings" | grep -c . || true)"
rm -f "$tidy_log"

# ---- cppcheck, the Linux configuration. Left out:
#  missingIncludeSystem: Qt's and the C library's headers are not given to it.
#  useStlAlgorithm: a plain loop is often the clearer code here.
# Deliberate exceptions carry an inline "cppcheck-suppress" with the reason.
echo "== cppcheck"
cppcheck_findings=$(cppcheck --enable=warning,style,performance,portability --std=c++20 --language=c++ \
    --library=qt -I src -I tools/board -D__linux__ -DQ_OS_LINUX \
    --suppress=missingIncludeSystem --suppress=useStlAlgorithm --inline-suppr \
    --quiet -j "$jobs" --template='{file}:{line}: {severity}: {message} [{id}]' src tools/board 2>&1 | sort -u)
if [ -n "$cppcheck_findings" ]; then
    echo "$cppcheck_findings" | sed 's/^/  /'
fi
report cppcheck "$(printf '%s' "$cppcheck_findings" | grep -c . || true)"

exit $failed
