#!/usr/bin/env python3
"""The web console against hostile requests over raw sockets, slow clients, then the
password asked of a client on another address, and a login while one client holds
every connection it can.

usage: web_security_test.py VORNIX_HOST WORK_FOLDER
"""
import os
import socket
import sys
import threading
import time

from web_host import WebHost, hold_connections, raw, status_of

REQUEST_SECONDS = 10  # WebLimits::request_seconds


def get(path, host=b"127.0.0.1", extra=b""):
    return b"GET " + path + b" HTTP/1.1\r\nHost: " + host + b"\r\n" + extra + b"Connection: close\r\n\r\n"


def hostile_table(web):
    log = os.path.join(web.folder, "calls.csv")
    with open(log, "rb") as f:
        log_text = f.read()
    # Rows that name files which are not recordings: the log, the lock, a path outside.
    open(os.path.join(web.folder, "notes.txt"), "w").write("private")
    with open(log, "ab") as f:
        for name in ["calls.csv", ".vornix_host.lock", "../web.scn", "..\\web.scn", "/etc/passwd", "notes.txt"]:
            f.write(b"2025-03-14T09:30:05+08:00,2025-03-14T09:31:05+08:00,0,1,incoming,1,,answered,60,"
                    + name.encode() + b"\r\n")
    first_bad, missed = 3, 2  # row ids: 1 answered, 2 missed, 3.. the rows above
    big = b"X-Pad: " + b"a" * 20000 + b"\r\n"
    many = b"".join(b"X-%d: 1\r\n" % i for i in range(100))
    table = [
        # (what, request, status)
        ("the page", get(b"/"), 200),
        ("a recording of the log", get(b"/rec/1.wav"), 200),
        ("a part of it", get(b"/rec/1.wav", extra=b"Range: bytes=100-199\r\n"), 206),
        ("past its end", get(b"/rec/1.wav", extra=b"Range: bytes=99999999-\r\n"), 416),
        ("dot-dot", get(b"/rec/../calls.csv"), 404),
        ("escaped dot-dot", get(b"/rec/%2e%2e/calls.csv"), 404),
        ("escaped slash", get(b"/rec/..%2fcalls.csv"), 404),
        ("dot-dot after an id", get(b"/rec/1/../../calls.csv"), 404),
        ("backslashes", get(b"/rec/..\\calls.csv"), 404),
        ("absolute path", get(b"/etc/passwd"), 404),
        ("drive path", get(b"/C:/Windows/win.ini"), 404),
        ("the log by name", get(b"/calls.csv"), 404),
        ("the lock by name", get(b"/.vornix_host.lock"), 404),
        ("a recording by name", get(b"/" + [n for n in os.listdir(web.folder) if n.endswith(".wav")][0].encode()), 404),
        ("id 0", get(b"/rec/0.wav"), 404),
        ("id past the log", get(b"/rec/999999.wav"), 404),
        ("id with a NUL", get(b"/rec/1.wav%00"), 404),
        ("a call without a recording", get(b"/rec/%d.wav" % missed), 404),
        ("peaks without a recording", get(b"/rec/%d/peaks" % missed), 404),
    ] + [
        ("log row naming " + name, get(b"/rec/%d.wav" % (first_bad + i)), 404)
        for i, name in enumerate(["the log", "the lock", "a file above", "a file above (\\)", "an absolute path",
                                  "a file not a WAV"])
    ] + [
        ("foreign Host (DNS rebinding)", get(b"/api/calls", host=b"evil.example:8080"), 403),
        ("no Host", b"GET / HTTP/1.0\r\n\r\n", 403),
        ("POST", b"POST /api/calls HTTP/1.1\r\nHost: localhost\r\nContent-Length: 0\r\n\r\n", 405),
        ("DELETE", b"DELETE /rec/1.wav HTTP/1.1\r\nHost: localhost\r\n\r\n", 405),
        ("PUT", b"PUT /rec/1.wav HTTP/1.1\r\nHost: localhost\r\nContent-Length: 1\r\n\r\nx", 405),
        ("head too large", get(b"/", extra=big), 431),
        ("too many fields", get(b"/", extra=many), 431),
        ("body too large", b"POST /login HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100000\r\n\r\n", 413),
        ("not HTTP", b"HELLO\r\n\r\n", 400),
    ] + [
        # The call list's filter: refused with a code the page can name the field by.
        ("%s=%s" % (field, value), get(b"/api/calls?%s=%s" % (field.encode(), value)), 400,
         b'"error":"%s","field":"%s"' % (code, field.encode()))
        for field, value, code in [("since", b"garbage", b"bad-date"), ("since", b"2026-13-01", b"bad-date"),
                                   ("until", b"2026-02-30", b"bad-date"), ("until", b"2026-03-01T25:00", b"bad-date"),
                                   ("number", b"139x", b"bad-number"), ("outcome", b"lost", b"bad-outcome")]
    ] + [
        ("a number as typed", get(b"/api/calls?number=%2B86+(021)+6001-2345"), 200, b'"total":1'),
    ]
    failures = []
    for what, request, want, *body in table:
        answer = raw(web.port, request)
        got = status_of(answer)
        leaked = [t for t in (log_text[:60], b"private", b"root:") if want != 200 and t in answer]
        if got != want or leaked or (body and body[0] not in answer):
            failures.append("%s: %s, wanted %s%s%s" % (what, got, want, " (leaked %r)" % leaked if leaked else "",
                                                       " with %r: %r" % (body[0], answer[-200:]) if body else ""))
    return failures


