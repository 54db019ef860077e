#!/usr/bin/env python3
"""Holds a soak run's folder against its scenario, call by call, and prints one summary
line; exits 1 on any loss. What it checks:
- every call of the scenario has exactly one final row (rows of a box that moved chain
  to the next one), with its own caller, digits and outcome, and no row is of no call;
- every recording the log still names reads as a WAV whose length agrees with its row
  and with the call; no file in the folder that the log does not name;
- no recording retired too young (for its age) or out of turn (for room), none kept
  too old;
- resident memory and open descriptors flat once the log is read;
- the library's clock wrapped during the run and calls after the wrap were logged;
- every event the recorder printed reached the program told of calls, or was said
  not to have."""
import argparse
import collections
import csv
import datetime
import json
import os
import re
import statistics
import sys
import wave

BLOCK_S = 2.048
HOOK_LAG_S = 1.0
EVENT = re.compile(r"^(\d\d):(\d\d):(\d\d)\.(\d{3})\s+slot (\S+)\s+(\S+)\s*(.*)$")
SPACE_NOTE = re.compile(r"\((\d+) MB free, below the (\d+) MB kept free\)")
AGE_NOTE = re.compile(r"\(call older than (\d+) days?\)")
TOLD = ("ring", "caller-id", "answered", "hung-up", "missed")
OWN_FILES = {"calls.csv", ".vornix_host.lock", "host.log"}


def local(text):
    return datetime.datetime.fromisoformat(text).astimezone().replace(tzinfo=None)


def read_rows(path):
    with open(path, newline="", encoding="ascii") as f:
        rows = list(csv.DictReader(f))
    for n, r in enumerate(rows):
        r["n"], r["start_t"], r["end_t"] = n, local(r["start"]), local(r["end"])
    return rows


def read_events(path, first_day):
    """Event lines with their day, told from the times of day running on."""
    events, day, prev = [], first_day, None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = EVENT.match(line.rstrip("\n"))
            if not m:
                continue
            h, mi, s, ms = (int(x) for x in m.group(1, 2, 3, 4))
            t = datetime.datetime.combine(day, datetime.time(h, mi, s, ms * 1000))
            while prev and t < prev - datetime.timedelta(hours=1):
                day += datetime.timedelta(days=1)
                t += datetime.timedelta(days=1)
            prev = t
            events.append(dict(t=t, slot=m.group(5), kind=m.group(6), rest=m.group(7)))
    return events


def wav_seconds(path):
    with wave.open(path, "rb") as w:
        return w.getnframes() / w.getframerate()


def slope(points):
    """Least squares slope of y over x."""
    if len(points) < 3:
        return 0.0
    mx = statistics.fmean(p[0] for p in points)
    my = statistics.fmean(p[1] for p in points)
    den = sum((p[0] - mx) ** 2 for p in points)
    return sum((p[0] - mx) * (p[1] - my) for p in points) / den if den else 0.0


class Check:
    def __init__(self):
        self.losses = []

    def fail(self, what):
        self.losses.append(what)


