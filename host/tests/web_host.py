"""Starts the native host with its web console on a scenario, for the web tests."""
import contextlib
import os
import re
import selectors
import shutil
import signal
import socket
import subprocess
import threading
import time

# One answered call with digits, one missed call; then the lines stay idle.
SCENARIO = """\
at 0 plug box1
at 0 plug box2
at 0 audio box1 tone 440
at 1 ring box1 caller 13800138000
at 2 offhook box1
at 3 dtmf box1 12#
at 8 hangup box1
at 9 ring box2 caller 02160012345
at 11 hangup box2
at %d end
"""


class WebHost:
    def __init__(self, host_exe, folder, web="127.0.0.1:0", extra=(), scenario=None, speed="20",
                 run_seconds=3600, command=None):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.folder = os.path.join(folder, "recordings")
        scn = os.path.join(folder, "web.scn")
        with open(scn, "w") as f:
            f.write(scenario if scenario is not None else SCENARIO % run_seconds)
        args = command or [host_exe, "--scenario", scn, "--speed", speed]
        self.proc = subprocess.Popen(args + ["--out", self.folder, "--no-status", "--web", web, *extra], cwd=folder,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                     errors="replace")
        self.url = None
        deadline = time.time() + 60
        self.output = []
        while time.time() < deadline:
            line = self.proc.stdout.readline()
            if not line:
                break
            self.output.append(line)
            m = re.search(r"web console: (http://\S+)", line)
            if m:
                self.url = m.group(1)
                break
        if not self.url:
            self.stop()
            raise RuntimeError("no web console:\n" + "".join(self.output))
        self.port = int(self.url.rsplit(":", 1)[1].strip("/"))

    def wait_for_rows(self, count, timeout=30):
        log = os.path.join(self.folder, "calls.csv")
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(log):
                with open(log, newline="") as f:
                    if sum(1 for _ in f) >= count + 1:
                        return
            time.sleep(0.1)
        raise RuntimeError("the call log did not reach %d rows" % count)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def raw(port, data, address="127.0.0.1", timeout=10):
    """Sends bytes as they are and returns the whole answer (the connection closed or idle)."""
    with socket.create_connection((address, port), timeout=timeout) as s:
        try:  # the server may answer and close before it has read everything
            s.sendall(data)
            s.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        out = b""
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                out += chunk
        except (socket.timeout, ConnectionResetError):
            pass
        return out


def status_of(answer):
    m = re.match(rb"HTTP/1\.[01] (\d{3})", answer)
    return int(m.group(1)) if m else None


@contextlib.contextmanager
def hold_connections(port, count, seconds, address="127.0.0.1", every=1.5):
    """A hostile client for `seconds`: `count` connections, half of them sending a head
    the server refuses and half an unfinished head, then each one byte every `every`
    seconds; one the server closes is opened again at once."""
    heads = [b"JUNK\r\n\r\n", b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"]
    stop = threading.Event()

    def run():
        sel = selectors.DefaultSelector()
        held = {}

        def open_one(n):
            try:
                s = socket.create_connection((address, port), timeout=2)
                s.sendall(heads[n % 2])
                s.setblocking(False)
                sel.register(s, selectors.EVENT_READ, n)
                held[n] = s
            except OSError:
                held.pop(n, None)

        def drop(s):
            with contextlib.suppress(KeyError):
                sel.unregister(s)
            s.close()

        for n in range(count):
            open_one(n)
        deadline, next_byte = time.time() + seconds, time.time() + every
        while not stop.is_set() and time.time() < deadline:
            for key, _ in sel.select(0.05):
                try:  # the server's half close: what is sent still keeps it reading
                    if key.fileobj.recv(4096) or sel.unregister(key.fileobj):
                        continue
                except OSError:
                    drop(key.fileobj)
                    held.pop(key.data, None)
            if time.time() >= next_byte:
                next_byte += every
                for n, s in list(held.items()):
                    try:
                        s.send(b"x")
                    except OSError:
                        drop(s)
                        del held[n]
            for n in range(count):  # reopened, a few at a time
                if n not in held:
                    open_one(n)
        for s in held.values():
            s.close()

    t = threading.Thread(target=run, daemon=True)
    t.start()
    try:
        yield
    finally:
        stop.set()
        t.join(10)
