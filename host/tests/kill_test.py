#!/usr/bin/env python3
"""Kills the native host with SIGKILL 30 s into a simulated call, starts it again on
the same folder, and checks what a crash must not lose.

usage: kill_test.py VORNIX_HOST WORK_FOLDER

1. The recording of the killed call is repaired on the restart (a 'repaired' event).
2. It then plays in Python's wave reader for at least the audio the box delivered
   before the kill, less one 2.048 s block (the one the host may not have fetched).
3. calls.csv holds a row for every call that ended before the kill.
4. The answered call's recording is as long as its row says, to the block the box
   completed after the hang-up: never shorter, at most one block longer (the row's
   seconds are whole).
Prints the figures; exit status 0 when all four hold.
"""
import csv
import os
import shutil
import subprocess
import sys
import wave

BLOCK_SECONDS = 2.048
BLOCK_BYTES = 16384
HEADER_BYTES = 58
RATE = 8000
KILL_INTO_CALL = 30  # seconds of call before the kill
SPEED = "20"         # simulated seconds per real second: the run takes a few seconds

# Two calls end before the kill (one answered, one missed); the third is killed.
SCENARIO = """\
at 0 plug box1
at 0 plug box2 marker off
at 0 audio box1 tone 440
at 0 audio box2 tone 660
at 1 ring box1 caller 02160012345
at 2 offhook box1
at 3 dtmf box1 12#
at 7 hangup box1
at 9 ring box2 caller 13800138000
at 11 hangup box2
at 20 offhook box1
at %d dtmf box1 9
at 120 hangup box1
""" % (20 + KILL_INTO_CALL)
ENDED_BEFORE_KILL = [("02160012345", "answered"), ("13800138000", "missed")]


def seconds_of(line):
    """Host time of an event line, 'HH:MM:SS.mmm  slot ...', in seconds of the day."""
    h, m, s = line.split()[0].split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)


def event(line):
    parts = line.split()
    return parts[3] if len(parts) > 3 and parts[1] == "slot" else None


def wav_seconds(path):
    with wave.open(path, "rb") as w:
        if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 1, RATE):
            raise ValueError("not 8000 Hz 8-bit mono")
        frames = w.getnframes()
        if len(w.readframes(frames)) != frames:
            raise ValueError("header counts frames that are not there")
        return frames / RATE


def run_until_killed(host, folder, scenario):
    proc = subprocess.Popen([host, "--out", folder, "--scenario", scenario, "--speed", SPEED, "--no-status"],
                            stdout=subprocess.PIPE, text=True)
    answered_at = file = None
    for line in proc.stdout:
        kind = event(line)
        if kind == "answered" and "unknown" in line:  # the call dialled out, no caller
            answered_at, file = seconds_of(line), line.split()[-1]
        if kind == "digits" and "(+9)" in line:
            proc.kill()
            proc.wait()
            into = (seconds_of(line) - answered_at) % 86400
            return file, into
    proc.wait()
    raise RuntimeError("the host ended before the kill mark (exit %s)" % proc.returncode)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    host, work = argv[1], argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    folder = os.path.join(work, "recordings")
    scenario = os.path.join(work, "calls.scn")
    idle = os.path.join(work, "idle.scn")
    with open(scenario, "w") as f:
        f.write(SCENARIO)
    with open(idle, "w") as f:
        f.write("at 0 plug box1\nat 0.5 end\n")

    file, into = run_until_killed(host, folder, scenario)
    delivered_blocks = int(into / BLOCK_SECONDS)
    counted_before = wav_seconds(file)
    size = os.path.getsize(file)

    restart = subprocess.run([host, "--out", folder, "--scenario", idle, "--speed", "0", "--no-status"],
                             stdout=subprocess.PIPE, text=True, check=True).stdout
    problems = []
    repaired = [l for l in restart.splitlines() if event(l) == "repaired" and file in l]
    if len(repaired) != 1:
        problems.append("no 'repaired' event for %s in:\n%s" % (file, restart))
    playable = wav_seconds(file)
    wanted = (delivered_blocks - 1) * BLOCK_SECONDS
    if playable < wanted:
        problems.append("plays %.3f s, wanted at least %.3f s" % (playable, wanted))
    if abs(playable - (size - HEADER_BYTES) / RATE) > 1e-9:
        problems.append("plays %.3f s of the %.3f s in the file" % (playable, (size - HEADER_BYTES) / RATE))

    with open(os.path.join(folder, "calls.csv"), newline="") as f:
        rows = list(csv.DictReader(f))
    kept = [(r["caller"], r["outcome"]) for r in rows]
    if kept != ENDED_BEFORE_KILL:
        problems.append("call log rows %r, wanted %r" % (kept, ENDED_BEFORE_KILL))
    for r in rows:
        if r["outcome"] == "answered":
            talk, played = int(r["seconds"]), wav_seconds(os.path.join(folder, r["file"]))
            if not talk - 0.5 <= played < talk + 0.5 + BLOCK_SECONDS:
                problems.append("the %d s call plays %.3f s" % (talk, played))

    print("killed %.2f s into the call" % into)
    print("audio delivered before the kill: %.3f s (%d blocks)" % (delivered_blocks * BLOCK_SECONDS, delivered_blocks))
    print("header counted before the repair: %.3f s" % counted_before)
    print("after the repair: %.3f s playable (%.3f s recovered)" % (playable, playable - counted_before))
    print("call log rows kept: %d of %d" % (len(kept), len(ENDED_BEFORE_KILL)))
    for p in problems:
        print("FAIL: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
