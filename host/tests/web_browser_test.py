#!/usr/bin/env python3
"""The web console in a real headless Chromium while the host plays a scenario: the
lines change as a call rings, is answered and hangs up, and a ring the caller gave up
shows as over at once; the call list shows each call with its caller, the call that
started last first; a filter finds one call, numbers as people type them too, and the
latest of two quick changes wins; a number it cannot use is named beside its box; a
recording plays, to its full length and from the middle; the loudness picture is
drawn; a retired recording is said to be so; and once the recorder stops the lines say
that their state is unknown. The ringing card names the caller from the phonebook (in
the round of the number) and from the database (the SQLite one over ODBC, 10,000
customers, where the tests registered it: within a second), the list shows the names
and finds a call by the caller's name. The page speaks Chinese to a Chinese browser and English
to one that asks for it first, and its switch chooses over either. Screenshots at a desk's and a phone's width go to
SHOT_FOLDER when given.

usage: web_browser_test.py WORK_FOLDER [SHOT_FOLDER] -- VORNIX_HOST
       web_browser_test.py WORK_FOLDER [SHOT_FOLDER] --dll SIM_DLL -- RUNNER... VORNIX_HOST_EXE
       (the Windows host is copied beside the simulator DLL and plays the scenario the
        DLL finds in VORNIX_SCENARIO)
Exit 77 (skipped) without Chromium's driver.
"""
import contextlib
import csv
import os
import re
import shutil
import sys
import time
import wave

from web_host import WebHost

SCENARIO = """\
at 0 plug box1
at 0 plug box2
at 0 audio box1 tone 440
at 4 ring box1 caller 13800138000
at 7 offhook box1
at 8 dtmf box1 12#
at 9 ring box2 caller 02160012345
at 11 hangup box2
at 20 hangup box1
at 40 ring box2 caller 13900000002
at 41 offhook box2
at 44 hangup box2
at 50 ring box2 caller 075588886666
at 66 hangup box2
at 900 end
"""
# The call list's requests without an outcome answer late, the newer one first.
SLOW_LIST = """
window.realFetch = window.realFetch || window.fetch;
window.fetch = (url, options) => window.realFetch(url, Object.assign({}, options, { signal: undefined })).then((r) =>
  new Promise((done) => setTimeout(() => done(r), String(url).includes('outcome=') ? 0 : 1500)));
"""
DESK, PHONE = (1280, 800), (390, 844)
# The office's phonebook, as Excel saves it in GBK, and its database (customers_db.py).
PHONEBOOK = "姓名,公司,电话,地址,备注\r\n张三,西湖水站,138 0013 8000,杭州市文三路1号,每周一送两桶\r\n"
CUSTOMERS = "connection = DSN=vornix_customers\nquery = SELECT name, address, note FROM Customers WHERE Phone = ?\n"
# When each caller's number and name first showed on a card, by the page's clock.
CARD_TIMES = """
window.cardTimes = {};
setInterval(() => {
  for (const c of document.querySelectorAll('.line')) {
    const number = c.querySelector('.caller').textContent, name = c.querySelector('.caller-name');
    const times = window.cardTimes[number] = window.cardTimes[number] || {};
    times.number = times.number || performance.now();
    if (name && !times.name) { times.name = performance.now(); times.card = c.querySelector('.who').innerText; }
  }
}, 10);
"""


def browser():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--autoplay-policy=no-user-gesture-required", "--window-size=%d,%d" % DESK]:
        options.add_argument(arg)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def test_arguments(argv):
    """The browser tests' command line, WORK [SHOTS] [--dll SIM_DLL] -- COMMAND...:
    (work, shots or None, dll or None, command)."""
    sep = argv.index("--")
    options = argv[2:sep]
    dll = None
    if "--dll" in options:
        dll = options[options.index("--dll") + 1]
        options = options[:options.index("--dll")]
    return argv[1], (options or [None])[0], dll, argv[sep + 1:]


class Hosts:
    """The hosts a browser test starts: each is stopped with the browser, however the test ends."""

    def __init__(self):
        self.started = []

    def add(self, host):
        self.started.append(host)
        return host


@contextlib.contextmanager
def browser_run(driver):
    hosts = Hosts()
    try:
        yield hosts
    finally:
        driver.quit()
        for host in hosts.started:
            host.stop()


def browser_or_skip():
    """Chromium under its driver, or None (said why) where the machine has none."""
    if not shutil.which("chromedriver"):
        print("no chromedriver: skipped")
        return None
    try:
        return browser()
    except Exception as e:  # no Chromium here
        print("no Chromium: skipped (%s)" % e)
        return None


