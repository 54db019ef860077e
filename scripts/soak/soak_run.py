#!/usr/bin/env python3
"""Plays a soak scenario with the recorder at full speed while clients use its web
console, samples its resident memory and open descriptors, then has soak_check.py
hold the folder against the scenario. Prints the check's one summary line."""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))


class Sampler(threading.Thread):
    """Resident memory (kB), open descriptors and the rows logged, every half second."""

    def __init__(self, find_pid, log_path):
        super().__init__(daemon=True)
        self.find_pid, self.log_path = find_pid, log_path
        self.samples, self.stop = [], threading.Event()
        self._rows, self._read_to = 0, 0

    def rows(self):
        try:
            with open(self.log_path, "rb") as f:
                f.seek(self._read_to)
                chunk = f.read()
        except OSError:
            return self._rows
        last = chunk.rfind(b"\n")
        if last >= 0:
            self._rows += chunk[:last + 1].count(b"\n")
            self._read_to += last + 1
        return max(self._rows - 1, 0)  # the header row

    def run(self):
        while not self.stop.wait(0.5):
            pid = self.find_pid()
            if not pid:
                continue
            try:
                with open("/proc/%d/status" % pid) as f:
                    rss = int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))
                fds = len(os.listdir("/proc/%d/fd" % pid))
            except (OSError, AttributeError):
                continue
            self.samples.append((time.time(), rss, fds, self.rows()))


