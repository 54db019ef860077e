#!/usr/bin/env python3
"""The console's views in headless Chromium while the host plays an office's morning on
two named boxes: a missed call opens a call-back (counted in the header) and a call out
to the same number, dialled with a 0 before it, closes it; the call out shows as such, with
the number dialled as the other party; a box pulled out and plugged in again (into the
other slot) keeps its card and its name; the figures count the calls exactly; a
ringing card and a number in the list open the party's history ("第2次来电"); the export
is UTF-8 with a byte-order mark that LibreOffice Calc reads with its Chinese intact.
Screenshots at a desk's and a phone's width go to SHOT_FOLDER when given.

usage: views_browser_test.py WORK_FOLDER [SHOT_FOLDER] -- VORNIX_HOST
       views_browser_test.py WORK_FOLDER [SHOT_FOLDER] --dll SIM_DLL -- RUNNER... VORNIX_HOST_EXE
       (the Windows host is copied beside the simulator DLL and plays the scenario the
        DLL finds in VORNIX_SCENARIO)
Exit 77 (skipped) without Chromium's driver.
"""
import os
import shutil
import subprocess
import sys

from web_browser_test import DESK, PHONE, languages, shoot, viewport, wait, test_arguments, browser_or_skip, browser_run
from web_host import WebHost
import calc_open_check

# box1 is 5001, box2 5002. The ring gap is 6 s: the first call is missed at about 9 s.
SCENARIO = """\
at 0 plug box1
at 0 plug box2
at 1 ring box1 caller 13800138000
at 3 hangup box1
at 22 offhook box2
at 23 dtmf box2 013800138000
at 27 hangup box2
at 30 unplug box1
at 30 unplug box2
at 32 plug box2
at 33 plug box1
at 40 ring box1 caller 13800138000
at 52 hangup box1
at 900 end
"""
NAMES = "5002=前台 8888 1234\n5001=送水部\n"
EXPORT = """
const done = arguments[arguments.length - 1];
fetch(document.querySelector('#export').href).then((r) => r.arrayBuffer()).then((b) =>
  done(Array.from(new Uint8Array(b))));
"""


def main():
    work, shots, dll, command = test_arguments(sys.argv)
    driver = browser_or_skip()
    if not driver:
        return 77
    js = driver.execute_script
    with browser_run(driver) as hosts:
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        names = os.path.join(work, "names.txt")
        with open(names, "w", encoding="utf-8") as f:
            f.write(NAMES)
        scn = os.path.join(work, "views.scn")
        open(scn, "w").write(SCENARIO)
        if dll:
            folder = os.path.join(work, "windows")
            os.makedirs(folder)
            for f in (command[-1], dll):
                shutil.copy(f, folder)
            os.environ["VORNIX_SCENARIO"], os.environ["VORNIX_SPEED"] = scn, "1"
            cmd = command[:-1] + [os.path.join(folder, os.path.basename(command[-1])), "--stop-after", "170"]
        else:
            cmd = command + ["--scenario", scn, "--speed", "1"]
        web = hosts.add(WebHost(None, os.path.join(work, "run"), scenario=SCENARIO,
                                command=cmd + ["--line-names", names]))
        viewport(driver, DESK)
        languages(driver, "zh-CN,zh;q=0.9")
        driver.get(web.url)
        cards = lambda: js("return [...document.querySelectorAll('.line')].map(c =>"
                           " [c.dataset.serial, c.querySelector('.slot').textContent, c.dataset.slot || '-'])")
        wait("the named cards", lambda: cards() == [["5002", "前台 8888 1234", "1"], ["5001", "送水部", "0"]])

        badge = lambda: js("return document.querySelector('#cb-badge').dataset.count")
        wait("the missed call to call back", lambda: badge() == "1", 30)
        assert js("return document.querySelector('#callbacks li.callback').dataset.number") == "13800138000"
        shoot(driver, shots, "views-callback-open")

        wait("the call out closing it", lambda: badge() == "0", 40)
        row = js("const r = document.querySelector('#calls tr.call');"
                 "return [r.dataset.direction, r.querySelector('.direction').textContent,"
                 " r.querySelector('.caller').textContent, r.querySelector('.slot').textContent]")
        assert row == ["outgoing", "去电", "013800138000", "前台 8888 1234"], row

        wait("the boxes replugged", lambda: cards() == [["5002", "前台 8888 1234", "0"], ["5001", "送水部", "1"]], 20)

        figures = lambda: js("return Object.fromEntries([...document.querySelectorAll('#stats-figures dd')]"
                             ".map(d => [d.dataset.key, d.textContent]))")
        wait("today's figures", lambda: figures().get("stats.outgoing") == "1")
        f = figures()
        assert (f["stats.answered"], f["stats.missed"], f["stats.open_callbacks"]) == ("0", "1", "0"), f
        assert js("return Chart.getChart('chart-hours').data.datasets.map(d => d.data.reduce((a, b) => a + b))") \
            == [0, 1, 1]
        js("document.querySelector(\"#stats-days [data-days='7']\").click()")
        wait("7 days' figures", lambda: js("return document.querySelector('#stats-figures').dataset.days") == "7")

        # The ringing card: the party's second call.
        wait("the second ring", lambda: js("const c = document.querySelector('.line.ringing');"
                                           "return c && c.dataset.serial === '5001'"), 30)
        # Clicked in one step: the live view redraws the cards as events arrive.
        js("document.querySelector('.line.ringing').click()")
        summary = wait("the history", lambda: js("return document.querySelector('#h-summary').textContent"))
        assert summary.startswith("第2次来电，上次"), summary
        shoot(driver, shots, "views-history-ringing")
        js("document.querySelector('#h-close').click()")
        # A number in the list: both calls of the party.
        js("document.querySelector('#calls tr.call td.party').click()")
        wait("the list's history", lambda: js("return document.querySelector('#history').dataset.total") == "2")
        js("document.querySelector('#h-close').click()")
        driver.execute_script("document.querySelector('#stats-box').scrollIntoView()")
        shoot(driver, shots, "views-figures")

        data = bytes(driver.execute_async_script(EXPORT))
        assert data.startswith(b"\xef\xbb\xbf"), data[:20]
        text = data[3:].decode("utf-8")
        assert text.split("\r\n")[0] == "开始时间,结束时间,方向,线路,对方号码,姓名,结果,通话秒数,录音文件,标记,备注", text
        soffice = shutil.which("soffice")
        if soffice:
            path = os.path.join(work, "export", "calls.csv")
            os.makedirs(os.path.dirname(path))
            open(path, "wb").write(data)
            cells = calc_open_check.convert(soffice, os.path.join(work, "export"), path, "calc",
                                            "Text - txt - csv (StarCalc):44,34,76,1")
            out = [r for r in cells if len(r) > 2 and r[2][1] == "去电"]
            assert cells[0][0][1] == "开始时间" and out, cells
            assert [c[1] for c in out[0][2:5]] == ["去电", "前台 8888 1234", "013800138000"], out
            print("the export read back from Calc: %d rows, %s" % (len(cells), [c[1] for c in out[0][:5]]))
        print("call-back opened and closed, cards kept through the replug, history:", summary)
        return 0


if __name__ == "__main__":
    sys.exit(main())
