#!/bin/bash
# Runs the fuzz targets of a JUX_FUZZ build tree: every file of the repository's
# corpus and crash directories once, then each target for TIME seconds, JOBS at
# a time. The corpus grows in WORK/corpus/<target>/, findings go to
# WORK/artifacts/<target>/. Exits non-zero on any crash, hang, leak or sanitizer report.
#
#   fuzz/run.sh [--build DIR] [--work DIR] [--time SECONDS] [--jobs N] [TARGET...]
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-fuzz WORK=${XDG_CACHE_HOME:-$HOME/.cache}/jux-fuzz TIME=600 JOBS=2 TARGETS=()
while [ $# -gt 0 ]; do
    case "$1" in
        --build) BUILD=$2; shift 2 ;;
        --work) WORK=$2; shift 2 ;;
        --time) TIME=$2; shift 2 ;;
        --jobs) JOBS=$2; shift 2 ;;
        -*) sed -n '7s/^# *//p' "$0" >&2; exit 2 ;;
        *) TARGETS+=("$1"); shift ;;
    esac
done
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(fen_fuzz uci_fuzz pgn_fuzz book_probe_fuzz)
BUILD=$(cd "$BUILD" && pwd) && mkdir -p "$WORK/logs" && WORK=$(cd "$WORK" && pwd) || exit 2

# One target: the repository's files once, or with "fuzz" for TIME seconds. An
# input that runs longer than 10 s is a hang, one that takes 2 GB a fault.
run() {
    local target=$1 mode=$2 log=$WORK/logs/$1.$2.log seeds=() options=()
    for dir in "$ROOT/fuzz/corpus/$target" "$ROOT/fuzz/crashes/$target"; do [ -d "$dir" ] && seeds+=("$dir"); done
    mkdir -p "$WORK/artifacts/$target" "$WORK/corpus/$target"
    if [ "$mode" = replay ]; then
        [ ${#seeds[@]} -eq 0 ] && return 0
        mapfile -d '' seeds < <(find "${seeds[@]}" -type f -print0 | sort -z)
    else
        options=(-max_total_time="$TIME" -print_final_stats=1 "$WORK/corpus/$target")
        [ -f "$ROOT/fuzz/$target.dict" ] && options+=(-dict="$ROOT/fuzz/$target.dict")
    fi
    if nice -n 10 "$BUILD/fuzz/$target" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$WORK/artifacts/$target/" \
        "${options[@]}" "${seeds[@]}" >"$log" 2>&1; then
        local runs
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        echo "fuzz: $target: $mode passed${runs:+, $runs executions in $TIME s}"
        return 0
    fi
    echo "fuzz: $target $mode FAILED:" >&2
    grep -E '^Running: |ERROR|runtime error|SUMMARY|Test unit written|fuzz finding:' "$log" | tail -n 20 >&2
    echo "(whole log: $log; once the fault is fixed, add the input to fuzz/crashes/$target/)" >&2
    return 1
}

failed=0
for target in "${TARGETS[@]}"; do run "$target" replay || failed=1; done
running=0
for target in "${TARGETS[@]}"; do
    if [ $running -ge "$JOBS" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
    run "$target" fuzz &
    running=$((running + 1))
done
for _ in $(seq $running); do wait -n || failed=1; done
exit $failed
