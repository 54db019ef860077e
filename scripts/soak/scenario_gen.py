#!/usr/bin/env python3
"""Writes a seeded scenario of days of office calls on several line boxes, and beside it
what each call must leave in the call log (a JSON manifest the soak's check reads).

Calls of a few seconds to minutes with DTMF, missed calls, a second caller within the
ring gap, calls dialled out, the simulator's faults, boxes pulled and plugged again
(idle, ringing, in a call) and two boxes swapped within one round; the library's clock
starts before its wrap so that the run crosses it with rings after it."""
import argparse
import json
import random

WRAP_S = 2 ** 32 / 1000   # the 32-bit millisecond count wraps here
SIGNED_S = 2 ** 31 / 1000  # ... and its signed view here
DAY = 86400
DAY_STARTS_S = 8 * 3600    # the run starts as the office opens
QUIET_END_S = 60           # nothing happens in the last minute: every call is over
FAULTS = ["reject-next", "read-fails-next", "read-empty-next", "open-fails-next"]


def clock_at_start(seconds):
    """Both wraps inside a run long enough for them, else the full wrap a quarter in."""
    if seconds > (WRAP_S - SIGNED_S) * 1.05:
        return SIGNED_S - seconds * 0.03
    return WRAP_S - seconds * 0.25


def caller(rng):
    kind = rng.random()
    if kind < 0.06:
        return ""  # no caller ID
    if kind < 0.7:
        return "1" + rng.choice("3578") + "".join(rng.choice("0123456789") for _ in range(9))
    return "0571" + "".join(rng.choice("0123456789") for _ in range(8))


def digits(rng):
    return "".join(rng.choice("0123456789*#") for _ in range(rng.randint(1, 8)))


def talk_seconds(rng):
    """A few seconds to minutes, most calls short."""
    return round(min(3 + rng.expovariate(1 / 50), 600), 3)


class Box:
    def __init__(self, name, serial):
        self.name, self.serial = name, serial
        self.t = 1.0  # the box is free from here on


