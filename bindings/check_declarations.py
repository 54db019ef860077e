#!/usr/bin/env python3
"""Every binding declares the same exports as vornix.h: the same names, each with the
header's argument count, and, where a binding binds by ordinal, vornix.def's ordinal.

    check_declarations.py <repository root>

A binding file that is not in the tree is reported and skipped. A new binding is one
row of BINDINGS: its path and a reader that gives {name: (argument count, ordinal or
None)}.
"""
import importlib.util
import pathlib
import re
import sys


def argument_count(text, open_at):
    """Top-level arguments of the parenthesised list that starts at text[open_at]."""
    depth, commas, empty = 0, 0, True
    for i in range(open_at, len(text)):
        c = text[i]
        if c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
            if depth == 0:
                return 0 if empty else commas + 1
        elif c == "," and depth == 1:
            commas += 1
        elif depth >= 1 and not c.isspace():
            empty = False
    raise ValueError("unbalanced argument list")


def c_like_declarations(text, pattern):
    found = {}
    for m in re.finditer(pattern, text):
        count = argument_count(text, m.end() - 1)
        found[m.group(1)] = (count, None)
    return found


def header_declarations(path):
    text = path.read_text(encoding="utf-8")
    text = re.sub(r"\(\s*void\s*\)", "()", text)
    return c_like_declarations(text, r"VORNIX_CALL\s+(SW_\w+)\s*\(")


def def_ordinals(path):
    lines = path.read_text(encoding="utf-8").splitlines()
    return {m.group(1): int(m.group(2))
            for m in (re.match(r"\s*(SW_\w+)(?:@\d+)?\s+@(\d+)\s*$", line) for line in lines) if m}


def python_declarations(path):
    # The module's own table, as ctypes gets it; importing it loads no library.
    module_spec = importlib.util.spec_from_file_location("vornix_binding", path)
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return {name: (len(arguments), None) for name, (_, arguments) in module._EXPORTS.items()}


def csharp_declarations(path):
    return c_like_declarations(path.read_text(encoding="utf-8"), r"static\s+extern\s+\w+\s+(SW_\w+)\s*\(")


def pascal_declarations(path):
    # function SW_LED(Slot: Integer; Mode: Integer): Byte; stdcall;
    #   external VornixLib {$IFDEF MSWINDOWS}index 4{$ENDIF};
    # (the ordinal only on Windows: Free Pascal elsewhere binds by name)
    text = path.read_text(encoding="utf-8", errors="replace")
    found = {}
    pattern = (r"function\s+(SW_\w+)\s*(?:\(([^)]*)\))?\s*:\s*\w+\s*;\s*stdcall\s*;"
               r"\s*external\b[^;]*?\bindex\s+(\d+)\s*(?:\{\$ENDIF\})?\s*;")
    for m in re.finditer(pattern, text, re.IGNORECASE | re.DOTALL):
        groups = [g for g in (m.group(2) or "").split(";") if g.strip()]
        count = sum(len(g.split(":")[0].split(",")) for g in groups)
        found[m.group(1)] = (count, int(m.group(3)))
    return found


BINDINGS = [
    ("bindings/python/vornix.py", python_declarations),
    ("bindings/dotnet/Vornix.cs", csharp_declarations),
    ("bindings/pascal/Vornix.pas", pascal_declarations),
]
EXPORT_COUNT = 39


def differences(expected, ordinals, declared):
    problems = ["missing %s" % name for name in sorted(expected.keys() - declared.keys())]
    problems += ["%s is no export" % name for name in sorted(declared.keys() - expected.keys())]
    for name in sorted(expected.keys() & declared.keys()):
        count, ordinal = declared[name]
        if count != expected[name][0]:
            problems.append("%s takes %d arguments, declared with %d" % (name, expected[name][0], count))
        if ordinal is not None and ordinal != ordinals.get(name):
            problems.append("%s is ordinal %s, declared as %d" % (name, ordinals.get(name), ordinal))
    return problems


def main(root):
    root = pathlib.Path(root)
    expected = header_declarations(root / "vornix/include/vornix.h")
    ordinals = def_ordinals(root / "vornix/vornix.def")
    failed = len(expected) != EXPORT_COUNT or expected.keys() != ordinals.keys()
    if failed:
        print("vornix.h declares %d exports, vornix.def lists %d; expected %d"
              % (len(expected), len(ordinals), EXPORT_COUNT))
    for relative, reader in BINDINGS:
        path = root / relative
        if not path.exists():
            print("%s: not in the tree, skipped" % relative)
            continue
        problems = differences(expected, ordinals, reader(path))
        for problem in problems:
            print("%s: %s" % (relative, problem))
        if not problems:
            print("%s: the %d exports as vornix.h declares them" % (relative, len(expected)))
        failed |= bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
