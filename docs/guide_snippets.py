#!/usr/bin/env python3
"""Writes the code blocks of the host guide to files, so that tests build and run them.

usage: guide_snippets.py GUIDE.md OUTPUT_FOLDER

Every ```c block, in order, goes into guide_host.c; the ```python block into
guide_host.py; the ```csharp block into GuideHost.cs; the ```pascal block into
GuideHost.dpr. Blocks of other languages are left out. Fails when a language has no
block, or any but C more than one.
"""
import pathlib
import re
import sys

TARGETS = {"c": "guide_host.c", "python": "guide_host.py", "csharp": "GuideHost.cs", "pascal": "GuideHost.dpr"}
JOINED = {"c"}  # languages whose blocks make up one program together


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    text = pathlib.Path(argv[1]).read_text(encoding="utf-8")
    blocks = {name: [] for name in TARGETS}
    for language, body in re.findall(r"^```(\w+)\n(.*?)^```$", text, flags=re.S | re.M):
        if language in blocks:
            blocks[language].append(body)
    out = pathlib.Path(argv[2])
    out.mkdir(parents=True, exist_ok=True)
    for language, found in blocks.items():
        if not found or (len(found) > 1 and language not in JOINED):
            print("%s: %d %s blocks" % (argv[1], len(found), language), file=sys.stderr)
            return 1
        target = out / TARGETS[language]
        content = "\n".join(found)
        if not target.exists() or target.read_text(encoding="utf-8") != content:
            target.write_text(content, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