class Clients(threading.Thread):
    """A console user: the lines, pages of the call list, recordings and their loudness."""

    def __init__(self, url, seed):
        super().__init__(daemon=True)
        self.url, self.rng, self.stop = url, random.Random(seed), threading.Event()
        self.requests, self.last_total, self.events, self.notes = 0, 0, 0, []
        self.failed_at = []  # refusals once the recorder has ended are no fault of it

    def get(self, path, headers=None, allow=(200,)):
        self.requests += 1
        try:
            with urllib.request.urlopen(urllib.request.Request(self.url + path, headers=headers or {}), timeout=30) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            if e.code in allow:
                return e.code, b""
            self.fail("%s: %d" % (path, e.code))
        except (OSError, ValueError) as e:
            self.fail("%s: %s" % (path, e))
        return None, b""

    def fail(self, note):
        self.failed_at.append(time.time())
        self.notes.append(note)

    def failures(self, before):
        return sum(1 for t in self.failed_at if t < before)

    def follow_lines(self):
        """The lines' event stream, held open all along as the page holds it."""
        while not self.stop.is_set():
            self.requests += 1
            try:
                with urllib.request.urlopen(self.url + "/api/lines", timeout=30) as r:
                    while not self.stop.is_set() and r.readline():
                        self.events += 1
            except (OSError, ValueError) as e:
                self.fail("/api/lines: %s" % e)
                time.sleep(1)  # as the page's `retry`

    def run(self):
        threading.Thread(target=self.follow_lines, daemon=True).start()
        while not self.stop.wait(0.05):
            status, body = self.get("/api/calls?page=%d" % self.rng.choice([0, 0, 0, 1, 5]))
            if status != 200:
                continue
            page = json.loads(body)
            if page["page"] == 0 and page["total"] < self.last_total:
                self.fail("the list shrank from %d to %d calls" % (self.last_total, page["total"]))
            self.last_total = max(self.last_total, page["total"])
            kept = [c for c in page["calls"] if c["recording"]]
            if kept:
                # Retirement may take it meanwhile: 404 is an answer then.
                c = self.rng.choice(kept)
                self.get("/rec/%d.wav" % c["id"], {"Range": "bytes=0-65535"}, allow=(200, 206, 404))
                self.get("/rec/%d/peaks" % c["id"], allow=(200, 404))


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--work", required=True, help="the run's folder; the recordings go into its RECORDINGS")
    p.add_argument("--recordings", default="recordings", help="the recordings folder's name inside --work")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--days", type=float, default=30)
    p.add_argument("--boxes", type=int, default=8)
    p.add_argument("--keep-days", type=int, default=7)
    p.add_argument("--keep-free-mb", type=int, default=32)
    p.add_argument("--min-free-mb", type=int, default=8)
    p.add_argument("--tmpfs", action="store_true",
                   help="record into a tmpfs sized so that room runs short (needs a mount namespace of its own)")
    p.add_argument("--poll-ms", type=int, default=100)
    p.add_argument("--ring-gap", type=int, default=6)
    p.add_argument("--windows", action="store_true", help="the host is vornix_host.exe beside the simulator DLL")
    p.add_argument("--host", required=True, nargs="+", help="the recorder's command (runner and program)")
    a = p.parse_args()

    work = os.path.abspath(a.work)
    rec = os.path.join(work, a.recordings)
    os.makedirs(rec, exist_ok=True)
    scn, manifest = os.path.join(work, "soak.scn"), os.path.join(work, "soak.json")
    subprocess.run([sys.executable, os.path.join(HERE, "scenario_gen.py"), "--seed", str(a.seed), "--days", str(a.days),
                    "--boxes", str(a.boxes), "--ring-gap", str(a.ring_gap), scn, manifest], check=True)
    keep_free_mb = room(a, rec, json.load(open(manifest)))
    events = os.path.join(work, "events.txt")
    open(events, "w").close()
    env = dict(os.environ, SOAK_EVENTS=events)
    args = list(a.host) + ["--out", a.recordings, "--no-status", "--web", "127.0.0.1:0", "--poll-ms", str(a.poll_ms),
                           "--ring-gap", str(a.ring_gap), "--keep-days", str(a.keep_days),
                           "--keep-free-mb", str(keep_free_mb), "--min-free-mb", str(a.min_free_mb)]
    if a.windows:
        # Beside the simulator DLL the recorder moves the boxes' clock itself, as the
        # native one plays its scenario at --speed 0, and ends with the scenario.
        shutil_copy_event_program(work)
        os.makedirs(os.path.join(work, "told"), exist_ok=True)
        args += ["--on-event", "count_calls.cmd", "--simulator-clock"]
        env.update(VORNIX_SCENARIO=scn)
    else:
        args += ["--on-event", os.path.join(HERE, "count_calls.sh"), "--scenario", scn, "--speed", "0"]
    # Output to files, never pipes: Wine's server and services keep a pipe open after
    # the program ends.
    help_path = os.path.join(work, "help.txt")
    with open(help_path, "w") as f:
        subprocess.run(list(a.host) + ["--help"], stdout=f, stderr=subprocess.STDOUT, cwd=work, env=env)
    help_text = open(help_path, errors="replace").read()
    if "--phonebook" in help_text:
        subprocess.run([sys.executable, os.path.join(HERE, "phonebook.py"), manifest, os.path.join(work, "phonebook.csv")],
                       check=True)
        args += ["--phonebook", "phonebook.csv"]

    started = time.time()
    out_path = os.path.join(work, "host.out")
    with open(out_path, "w") as out:
        proc = subprocess.Popen(args, cwd=work, env=env, stdout=out, stderr=subprocess.STDOUT)
    host_pid = [None]

    def find_pid():
        if not a.windows:
            return proc.pid
        if host_pid[0] is None or not os.path.exists("/proc/%d" % host_pid[0]):
            host_pid[0] = windows_host_pid()
        return host_pid[0]

    sampler = Sampler(find_pid, os.path.join(rec, "calls.csv"))
    sampler.start()
    clients = []
    while proc.poll() is None and not clients:
        m = re.search(r"web console: (http://\S+)", open(out_path, errors="replace").read())
        if m:
            clients = [Clients(m.group(1).rstrip("/"), a.seed + n) for n in range(2)]
            for c in clients:
                c.start()
        time.sleep(0.1)
    proc.wait()
    ended = time.time() - 1
    wall = time.time() - started
    for c in clients:
        c.stop.set()
        c.join()
    text = open(out_path, errors="replace").read().replace("\r", "")
    with open(out_path, "w") as f:
        f.write(text)
    sampler.stop.set()
    sampler.join()
    with open(os.path.join(work, "run.json"), "w") as f:
        json.dump(dict(exit=proc.returncode, wall=wall, samples=sampler.samples,
                       requests=sum(c.requests for c in clients), failures=sum(c.failures(ended) for c in clients),
                       notes=[n for c in clients for n in c.notes][:20], clients=len(clients)), f)
    check = [sys.executable, os.path.join(HERE, "soak_check.py"), "--work", work, "--recordings", a.recordings,
             "--keep-days", str(a.keep_days), "--keep-free-mb", str(keep_free_mb)]
    if a.windows:
        check.append("--windows")
    result = subprocess.run(check).returncode
    if a.tmpfs:
        subprocess.run(["umount", rec])
    sys.exit(result)


def room(a, rec, manifest):
    """Room for the recordings of the kept days (of the run, when shorter),
    so that retirement for room bites in the busier stretches
    (office hours, busy days) and for age in the rest.
    On a tmpfs of that size; where none can be mounted, against the folder's own disk."""
    talk = sum(c["down"] - c["up"] for c in manifest["calls"] if c["up"] is not None)
    per_day_mb = talk * 8000 / (1 << 20) / manifest["days"]
    kept_mb = max(16, int(per_day_mb * min(a.keep_days, manifest["days"])))
    if a.tmpfs:
        size = a.keep_free_mb + kept_mb
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dm" % size, "soak", rec]).returncode == 0:
            return a.keep_free_mb
        print("soak: no tmpfs; keeping room against the folder's disk", file=sys.stderr)
    st = os.statvfs(rec)
    return max(a.min_free_mb + 1, st.f_bavail * st.f_frsize // (1 << 20) - kept_mb)


def shutil_copy_event_program(work):
    import shutil
    shutil.copy(os.path.join(HERE, "count_calls.cmd"), work)


def windows_host_pid():
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                first = f.read().split(b"\0")[0]
        except OSError:
            continue
        if first.lower().endswith(b"vornix_host.exe"):
            return int(pid)
    return None


if __name__ == "__main__":
    main()
