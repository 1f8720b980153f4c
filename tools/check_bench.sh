#!/bin/sh
# Runs the bench and compares its node total with the README's signature line
# ("Current signature: **N** nodes"). Any difference fails: a change of search
# or evaluation behaviour must name its new signature in the README.
#
#   tools/check_bench.sh [JUXTOOL] [README]
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JUXTOOL=${1:-$ROOT/build/juxtool}
README=${2:-$ROOT/README.md}

expected=$(sed -n 's/^Current signature: \*\*\([0-9][0-9]*\)\*\* nodes.*/\1/p' "$README")
if [ -z "$expected" ] || [ "$(printf '%s\n' "$expected" | wc -l)" -ne 1 ]; then
    echo "check_bench: $README has no single 'Current signature: **N** nodes' line" >&2
    exit 2
fi

output=$("$JUXTOOL" bench) || {
    echo "check_bench: '$JUXTOOL bench' failed" >&2
    exit 2
}
actual=$(printf '%s\n' "$output" | sed -n 's/^nodes \([0-9][0-9]*\)$/\1/p')
if [ -z "$actual" ]; then
    echo "check_bench: '$JUXTOOL bench' printed no 'nodes N' line" >&2
    exit 2
fi

if [ "$actual" != "$expected" ]; then
    echo "check_bench: bench signature $actual differs from the README's $expected" >&2
    echo "(a commit that changes behaviour updates the README and ends its message with 'Bench: $actual')" >&2
    exit 1
fi
echo "check_bench: bench signature $actual matches the README"
