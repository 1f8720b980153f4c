#!/usr/bin/env python3
"""Search speed of JUX against another UCI engine, side by side.

Both engines search each bench position (taken from `juxtool bench 1`) for
the same move time with 16 MB of hash, one after the other, and the script
prints the nodes per second of each and their ratio.

    tools/compare_nps.py build/jux build/juxtool toga2 [MOVETIME_MS]

Not run by CI: it takes about 2 x 30 x MOVETIME_MS.
"""
import re
import subprocess
import sys

from uci_process import UciProcess


def bench_positions(juxtool):
    out = subprocess.run([juxtool, "bench", "1"], capture_output=True, text=True, check=True).stdout
    fens = []
    for line in out.splitlines():
        m = re.match(r"\s*\d+\s+\d+ nodes\s+\d+ ms\s+(.*)$", line)
        if m:
            fens.append(m.group(1))
    return fens


class Engine(UciProcess):
    def __init__(self, command):
        super().__init__(command)
        self.send("setoption name Hash value 16")
        self.send("isready")
        self.wait_for("readyok")

    def nps(self, fen, movetime):
        self.send("position fen " + fen)
        self.send("go movetime %d" % movetime)
        best = 0
        for line in self.wait_for("bestmove"):
            m = re.search(r"\bnps (\d+)", line)
            if m:
                best = int(m.group(1))  # the last figure of the search
        return best



def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    jux, juxtool, other = sys.argv[1:4]
    movetime = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
    fens = bench_positions(juxtool)
    a, b = Engine(jux), Engine(other)
    total_a = total_b = 0
    product, n = 1.0, 0
    for i, fen in enumerate(fens, 1):
        na, nb = a.nps(fen, movetime), b.nps(fen, movetime)
        # An engine that finds a forced mate stops at once and reports no
        # speed: such positions are left out of the comparison.
        if na and nb:
            total_a += na
            total_b += nb
            product *= na / nb
            n += 1
        print("%2d %10d %10d  %5.2f  %s" % (i, na, nb, na / nb if na and nb else 0, fen), flush=True)
    a.quit()
    b.quit()
    print("positions compared: %d" % n)
    print("mean nps: jux %d, %s %d, ratio %.2f (geometric mean of the per-position ratios %.2f)"
          % (total_a // n, other, total_b // n, total_a / total_b, product ** (1.0 / n)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
