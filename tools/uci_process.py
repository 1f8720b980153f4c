"""A UCI engine as a child process, for the measurement scripts in tools/."""
import re
import subprocess


def bench_positions(juxtool):
    """The FENs of "juxtool bench", in its order."""
    out = subprocess.run([juxtool, "bench", "1"], capture_output=True, text=True, check=True).stdout
    return [m.group(1) for m in re.finditer(r"^\s*\d+\s+\d+ nodes\s+\d+ ms\s+(.*)$", out, re.M)]


class UciProcess:
    def __init__(self, command, cwd=None):
        """command: the program, or a list of the program and its arguments."""
        argv = [command] if isinstance(command, str) else list(command)
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                     bufsize=1, cwd=cwd)
        self.send("uci")
        self.wait_for("uciok")

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def wait_for(self, prefix):
        """Reads lines up to and including the first one that begins with prefix."""
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("engine ended")
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def quit(self):
        self.send("quit")
        self.proc.wait(timeout=10)
