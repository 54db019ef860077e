#!/usr/bin/env python3
"""The web console in a real headless Chromium while the host plays a scenario: the
lines change as a call rings, is answered and hangs up; the call list shows each call
with its caller; a filter finds one call; its recording plays, to its full length and
from the middle; the loudness picture is drawn. Screenshots at a desk's and a phone's
width go to SHOT_FOLDER when given.

usage: web_browser_test.py WORK_FOLDER [SHOT_FOLDER] -- VORNIX_HOST
       web_browser_test.py WORK_FOLDER [SHOT_FOLDER] --dll SIM_DLL -- RUNNER... VORNIX_HOST_EXE
       (the Windows host is copied beside the simulator DLL and plays the scenario the
        DLL finds in VORNIX_SCENARIO)
Exit 77 (skipped) without Chromium's driver.
"""
import csv
import os
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
at 12 hangup box1
at 13 ring box2 caller 02160012345
at 16 hangup box2
at 24 ring box2 caller 075588886666
at 40 hangup box2
at 900 end
"""
DESK, PHONE = (1280, 800), (390, 844)


def browser():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--autoplay-policy=no-user-gesture-required", "--window-size=%d,%d" % DESK]:
        options.add_argument(arg)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


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


def wait(what, test, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = test()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def main():
    sep = sys.argv.index("--")
    command = sys.argv[sep + 1:]
    options = sys.argv[2:sep]
    dll = None
    if "--dll" in options:
        dll = options[options.index("--dll") + 1]
        options = options[:options.index("--dll")]
    work, shots = sys.argv[1], (options or [None])[0]
    if not shutil.which("chromedriver"):
        print("no chromedriver: skipped")
        return 77
    try:
        driver = browser()
    except Exception as e:  # no Chromium here
        print("no Chromium: skipped (%s)" % e)
        return 77
    js = driver.execute_script
    web = None
    try:
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        scn = os.path.join(work, "browser.scn")
        open(scn, "w").write(SCENARIO)
        os.environ["VORNIX_SCENARIO"], os.environ["VORNIX_SPEED"] = scn, "1"
        if dll:
            folder = os.path.join(work, "windows")
            os.makedirs(folder)
            for f in (command[-1], dll):
                shutil.copy(f, folder)
            cmd = command[:-1] + [os.path.join(folder, os.path.basename(command[-1])), "--stop-after", "170"]
        else:
            cmd = command + ["--scenario", scn, "--speed", "1"]
        web = WebHost(None, os.path.join(work, "run"), scenario=SCENARIO, command=cmd)
        viewport(driver, DESK)
        driver.get(web.url)
        phase = lambda slot: js("const e = document.querySelector('.line[data-slot=\"%d\"]');"
                                "return e ? e.dataset.phase : null" % slot)
        wait("two lines", lambda: phase(1))
        seen = []
        def watch(want):
            def test():
                p = phase(0)
                if p and (not seen or seen[-1] != p):
                    seen.append(p)
                return p == want
            return test
        wait("the ring", watch("ringing"))
        # Read in one step: the live view redraws the line as events arrive.
        caller = js("const e = document.querySelector('.line[data-slot=\"0\"] .caller');"
                    "return e ? e.textContent.trim() : null")
        shoot(driver, shots, "console-ringing")
        wait("the answer", watch("recording"))
        wait("the hang-up", watch("idle"))
        assert seen[-3:] == ["ringing", "recording", "idle"], seen
        assert caller == "13800138000", caller

        rows = lambda: js("return [...document.querySelectorAll('#calls tr.call')]"
                          ".map(r => [r.dataset.id, r.querySelector('.caller').textContent])")
        wait("both calls in the list", lambda: len(rows()) == 2, 40)
        assert [c for _, c in rows()] == ["02160012345", "13800138000"], rows()  # newest first
        assert driver.find_element("css selector", "#count").text == "2 calls"

        driver.find_element("css selector", "#f-number").send_keys("0216")
        wait("the filter", lambda: [c for _, c in rows()] == ["02160012345"])
        assert driver.find_element("css selector", "#count").text == "1 call"
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
        assert name.endswith(" 13800138000.wav") and len(name) == len("2025-03-14 09-30 13800138000.wav"), name
        if shots:  # the list and the player while another line rings
            wait("the second ring", lambda: phase(1) == "ringing", 40)
            shoot(driver, shots, "console-calls")
        print("lines went", " -> ".join(seen), "; recording of %.2f s played and sought" % length)
        return 0
    finally:
        driver.quit()
        if web:
            web.stop()


if __name__ == "__main__":
    sys.exit(main())
