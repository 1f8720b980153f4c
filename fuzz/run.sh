#!/bin/bash
# Runs the fuzz targets of a JUX_FUZZ build tree: first every file of the
# repository's corpus and crash directories once (a reproducer that crashes
# again fails at once), then each target for a while, JOBS targets at a time.
# New inputs go to a corpus directory under WORK that later runs go on from;
# findings go to WORK/artifacts/<target>/. Exits non-zero on any crash, hang,
# leak or sanitizer report.
#
#   fuzz/run.sh [--build DIR] [--work DIR] [--time SECONDS] [--jobs N] [--replay-only] [TARGET...]
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-fuzz
WORK=${XDG_CACHE_HOME:-$HOME/.cache}/jux-fuzz
TIME=600
JOBS=2
REPLAY_ONLY=0
TARGETS=()
ALL_TARGETS=(fen_fuzz uci_fuzz pgn_fuzz book_probe_fuzz)
# An input that runs longer than this is a hang; more memory than this is a fault.
TIMEOUT=10
RSS_LIMIT_MB=2048

usage() {
    sed -n '2,10s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case "$1" in
        --build) BUILD=$2; shift 2 ;;
        --work) WORK=$2; shift 2 ;;
        --time) TIME=$2; shift 2 ;;
        --jobs) JOBS=$2; shift 2 ;;
        --replay-only) REPLAY_ONLY=1; shift ;;
        -h|--help) usage ;;
        -*) usage ;;
        *) TARGETS+=("$1"); shift ;;
    esac
done
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=("${ALL_TARGETS[@]}")
BUILD=$(cd "$BUILD" && pwd) || exit 2
mkdir -p "$WORK" && WORK=$(cd "$WORK" && pwd) || exit 2

binary() { echo "$BUILD/fuzz/$1"; }

for target in "${TARGETS[@]}"; do
    if [ ! -x "$(binary "$target")" ]; then
        echo "fuzz: $(binary "$target") is missing: build the fuzz tree first (make fuzz)" >&2
        exit 2
    fi
done

# The dictionary of a target, when it has one, as a libFuzzer option.
dictionary() {
    [ -f "$ROOT/fuzz/$1.dict" ] && echo "-dict=$ROOT/fuzz/$1.dict"
}

# Every seed and every reproducer once, each run on its own so that a
# failure names its file.
replay() {
    local target=$1 log=$WORK/logs/$1.replay.log
    local files=()
    for dir in "$ROOT/fuzz/corpus/$target" "$ROOT/fuzz/crashes/$target"; do
        [ -d "$dir" ] || continue
        while IFS= read -r -d '' file; do files+=("$file"); done < <(find "$dir" -type f -print0 | sort -z)
    done
    [ ${#files[@]} -eq 0 ] && return 0
    if "$(binary "$target")" -timeout=$TIMEOUT -rss_limit_mb=$RSS_LIMIT_MB \
        -artifact_prefix="$WORK/artifacts/$target/" "${files[@]}" >"$log" 2>&1; then
        echo "fuzz: $target replayed ${#files[@]} corpus and crash files"
        return 0
    fi
    echo "fuzz: $target FAILED on a repository file:" >&2
    grep -E '^Running: |ERROR|runtime error|SUMMARY' "$log" | tail -n 20 >&2
    echo "(whole log: $log)" >&2
    return 1
}

# One target for TIME seconds; prints its executions.
fuzz_one() {
    local target=$1 log=$WORK/logs/$1.log
    local corpus=$WORK/corpus/$target
    mkdir -p "$corpus"
    local seeds=()
    [ -d "$ROOT/fuzz/corpus/$target" ] && seeds+=("$ROOT/fuzz/corpus/$target")
    [ -d "$ROOT/fuzz/crashes/$target" ] && seeds+=("$ROOT/fuzz/crashes/$target")
    # shellcheck disable=SC2046
    nice -n 10 "$(binary "$target")" -max_total_time="$TIME" -timeout=$TIMEOUT -rss_limit_mb=$RSS_LIMIT_MB \
        -print_final_stats=1 -artifact_prefix="$WORK/artifacts/$target/" $(dictionary "$target") \
        "$corpus" "${seeds[@]}" >"$log" 2>&1
    local status=$?
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    local size
    size=$(find "$corpus" -type f | wc -l)
    if [ $status -eq 0 ]; then
        echo "fuzz: $target: ${runs:-?} executions in $TIME s, corpus $size inputs"
        return 0
    fi
    echo "fuzz: $target FAILED after ${runs:-?} executions (status $status):" >&2
    grep -E 'ERROR|runtime error|SUMMARY|Test unit written|fen_fuzz:|pgn_fuzz:|book_probe_fuzz:' "$log" | tail -n 20 >&2
    echo "(whole log: $log; once the fault is fixed, add the input to fuzz/crashes/$target/)" >&2
    return 1
}

mkdir -p "$WORK/logs"
for target in "${TARGETS[@]}"; do mkdir -p "$WORK/artifacts/$target"; done

failed=0
for target in "${TARGETS[@]}"; do replay "$target" || failed=1; done
[ $REPLAY_ONLY -eq 1 ] && exit $failed

# JOBS targets at a time; each writes its own summary line.
running=0
for target in "${TARGETS[@]}"; do
    fuzz_one "$target" &
    running=$((running + 1))
    if [ $running -ge "$JOBS" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ $running -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done
exit $failed
