#!/usr/bin/env python3
"""Kills the native recorder with SIGKILL while clients write notes as fast as they
can, starts it again on the same folder, and checks what the kill must not lose, three
times over:

1. Every note the console answered "saved" is in notes.csv.
2. The file reads cleanly: every record whole (its check right), the header first; a
   record the kill cut can only be the last, and the next write starts on a line of its
   own.
3. The restarted console shows each call's last saved note (or one written after it
   that the kill left no time to answer).

usage: notes_kill_test.py VORNIX_HOST WORK_FOLDER
"""
import csv
import http.client
import io
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
import urllib.parse
import zlib

ROUNDS = 3
CLIENTS = 4
SCENARIO = """\
at 0 plug box1
at 0 plug box2
at 0 audio box1 tone 440
at 1 ring box1 caller 13800138000
at 2 offhook box1
at 4 hangup box1
at 5 ring box2 caller 02160012345
at 7 hangup box2
at 100000 end
"""
PASSWORD = "water"


def start(host_exe, work, folder):
    proc = subprocess.Popen([host_exe, "--scenario", os.path.join(work, "notes.scn"), "--speed", "20", "--out", folder,
                             "--no-status", "--web", "127.0.0.1:0", "--web-password-file",
                             os.path.join(work, "password.txt")],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    for line in proc.stdout:
        m = re.search(r"web console: http://[^:]+:(\d+)/", line)
        if m:
            threading.Thread(target=lambda: proc.stdout.read(), daemon=True).start()
            return proc, int(m.group(1))
    raise RuntimeError("no web console")


class Client:
    def __init__(self, port):
        self.port = port
        self.conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        self.log_in()

    def log_in(self):
        self.conn.request("POST", "/login", "password=" + PASSWORD,
                          {"Content-Type": "application/x-www-form-urlencoded"})
        r = self.conn.getresponse()
        r.read()
        self.cookie = r.getheader("Set-Cookie").split(";")[0]
        self.token = self.get("/api/session")["token"]

    def get(self, path):
        self.conn.request("GET", path, headers={"Cookie": self.cookie})
        r = self.conn.getresponse()
        return json.loads(r.read())

    def write(self, call, text, mark="order"):
        body = json.dumps({"id": call["id"], "start": call["start"], "mark": mark, "note": text})
        self.conn.request("POST", "/api/notes", body, {
            "Cookie": self.cookie, "Origin": "http://127.0.0.1:%d" % self.port, "X-Vornix-Token": self.token,
            "Content-Type": "application/json"})
        r = self.conn.getresponse()
        r.read()
        if r.status == 429:  # past this session's budget: another session
            self.log_in()
        return r.status


def wait_calls(port, count):
    c = None
    deadline = time.time() + 60
    while time.time() < deadline:
        try:
            c = c or Client(port)
            calls = c.get("/api/calls")["calls"]
            if len(calls) >= count:
                return c, calls
        except (OSError, http.client.HTTPException):
            c = None
        time.sleep(0.2)
    raise RuntimeError("the calls did not come")


def check_file(path):
    """The file's whole records; the failures found."""
    with open(path, "rb") as f:
        data = f.read()
    failures = []
    if not data.startswith(b"start,box,file,written,by,mark,note,check\r\n"):
        failures.append("notes.csv does not start with its header")
    rows = list(csv.reader(io.StringIO(data.decode("utf-8"), newline="")))[1:]
    whole = []
    for n, row in enumerate(rows):
        ok = len(row) == 8 and "%08x" % zlib.crc32("".join(f + "\x1f" for f in row[:7]).encode()) == row[7]
        if ok:
            whole.append(row)
        elif n != len(rows) - 1:
            failures.append("record %d of %d is not whole: %r" % (n + 1, len(rows), row))
    return whole, failures


def main():
    host_exe, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    open(os.path.join(work, "notes.scn"), "w").write(SCENARIO)
    open(os.path.join(work, "password.txt"), "w").write(PASSWORD + "\n")
    folder = os.path.join(work, "recordings")
    saved = {}  # note text -> call id, answered "saved"
    last_saved = {}  # call id -> the text answered last
    failures = []
    writes = 0
    for round_ in range(ROUNDS):
        proc, port = start(host_exe, work, folder)
        try:
            reader, calls = wait_calls(port, 2)
            shown = {c["id"]: c["note"] for c in calls}
            for call_id, text in last_saved.items():
                if shown.get(call_id) != text and not (shown.get(call_id) or "").startswith("r%d-" % (round_ - 1)):
                    failures.append("round %d: call %d shows %r, saved last %r" % (round_, call_id, shown.get(call_id),
                                                                                   text))
            stop = threading.Event()
            lock = threading.Lock()

            def write_fast(n):
                nonlocal writes
                try:
                    client = Client(port)
                    i = 0
                    while not stop.is_set():
                        call = calls[i % len(calls)]
                        text = "r%d-c%d-%d \"送水\", <b>%d</b>\n" % (round_, n, i, i)
                        status = client.write(call, text)
                        with lock:
                            writes += 1
                            if status == 200:
                                saved[text] = call["id"]
                                last_saved[call["id"]] = text
                        i += 1
                except (OSError, http.client.HTTPException):
                    pass  # the recorder was killed

            threads = [threading.Thread(target=write_fast, args=(n,)) for n in range(CLIENTS)]
            for t in threads:
                t.start()
            time.sleep(random.uniform(1.5, 3.0))
            proc.send_signal(signal.SIGKILL)
            proc.wait()
            stop.set()
            for t in threads:
                t.join(15)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        whole, bad = check_file(os.path.join(folder, "notes.csv"))
        failures += ["round %d: %s" % (round_, b) for b in bad]
        in_file = {row[6] for row in whole}
        lost = [t for t in saved if t not in in_file]
        if lost:
            failures.append("round %d: %d saved note(s) lost, e.g. %r" % (round_, len(lost), lost[:3]))
    # Once more after the last kill: the file reads cleanly and takes a note on a line of its own.
    proc, port = start(host_exe, work, folder)
    try:
        client, calls = wait_calls(port, 2)
        if client.write(calls[0], "after the kills") != 200:
            failures.append("no note saved after the kills")
        if client.get("/api/calls?note=after+the+kills")["total"] != 1:
            failures.append("the note after the kills is not found")
    finally:
        proc.send_signal(signal.SIGINT)
        proc.wait(30)
    whole, bad = check_file(os.path.join(folder, "notes.csv"))
    failures += bad
    if not whole or whole[-1][6] != "after the kills":
        failures.append("the last record is not the note after the kills")
    print("%d writes, %d answered saved, %d records in notes.csv, over %d kills" % (writes, len(saved), len(whole),
                                                                                  ROUNDS))
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
