#!/usr/bin/env python3
"""The console's ring notice in headless Chromium, the page's Notification and
AudioContext replaced by counting stand-ins before it loads: until the page is clicked it
says the ring cannot sound yet; a ring gives exactly one notification, naming the line
and the caller (renewed under its tag once the caller's name comes), and one start of
the ring sound, however often the lines' state comes again, and both end when the line
is answered; switched off, both switches stay off after a reload and the next ring gives
neither.

usage: web_ring_test.py WORK_FOLDER -- VORNIX_HOST
       web_ring_test.py WORK_FOLDER --dll SIM_DLL -- RUNNER... VORNIX_HOST_EXE
Exit 77 (skipped) without Chromium's driver.
"""
import sys

sys.dont_write_bytecode = True  # the source tree stays as checked out
from web_browser_test import browser_or_skip, browser_run, languages, scenario_host, test_arguments, wait

SCENARIO = """\
at 0 plug box1
at 6 ring box1 caller 13800138000
at 9 offhook box1
at 11 hangup box1
at 22 ring box1 caller 02160012345
at 25 hangup box1
at 600 end
"""
# Counts what the page asks of the browser; the sound is allowed only once the page has
# been used, as browsers do.
STAND_INS = """
const seen = window.ringSeen = { notes: [], closed: 0, starts: 0, stops: 0, last: null };
window.Notification = class {
  constructor(title, options) { seen.notes.push([options.tag, title, options.body].join(' | ')); }
  close() { seen.closed++; }
  static get permission() { return 'granted'; }
  static requestPermission() { return Promise.resolve('granted'); }
};
const param = () => ({ value: 0, setValueAtTime() {}, linearRampToValueAtTime() {}, cancelScheduledValues() {} });
const node = (more) => Object.assign({ connect(n) { return n; }, disconnect() {} }, more);
window.AudioContext = class {
  constructor() { this.state = 'suspended'; this.currentTime = 0; this.destination = node({}); }
  createOscillator() { return node({ frequency: param(), setPeriodicWave() {}, start() { seen.starts++; }, stop() { seen.stops++; } }); }
  createGain() { return node({ gain: param() }); }
  createPeriodicWave() { return {}; }
  resume() {
    if (navigator.userActivation.hasBeenActive && this.state !== 'running') {
      this.state = 'running';
      if (this.onstatechange) this.onstatechange();
    }
    return Promise.resolve();
  }
};
document.addEventListener('lines', (e) => { seen.last = e.detail; });
"""


def main():
    work, _, dll, command = test_arguments(sys.argv)
    driver = browser_or_skip()
    if not driver:
        return 77
    js = driver.execute_script
    with browser_run(driver) as hosts:
        web = hosts.add(scenario_host(work, SCENARIO, command, dll, 60))
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": STAND_INS})
        languages(driver, "zh-CN")
        phase = lambda: js("const e = document.querySelector('.line[data-slot=\"0\"]'); return e && e.dataset.phase")
        seen = lambda: js("const s = window.ringSeen; return [s.notes, s.starts, s.stops, s.closed]")
        hint = lambda: js("const h = document.querySelector('#ring-hint'); return h.hidden ? '' : h.textContent")
        switches = lambda: js("return ['#ring-sound', '#ring-notify'].map(s => document.querySelector(s).checked)")

        driver.get(web.url)
        assert "点击页面" in wait("the hint that the ring cannot sound yet", hint), hint()
        assert switches() == [True, True], switches()
        for line, text in [({"slot": 0, "caller": "13800138000", "name": "张三", "company": ""}, "13800138000（张三）"),
                           ({"slot": 0, "caller": ""}, "号码未知")]:
            assert js("return ringCaller(arguments[0])", line) == text, (line, text)
        driver.find_element("css selector", "#lines-box h2").click()
        wait("the hint gone once the page was used", lambda: not hint())

        wait("the ring", lambda: phase() == "ringing")
        # The same state again, as the stream may send it, then with the caller's name
        # found, then without it: still the one ring, its notification renewed in place
        # once.
        js("const again = (d) => document.dispatchEvent(new CustomEvent('lines', { detail: d }));"
           "const plain = ringSeen.last, named = structuredClone(plain);"
           "Object.assign(named.list[0], { name: '张三', company: '清泉水站' });"
           "for (const d of [plain, plain, named, named, plain]) again(d)")
        wait("the answer", lambda: phase() == "recording", 10)
        assert seen() == [["vornix-ring-0 | 线路 1 来电 | 13800138000",
                           "vornix-ring-0 | 线路 1 来电 | 13800138000（张三 · 清泉水站）"], 1, 1, 1], seen()

        for box in ("#ring-sound", "#ring-notify"):
            driver.find_element("css selector", box).click()
        driver.refresh()
        wait("the switches after the reload", lambda: switches() == [False, False])
        assert not hint(), hint()  # nothing is missing for what is switched off
        wait("the second ring", lambda: phase() == "ringing", 30)
        wait("the second ring over", lambda: phase() != "ringing", 10)
        assert seen() == [[], 0, 0, 0], seen()
        print("ring noticed once, and not at all when switched off")
        return 0


if __name__ == "__main__":
    sys.exit(main())
