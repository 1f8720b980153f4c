#!/bin/sh
# Plays JUX against another UCI engine with real clocks through the shared
# match runner, and reports illegal moves, time losses and crashes.
# Not run by CI. Usage (from the project root, after make):
#
#   tools/play_games.sh [OPPONENT] [PAIRS] [TC]
#
# OPPONENT defaults to toga2, PAIRS to 10 (20 games), TC to 20000+200
# (20 s per game and 0.2 s per move). The runner lives in
# ../shared/tools/match (or $SHARED/tools/match); it is copied to a scratch folder once so that its
# packages are installed outside the shared tree.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
opponent=${1:-toga2}
pairs=${2:-10}
tc=${3:-20000+200}
runner=${MATCH_RUNNER:-/tmp/jux-match-runner}
shared=${SHARED:-$root/../shared}
[ -d "$shared/tools/match" ] || shared=/work/shared
if [ ! -d "$runner/node_modules" ]; then
    mkdir -p "$runner"
    cp -r "$shared/tools/match/." "$runner/"
    (cd "$runner" && npm ci --silent)
fi
out=${OUT:-$root/build/games}
mkdir -p "$out"
exec node "$runner/match.mjs" --engine1 "$root/build/jux" --engine2 "$opponent" --option Hash=16 \
    --tc "tc=$tc" --pairs "$pairs" --pgn "$out/games.pgn" --log "$out/games.log"
