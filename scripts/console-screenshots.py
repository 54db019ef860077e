#!/usr/bin/python3
# Run: /usr/bin/python3 scripts/console-screenshots.py HOST [OUT_DIR]  (e.g. build/native/host/vornix_host docs)
"""The web console as the office sees it, shot in headless Chromium (Selenium) and
Firefox (Marionette, as Debian has no geckodriver), in Chinese and English, at a desk's
and a phone's width: one line ringing, one in a call, the list, call-backs and figures
filled by a morning's calls. Writes OUT_DIR/console-<browser>-<lang>-<size>.png.
Each browser runs in the page's language (Debian's chromium-l10n, firefox-esr-l10n-zh-cn),
so that its date boxes are written as there."""
import base64
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "host", "tests"))
from web_host import WebHost  # noqa: E402

SCENARIO = """\
at 0 plug box1
at 0 plug box2
at 0 plug box3
at 0 audio box1 tone 440
at 0 audio box3 tone 523
at 1 ring box1 caller 13800138000
at 2 ring box2 caller 02160012345
at 3 offhook box1
at 4 dtmf box1 12#
at 5 hangup box2
at 6 ring box3 caller 13912345678
at 8 offhook box3
at 12 hangup box1
at 14 offhook box2
at 15 dtmf box2 013900000002
at 16 ring box1 caller 075588886666
at 18 hangup box1
at 19 hangup box3
at 21 hangup box2
at 24 ring box3 caller 13700001111
at 26 offhook box3
at 27 ring box1 caller 13800138000
at 600 hangup box1
at 600 hangup box3
at 601 end
"""
PHONEBOOK = ("姓名,公司,电话,地址,备注\r\n"
              "张三,西湖水站,138 0013 8000,杭州市文三路1号,每周一送两桶\r\n"
              "李四,上海浦东新区张江高科技园区物业管理有限公司,021 6001 2345,上海市浦东新区祖冲之路888号,\r\n"
              "王芳,,139 1234 5678,,\r\n"
              "欧阳晓明,杭州钱塘新区金沙湖商务中心,137 0000 1111,杭州市钱塘区金沙大道600号,\r\n")
NAMES = "5001=前台\n5002=送水部\n5003=售后服务\n"
SIZES = {"desk": (1280, 800), "phone": (390, 844)}
# How tall the page stands down to the end of the call list, for a shot that shows it.
HEIGHT = "const b = document.querySelector('#pager').getBoundingClientRect(); return Math.ceil(b.bottom + scrollY + 12)"
READY = ("return document.querySelector('.line.ringing') && document.querySelectorAll('#calls tr.call').length >= 5"
         " && document.querySelector('#cb-count').textContent && document.documentElement.lang === arguments[0]")


def wait(what, test, timeout=60):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if test():
            return
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


class Marionette:
    """Just enough of Firefox's remote protocol: length-prefixed JSON commands."""

    def __init__(self, port):
        self.sock, self.n, self.buf = None, 0, b""
        wait("Firefox's Marionette", lambda: self._connect(port), 60)
        self._read()  # the greeting
        self.cmd("WebDriver:NewSession", {"strictFileInteractability": True})

    def _connect(self, port):
        try:
            self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
            return True
        except OSError:
            return False

    def _read(self):
        while b":" not in self.buf:
            self.buf += self.sock.recv(65536)
        size, rest = self.buf.split(b":", 1)
        while len(rest) < int(size):
            rest += self.sock.recv(1 << 20)
        self.buf = rest[int(size):]
        return json.loads(rest[:int(size)])

    def cmd(self, name, params=None):
        self.n += 1
        data = json.dumps([0, self.n, name, params or {}]).encode()
        self.sock.sendall(b"%d:%s" % (len(data), data))
        _, _, error, result = self._read()
        if error:
            raise RuntimeError("%s: %s" % (name, error))
        return result.get("value") if isinstance(result, dict) else result

    def js(self, script, *args):
        return self.cmd("WebDriver:ExecuteScript", {"script": script, "args": list(args)})


