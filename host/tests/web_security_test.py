#!/usr/bin/env python3
"""The web console against hostile requests over raw sockets, then the password asked
of a client on another address.

usage: web_security_test.py VORNIX_HOST WORK_FOLDER
"""
import os
import socket
import sys
import time

from web_host import WebHost, raw, status_of


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
    ]
    failures = []
    for what, request, want in table:
        answer = raw(web.port, request)
        got = status_of(answer)
        leaked = [t for t in (log_text[:60], b"private", b"root:") if want != 200 and t in answer]
        if got != want or leaked:
            failures.append("%s: %s, wanted %s%s" % (what, got, want, " (leaked %r)" % leaked if leaked else ""))
    return failures


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


def other_address():
    try:
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            s.connect(("192.0.2.1", 9))  # no packet is sent
            address = s.getsockname()[0]
            if not address.startswith("127."):
                return address
    except OSError:
        pass
    return "127.0.0.2"


def password(host_exe, work):
    pw = os.path.join(work, "password.txt")
    os.makedirs(work, exist_ok=True)
    with open(pw, "w") as f:
        f.write("  correct horse\n")
    web = WebHost(host_exe, os.path.join(work, "run"), web="0.0.0.0:0", extra=["--web-password-file", pw])
    address = other_address()
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
    finally:
        web.stop()
    return failures


def main():
    host_exe, work = sys.argv[1], sys.argv[2]
    web = WebHost(host_exe, os.path.join(work, "hostile"))
    try:
        web.wait_for_rows(2)
        failures = hostile_table(web) + connection_bound(web)
    finally:
        web.stop()
    failures += password(host_exe, os.path.join(work, "password"))
    for f in failures:
        print("FAIL", f)
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
