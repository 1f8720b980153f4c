#!/usr/bin/env python3
"""Speed of JUX against the Debian engines, side by side.

Search: every engine searches each position (the first POSITIONS of
`juxtool bench`) for MOVETIME ms, one thread, 16 MB of hash, its own book
off, the engines taking turns position by position. The script prints each
engine's nodes per second per position, the median per engine and JUX's
ratio to each. With SEARCH_ROUNDS above 1 the whole pass is repeated (the
machine's speed drifts by several per cent between minutes): each
position's figure is then the median over the rounds, and the ratio of each
round is printed beside the overall one.

Perft: `juxtool perft` against Ethereal's perft command on the start position
(depth 6) and Kiwipete (depth 5), interleaved ROUNDS times; the figure is the
median CPU time of each (user + system, so that other work on the machine
counts less than it would in wall time).

    tools/compare_nps.py [--jux build/jux] [--juxtool build/juxtool]
                         [--engines glaurung,toga2,ethereal-chess,stockfish]
                         [--movetime 1000] [--positions 20] [--rounds 3]
                         [--search-rounds 1]
                         [--no-search] [--no-perft]

Engines are looked up on PATH and in /usr/games. Not run by CI: the search
part takes about engines x positions x MOVETIME.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

from uci_process import UciProcess, bench_positions

KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
PERFT_CASES = [("start position", START, 6), ("Kiwipete", KIWIPETE, 5)]
PERFT_PEER = "ethereal-chess"


def find_engine(name):
    if os.path.sep in name:
        return os.path.abspath(name)
    return shutil.which(name) or shutil.which(name, path="/usr/games")


class Engine(UciProcess):
    def __init__(self, label, command):
        self.label = label
        self.options = set()
        super().__init__(command)

    def wait_for(self, prefix):
        lines = super().wait_for(prefix)
        for line in lines:
            m = re.match(r"option name (.*?) type ", line)
            if m:
                self.options.add(m.group(1).lower())
        return lines

    def setup(self, hash_mb):
        wanted = [("Hash", str(hash_mb)), ("Threads", "1"), ("OwnBook", "false"), ("Ponder", "false")]
        for name, value in wanted:
            if name.lower() in self.options:
                self.send("setoption name %s value %s" % (name, value))
        self.send("isready")
        self.wait_for("readyok")

    def nps(self, fen, movetime):
        self.send("ucinewgame")
        self.send("isready")
        self.wait_for("readyok")
        self.send("position fen " + fen)
        self.send("go movetime %d" % movetime)
        nps = nodes = ms = 0
        for line in self.wait_for("bestmove"):
            if not line.startswith("info "):
                continue
            m = re.search(r"\bnps (\d+)", line)
            if m:
                nps = int(m.group(1))
            n, t = re.search(r"\bnodes (\d+)", line), re.search(r"\btime (\d+)", line)
            if n and t:
                nodes, ms = int(n.group(1)), int(t.group(1))
        if ms >= 100:  # the search's own count is finer than a rounded nps field
            return nodes * 1000 // ms
        return nps


def search_comparison(args, engines):
    fens = bench_positions(args.juxtool)[:args.positions]
    players = [Engine(label, command) for label, command in engines]
    for p in players:
        p.setup(args.hash)
    # figures[label][round][position]
    figures = {p.label: [] for p in players}
    header = " ".join("%12s" % p.label[:12] for p in players)
    print("search: %d positions, %d ms each, Hash %d MB, one thread, own books off, %d round(s)"
          % (len(fens), args.movetime, args.hash, args.search_rounds))
    for r in range(args.search_rounds):
        print(" # " + header + ("   round %d" % (r + 1) if args.search_rounds > 1 else ""))
        for p in players:
            figures[p.label].append([])
        for i, fen in enumerate(fens, 1):
            # Each position starts with another engine, so that none always
            # follows the same neighbour.
            shift = (i - 1 + r) % len(players)
            row = {}
            for p in players[shift:] + players[:shift]:
                row[p.label] = p.nps(fen, args.movetime)
                figures[p.label][r].append(row[p.label])
            print("%2d " % i + " ".join("%12d" % row[p.label] for p in players), flush=True)
    for p in players:
        p.quit()
    # An engine that finds a mate at once reports no speed: such positions
    # are left out for every engine, so that all medians cover the same ones.
    kept = [i for i in range(len(fens))
            if all(rounds[r][i] > 0 for rounds in figures.values() for r in range(args.search_rounds))]

    def median_over(label, rounds):
        """The median over the kept positions of each position's median over rounds."""
        return statistics.median(statistics.median(figures[label][r][i] for r in rounds) for i in kept)

    every = range(args.search_rounds)
    medians = {p.label: median_over(p.label, every) if kept else 0 for p in players}
    print("median nodes/s over the %d positions every engine reported%s:"
          % (len(kept), " (per position, the median of the rounds)" if args.search_rounds > 1 else ""))
    jux = players[0].label
    for p in players:
        ratio = ""
        if p is not players[0] and medians[p.label]:
            ratio = " JUX/it %.2f" % (medians[jux] / medians[p.label])
            if args.search_rounds > 1 and kept:
                ratio += " (rounds: %s)" % " ".join(
                    "%.2f" % (median_over(jux, [r]) / median_over(p.label, [r])) for r in every)
        print("  %-16s %10d%s" % (p.label, medians[p.label], ratio))


