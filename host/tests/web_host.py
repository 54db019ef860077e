"""Starts the native host with its web console on a scenario, for the web tests."""
import os
import re
import shutil
import signal
import socket
import subprocess
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
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
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