def slow_clients(web):
    """A request, and the rest of a refused one, has one deadline: a byte now and then
    does not keep the connection."""
    cases = [("an unfinished head", b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"),
             ("a refused head and more", b"JUNK\r\n\r\n")]
    held = {}

    def hold(what, head):
        began = time.time()
        with socket.create_connection(("127.0.0.1", web.port), timeout=REQUEST_SECONDS + 10) as s:
            s.sendall(head)
            try:
                while time.time() - began < REQUEST_SECONDS + 10:
                    time.sleep(0.5)  # often: a send fails soon after the server closed
                    s.sendall(b"x")
            except OSError:
                pass
        held[what] = time.time() - began

    threads = [threading.Thread(target=hold, args=case) for case in cases]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return ["%s held the connection %.1f s" % (what, held.get(what, -1)) for what, _ in cases
            if not 0 <= held.get(what, -1) <= REQUEST_SECONDS + 3]


def connection_bound(web):
    """Beyond the bound new connections are closed at once, and the console still answers."""
    held = []
    try:
        for _ in range(300):
            s = socket.create_connection(("127.0.0.1", web.port), timeout=5)
            held.append(s)
        try:
            held[-1].sendall(get(b"/"))
            refused = held[-1].recv(100) == b""
        except ConnectionResetError:
            refused = True
    finally:
        for s in held:
            s.close()
    time.sleep(0.5)
    answered = status_of(raw(web.port, get(b"/"))) == 200
    return [] if refused and answered else ["connection bound: refused %s, answered after %s" % (refused, answered)]


def lockout(web, host):
    """While one client holds every connection it may have, another still logs in."""
    waits = []
    with hold_connections(web.port, 256, 16):
        time.sleep(2)
        while len(waits) < 5:
            began = time.time()
            try:
                with socket.create_connection(("127.0.0.1", web.port), timeout=5, source_address=("127.0.0.2", 0)) as s:
                    s.sendall(get(b"/login", host))
                    answered = status_of(s.recv(100)) == 200
            except OSError:
                answered = False
            waits.append(time.time() - began if answered else None)
            time.sleep(2)
    slow = [w for w in waits if w is None or w > 2]
    return ["login beside a client holding its connections: waits %s" % waits] if slow else []


def password(host_exe, work):
    pw = os.path.join(work, "password.txt")
    os.makedirs(work, exist_ok=True)
    with open(pw, "w") as f:
        f.write("  correct horse\n")
    web = WebHost(host_exe, os.path.join(work, "run"), web="0.0.0.0:0", extra=["--web-password-file", pw])
    address = "127.0.0.2"  # another client than the tests' 127.0.0.1, on the loopback
    host = address.encode()
    failures = []
    try:
        def post(body, cookie=b""):
            return raw(web.port, b"POST /login HTTP/1.1\r\nHost: " + host + b"\r\nContent-Type: "
                       b"application/x-www-form-urlencoded\r\nContent-Length: %d\r\n" % len(body) + cookie +
                       b"\r\n" + body, address)
        checks = [
            ("page without a session", raw(web.port, get(b"/", host), address), 303),
            ("calls without a session", raw(web.port, get(b"/api/calls", host), address), 401),
            ("recording without a session", raw(web.port, get(b"/rec/1.wav", host), address), 401),
            ("the login page's style without a session", raw(web.port, get(b"/style.css", host), address), 200),
            ("the page's script without a session", raw(web.port, get(b"/app.js", host), address), 303),
            ("wrong password", post(b"password=guess"), 403),
            ("right one straight after", post(b"password=correct+horse"), 429),
        ]
        time.sleep(1.2)
        right = post(b"password=correct+horse")
        checks.append(("right one after the wait", right, 303))
        cookie = [l for l in right.split(b"\r\n") if l.lower().startswith(b"set-cookie:")]
        if not cookie or b"HttpOnly" not in cookie[0] or b"SameSite=Strict" not in cookie[0]:
            failures.append("session cookie: %r" % cookie)
        else:
            session = cookie[0].split(b":", 1)[1].split(b";")[0].strip()
            checks.append(("calls with the session", raw(web.port, get(b"/api/calls", host, b"Cookie: " + session +
                                                                       b"\r\n"), address), 200))
            checks.append(("forged session", raw(web.port, get(b"/api/calls", host, b"Cookie: vornix_session=0\r\n"),
                                                 address), 401))
        for what, answer, want in checks:
            if status_of(answer) != want:
                failures.append("%s: %s, wanted %s" % (what, status_of(answer), want))
        failures += lockout(web, host)
    finally:
        web.stop()
    return failures


def main():
    host_exe, work = sys.argv[1], sys.argv[2]
    web = WebHost(host_exe, os.path.join(work, "hostile"))
    try:
        web.wait_for_rows(2)
        failures = hostile_table(web) + connection_bound(web) + slow_clients(web)
    finally:
        web.stop()
    failures += password(host_exe, os.path.join(work, "password"))
    for f in failures:
        print("FAIL", f)
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