def generate(seed, days, boxes, ring_gap):
    rng = random.Random(seed)
    end = days * DAY
    lines = []  # (time, order, text): the order keeps lines of one time as written
    calls = []

    def at(t, text):
        lines.append((round(t, 3), len(lines), text))

    box_list = [Box("b%d" % (i + 1), 5001 + i) for i in range(boxes)]
    for b in box_list:
        at(0, "plug %s" % b.name)
        at(0, "audio %s tone %d" % (b.name, 300 + 40 * int(b.name[1:])))

    # Swaps: every box quiet around them, so that they are seen as moves alone.
    swaps = sorted(rng.uniform(0.1, 0.9) * end for _ in range(max(1, int(days))))
    quiet = [(s - ring_gap - 20, s + 10) for s in swaps]

    def in_quiet(t0, t1):
        return next((q for q in quiet if t0 < q[1] and t1 > q[0]), None)

    gap_after_missed = ring_gap + 2
    for b in box_list:
        while True:
            # Office hours are busy, nights quiet: the mean wait follows the time of day.
            hour = ((b.t + DAY_STARTS_S) % DAY) / 3600
            mean_wait = 600 if 8 <= hour < 18 else 3600
            t = b.t + 4 + rng.expovariate(1 / mean_wait)
            kind = rng.choices(["answered", "missed", "second", "outgoing", "pull-call", "pull-ring", "pull-idle",
                                "fault"], [60, 18, 7, 4, 2, 1, 2, 6])[0]
            # The longest span any kind takes, to keep clear of the end and the swaps.
            span = 700 + 2 * ring_gap + 20
            if t + span > end - QUIET_END_S:
                break
            q = in_quiet(t, t + span)
            if q:
                b.t = q[1] + 1
                continue
            number = caller(rng)
            if kind == "fault":
                at(t, "fault %s %s" % (b.name, rng.choice(FAULTS)))
                b.t = t + 1
                continue
            if kind == "pull-idle":
                at(t, "unplug %s" % b.name)
                back = t + rng.uniform(3, 60)
                at(back, "plug %s" % b.name)
                b.t = back + 3
                continue
            if kind == "outgoing":
                up = t
                down = up + talk_seconds(rng)
                dialled = "".join(rng.choice("0123456789") for _ in range(rng.randint(5, 12)))
                at(up, "offhook %s" % b.name)
                at(up + 1.5, "dtmf %s %s" % (b.name, dialled))
                at(down + 1.5, "hangup %s" % b.name)
                calls.append(dict(box=b.name, serial=b.serial, caller="", kind="outgoing", ring=up, up=up,
                                  down=down + 1.5, digits=dialled, outcomes=["answered"], direction="outgoing"))
                b.t = down + 6
                continue
            ring_for = round(rng.uniform(1, 12), 3)
            ring_line = "ring %s" % b.name + (" caller %s" % number if number else "")
            if kind == "second":
                # The first caller gives up; a second one rings within the ring gap. The
                # first must have a number, or the second's would be taken for its late one.
                while not number:
                    number = caller(rng)
                ring_line = "ring %s caller %s" % (b.name, number)
                at(t, ring_line)
                at(t + ring_for, "hangup %s" % b.name)
                calls.append(dict(box=b.name, serial=b.serial, caller=number, kind="missed", ring=t, up=None,
                                  down=t + ring_for, digits="", outcomes=["missed"], direction="incoming"))
                other = caller(rng)
                while other == number or not other:
                    other = caller(rng)
                number = other
                t = t + ring_for + rng.uniform(1, ring_gap - 2)
                ring_line = "ring %s caller %s" % (b.name, number)
                kind = rng.choice(["answered", "missed"])
            at(t, ring_line)
            if kind == "missed":
                at(t + ring_for, "hangup %s" % b.name)
                calls.append(dict(box=b.name, serial=b.serial, caller=number, kind="missed", ring=t, up=None,
                                  down=t + ring_for, digits="", outcomes=["missed"], direction="incoming"))
                b.t = t + ring_for + gap_after_missed
                continue
            if kind == "pull-ring":
                at(t + ring_for, "unplug %s" % b.name)
                back = t + ring_for + rng.uniform(3, 60)
                at(back, "plug %s" % b.name)
                calls.append(dict(box=b.name, serial=b.serial, caller=number, kind="pulled", ring=t, up=None,
                                  down=t + ring_for, digits="", outcomes=["unplugged"], direction="incoming"))
                b.t = back + 3
                continue
            up = t + ring_for
            talk = talk_seconds(rng)
            at(up, "offhook %s" % b.name)
            dialled = ""
            if talk > 4 and rng.random() < 0.4:
                dialled = digits(rng)
                at(up + rng.uniform(1, talk - 2), "dtmf %s %s" % (b.name, dialled))
            down = up + talk
            if kind == "pull-call":
                at(down, "unplug %s" % b.name)
                back = down + rng.uniform(3, 60)
                at(back, "plug %s" % b.name)
                calls.append(dict(box=b.name, serial=b.serial, caller=number, kind="pulled", ring=t, up=up, down=down,
                                  digits=dialled, outcomes=["unplugged"], direction="incoming"))
                b.t = back + 3
                continue
            at(down, "hangup %s" % b.name)
            calls.append(dict(box=b.name, serial=b.serial, caller=number, kind="answered", ring=t, up=up, down=down,
                              digits=dialled, outcomes=["answered"], direction="incoming"))
            b.t = down + 5

    # Two boxes swapped within one round: both pulled and plugged back the other way round.
    for s in swaps:
        a, b = rng.sample(box_list, 2)
        for text in ("unplug %s" % a.name, "unplug %s" % b.name, "plug %s" % b.name, "plug %s" % a.name):
            at(s, text)
    lines.sort()
    clock = clock_at_start(end)
    text = ["# soak scenario: seed %d, %g days, %d boxes" % (seed, days, boxes), "clock %.3f" % clock]
    text += ["at %.3f %s" % (t, what) for t, _, what in lines]
    text.append("at %d end" % end)
    calls.sort(key=lambda c: c["ring"])
    manifest = dict(seed=seed, days=days, boxes=boxes, ring_gap=ring_gap, end=end, clock=clock,
                    wraps=[w - clock for w in (SIGNED_S, WRAP_S) if 0 < w - clock < end], swaps=swaps,
                    pulls=sum(1 for _, _, w in lines if w.startswith("unplug")),
                    faults=sum(1 for _, _, w in lines if w.startswith("fault")), calls=calls)
    return "\n".join(text) + "\n", manifest


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--days", type=float, default=30)
    p.add_argument("--boxes", type=int, default=8)
    p.add_argument("--ring-gap", type=float, default=6, help="the recorder's --ring-gap, in simulated seconds")
    p.add_argument("scenario")
    p.add_argument("manifest")
    a = p.parse_args()
    text, manifest = generate(a.seed, a.days, a.boxes, a.ring_gap)
    with open(a.scenario, "w") as f:
        f.write(text)
    with open(a.manifest, "w") as f:
        json.dump(manifest, f)


if __name__ == "__main__":
    main()
