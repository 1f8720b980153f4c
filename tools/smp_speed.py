#!/usr/bin/env python3
"""Time to a fixed depth and nodes per second of engines built with different
process counts, position by position.

    tools/smp_speed.py DEPTH ENGINE [ENGINE...]

Each engine gets fresh 16 MB tables (a new Hash value also builds its worker
chain) before every position, then "go depth DEPTH"; the script takes the
wall time from "go" to "bestmove" and the last node total the master printed
(which counts the workers' nodes). Build a two-process engine with
`cmake -S . -B build-p2 -DJUX_PROCESS_COUNT=2 && make -C build-p2 jux`.

Not run by CI: it searches every position once per engine.
"""
import os
import re
import sys
import tempfile
import time

from uci_process import UciProcess

POSITIONS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "3r1rk1/p4ppp/1pq1pn2/2b5/2P5/1P2PN2/PBQ2PPP/3R1RK1 w - - 0 17",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
]


class Engine(UciProcess):
    def __init__(self, command):
        # A directory without a book, so that every position is searched.
        super().__init__(os.path.abspath(command), cwd=tempfile.gettempdir())

    def search(self, fen, depth):
        self.send("setoption name Hash value 16")
        # After the Hash line, so that the new chain hears it too.
        self.send("setoption name OwnBook value false")
        self.send("isready")
        self.wait_for("readyok")
        self.send("position fen " + fen)
        start = time.monotonic()
        self.send("go depth %d" % depth)
        lines = self.wait_for("bestmove")
        elapsed = time.monotonic() - start
        nodes = 0
        for line in lines:
            m = re.search(r"\bnodes (\d+)", line)
            if m:
                nodes = max(nodes, int(m.group(1)))
        return elapsed, nodes



def main():
    if len(sys.argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    depth = int(sys.argv[1])
    engines = sys.argv[2:]
    totals = {e: [0.0, 0] for e in engines}
    print("%-4s" % "pos" + "".join("%28s" % e[-26:] for e in engines))
    for index, fen in enumerate(POSITIONS, 1):
        row = "%-4d" % index
        for command in engines:
            engine = Engine(command)
            elapsed, nodes = engine.search(fen, depth)
            engine.quit()
            totals[command][0] += elapsed
            totals[command][1] += nodes
            row += "%10.2f s %9d knps" % (elapsed, nodes / elapsed / 1000)
        print(row, flush=True)
    row = "all "
    for command in engines:
        elapsed, nodes = totals[command]
        row += "%10.2f s %9d knps" % (elapsed, nodes / elapsed / 1000)
    print(row)
    return 0


if __name__ == "__main__":
    sys.exit(main())
