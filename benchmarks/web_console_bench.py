#!/usr/bin/env python3
"""The web console under load, with the native host (figures for reading, not asserted).

1. A call log of 1,000,000 rows (about a year of 64 busy lines) in the order the calls
   ended: how long after the start the console answers the first page (in the order
   the calls started), how long a filtered first page takes, and the host's resident
   memory with and without the log.
2. 64 simulated lines recording for 30 s while 200 clients fetch pages, recordings
   (ranges) and loudness pictures: the loop's round time (p99) against the same run
   without clients, and whether any recording came out short (a skipped audio block).

usage: web_console_bench.py VORNIX_HOST WORK_FOLDER [--log-only] [--compare CALL_VIEWS_COMPARE]
"""
import http.client
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
import wave

ROWS = 1_000_000
LINES = 64
CLIENTS = 200
LOAD_SECONDS = 30
BLOCK_SECONDS = 2.048
OUTCOMES = ["answered"] * 8 + ["missed"] * 2 + ["stopped", "unplugged"]


CUSTOMERS = 100_000


def customer(i):
    """The phonebook's mobile numbers, as phonebook.csv gives them."""
    return "13%d" % (800000000 + i)


def write_phonebook(path):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("姓名,手机,地址\r\n")
        for i in range(CUSTOMERS):
            f.write("客户%d,%s,杭州市西湖区文三路%d号\r\n" % (i, customer(i), i % 300))


def write_log(path, rows, files=None):
    """Rows in the order the calls ended, as the recorder appends them: a year up to now,
    most callers the phonebook's customers, one call in ten dialled out to one of them."""
    rnd = random.Random(7)
    t = int(time.time()) - 365 * 86400
    step = 365 * 86400 / rows
    lines = []
    for i in range(rows):
        start = t + int(i * step)
        seconds = rnd.randint(5, 600)
        outcome = rnd.choice(OUTCOMES)
        slot = rnd.randrange(LINES)
        caller = customer(rnd.randrange(CUSTOMERS)) if rnd.random() < 0.8 else "1%010d" % rnd.randrange(10**10)
        direction, digits = "incoming", rnd.choice(["", "", "1#", "8"])
        if rnd.random() < 0.1:
            direction, digits, caller = "outgoing", customer(rnd.randrange(CUSTOMERS)), ""
            outcome = "answered"
        name = ""
        if outcome != "missed":
            name = files[i % len(files)] if files else "%s_slot%d_%s.wav" % (
                time.strftime("%Y%m%d-%H%M%S-000", time.gmtime(start)), slot, caller or digits)
        lines.append((start + seconds, "%s+08:00,%s+08:00,%d,%d,%s,%s,%s,%s,%d,%s\r\n" % (
            time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(start)),
            time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(start + seconds)), slot, 5001 + slot, direction, caller,
            digits, outcome, 0 if outcome == "missed" else seconds, name)))
    lines.sort(key=lambda line: line[0])
    with open(path, "w", newline="") as f:
        f.write("start,end,slot,box,direction,caller,digits,outcome,seconds,file\r\n")
        f.writelines(line for _, line in lines)


