#!/usr/bin/env python3
"""The recorder's rooms include downwards only (host/src/README.md draws the picture):
a file may include its own room and the rooms below it, never one above it or beside
it at the same height. Prints every include that breaks this, and fails then."""
import pathlib
import re
import sys

# Height of each room; a room includes only rooms of smaller height.
HEIGHT = {
    "platform": 0, "options": 0,
    "callers": 1,
    "call_log": 2,
    "recordings": 3, "notes": 3,
    "lines": 4,
    "web": 5, "unattended": 5,
    "loop": 6,
}

def main(src: pathlib.Path) -> int:
    wrong = []
    rooms = sorted(p.name for p in src.iterdir() if p.is_dir())
    unknown = [r for r in rooms if r not in HEIGHT]
    if unknown:
        print("rooms without a height here:", ", ".join(unknown))
        return 1
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or path.parent == src:
            continue
        room = path.relative_to(src).parts[0]
        for n, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = re.match(r'#include "([a-z_]+)/', line)
            if m and m.group(1) in HEIGHT and m.group(1) != room and HEIGHT[m.group(1)] >= HEIGHT[room]:
                wrong.append(f"{path.relative_to(src)}:{n}: {room} includes {m.group(1)}")
    print("\n".join(wrong) if wrong else f"include direction: ok ({len(rooms)} rooms)")
    return 1 if wrong else 0

if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
