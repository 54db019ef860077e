#!/usr/bin/env python3
"""How long a normal login waits while a client on the office network holds the
console's connections (figures for reading; host_web_security asserts a bound).

256 hostile connections from 127.0.0.1: half send a refused head ("JUNK") and then one
byte every 1.5 s, half an unfinished head and then one byte every 1.5 s; each one
closed is opened again at once. Meanwhile a normal client on 127.0.0.2 asks for the
login page again and again, each try given 3 s: the longest and the median wait for an
answer, and the tries refused.

usage: web_lockout_bench.py VORNIX_HOST WORK_FOLDER [SECONDS]
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "host", "tests"))
from web_host import WebHost, hold_connections, status_of  # noqa: E402

import socket  # noqa: E402


def timed_login(port, address, host, give_up):
    """Seconds until GET /login was answered with the login page, and the tries refused."""
    began, refused = time.time(), 0
    while time.time() < give_up:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=3, source_address=(address, 0)) as s:
                s.sendall(b"GET /login HTTP/1.1\r\nHost: " + host + b"\r\nConnection: close\r\n\r\n")
                if status_of(s.recv(100)) == 200:
                    return time.time() - began, refused
        except OSError:
            pass
        refused += 1
        time.sleep(0.2)
    return None, refused


def main():
    exe, work = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 60
    os.makedirs(work, exist_ok=True)
    pw = os.path.join(work, "password.txt")
    open(pw, "w").write("secret\n")
    web = WebHost(exe, os.path.join(work, "run"), web="0.0.0.0:0", extra=["--web-password-file", pw])
    try:
        waits, refused = [], 0
        with hold_connections(web.port, 256, seconds):
            end = time.time() + seconds
            time.sleep(2)  # every hostile connection is in
            while time.time() < end:
                wait, n = timed_login(web.port, "127.0.0.2", b"127.0.0.1", end)
                refused += n
                waits.append(wait if wait is not None else seconds)
                time.sleep(1)
        print("%d logins in %.0f s of 256 hostile connections: longest wait %.2f s, median %.2f s, %d tries refused (waits: %s)" %
              (len(waits), seconds, max(waits), statistics.median(waits), refused,
               " ".join("%.1f" % w for w in waits)))
    finally:
        web.stop()


if __name__ == "__main__":
    main()