def start_host(exe, folder, scenario, extra=()):
    scn = os.path.join(os.path.dirname(folder), "bench.scn")
    open(scn, "w").write(scenario)
    began = time.time()
    proc = subprocess.Popen([exe, "--scenario", scn, "--speed", "1", "--out", folder, "--no-status", "--web",
                             "127.0.0.1:0", *extra], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    said = []
    for line in proc.stdout:
        said.append(line)
        m = re.search(r"web console: http://127\.0\.0\.1:(\d+)/", line)
        if m:
            return proc, int(m.group(1)), began
    raise RuntimeError("no web console: " + "".join(said))


def stop_host(proc):
    proc.send_signal(signal.SIGINT)
    out = proc.communicate(timeout=120)[0]
    return out


def get(port, path, timeout=30):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    c.request("GET", path)
    r = c.getresponse()
    body = r.read()
    c.close()
    return r.status, body


def cpu_seconds(pid):
    """The process's processor time so far: on a shared machine the wall clock says more
    about the neighbours than about the host."""
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mb(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    return 0


def answer_size(answer):
    """The calls an answer counts: a list's or a history's total, the call-backs' count, the figures' calls."""
    total = answer.get("total", answer.get("count"))
    return sum(total.values()) if isinstance(total, dict) else total


def big_log(exe, work, compare=None):
    idle = "at 0 plug box1\nat 3600 end\n"
    folder = os.path.join(work, "big", "recordings")
    os.makedirs(folder)
    # Without the log first: what the host holds anyway.
    proc, port, _ = start_host(exe, folder, idle)
    get(port, "/api/calls")
    bare = rss_mb(proc.pid)
    stop_host(proc)
    shutil.rmtree(folder)
    os.makedirs(folder)
    made = time.time()
    write_log(os.path.join(folder, "calls.csv"), ROWS)
    size = os.path.getsize(os.path.join(folder, "calls.csv"))
    print("call log: %d rows, %.0f MB, written in %.1f s" % (ROWS, size / 1e6, time.time() - made))
    proc, port, began = start_host(exe, folder, idle)
    while True:
        try:
            status, body = get(port, "/api/calls?per=50")
            if status == 200 and json.loads(body)["total"] == ROWS:
                break
        except OSError:
            time.sleep(0.01)
    ready = time.time() - began
    ready_cpu = cpu_seconds(proc.pid)
    timings = {}
    month = time.strftime("%Y-%m", time.gmtime(time.time() - 180 * 86400))
    for what, query in [("first page", "calls?per=50"),
                        ("filtered first page", "calls?number=1380&outcome=answered&since=%s-01&until=%s-28"
                                                "&per=50" % (month, month)),
                        ("number only", "calls?number=13800138&per=50"),
                        ("last page", "calls?page=19999&per=50"),
                        ("30-day figures", "stats?days=30"),
                        ("open call-backs", "callbacks?days=30"),
                        ("caller's history", "history?number=%s" % customer(4242))]:
        times = []
        cpu = cpu_seconds(proc.pid)
        for _ in range(20):
            t = time.perf_counter()
            status, body = get(port, "/api/" + query)
            times.append((time.perf_counter() - t) * 1000)
        cpu = (cpu_seconds(proc.pid) - cpu) / 20 * 1000
        times.sort()
        answer = json.loads(body)
        timings[what] = (times[len(times) // 2], times[-1], cpu, answer_size(answer))
    memory = rss_mb(proc.pid)
    stop_host(proc)
    print("load average %.1f on %d processors" % (os.getloadavg()[0], os.cpu_count()))
    print("ready (first page of all %d rows) %.2f s after the start, %.2f s of processor time" % (
        ROWS, ready, ready_cpu))
    for what, (median, most, cpu, total) in timings.items():
        print("%-20s median %6.1f ms, slowest %6.1f ms, processor %5.1f ms per request (%d matches)" % (
            what, median, most, cpu, total))
    print("resident memory: %.0f MB with the log, %.0f MB without (%.0f MB for the log)" % (
        memory, bare, memory - bare))
    if compare:
        # The same rows and a phonebook of the log's customers: the views against SQLite.
        book = os.path.join(work, "big", "phonebook.csv")
        write_phonebook(book)
        print(subprocess.run([compare, os.path.join(folder, "calls.csv"), book], capture_output=True, text=True,
                             check=False).stdout, end="")


def make_wav(path, seconds):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(8000)
        frames = bytearray()
        for i in range(int(seconds * 8000)):
            talk = (i // 16000) % 3 != 2  # two seconds of talk, one of silence
            frames.append(128 + (int(60 * ((i % 20) - 10) / 10) if talk else 0))
        w.writeframes(bytes(frames))


def load_run(exe, work, name, clients):
    scenario = "".join("at 0 plug box%d\nat 0 audio box%d tone %d\n" % (i, i, 300 + 5 * i) for i in range(1, LINES + 1))
    scenario += "".join("at 1 ring box%d caller 1380000%04d\n" % (i, i) for i in range(1, LINES + 1))
    scenario += "".join("at 2 offhook box%d\n" % i for i in range(1, LINES + 1))
    scenario += "".join("at %d hangup box%d\n" % (2 + LOAD_SECONDS + 2, i) for i in range(1, LINES + 1))
    scenario += "at %d end\n" % (LOAD_SECONDS + 6)
    folder = os.path.join(work, name, "recordings")
    os.makedirs(folder)
    files = []
    for i in range(20):
        files.append("old%02d.wav" % i)
        make_wav(os.path.join(folder, files[-1]), 60)
    write_log(os.path.join(folder, "calls.csv"), 10000, files)
    proc, port, _ = start_host(exe, folder, scenario, ["--round-times"])
    done = [0, 0]
    stop = threading.Event()

    def client(n):
        rnd = random.Random(n)
        c = None
        while not stop.is_set():
            try:
                if c is None:  # from addresses apart, as other computers would be
                    c = http.client.HTTPConnection("127.0.0.1", port, timeout=30,
                                                   source_address=("127.0.0.%d" % (2 + n % 64), 0))
                pick = rnd.random()
                headers = {}
                if pick < 0.1:  # the views over the log, as the console's pages ask them
                    path = rnd.choice(["/api/stats?days=30", "/api/stats?days=7", "/api/callbacks",
                                       "/api/history?number=13800138000", "/api/calls.csv?outcome=missed&since=" + today])
                elif pick < 0.4:
                    path = "/api/calls?page=%d&per=50%s" % (rnd.randrange(100), rnd.choice(["", "&number=138",
                                                                                           "&outcome=missed"]))
                elif pick < 0.8:
                    path = "/rec/%d.wav" % rnd.randrange(1, 10001)
                    headers["Range"] = "bytes=%d-" % rnd.randrange(480000)
                else:
                    path = "/rec/%d/peaks" % rnd.randrange(1, 10001)
                c.request("GET", path, headers=headers)
                r = c.getresponse()
                r.read()
                done[0 if r.status in (200, 206, 404) else 1] += 1
            except (OSError, http.client.HTTPException):
                done[1] += 1
                c = None
                time.sleep(0.05)

    today = time.strftime("%Y-%m-%d")
    threads = []
    if clients:
        # The clients stand for other computers: here they share the processor, below
        # the host.
        os.setpriority(os.PRIO_PROCESS, 0, os.getpriority(os.PRIO_PROCESS, 0) + 5)
        time.sleep(1.5)
        threads = [threading.Thread(target=client, args=(n,), daemon=True) for n in range(clients)]
        for t in threads:
            t.start()
    out_wait = LOAD_SECONDS
    time.sleep(out_wait)
    stop.set()
    for t in threads:
        t.join(60)
    out = proc.communicate(timeout=120)[0]
    m = re.search(r"round times: (\d+) rounds, p50 ([\d.]+) ms, p99 ([\d.]+) ms, max ([\d.]+) ms", out)
    lengths = []
    for f in os.listdir(folder):
        if f.endswith(".wav") and not f.startswith("old"):
            with wave.open(os.path.join(folder, f)) as w:
                lengths.append(w.getnframes() / w.getframerate())
    return m.groups() if m else None, lengths, done


def load(exe, work):
    results = {}
    for name, clients in (("quiet", 0), ("busy", CLIENTS)):
        rounds, lengths, done = load_run(exe, work, name, clients)
        results[name] = rounds
        short = [s for s in lengths if s < min(lengths) - 0.001] if lengths else []
        print("%d lines, %3d clients: rounds %s, p50 %s ms, p99 %s ms, max %s ms; %d recordings of %.3f-%.3f s%s;"
              " %d requests answered, %d failed" % (
                  LINES, clients, *(rounds or ("?",) * 4), len(lengths), min(lengths or [0]), max(lengths or [0]),
                  ", none short" if lengths and max(lengths) - min(lengths) < BLOCK_SECONDS else " SHORT ONES",
                  done[0], done[1]))
    if results["quiet"] and results["busy"]:
        print("p99 round time with clients %+.3f ms against without" % (float(results["busy"][2]) -
                                                                       float(results["quiet"][2])))


def main():
    exe, work = os.path.abspath(sys.argv[1]), sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    compare = sys.argv[sys.argv.index("--compare") + 1] if "--compare" in sys.argv else None
    big_log(exe, work, compare and os.path.abspath(compare))
    if "--log-only" not in sys.argv:
        load(exe, work)


if __name__ == "__main__":
    main()
