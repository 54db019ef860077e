#!/usr/bin/env python3
"""Opens the host's call log in LibreOffice Calc and reads the cells back.

usage: calc_open_check.py VORNIX_HOST WORK_FOLDER

The host plays a scenario (answered, missed, dialled-out, time-limited and unplugged
calls) into WORK_FOLDER/recordings/calls.csv. LibreOffice, headless and with a fresh
profile, converts that file into flat OpenDocument twice:

- with the filter options docs/recorder.md gives for opening the log (comma, double quote,
  UTF-8, from row 1, caller and digits columns as text). Calc then asks nothing, and
  every cell must hold exactly what the file says, the caller numbers and digits as
  text with their leading zeros;
- with no options at all, the filter chosen from the .csv extension as a plain open
  by file name does. Every row must still have the file's fields in the same columns
  (the comma taken as the delimiter, quoted fields whole); numbers may show as
  numbers (02160012345 as 2160012345), which is why the manual's way sets the types.

Exit status 0 when both hold, 77 (skipped) without LibreOffice.
"""
import csv
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIPPED = 77
# Field separator 44 (comma), text delimiter 34 ("), character set 76 (UTF-8), from row
# 1, columns 6 and 7 (caller, digits) of format 2 (text): as docs/recorder.md gives them.
COLUMNS = ["start", "end", "slot", "box", "direction", "caller", "digits", "outcome", "seconds", "file"]
CALC_OPTIONS = "Text - txt - csv (StarCalc):44,34,76,1,6/2/7/2"
NS = {
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
}
SCENARIO = """\
at 0 plug box1
at 0 plug box2 marker off
at 0 plug box3
at 1 ring box1 caller 02160012345
at 1 ring box3 caller 13800138000
at 2 offhook box1
at 2 hangup box3
at 3 dtmf box1 0*1#
at 6 hangup box1
at 9 offhook box2
at 10 dtmf box2 007
at 20 offhook box3
at 25 unplug box3
at 75 hangup box2
at 80 end
"""


def q(tag):
    prefix, name = tag.split(":")
    return "{%s}%s" % (NS[prefix], name)


def cell_text(cell):
    parts = []
    for p in cell.findall("text:p", NS):
        parts.append("".join(p.itertext()))
    return "\n".join(parts)


def calc_rows(fods):
    """Rows of the first sheet as lists of (value type, shown text), trailing blanks dropped."""
    sheet = ET.parse(fods).getroot().find(".//" + q("table:table"))
    rows = []
    for row in sheet.iter(q("table:table-row")):
        cells = []
        for cell in row.findall("table:table-cell", NS):
            repeat = int(cell.get(q("table:number-columns-repeated"), "1"))
            cells += [(cell.get(q("office:value-type")), cell_text(cell))] * min(repeat, 64)
        while cells and cells[-1] == (None, ""):
            cells.pop()
        if cells:
            rows.append(cells)
    return rows


def same_number(shown, value):
    try:
        return float(shown) == float(value)
    except ValueError:
        return False


def convert(soffice, work, log, name, options):
    """Cells of `log` as Calc reads it, with `options` (None: none at all)."""
    # A profile of its own: no remembered import settings, no clash with another run.
    profile = "file://" + os.path.abspath(os.path.join(work, "profile"))
    out = os.path.join(work, name)
    infilter = ["--infilter=" + options] if options else []
    subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--norestore"] + infilter +
                   ["--convert-to", "fods", "--outdir", out, log],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=120)
    return calc_rows(os.path.join(out, "calls.fods"))


def compare(cells, rows, typed, problems):
    """`typed`: every cell exactly as the file says, caller and digits as text."""
    label = "with the manual's options" if typed else "opened plainly"
    if len(cells) != len(rows):
        problems.append("%s: Calc shows %d rows, the file has %d" % (label, len(cells), len(rows)))
    header = rows[0]
    for n, (shown, row) in enumerate(zip(cells, rows)):
        wanted = list(row)
        while wanted and not wanted[-1]:
            wanted.pop()  # Calc keeps no empty cells at the end of a row
        texts = [t for _, t in shown]
        if len(texts) != len(wanted) or any(
                t != w and (typed or not same_number(t, w)) for t, w in zip(texts, wanted)):
            problems.append("%s, row %d: Calc shows %r, the file says %r" % (label, n + 1, texts, wanted))
        if not typed or n == 0:
            continue
        for column in ("caller", "digits"):
            i = header.index(column)
            if row[i] and shown[i][0] != "string":
                problems.append("%s, row %d: %s %r read as %s" % (label, n + 1, column, row[i], shown[i][0]))


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("SKIPPED: LibreOffice (soffice) is not installed; scripts/setup.sh installs it")
        return SKIPPED
    host, work = argv[1], argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    folder = os.path.join(work, "recordings")
    scenario = os.path.join(work, "calls.scn")
    with open(scenario, "w") as f:
        f.write(SCENARIO)
    subprocess.run([host, "--out", folder, "--scenario", scenario, "--speed", "0", "--no-status",
                    "--max-call-minutes", "1"], stdout=subprocess.DEVNULL, check=True)
    log = os.path.join(folder, "calls.csv")
    with open(log, newline="") as f:
        rows = list(csv.reader(f))

    if rows[0] != COLUMNS:
        print("FAIL: the call log's header row is %r" % rows[0], file=sys.stderr)
        return 1
    problems = []
    outcomes = sorted(r[rows[0].index("outcome")] for r in rows[1:])
    if outcomes != ["answered", "missed", "time-limit", "unplugged"]:
        problems.append("outcomes %r" % outcomes)
    typed = convert(soffice, work, log, "typed", CALC_OPTIONS)
    compare(typed, rows, True, problems)
    compare(convert(soffice, work, log, "plain", None), rows, False, problems)

    caller = rows[0].index("caller")
    print("%d rows of %d columns read back from Calc; caller %s kept as text" %
          (len(typed), len(rows[0]), typed[1][caller][1] if len(typed) > 1 else "?"))
    for p in problems:
        print("FAIL: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
