#!/bin/bash
# Runs the fuzz targets of a JUX_FUZZ build tree: first every file of the
# repository's corpus and crash directories once, then each target for a while,
# JOBS targets at a time. The corpus grows in WORK/corpus/<target>/, findings go
# to WORK/artifacts/<target>/. Exits non-zero on any crash, hang, leak or
# sanitizer report.
#
#   fuzz/run.sh [--build DIR] [--work DIR] [--time SECONDS] [--jobs N] [--replay-only] [TARGET...]
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-fuzz WORK=${XDG_CACHE_HOME:-$HOME/.cache}/jux-fuzz TIME=600 JOBS=2 REPLAY_ONLY=0 TARGETS=()
usage() {
    sed -n '8s/^# *//p' "$0" >&2
    exit 2
}
while [ $# -gt 0 ]; do
    case "$1" in
        --build) BUILD=$2; shift 2 ;;
        --work) WORK=$2; shift 2 ;;
        --time) TIME=$2; shift 2 ;;
        --jobs) JOBS=$2; shift 2 ;;
        --replay-only) REPLAY_ONLY=1; shift ;;
        -*) usage ;;
        *) TARGETS+=("$1"); shift ;;
    esac
done
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(fen_fuzz uci_fuzz pgn_fuzz book_probe_fuzz)
BUILD=$(cd "$BUILD" && pwd) || exit 2
mkdir -p "$WORK/logs" && WORK=$(cd "$WORK" && pwd) || exit 2
# An input that runs longer than 10 s is a hang; more than 2 GB of memory is a fault.
LIMITS=(-timeout=10 -rss_limit_mb=2048)

for target in "${TARGETS[@]}"; do
    [ -x "$BUILD/fuzz/$target" ] || { echo "fuzz: $BUILD/fuzz/$target is missing (make fuzzers)" >&2; exit 2; }
    mkdir -p "$WORK/artifacts/$target" "$WORK/corpus/$target"
done

# Prints the log's last error lines and where the whole log is.
report() {
    grep -E '^Running: |ERROR|runtime error|SUMMARY|Test unit written|fuzz finding:' "$2" | tail -n 20 >&2
    echo "(whole log: $2; $1)" >&2
}

# Every seed and every reproducer once; a failure names its file.
replay() {
    local log=$WORK/logs/$1.replay.log files
    mapfile -d '' files < <(find "$ROOT/fuzz/corpus/$1" "$ROOT/fuzz/crashes/$1" -type f -print0 2>/dev/null | sort -z)
    [ ${#files[@]} -eq 0 ] && return 0
    if "$BUILD/fuzz/$1" "${LIMITS[@]}" -artifact_prefix="$WORK/artifacts/$1/" "${files[@]}" >"$log" 2>&1; then
        echo "fuzz: $1 replayed ${#files[@]} corpus and crash files"
        return 0
    fi
    echo "fuzz: $1 FAILED on a repository file:" >&2
    report "$1" "$log"
    return 1
}

fuzz_one() {
    local log=$WORK/logs/$1.log seeds=()
    for dir in "$ROOT/fuzz/corpus/$1" "$ROOT/fuzz/crashes/$1"; do [ -d "$dir" ] && seeds+=("$dir"); done
    local dictionary=()
    [ -f "$ROOT/fuzz/$1.dict" ] && dictionary=(-dict="$ROOT/fuzz/$1.dict")
    nice -n 10 "$BUILD/fuzz/$1" -max_total_time="$TIME" "${LIMITS[@]}" -print_final_stats=1 \
        -artifact_prefix="$WORK/artifacts/$1/" "${dictionary[@]}" "$WORK/corpus/$1" "${seeds[@]}" >"$log" 2>&1
    local status=$? runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ $status -eq 0 ]; then
        echo "fuzz: $1: ${runs:-?} executions in $TIME s, corpus $(find "$WORK/corpus/$1" -type f | wc -l) inputs"
        return 0
    fi
    echo "fuzz: $1 FAILED after ${runs:-?} executions (status $status):" >&2
    report "once the fault is fixed, add the input to fuzz/crashes/$1/" "$log"
    return 1
}

failed=0
for target in "${TARGETS[@]}"; do replay "$target" || failed=1; done
[ $REPLAY_ONLY -eq 1 ] && exit $failed
running=0
for target in "${TARGETS[@]}"; do
    if [ $running -ge "$JOBS" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
    fuzz_one "$target" &
    running=$((running + 1))
done
for _ in $(seq $running); do wait -n || failed=1; done
exit $failed
