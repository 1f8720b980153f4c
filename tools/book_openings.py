#!/usr/bin/env python3
"""Pick varied opening lines for the games the default book is built from.

Reads the line dumps of a Polyglot book (`polyglot dump-book`, one file per
colour) and an ECO classification file in Scid's format, cuts every line to a
random length, drops duplicates and writes a shuffled selection as SAN move
lists, one per line, in the form the match runner reads as openings.
"""
import argparse
import random
import re

MOVE_NUMBER = re.compile(r"^\d+\.(\.\.)?")


def san_tokens(text):
    """The SAN moves of a move text without numbers, comments and results."""
    text = re.sub(r"\{[^}]*\}", " ", text)
    moves = []
    for token in text.split():
        token = MOVE_NUMBER.sub("", token)
        if token and token not in ("*", "1-0", "0-1", "1/2-1/2"):
            moves.append(token)
    return moves


def polyglot_lines(path):
    # Lines look like "12: 1. e4{39%} b6 2. d4{94%} ...", possibly ending in
    # a {trans: ...} note; the header line has no number.
    lines = []
    with open(path, encoding="latin-1") as f:
        for raw in f:
            m = re.match(r"^\d+:\s*(.*)$", raw.strip())
            if m:
                lines.append(san_tokens(m.group(1)))
    return lines


def eco_lines(path):
    # Entries look like: A00b "Fried fox"  1.f3 e5 2.Kf2 *   (may span lines)
    with open(path, encoding="latin-1") as f:
        text = "\n".join(l for l in f.read().splitlines() if not l.startswith("#"))
    lines = []
    for m in re.finditer(r'[A-E]\d\d[a-z]?\d?\s+"[^"]*"\s+([^*]*)\*', text):
        lines.append(san_tokens(m.group(1)))
    return lines


def cut(lines, rng, min_plies, max_plies):
    out = set()
    for moves in lines:
        if len(moves) < min_plies:
            continue
        n = min(len(moves), rng.randint(min_plies, max_plies))
        out.add(tuple(moves[:n]))
    return sorted(out)


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--polyglot", nargs="*", default=[], help="dump-book outputs")
    p.add_argument("--eco", help="Scid ECO file")
    p.add_argument("--count", type=int, default=1500)
    p.add_argument("--eco-share", type=float, default=0.25, help="share of ECO lines")
    p.add_argument("--min-plies", type=int, default=4)
    p.add_argument("--max-plies", type=int, default=12)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--out", required=True)
    a = p.parse_args()

    rng = random.Random(a.seed)
    book = []
    for path in a.polyglot:
        book += polyglot_lines(path)
    eco = eco_lines(a.eco) if a.eco else []
    book = cut(book, rng, a.min_plies, a.max_plies)
    eco = cut(eco, rng, a.min_plies, a.max_plies)
    rng.shuffle(book)
    rng.shuffle(eco)
    n_eco = min(len(eco), int(a.count * a.eco_share)) if eco else 0
    chosen = eco[:n_eco] + book[: a.count - n_eco]
    chosen = sorted(set(chosen))
    rng.shuffle(chosen)
    with open(a.out, "w") as f:
        f.write("# %d opening lines (%d from ECO)\n" % (len(chosen), n_eco))
        for moves in chosen:
            f.write(" ".join(moves) + "\n")
    print("%d openings written to %s (%d Polyglot lines, %d ECO lines available)"
          % (len(chosen), a.out, len(book), len(eco)))


if __name__ == "__main__":
    main()
