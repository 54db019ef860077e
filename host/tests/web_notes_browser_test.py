#!/usr/bin/env python3
"""Notes in a real headless Chromium: a mark and a note written on a call's row (markup
in it) are saved, shown as text, found again after a reload by a part of the note and by
the mark, exported with the calls, and stored in notes.csv as typed; a screenshot of the list with the note and
of the form go to SHOT_FOLDER when given.

usage: web_notes_browser_test.py WORK_FOLDER [SHOT_FOLDER] -- VORNIX_HOST
       web_notes_browser_test.py WORK_FOLDER [SHOT_FOLDER] --dll SIM_DLL -- RUNNER... VORNIX_HOST_EXE
Exit 77 (skipped) without Chromium's driver.
"""
import csv
import os
import shutil
import sys

from web_browser_test import shoot, viewport, wait, DESK, test_arguments, browser_or_skip, browser_run
from web_host import WebHost, SCENARIO

NOTE = '<b>送水</b> 2 桶, "三楼"\n<img src=x onerror="document.title=\'hacked\'">'


def main():
    work, shots, dll, command = test_arguments(sys.argv)
    driver = browser_or_skip()
    if not driver:
        return 77
    js = driver.execute_script
    with browser_run(driver) as hosts:
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        scenario = SCENARIO % 3600
        if dll:
            scn = os.path.join(work, "notes.scn")
            open(scn, "w").write(scenario)
            # In real time, as the Windows host's browser test plays it.
            os.environ["VORNIX_SCENARIO"], os.environ["VORNIX_SPEED"] = scn, "1"
            folder = os.path.join(work, "windows")
            os.makedirs(folder)
            for f in (command[-1], dll):
                shutil.copy(f, folder)
            web = hosts.add(WebHost(None, os.path.join(work, "run"), scenario=scenario,
                          command=command[:-1] + [os.path.join(folder, os.path.basename(command[-1]))]))
        else:
            web = hosts.add(WebHost(command[-1], os.path.join(work, "run"), scenario=scenario))
        web.wait_for_rows(2, timeout=90)
        viewport(driver, DESK)
        driver.get(web.url)
        # In Chinese, the office's language (the browser asks for English).
        js("localStorage.setItem('vornix_lang', 'zh-CN')")
        driver.refresh()
        rows = lambda: js("return [...document.querySelectorAll('#calls tr.call')].map(r => r.dataset.id)")
        wait("both calls", lambda: len(rows()) == 2)
        row = "#calls tr.call[data-id='1']"
        driver.find_element("css selector", row + " button.note").click()
        wait("the note's form", lambda: driver.find_element("css selector", "#note-form").is_displayed())
        js("const m = document.querySelector('#n-mark'); m.value = 'call_back';")
        driver.find_element("css selector", "#n-text").send_keys(NOTE)
        shoot(driver, shots, "notes-form")
        driver.find_element("css selector", "#n-save").click()
        wait("the note saved", lambda: js("return document.querySelector(arguments[0]).dataset.saved", row))
        shown = lambda: js("const r = document.querySelector(arguments[0]);"
                           "const t = r && r.querySelector('td.note .text'), m = r && r.querySelector('td.note .mark');"
                           "return r ? [t ? t.textContent : null, m ? m.dataset.mark : null, m ? m.textContent : null,"
                           " r.querySelectorAll('td.note b, td.note img').length] : null", row)
        assert shown() == [NOTE, "call_back", js("return t('mark.call_back')"), 0], shown()

        driver.refresh()
        wait("the calls again", lambda: len(rows()) == 2)
        assert shown()[:2] == [NOTE, "call_back"], shown()
        note = driver.find_element("css selector", "#f-note")
        note.send_keys("送水")
        wait("found by the note", lambda: rows() == ["1"])
        js("const n = document.querySelector('#f-note'); n.value = ''; n.dispatchEvent(new Event('input'));")
        wait("both again", lambda: len(rows()) == 2)
        js("const m = document.querySelector('#f-mark'); m.value = 'call_back'; m.dispatchEvent(new Event('change'));")
        wait("found by the mark", lambda: rows() == ["1"])
        shoot(driver, shots, "notes-list")
        js("const m = document.querySelector('#f-mark'); m.value = 'order'; m.dispatchEvent(new Event('change'));")
        wait("none marked order", lambda: rows() == [])
        assert driver.title != "hacked", "the note's markup ran"
        # The spreadsheet file of the calls so marked carries the mark in words and the note.
        exported = js("const x = new XMLHttpRequest(); x.open('GET', '/api/calls.csv?mark=call_back', false);"
                      "x.send(); return x.responseText")
        assert NOTE.replace('"', '""') in exported and js("return t('mark.call_back')") in exported, exported
        with open(os.path.join(web.folder, "notes.csv"), newline="", encoding="utf-8") as f:
            records = list(csv.DictReader(f))
        assert [(r["mark"], r["note"], r["by"]) for r in records] == [("call_back", NOTE, "127.0.0.1")], records
        print("note saved, shown as text, found after a reload by its text and its mark")
        return 0


if __name__ == "__main__":
    sys.exit(main())