def scenario_host(work, scenario, command, dll, stop_after, files=None, options=()):
    """The host playing SCENARIO in real time in a fresh WORK: the native host given the
    file, or the Windows host copied beside the simulator DLL, which reads it from
    VORNIX_SCENARIO. FILES (name: bytes) are written into WORK first, and OPTIONS
    (option, name of one of them) given with the file's path as the host names it."""
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name, data in (files or {}).items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
    extra = []
    for option, name in options:
        path = os.path.join(work, name)
        extra += [option, "Z:" + path.replace("/", "\\") if dll else path]
    scn = os.path.join(work, "browser.scn")
    open(scn, "w").write(scenario)
    os.environ["VORNIX_SCENARIO"], os.environ["VORNIX_SPEED"] = scn, "1"
    if dll:
        folder = os.path.join(work, "windows")
        os.makedirs(folder)
        for f in (command[-1], dll):
            shutil.copy(f, folder)
        cmd = command[:-1] + [os.path.join(folder, os.path.basename(command[-1])), "--stop-after", str(stop_after)]
    else:
        cmd = command + ["--scenario", scn, "--speed", "1"]
    return WebHost(None, os.path.join(work, "run"), scenario=scenario, command=cmd, extra=extra)


def viewport(driver, size):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": size[0], "height": size[1], "deviceScaleFactor": 1, "mobile": size == PHONE})


def shoot(driver, shots, name):
    if not shots:
        return
    os.makedirs(shots, exist_ok=True)
    for size, suffix in ((DESK, "1280"), (PHONE, "phone")):
        viewport(driver, size)
        time.sleep(0.3)
        driver.save_screenshot(os.path.join(shots, "%s-%s.png" % (name, suffix)))
    viewport(driver, DESK)


def languages(driver, accept):
    """The browser's Accept-Language from now on."""
    driver.execute_cdp_cmd("Network.setUserAgentOverride", {
        "userAgent": driver.execute_script("return navigator.userAgent"), "acceptLanguage": accept})