def timed(command, stdin_text=None):
    before = os.times()
    out = subprocess.run(command, input=stdin_text, capture_output=True, text=True, check=True).stdout
    after = os.times()
    return (after.children_user - before.children_user) + (after.children_system - before.children_system), out


def perft_comparison(args, peer):
    print("perft: JUX (make and unmake at every node) against %s, %d interleaved rounds, CPU seconds"
          % (PERFT_PEER, args.rounds))
    ratios = []
    for name, fen, depth in PERFT_CASES:
        jux_times, peer_times = [], []
        jux_nodes = peer_nodes = None
        for _ in range(args.rounds):
            t, out = timed([args.juxtool, "perft", str(depth)] + fen.split())
            jux_times.append(t)
            jux_nodes = int(re.search(r"^nodes (\d+)$", out, re.M).group(1))
            t, out = timed([peer], "position fen %s\nperft %d\nquit\n" % (fen, depth))
            peer_times.append(t)
            peer_nodes = int(re.findall(r"^(\d+)\s*$", out, re.M)[-1])
        if jux_nodes != peer_nodes:
            print("  %s depth %d: the counts differ (JUX %d, %s %d)" % (name, depth, jux_nodes, PERFT_PEER,
                                                                       peer_nodes))
        a, b = statistics.median(jux_times), statistics.median(peer_times)
        ratios.append(b / a)
        print("  %-15s d%d %11d nodes: JUX %6.2f s (%5.1f M/s), %s %6.2f s (%5.1f M/s), JUX/it %.2f"
              % (name, depth, jux_nodes, a, jux_nodes / a / 1e6, PERFT_PEER, b, peer_nodes / b / 1e6, b / a))
    print("  perft JUX/%s, geometric mean: %.2f" % (PERFT_PEER, (ratios[0] * ratios[1]) ** 0.5))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--jux", default="build/jux")
    parser.add_argument("--juxtool", default="build/juxtool")
    parser.add_argument("--engines", default="glaurung,toga2,ethereal-chess,stockfish")
    parser.add_argument("--movetime", type=int, default=1000)
    parser.add_argument("--positions", type=int, default=20)
    parser.add_argument("--hash", type=int, default=16)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--search-rounds", type=int, default=1)
    parser.add_argument("--no-search", action="store_true")
    parser.add_argument("--no-perft", action="store_true")
    args = parser.parse_args()
    args.jux, args.juxtool = os.path.abspath(args.jux), os.path.abspath(args.juxtool)

    engines = [("jux", args.jux)]
    for name in filter(None, args.engines.split(",")):
        path = find_engine(name)
        if path:
            engines.append((os.path.basename(name), path))
        else:
            print("(%s not found: apt-get install %s)" % (name, name), file=sys.stderr)
    print("machine: %s, %d cores; %s" % (cpu_model(), os.cpu_count(), time.strftime("%Y-%m-%d %H:%M")))
    if not args.no_search:
        search_comparison(args, engines)
    peer = find_engine(PERFT_PEER)
    if not args.no_perft:
        if peer:
            perft_comparison(args, peer)
        else:
            print("(no %s for the perft comparison)" % PERFT_PEER, file=sys.stderr)
    return 0


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown processor"


if __name__ == "__main__":
    sys.exit(main())