def match_calls(check, calls, rows, tolerance):
    """Groups each box's rows into calls (moved rows chain on) and pairs them with the
    scenario's calls by box, caller and time. Returns [(call, [rows])]."""
    by_box = collections.defaultdict(list)
    for r in rows:
        by_box[r["box"]].append(r)
    groups = collections.defaultdict(list)
    for box, rs in by_box.items():
        rs.sort(key=lambda r: (r["start_t"], r["file"] or "~", r["n"]))
        chains = []  # rows moved on, waiting for the row that goes on from them
        for r in rs:
            chain = chains.pop(0) if chains and r["start_t"] >= chains[0][-1]["end_t"] - datetime.timedelta(seconds=2) \
                else []
            chain.append(r)
            if r["outcome"] == "moved":
                chains.append(chain)
            else:
                groups[box].append(chain)
        for chain in chains:
            check.fail("box %s: a call moved at %s and never went on" % (box, chain[-1]["end"]))
    # The scenario's time 0 on the log's clock: the median offset of the answered calls.
    offsets = []
    for c in calls:
        for g in groups.get(str(c["serial"]), []):
            if g[0]["caller"] == c["caller"] and c["caller"]:
                offsets.append((g[0]["start_t"] - datetime.timedelta(seconds=c["ring"])))
    if not offsets:
        check.fail("no call of the scenario is in the log")
        return [], None
    offsets.sort()
    origin = offsets[len(offsets) // 2]
    pairs = []
    for c in calls:
        expected = origin + datetime.timedelta(seconds=c["ring"])
        free = [g for g in groups.get(str(c["serial"]), []) if not g[0].get("taken") and g[0]["caller"] == c["caller"]
                and abs((g[0]["start_t"] - expected).total_seconds()) <= tolerance]
        if not free:
            check.fail("call lost: box %d, caller %s, ring at %.1f s (%s)" % (c["serial"], c["caller"] or "-",
                                                                               c["ring"], expected))
            continue
        g = min(free, key=lambda g: abs((g[0]["start_t"] - expected).total_seconds()))
        g[0]["taken"] = True
        pairs.append((c, g))
    for box, gs in groups.items():
        for g in gs:
            if not g[0].get("taken"):
                check.fail("row of no call: %s" % ",".join(g[0][k] for k in ("start", "box", "caller", "outcome")))
    return pairs, origin


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--work", required=True)
    p.add_argument("--recordings", default="recordings")
    p.add_argument("--keep-days", type=int, required=True)
    p.add_argument("--keep-free-mb", type=int, required=True)
    p.add_argument("--windows", action="store_true", help="the recorder was vornix_host.exe under Wine")
    a = p.parse_args()
    check = Check()
    work, folder = a.work, os.path.join(a.work, a.recordings)
    manifest = json.load(open(os.path.join(work, "soak.json")))
    run = json.load(open(os.path.join(work, "run.json")))
    if run["exit"] != 0:
        check.fail("the recorder exited with %d" % run["exit"])
    rows = read_rows(os.path.join(folder, "calls.csv"))
    new_rows = rows
    pairs, origin = match_calls(check, manifest["calls"], new_rows, 3.0)

    # The rows against the calls.
    for c, g in pairs:
        final = g[-1]
        if final["outcome"] not in c["outcomes"]:
            check.fail("call at %.1f s on box %d: %s, not %s" % (c["ring"], c["serial"], final["outcome"],
                                                                 "/".join(c["outcomes"])))
        if final["digits"] != c["digits"]:
            check.fail("call at %.1f s on box %d: digits %r, not %r" % (c["ring"], c["serial"], final["digits"],
                                                                        c["digits"]))
        if g[0]["direction"] != c["direction"]:
            check.fail("call at %.1f s on box %d: %s" % (c["ring"], c["serial"], g[0]["direction"]))
        if c["up"] is None and (final["file"] or final["seconds"] != "0"):
            check.fail("call at %.1f s on box %d: nobody answered, yet %s s %s" % (c["ring"], c["serial"],
                                                                                 final["seconds"], final["file"]))
        if c["up"] is not None and not all(r["file"] for r in g):
            check.fail("call at %.1f s on box %d: answered, not recorded" % (c["ring"], c["serial"]))

    first_day = (origin or rows[0]["start_t"]).date() if rows else datetime.date.today()
    events = read_events(os.path.join(work, "host.out"), first_day)
    # A box that changes slots (another box pulled or plugged in that round) within a
    # block of its call's hang-up leaves the block in progress behind: the library
    # records by slot, and the slot's next audio is another box's.
    shifted = collections.defaultdict(list)  # serial -> when it changed slots
    for e in events:
        m = e["kind"] == "plugged" and re.search(r"\(serial (\d+), was slot", e["rest"])
        if m:
            shifted[m.group(1)].append(e["t"])

    def tail_left_behind(r):
        return any(-0.5 <= (t - r["end_t"]).total_seconds() <= BLOCK_S + 0.5 for t in shifted[r["box"]])

    # The recordings against their rows, and the call's length.
    named = {r["file"]: r for r in rows if r["file"]}
    tails_cut = 0
    call_of = {r["file"]: (c, g) for c, g in pairs for r in g if r["file"]}
    round_s = 0.15
    checked = 0
    for name, r in named.items():
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            continue
        try:
            length = wav_seconds(path)
        except (wave.Error, EOFError, OSError) as e:
            check.fail("%s does not read as a WAV: %s" % (name, e))
            continue
        checked += 1
        whole = r["outcome"] == "answered"
        cut = BLOCK_S if whole and tail_left_behind(r) else 0
        # The recording ends with the block of the hang-up: never shorter, one block longer at
        # most. The row's seconds are the recorder's view of the hook, which the library
        # reports up to a second late at either end; a box pulled takes with it the block
        # it had ready and the one in progress.
        s = int(r["seconds"])
        lo, hi = (s - 0.5 - HOOK_LAG_S - cut, s + 0.5 + BLOCK_S + HOOK_LAG_S) if whole else \
            (s - 0.5 - 2 * BLOCK_S - HOOK_LAG_S, s + 0.5 + HOOK_LAG_S)
        if not lo <= length <= hi:
            check.fail("%s: %.3f s of audio for a row of %s s (%s)" % (name, length, r["seconds"], r["outcome"]))
        c, g = call_of.get(name, (None, None))
        if c and len(g) == 1 and c["up"] is not None:
            talk = c["down"] - c["up"]
            lo, hi = (talk - round_s - cut, talk + BLOCK_S + round_s) if whole else \
                (talk - 2 * BLOCK_S - round_s, talk + round_s)
            tails_cut += cut > 0 and length < talk - round_s
            if not lo <= length <= hi:
                check.fail("%s: %.3f s of audio for a call of %.3f s (%s)" % (name, length, talk, r["outcome"]))

    # The folder holds what the log names, and nothing else of the recorder's.
    for name in sorted(os.listdir(folder)):
        if name not in named and name not in OWN_FILES and not name.startswith("host.log."):
            check.fail("a file the log does not name: %s" % name)

    # Retirement: for age only old enough ones, for room the oldest first; none kept too old.
    retired, keep = [], datetime.timedelta(days=a.keep_days)
    for e in events:
        if e["kind"] != "retired":
            continue
        m = re.search(r"(\S+\.wav)\s+(\(.*\))$", e["rest"])
        if not m:
            check.fail("a retirement line without its file: %s" % e["rest"])
            continue
        name = re.split(r"[\\/]", m.group(1))[-1]
        r = named.get(name)
        if not r:
            check.fail("retired a file the log does not name: %s" % name)
            continue
        if os.path.exists(os.path.join(folder, name)):
            check.fail("retired, yet still there: %s" % name)
        retired.append((e["t"], r, m.group(2)))
        if AGE_NOTE.search(m.group(2)):
            if e["t"] - r["start_t"] < keep - datetime.timedelta(seconds=1):
                check.fail("retired too young: %s at %s" % (name, e["t"]))
        elif SPACE_NOTE.search(m.group(2)):
            free, kept = (int(x) for x in SPACE_NOTE.search(m.group(2)).groups())
            if free >= a.keep_free_mb or kept != a.keep_free_mb:
                check.fail("retired for room with room enough: %s %s" % (name, m.group(2)))
        else:
            check.fail("retired for no reason it gives: %s" % e["rest"])
    end_t = events[-1]["t"] if events else datetime.datetime.now()
    present = {n: r for n, r in named.items() if os.path.exists(os.path.join(folder, n))}
    for name, r in present.items():
        if end_t - r["start_t"] > keep + datetime.timedelta(minutes=3):
            check.fail("kept too old: %s (started %s, the run ended %s)" % (name, r["start"], end_t))
    for t, r, note in retired:
        if not SPACE_NOTE.search(note):
            continue
        older = [n for n, o in present.items() if o["start_t"] < r["start_t"] and o["end_t"] < t]
        if older:
            check.fail("retired %s for room while the older %s stays" % (r["file"], older[0]))
    by_reason = collections.Counter("age" if AGE_NOTE.search(n) else "room" for _, _, n in retired)

    # Memory and descriptors once the log is read and the console's buffers are grown
    # (the first quarter of the rows).
    samples = run["samples"]
    rows_end = samples[-1][3] if samples else 0
    steady = [s for s in samples if s[3] >= rows_end * 0.25] or samples
    rss_slope = slope([(s[3], s[1]) for s in steady]) * 1000  # kB per thousand calls
    fd_start = max((s[2] for s in steady[:max(1, len(steady) // 10)]), default=0)
    fd_end = max((s[2] for s in steady[len(steady) // 2:]), default=0)
    if not samples:
        check.fail("no sample of the recorder's memory")
    # Too few calls for a slope: the start's growth would be taken for one. Below a few
    # thousand calls the heap grows in steps (an arena of half a megabyte over a few
    # hundred calls reads as a megabyte per thousand), so a short run reports the slope
    # without judging it; the month judges.
    measured = len(steady) >= 3 and steady[-1][3] - steady[0][3] >= 200
    judged = measured and steady[-1][3] - steady[0][3] >= 2000
    if judged and rss_slope > 512:
        check.fail("resident memory grows %.0f kB per thousand calls" % rss_slope)
    # Under Wine the process also holds Wine's own descriptors (a pipe to its server per
    # thread, mapped libraries), which come and go by a few in a short run.
    if fd_end > fd_start + (8 if a.windows else 4):
        check.fail("open descriptors grew from %d to %d" % (fd_start, fd_end))

    # The library's clock wrapped, and the calls after the wrap were logged as they happened.
    matched = {id(c) for c, _ in pairs}
    wraps = manifest["wraps"]
    after = [c for c in manifest["calls"] if wraps and c["ring"] > wraps[-1]]
    wrap_ok = bool(wraps) and bool(after) and all(id(c) in matched for c in after)
    if not wrap_ok:
        check.fail("the clock's wrap: %d calls after it, %d logged" % (len(after), sum(id(c) in matched for c in after)))

    # The program told of calls heard of every event, or the recorder said it could not be.
    printed = collections.Counter(e["kind"] for e in events if e["kind"] in TOLD)
    told = collections.Counter(open(os.path.join(work, "events.txt"), errors="replace").read().split())
    told_folder = os.path.join(work, "told")  # the Windows program's, a file an event
    for name in os.listdir(told_folder) if os.path.isdir(told_folder) else []:
        told.update(open(os.path.join(told_folder, name), errors="replace").read().split())
    untold = sum(1 for e in events if e["kind"] == "fault" and re.search(r"not told|could not be started", e["rest"]))
    untold += sum(int(m.group(1)) for e in events for m in [re.match(r"(\d+) events not told", e["rest"])] if m)
    told_n, printed_n = sum(told[k] for k in TOLD), sum(printed.values())
    if told_n + untold < printed_n:
        check.fail("the program was told of %d events of %d (%d said not told)" % (told_n, printed_n, untold))
    if run["failures"]:
        check.fail("the console failed %d of %d requests: %s" % (run["failures"], run["requests"], run["notes"][:3]))
    if not run["requests"]:
        check.fail("no request reached the console")

    for what in check.losses[:40]:
        print("LOSS: " + what)
    if len(check.losses) > 40:
        print("LOSS: ... %d more" % (len(check.losses) - 40))
    print("soak %s: %d calls, %d rows, %d recordings checked, %d retired (%d age, %d room), rss %s, "
          "fds %d->%d, wrap %s (%d calls after), %d console requests, %d events told, %d tails left at a slot "
          "change, wall %.0f s: %s" % (
              "windows" if a.windows else "native", len(manifest["calls"]), len(new_rows), checked, len(retired),
              by_reason["age"], by_reason["room"],
              ("%+.0f kB/1000 calls" % rss_slope + ("" if judged else " (short: not judged)")) if measured
              else "n/a (too few calls)", fd_start, fd_end, "crossed" if wrap_ok else "NOT crossed",
              len(after), run["requests"], told_n, tails_cut, run["wall"], "%d losses" % len(check.losses) if check.losses
              else "ok"))
    sys.exit(1 if check.losses else 0)


if __name__ == "__main__":
    main()