def wait(what, test, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = test()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def main():
    work, shots, dll, command = test_arguments(sys.argv)
    driver = browser_or_skip()
    if not driver:
        return 77
    js = driver.execute_script
    with browser_run(driver) as hosts:
        run_files = {"客户.csv": PHONEBOOK.encode("gbk")}
        options = [("--phonebook", "客户.csv")]
        db = os.environ.get("VORNIX_CALLERS_DB_DIR")
        if db:
            os.environ["ODBCSYSINI"], os.environ["ODBCINI"] = db, os.path.join(db, "odbc.ini")
            run_files["customers.odbc"] = CUSTOMERS.encode()
            options.append(("--customers-odbc", "customers.odbc"))
        web = hosts.add(scenario_host(work, SCENARIO, command, dll, 170, run_files, options))
        viewport(driver, DESK)
        languages(driver, "zh-CN,zh;q=0.9,en;q=0.8")
        driver.get(web.url)
        phase = lambda slot: js("const e = document.querySelector('.line[data-slot=\"%d\"]');"
                                "return e ? e.dataset.phase : null" % slot)
        wait("two lines", lambda: phase(1))
        js(CARD_TIMES)
        seen, seen_other = [], []
        def watch(want):
            def test():
                p, other = phase(0), phase(1)
                if p and (not seen or seen[-1] != p):
                    seen.append(p)
                if other and (not seen_other or seen_other[-1] != other):
                    seen_other.append(other)
                return p == want
            return test
        wait("the ring", watch("ringing"))
        # Read in one step: the live view redraws the line as events arrive.
        caller, ringing = js("const e = document.querySelector('.line[data-slot=\"0\"]');"
                             "return e ? [e.querySelector('.caller').textContent.trim(),"
                             " e.querySelector('.phase').textContent] : [null, null]")
        # The phonebook's name is on the card with the number, company, address and note.
        times = wait("the phonebook's name", lambda: js("return window.cardTimes['13800138000']"), 5)
        assert times["name"] - times["number"] < 100, times
        assert times["card"].split("\n") == ["张三", "西湖水站", "杭州市文三路1号", "每周一送两桶"], times
        shoot(driver, shots, "console-ringing")
        wait("the answer", watch("recording"))
        wait("the hang-up", watch("idle"), 40)
        assert seen[-3:] == ["ringing", "recording", "idle"], seen
        assert caller == "13800138000", caller
        assert ringing == "来电", ringing
        # The second line's caller gave up: the ring is over at once, the call missed
        # only after the ring gap.
        assert seen_other[-3:] == ["ringing", "rang", "idle"], seen_other

        rows = lambda: js("return [...document.querySelectorAll('#calls tr.call')]"
                          ".map(r => [r.dataset.id, r.querySelector('.caller').textContent])")
        callers = lambda: [c for _, c in rows()]
        wait("both calls in the list", lambda: len(rows()) == 2, 40)
        names = lambda: js("return [...document.querySelectorAll('#calls tr.call .name')].map(e => e.innerText)")
        assert names() == ["", "张三\n西湖水站"], names()
        # The missed call started after the answered one, which ended after it.
        assert callers() == ["02160012345", "13800138000"], rows()  # newest first
        assert driver.find_element("css selector", "#count").text == "共 2 条"

        number = driver.find_element("css selector", "#f-number")
        for typed, want in [("0216", ["02160012345"]), ("(021) 6001-2345", ["02160012345"]),
                            ("+86 138 0013 8000", ["13800138000"])]:
            number.clear()
            number.send_keys(typed)
            wait("the filter " + typed, lambda: callers() == want)
        assert driver.find_element("css selector", "#count").text == "共 1 条"
        # By the caller's name; and a number with a quote and a semicolon is refused
        # beside the box like any other that is no number.
        number.clear()
        number.send_keys("张三")
        wait("the filter 张三", lambda: callers() == ["13800138000"])
        for typed in ("138x", "12'3;4"):
            number.clear()
            number.send_keys(typed)
            wait("the number refused beside its box", lambda: driver.find_element("css selector", "#e-number").text)
        driver.find_element("css selector", "#f-clear").click()
        wait("the filter cleared", lambda: len(rows()) == 2 and not driver.find_element("css selector", "#e-number").text)

        # Two changes at once, the first answered last: the list follows the second.
        day = js("return document.querySelector('#calls td.start').textContent.slice(0, 10)")
        js(SLOW_LIST + "const s = document.querySelector('#f-since'), o = document.querySelector('#f-outcome');"
           "s.value = arguments[0]; s.dispatchEvent(new Event('change'));"
           "o.value = 'missed'; o.dispatchEvent(new Event('change'));", day)
        time.sleep(2.5)
        outcomes = js("return [...document.querySelectorAll('#calls tr.call .outcome')]"
                      ".map(e => e.dataset.outcome + ':' + e.textContent)")
        assert outcomes == ["missed:未接"], outcomes
        assert driver.find_element("css selector", "#count").text == "共 1 条"
        js("window.fetch = window.realFetch")
        driver.find_element("css selector", "#f-clear").click()
        wait("the filter cleared", lambda: len(rows()) == 2)

        with open(os.path.join(web.folder, "calls.csv"), newline="") as f:
            answered = [r for r in csv.DictReader(f) if r["caller"] == "13800138000"][0]
        with wave.open(os.path.join(web.folder, answered["file"]), "rb") as w:
            length = w.getnframes() / w.getframerate()
        driver.find_element("css selector", "#calls tr.call:last-child button.play").click()
        duration = wait("the recording's length", lambda: js("const a = document.querySelector('#audio');"
                                                           "return a.readyState >= 1 ? a.duration : 0"))
        assert abs(duration - length) < 0.05, (duration, length)
        js("const a = document.querySelector('#audio'); a.pause(); a.currentTime = a.duration / 2;")
        wait("the seek", lambda: js("const a = document.querySelector('#audio');"
                                    "return !a.seeking && a.readyState >= 2 && !a.error &&"
                                    " Math.abs(a.currentTime - a.duration / 2) < 0.5"))
        wait("the loudness picture", lambda: js(
            "const c = document.querySelector('#peaks');"
            "if (c.dataset.drawn !== '1000') return false;"
            "const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            "let ink = 0; for (let i = 3; i < d.length; i += 4) ink += d[i] > 0;"
            "return ink > c.width * 10"))
        name = driver.find_element("css selector", "#download").get_attribute("download")
        assert re.fullmatch(r"\d{4}-\d\d-\d\d \d\d-\d\d-\d\d 13800138000\.wav", name), name

        # A recording retired from the folder: the list says so and offers no player.
        if db:  # the database's caller on the card, while the call is on
            wait("the database's name", lambda: js("const t = window.cardTimes['13900000002'];"
                                                   "return t && t.name"), 60)
            shoot(driver, shots, "console-database-name")
        wait("the third call", lambda: len(rows()) == 3, 60)
        if db:  # named by the database within a second of its number
            times = js("return window.cardTimes['13900000002']")
            assert times and times.get("name") and times["name"] - times["number"] < 1000, times
            assert times["card"].split("\n") == ["客户2", "杭州市西湖区文三路2号", "桶装水 3 桶"], times
            print("database's name on the card %.0f ms after the number" % (times["name"] - times["number"]))
        with open(os.path.join(web.folder, "calls.csv"), newline="") as f:
            third = [r for r in csv.DictReader(f) if r["caller"] == "13900000002"][0]
        os.remove(os.path.join(web.folder, third["file"]))
        driver.find_element("css selector", "#f-clear").click()
        retired = lambda: js("const r = [...document.querySelectorAll('#calls tr.call')]"
                             ".find(r => r.querySelector('.caller').textContent === '13900000002');"
                             "return r && !r.querySelector('button.play') && r.querySelector('.retired') ?"
                             " r.querySelector('.retired').textContent : null")
        wait("the retired recording", retired)
        if shots:  # the list and the player while another line rings
            wait("the second ring", lambda: phase(1) == "ringing", 40)
            shoot(driver, shots, "console-calls")

        # Dates and lengths as each language writes them.
        formats = lambda: js("const y = new Date().getFullYear();"
                             "return [45, 180, 200, 3600, 3900].map(formatLength).concat(["
                             " formatWhen(y + '-12-09T14:30:05+08:00'), formatWhen('2001-03-04T05:06:07+08:00'),"
                             " formatDate('2026-12-09T14:30:05+08:00')])")
        written = {"zh-CN": ["45秒", "3分钟", "3分20秒", "1小时", "1小时5分钟", "12月9日 14:30", "2001-03-04 05:06",
                             "2026-12-09"],
                   "en": ["45 s", "3 min", "3 min 20 s", "1 h", "1 h 5 min", "9 Dec 14:30", "2001-03-04 05:06",
                          "2026-12-09"]}
        assert formats() == written["zh-CN"], formats()
        # English first: the page is English; the switch brings Chinese back, and keeps it.
        words = lambda: js("return [document.documentElement.lang, document.querySelector('#lines-box h2').textContent,"
                           " document.querySelector('#count').textContent]")
        languages(driver, "en-US,en;q=0.9,zh;q=0.5")
        driver.refresh()
        lang, heading, count = wait("the page in English", lambda: (lambda w: w[2] and w)(words()))
        assert (lang, heading) == ("en", "Lines") and re.fullmatch(r"\d+ calls", count), (lang, heading, count)
        assert formats() == written["en"], formats()
        # One call is "1 call" on the busiest lines too.
        busiest = wait("the busiest lines", lambda: js("return [...document.querySelectorAll('#stats-lines li')]"
                                                       ".map(l => l.textContent)"))
        assert all(re.fullmatch(r".+: (1 call|(0|[2-9]|\d\d+) calls)", b) for b in busiest), busiest
        # The longer English words still fit: at a desk's width the lines' head is one
        # row; at a phone's the badge and the language switch each stay whole and the
        # name box's hint shows in full.
        fits = lambda: js("const [zh, en] = document.querySelectorAll('.langs button'), b = $('#cb-badge'),"
                          " i = $('#f-number'), s = getComputedStyle(i), g = document.createElement('canvas').getContext('2d');"
                          "g.font = s.font;"
                          "return [getComputedStyle($('.lines-head')).display, zh.getBoundingClientRect().top === en.getBoundingClientRect().top,"
                          " b.getBoundingClientRect().height < 2 * parseFloat(getComputedStyle(b).fontSize),"
                          " g.measureText(i.placeholder).width <= i.clientWidth - parseFloat(s.paddingLeft) - parseFloat(s.paddingRight)]")
        assert fits()[0] == "flex", fits()
        viewport(driver, PHONE)
        time.sleep(0.3)
        assert fits()[1:] == [True, True, True], fits()
        viewport(driver, DESK)
        driver.find_element("css selector", "[data-lang='zh-CN']").click()
        wait("the page in Chinese again", lambda: words()[:2] == ["zh-CN", "线路"] and words()[2])
        driver.refresh()
        wait("the choice kept", lambda: words()[:2] == ["zh-CN", "线路"] and words()[2])

        # The recorder stops: the lines' state is unknown, and no card counts on.
        web.stop()
        cards = lambda: js("return [...document.querySelectorAll('.line')].map(c => c.dataset.phase + ':' +"
                           " c.querySelector('.since').textContent)")
        # A machine loaded with the sanitizers' builds can take a while over the stop.
        try:
            wait("the lines unknown", lambda: cards() and all(c == "unknown:" for c in cards()), 60)
        except AssertionError:
            raise AssertionError("the lines after the stop: %s, link %r" % (cards(), js("return $('#link').textContent")))
        time.sleep(1.5)
        assert all(c == "unknown:" for c in cards()), cards()
        shoot(driver, shots, "console-stopped")
        print("lines went", " -> ".join(seen), "; recording of %.2f s played and sought" % length)
        return 0


if __name__ == "__main__":
    sys.exit(main())
