#!/bin/sh
# Builds the default opening book "jux.book" from engine games. Run by hand
# from anywhere; it takes two to three hours on two cores and runs at low
# priority.
#
#   tools/make_book.sh [WORKDIR]
#
# Two copies may run at once on the same WORKDIR (one per core): each takes the
# next chunk nobody has started. GAMES_ONLY=1 plays the games and stops; the
# games stay in WORKDIR, so the book can be rebuilt from them later without
# playing again.
#
# 1. Dumps the lines of the Polyglot book of gnuchess-book and reads the ECO
#    lines of scid-data, and picks OPENINGS varied opening lines from them.
# 2. Lets two Stockfish settings of nearly the same strength play every line
#    twice, colours swapped, through the match runner (MATCH_DIR), at a fixed
#    node count. The node counts differ a little so that the two games of a
#    pair do not repeat each other move for move.
# 3. Builds the book from the games with "juxtool book build".
#
# Needs the Debian packages polyglot, gnuchess-book, scid-data and stockfish,
# node, and the match runner with its modules installed (npm ci).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=${1:-$ROOT/build/bookgen}
MATCH_DIR=${MATCH_DIR:-$ROOT/../shared/tools/match}
POLYGLOT_BOOK=${POLYGLOT_BOOK:-/usr/share/games/gnuchess/book.bin}
ECO_FILE=${ECO_FILE:-/usr/share/scid/data/scid.eco}
OPENINGS=${OPENINGS:-2000}
CHUNK=${CHUNK:-50}
NODES1=${NODES1:-8000}
NODES2=${NODES2:-9000}
SEED=${SEED:-1}
PLIES=${PLIES:-24}
MIN_GAMES=${MIN_GAMES:-2}

mkdir -p "$WORK"
cd "$WORK"

# The opening lines, written by the first copy; another copy waits for them.
if [ ! -s openings.txt ]; then
    if mkdir openings.lock 2>/dev/null; then
        /usr/games/polyglot dump-book -bin "$POLYGLOT_BOOK" -color white -out polyglot_white.txt >/dev/null
        /usr/games/polyglot dump-book -bin "$POLYGLOT_BOOK" -color black -out polyglot_black.txt >/dev/null
        python3 "$ROOT/tools/book_openings.py" --polyglot polyglot_white.txt polyglot_black.txt \
            --eco "$ECO_FILE" --count "$OPENINGS" --seed "$SEED" --out openings.txt.part
        mv openings.txt.part openings.txt
        rmdir openings.lock
    fi
    while [ ! -s openings.txt ]; do sleep 5; done
fi

# The games, in chunks so that an interrupted run keeps what it has played;
# a chunk whose PGN exists is not played again, and a chunk another copy of
# the script is playing (its directory lock exists) is left to that copy.
# Remove stale *.lock directories after an interrupted run.
count=$(grep -vc '^#' openings.txt)
offset=0
while [ "$offset" -lt "$count" ]; do
    pgn=$(printf 'games_%05d.pgn' "$offset")
    if [ ! -s "$pgn" ] && mkdir "$pgn.lock" 2>/dev/null; then
        pairs=$((count - offset < CHUNK ? count - offset : CHUNK))
        echo "games: openings $offset..$((offset + pairs - 1)) of $count" >&2
        nice -n 19 node "$MATCH_DIR/match.mjs" \
            --engine1 /usr/games/stockfish --name1 "Stockfish n$NODES1" --tc1 "nodes=$NODES1" \
            --engine2 /usr/games/stockfish --name2 "Stockfish n$NODES2" --tc2 "nodes=$NODES2" \
            --option Hash=16 --option Threads=1 --keep-alive \
            --openings openings.txt --opening-offset "$offset" --pairs "$pairs" \
            --resign 3,500 --draw 40,8,10 --max-plies 200 --event "jux book games" \
            --quiet --pgn "$pgn.part" >/dev/null
        mv "$pgn.part" "$pgn"
        rmdir "$pgn.lock"
    fi
    offset=$((offset + CHUNK))
done

[ "${GAMES_ONLY:-0}" = 1 ] && exit 0
# The copy that plays the last chunk builds the book.
for lock in games_*.pgn.lock; do
    [ -d "$lock" ] && echo "another copy still plays $lock; it builds the book" >&2 && exit 0
done
make -C "$ROOT" all >/dev/null
"$ROOT/build/juxtool" book build --plies "$PLIES" --min-games "$MIN_GAMES" "$ROOT/jux.book" games_*.pgn
