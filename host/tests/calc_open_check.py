#!/usr/bin/env python3
"""Opens the host's call log in LibreOffice Calc the way a user's plain open does, and
reads the cells back.

usage: calc_open_check.py VORNIX_HOST WORK_FOLDER

The host plays a scenario (answered, missed, dialled-out, time-limited and unplugged
calls) into WORK_FOLDER/recordings/calls.csv. LibreOffice, headless and with a fresh
profile, converts that file with no filter options at all, choosing the filter from
the .csv extension as an open by file name does, into flat OpenDocument. Every cell
must then hold what the file says: the same rows and columns (the comma taken as the
delimiter, quoted fields kept whole), and the caller numbers and digits as text, with
their leading zeros. Exit status 0 when they do, 77 (skipped) without LibreOffice.
"""
import csv
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIPPED = 77
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


def plain(field):
    """The value inside the ="..." form the host writes for numbers kept as text."""
    if len(field) >= 3 and field.startswith('="') and field.endswith('"'):
        return field[2:-1].replace('""', '"')
    return field


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

    # A profile of its own: no remembered import settings, no clash with another run.
    profile = "file://" + os.path.abspath(os.path.join(work, "profile"))
    out = os.path.join(work, "calc")
    subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--norestore",
                    "--convert-to", "fods", "--outdir", out, log],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=120)
    cells = calc_rows(os.path.join(out, "calls.fods"))
    with open(log, newline="") as f:
        rows = list(csv.reader(f))

    problems = []
    if len(cells) != len(rows):
        problems.append("Calc shows %d rows, the file has %d" % (len(cells), len(rows)))
    header = rows[0]
    for n, (shown, row) in enumerate(zip(cells, rows)):
        texts = [t for _, t in shown]
        wanted = [plain(v) for v in row]
        while wanted and not wanted[-1]:
            wanted.pop()  # Calc keeps no empty cells at the end of a row
        if texts != wanted:
            problems.append("row %d: Calc shows %r, the file says %r" % (n + 1, texts, wanted))
        if n == 0:
            continue
        for column in ("caller", "digits"):
            i = header.index(column)
            if row[i] and shown[i][0] != "string":
                problems.append("row %d: %s %r read as %s" % (n + 1, column, plain(row[i]), shown[i][0]))
    outcomes = sorted(r[header.index("outcome")] for r in rows[1:])
    if outcomes != ["answered", "missed", "time-limit", "unplugged"]:
        problems.append("outcomes %r" % outcomes)

    print("%d rows of %d columns read back from Calc; caller %s kept as text" %
          (len(cells), len(header), cells[1][header.index("caller")][1] if len(cells) > 1 else "?"))
    for p in problems:
        print("FAIL: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
