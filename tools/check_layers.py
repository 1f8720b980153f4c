#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a layer above its own.

The layers, bottom to top: platform, core, board, egtb, eval, search, then
book and smp side by side, then frontend. A folder may include its own
headers and those of any lower layer; folders on the same level (book, smp)
do not include each other, and a folder without a layer is an error.

    tools/check_layers.py [SRC_DIR]
"""
import pathlib
import re
import sys

LEVEL = {"platform": 0, "core": 1, "board": 2, "egtb": 3, "eval": 4, "search": 5,
         "book": 6, "smp": 6, "frontend": 7}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"', re.MULTILINE)


def violations(src):
    for path in sorted(src.glob("*/*")):
        folder = path.parent.name
        if path.suffix not in (".h", ".cpp"):
            continue
        if folder not in LEVEL:
            yield f"{path.relative_to(src)}: the folder {folder} has no layer"
            continue
        for target in INCLUDE.findall(path.read_text()):
            if target != folder and LEVEL.get(target, LEVEL[folder]) >= LEVEL[folder]:
                yield f"{path.relative_to(src)}: {folder} includes {target}"


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    if not all((src / folder).is_dir() for folder in LEVEL):
        print(f"check_layers: {src} does not hold the folders {', '.join(LEVEL)}", file=sys.stderr)
        return 2
    found = list(violations(src))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