def firefox(lang, profile):
    os.makedirs(profile, exist_ok=True)
    port = 2828 + os.getpid() % 1000
    with open(os.path.join(profile, "user.js"), "w") as f:
        f.write('user_pref("marionette.port", %d);\nuser_pref("intl.accept_languages", "%s");\n' % (port, lang))
        f.write('user_pref("intl.locale.requested", "%s");\n' % lang)  # firefox-esr-l10n-zh-cn
    proc = subprocess.Popen(["firefox-esr", "--headless", "--marionette", "-remote-allow-system-access", "--no-remote", "--profile", profile],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    m = Marionette(port)
    # The browser's own window stands at least 500 px wide: not at a phone's width.
    m.cmd("Marionette:SetContext", {"value": "chrome"})
    m.js("document.documentElement.style.minWidth = '0'")
    m.cmd("Marionette:SetContext", {"value": "content"})

    def size(w, h):  # the outer window, grown by what the frame takes
        m.cmd("WebDriver:SetWindowRect", {"width": w, "height": h})
        inner = m.js("return [innerWidth, innerHeight]")
        m.cmd("WebDriver:SetWindowRect", {"width": 2 * w - inner[0], "height": 2 * h - inner[1]})
    return {"go": lambda url: m.cmd("WebDriver:Navigate", {"url": url}), "js": m.js, "size": size,
            "shot": lambda: base64.b64decode(m.cmd("WebDriver:TakeScreenshot", {"full": False})),
            "quit": lambda: (m.cmd("Marionette:Quit"), proc.wait(20))}


def chromium(lang):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--hide-scrollbars"]:
        options.add_argument(arg)
    # The browser in the page's language (chromium-l10n): its date boxes are written so.
    env = dict(os.environ, LANGUAGE=lang.replace("-", "_"))
    d = webdriver.Chrome(service=Service(shutil.which("chromedriver"), env=env), options=options)
    d.execute_cdp_cmd("Network.setUserAgentOverride", {"userAgent": d.execute_script("return navigator.userAgent"),
                                                       "acceptLanguage": lang})
    size = lambda w, h: d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": w, "height": h, "deviceScaleFactor": 1, "mobile": w < 640})
    return {"go": d.get, "js": d.execute_script, "size": size, "shot": d.get_screenshot_as_png, "quit": d.quit}


def shoot(name, b, lang, tag, url, out):
    b["size"](*SIZES["desk"])
    b["go"](url)
    # The page's own switch, as a person chooses.
    b["js"]("document.querySelector('[data-lang=\"%s\"]').click()" % lang)
    time.sleep(1)
    wait("the page in " + lang, lambda: b["js"](READY, lang))
    b["js"]("document.documentElement.style.scrollbarWidth = 'none'")
    for size, (w, h) in SIZES.items():
        b["size"](w, h)
        time.sleep(0.5)
        b["size"](w, max(h, b["js"](HEIGHT)))
        time.sleep(0.8)
        path = os.path.join(out, "console-%s-%s-%s.png" % (name, tag, size))
        with open(path, "wb") as f:
            f.write(b["shot"]())
        if shutil.which("pngquant"):  # small enough for the docs
            subprocess.run(["pngquant", "--quality=70-95", "--strip", "--force", "--ext", ".png", path], check=True)
        print(path)


def main():
    host, out = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "."
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="console-shots-")
    for name, text, coding in (("客户.csv", PHONEBOOK, "gbk"), ("lines.txt", NAMES, "utf-8")):
        with open(os.path.join(work, name), "w", encoding=coding, newline="") as f:
            f.write(text)
    web = WebHost(None, os.path.join(work, "run"), scenario=SCENARIO, command=[
        os.path.abspath(host), "--scenario", os.path.join(work, "run", "web.scn"), "--speed", "1",
        "--phonebook", os.path.join(work, "客户.csv"), "--line-names", os.path.join(work, "lines.txt")])
    try:
        time.sleep(30)  # the morning's calls over, line 1 ringing, line 3 recording
        for name, start in (("chromium", chromium), ("firefox", lambda lang: firefox(lang, os.path.join(work, lang)))):
            for lang, tag in (("zh-CN", "zh"), ("en", "en")):
                b = start(lang)
                try:
                    shoot(name, b, lang, tag, web.url, out)
                finally:
                    b["quit"]()
    finally:
        web.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
