#!/usr/bin/env python3
"""Time to a fixed depth with one engine process and with several.

    tools/smp_speed.py [--rounds R] [--juxtool PATH] DEPTH ENGINE [ENGINE...]

ENGINE is a command line, quoted as one argument: "build/jux" or
"build/jux --processes 2". The first one is the reference. Every round runs
each engine on each position in turn (interleaved, so that a change in the
machine's load hits all engines alike): fresh 16 MB tables (a new Hash value
also builds the worker chain), "go depth DEPTH", and from "go" to "bestmove"
it takes

  wall    the wall time,
  cpu     the master's own CPU time (user + system, from /proc), which the
          other work on the machine does not stretch,
  nodes   the last node total the master printed, the workers' included,
  work    the CPU time of all the engine's processes together,
  own     the master's own nodes: the total less the workers' counts in the
          share block.

Per engine it prints the medians over the rounds of the summed figures, and
the speedups over the reference: by wall time, by master CPU time, and two
that the machine's load does not stretch, where P is the number of processes
(from --processes, 1 without): by nodes, P_e * nodes_ref / (P_ref * nodes_e),
by work, P_e * work_ref / (P_ref * work_e), and by the master's own nodes,
own_ref / own_e. With every process on a core of its own at full speed, P_e
processes search P_e times as many nodes per second; the nodes they search
beyond the reference's to reach the depth are what the extra processes
waste, and the work adds what they lose in speed (shared tables,
contention). The master answers when it has searched its own nodes, so
own_ref / own_e is the time-to-depth ratio when all processes run at the
same speed; they do not (the nodes a worker saves the master are mostly
cheap ones, through cached lines), so the wall ratio is the one to judge. The positions are six of the bench positions, or all of them
with --juxtool (read from "juxtool bench 1").

Not run by CI: it searches every position ROUNDS times per engine.
"""
import argparse
import os
import re
import shlex
import statistics
import struct
import sys
import tempfile
import time

from uci_process import UciProcess, bench_positions

POSITIONS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "3r1rk1/p4ppp/1pq1pn2/2b5/2P5/1P2PN2/PBQ2PPP/3R1RK1 w - - 0 17",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
]

TICKS = os.sysconf("SC_CLK_TCK")


def process_count(argv):
    if "--processes" in argv:
        return int(argv[argv.index("--processes") + 1])
    return 1


class Engine(UciProcess):
    def __init__(self, command):
        argv = shlex.split(command)
        argv[0] = os.path.abspath(argv[0])
        # A directory without a book, so that every position is searched.
        super().__init__(argv, cwd=tempfile.gettempdir())

    def workers(self):
        """The engine's worker processes: their command line is PROGRAM K MASTER_PID."""
        found = []
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                argv = open("/proc/%s/cmdline" % name, "rb").read().split(b"\0")[:-1]
            except OSError:
                continue
            if len(argv) == 3 and argv[2] == str(self.proc.pid).encode():
                found.append(int(name))
        return found

    def cpu_seconds(self):
        """CPU seconds of the master and of every worker, together."""
        total = 0.0
        for pid in [self.proc.pid] + self.workers():
            try:
                fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            total += (int(fields[11]) + int(fields[12])) / TICKS
        return total

    def master_cpu_seconds(self):
        fields = open("/proc/%d/stat" % self.proc.pid).read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICKS

    def search(self, fen, depth):
        self.send("setoption name Hash value 16")
        # After the Hash line, so that the new chain hears it too.
        self.send("setoption name OwnBook value false")
        self.send("isready")
        self.wait_for("readyok")
        self.send("position fen " + fen)
        cpu, work = self.master_cpu_seconds(), self.cpu_seconds()
        start = time.monotonic()
        self.send("go depth %d" % depth)
        lines = self.wait_for("bestmove")
        elapsed = time.monotonic() - start
        cpu, work = self.master_cpu_seconds() - cpu, self.cpu_seconds() - work
        nodes = 0
        for line in lines:
            m = re.search(r"\bnodes (\d+)", line)
            if m:
                nodes = max(nodes, int(m.group(1)))
        return elapsed, cpu, nodes, work, max(nodes - self.worker_nodes(), 0)

    def worker_nodes(self):
        """The workers' node counts in the share block (until the next "go" clears it)."""
        try:
            words = open("/dev/shm/jux_%d_share_entry" % self.proc.pid, "rb").read(256)
        except OSError:
            return 0
        counts = struct.unpack("<64I", words)
        return sum(counts[2 * w] | counts[2 * w + 1] << 32 for w in range(1, 32))


def main():
    parser = argparse.ArgumentParser(usage=__doc__.strip().splitlines()[2].strip())
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--juxtool", help="take all the bench positions of this juxtool")
    parser.add_argument("depth", type=int)
    parser.add_argument("engines", nargs="+")
    args = parser.parse_args()
    positions = bench_positions(args.juxtool) if args.juxtool else POSITIONS
    # rounds[e] = list of (wall, cpu, nodes) summed over the positions
    rounds = {e: [] for e in args.engines}
    per_position = {e: [[] for _ in positions] for e in args.engines}
    for r in range(args.rounds):
        sums = {e: [0.0, 0.0, 0, 0.0, 0] for e in args.engines}
        for index, fen in enumerate(positions):
            for command in args.engines:
                engine = Engine(command)
                result = engine.search(fen, args.depth)
                engine.quit()
                per_position[command][index].append(result)
                for k in range(5):
                    sums[command][k] += result[k]
        for command in args.engines:
            rounds[command].append(sums[command])
            print("round %d  %-32s wall %7.2f s  cpu %7.2f s  nodes %10d  work %7.2f s  own %10d" %
                  (r + 1, command, *sums[command]), flush=True)

    print("\nmedians over %d rounds, depth %d, per position (wall s / nodes / own nodes):" % (args.rounds, args.depth))
    for index in range(len(positions)):
        row = "%-4d" % (index + 1)
        for command in args.engines:
            runs = per_position[command][index]
            row += "  %6.2f / %9d / %9d" % tuple(statistics.median(x[k] for x in runs) for k in (0, 2, 4))
        print(row)

    reference = args.engines[0]
    ref = [statistics.median(x[k] for x in rounds[reference]) for k in range(5)]
    ref_p = process_count(shlex.split(reference))
    print("\n%-32s %7s %7s %10s %7s %10s %6s %6s %7s %6s %6s" % ("engine", "wall s", "cpu s", "nodes", "work s",
          "own", "x wall", "x cpu", "x nodes", "x work", "x own"))
    for command in args.engines:
        wall, cpu, nodes, work, own = [statistics.median(x[k] for x in rounds[command]) for k in range(5)]
        p = process_count(shlex.split(command))
        by_nodes = p * ref[2] / (ref_p * nodes) if nodes else 0
        by_work = p * ref[3] / (ref_p * work) if work else 0
        by_own = ref[4] / own if own else 0
        # A search too short for the clock's ticks shows no speedup (0).
        by_wall = ref[0] / wall if wall else 0
        by_cpu = ref[1] / cpu if cpu else 0
        print("%-32s %7.2f %7.2f %10d %7.2f %10d %6.2f %6.2f %7.2f %6.2f %6.2f" % (command, wall, cpu, nodes, work,
              own, by_wall, by_cpu, by_nodes, by_work, by_own))
    return 0


if __name__ == "__main__":
    sys.exit(main())
