#!/usr/bin/env bash
# Runs every fuzz target in build/fuzz for SECONDS each (default 20), on a
# working copy of its seeds in build/fuzz/corpus/<target> (what the fuzzer
# learns stays there, the committed seeds stay as they are). Targets run
# FUZZ_JOBS at a time (default: one per processor). Fails if any target
# reports a crash, a sanitizer error or a broken property; the input that
# did it is saved as build/fuzz/artifacts/<target>-crash-*.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/fuzz"
seconds=${1:-20}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in "$root"/tests/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi
jobs=${FUZZ_JOBS:-$(nproc)}
mkdir -p "$build/artifacts"

run_one() {
    local target=$1 work="$build/corpus/$1" log="$build/$1.log"
    if [ ! -x "$build/$target" ]; then
        echo "fuzz: $target is not built (cmake --build build/fuzz)" >"$log"
        return 1
    fi
    mkdir -p "$work"
    cp -f "$root/tests/fuzz/corpus/$target/"* "$work/"
    "$build/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$work" >"$log" 2>&1
}

summary() {
    local target=$1 rc=$2 log="$build/$1.log" runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ "$rc" -eq 0 ]; then
        printf 'fuzz: %-18s passed, %s runs in %ss\n' "$target" "${runs:-?}" "$seconds"
    else
        printf 'fuzz: %-18s FAILED (exit %s), log %s:\n' "$target" "$rc" "${log#"$root"/}"
        local at
        at=$(grep -n -m1 -E 'property does not hold|ERROR:|runtime error|not built' "$log" |
            cut -d: -f1)
        if [ -n "$at" ]; then
            sed -n "$((at > 6 ? at - 6 : 1)),$((at + 8))p" "$log"
            grep -E 'Test unit written' "$log"
        else
            tail -20 "$log"
        fi | sed 's/^/    /'
    fi
}

declare -A pid_of=()
failed=0
next=0
while [ $next -lt ${#targets[@]} ] || [ ${#pid_of[@]} -gt 0 ]; do
    while [ $next -lt ${#targets[@]} ] && [ ${#pid_of[@]} -lt "$jobs" ]; do
        run_one "${targets[$next]}" &
        pid_of[$!]=${targets[$next]}
        next=$((next + 1))
    done
    wait -n -p done_pid
    rc=$?
    summary "${pid_of[$done_pid]}" "$rc"
    [ "$rc" -eq 0 ] || failed=1
    unset "pid_of[$done_pid]"
done
exit $failed
