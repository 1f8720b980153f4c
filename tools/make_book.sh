#!/bin/sh
# Builds the default opening book "jux.book" from engine games. Run by hand
# from anywhere; it takes about an hour on two cores and runs at low priority.
#
#   tools/make_book.sh [WORKDIR]
#
# 1. Dumps the lines of the Polyglot book of gnuchess-book and reads the ECO
#    lines of scid-data, and picks OPENINGS varied opening lines from them.
# 2. Lets two Stockfish settings play every line twice, colours swapped,
#    through the match runner (MATCH_DIR), at a small fixed node count.
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
OPENINGS=${OPENINGS:-1200}
CHUNK=${CHUNK:-100}
NODES1=${NODES1:-3000}
NODES2=${NODES2:-4000}
SEED=${SEED:-1}
PLIES=${PLIES:-24}
MIN_GAMES=${MIN_GAMES:-2}

mkdir -p "$WORK"
cd "$WORK"

if [ ! -s openings.txt ]; then
    /usr/games/polyglot dump-book -bin "$POLYGLOT_BOOK" -color white -out polyglot_white.txt >/dev/null
    /usr/games/polyglot dump-book -bin "$POLYGLOT_BOOK" -color black -out polyglot_black.txt >/dev/null
    python3 "$ROOT/tools/book_openings.py" --polyglot polyglot_white.txt polyglot_black.txt \
        --eco "$ECO_FILE" --count "$OPENINGS" --seed "$SEED" --out openings.txt
fi

# The games, in chunks so that an interrupted run keeps what it has played;
# a chunk whose PGN exists is not played again.
count=$(grep -vc '^#' openings.txt)
offset=0
while [ "$offset" -lt "$count" ]; do
    pgn=$(printf 'games_%05d.pgn' "$offset")
    if [ ! -s "$pgn" ]; then
        pairs=$((count - offset < CHUNK ? count - offset : CHUNK))
        echo "games: openings $offset..$((offset + pairs - 1)) of $count" >&2
        nice -n 19 node "$MATCH_DIR/match.mjs" \
            --engine1 /usr/games/stockfish --name1 "Stockfish n$NODES1" --tc1 "nodes=$NODES1" \
            --engine2 /usr/games/stockfish --name2 "Stockfish n$NODES2" --tc2 "nodes=$NODES2" \
            --option Hash=16 --option Threads=1 --keep-alive \
            --openings openings.txt --opening-offset "$offset" --pairs "$pairs" \
            --resign 3,500 --max-plies 200 --event "jux book games" \
            --quiet --pgn "$pgn.part" >/dev/null
        mv "$pgn.part" "$pgn"
    fi
    offset=$((offset + CHUNK))
done

make -C "$ROOT" all >/dev/null
"$ROOT/build/juxtool" book build --plies "$PLIES" --min-games "$MIN_GAMES" "$ROOT/jux.book" games_*.pgn
