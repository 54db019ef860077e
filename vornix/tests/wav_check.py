#!/usr/bin/env python3
"""Reads call recordings back with Python's own WAV reader, which shares no code with
the library, and compares them with what they should hold.

usage: wav_check.py --samples FILE EXPECTED_SAMPLES.raw
       wav_check.py FILE SECONDS HZ
       wav_check.py --folder DIR SECONDS@HZ [SECONDS@HZ ...]

Every recording must open as 8000 Hz, 8-bit, mono PCM. With --samples its samples
must be exactly the bytes of the raw file. Otherwise it must last SECONDS to within
one 2.048 s audio block and carry a tone of HZ (counted by zero crossings, within
3 %); with --folder, the .wav files of DIR in name order must match the list one by
one. Exit status 0 when all match, 1 otherwise with the reasons on stderr.
"""
import os
import sys
import wave

RATE = 8000
BLOCK_SECONDS = 2.048
MIDDLE = 128  # the silent sample value of unsigned 8-bit audio


def read(path):
    """The samples, or a problem with the format."""
    with wave.open(path, "rb") as w:
        found = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
        if found != (1, 1, RATE, "NONE"):
            return None, "format %r, expected mono 8-bit 8000 Hz PCM" % (found,)
        return w.readframes(w.getnframes()), None


def samples_problem(path, expected_path):
    with open(expected_path, "rb") as f:
        expected = f.read()
    samples, problem = read(path)
    if problem:
        return problem
    if len(samples) != len(expected):
        return "%d samples, expected %d" % (len(samples), len(expected))
    if samples != expected:
        first = next(i for i, (a, b) in enumerate(zip(samples, expected)) if a != b)
        return "samples differ first at sample %d" % first
    return None


def call_problem(path, seconds, hz):
    samples, problem = read(path)
    if problem:
        return problem
    length = len(samples) / RATE
    if abs(length - seconds) > BLOCK_SECONDS + 1e-9:
        return "%.3f s long, expected %.3f s within one block" % (length, seconds)
    if not samples:
        return "no audio"
    crossings = sum(1 for a, b in zip(samples, samples[1:]) if (a < MIDDLE) != (b < MIDDLE))
    tone = crossings / 2 / length
    if abs(tone - hz) > 0.03 * hz:
        return "carries %.1f Hz, expected %.1f Hz" % (tone, hz)
    print("%s: %.3f s of %.1f Hz (expected %.3f s of %.1f Hz)" % (path, length, tone, seconds, hz))
    return None


def checks(argv):
    """(path, check) pairs for the command line, or None when it is not understood."""
    if len(argv) == 4 and argv[1] == "--samples":
        return [(argv[2], lambda p: samples_problem(p, argv[3]))]
    if len(argv) >= 3 and argv[1] == "--folder":
        folder, wanted = argv[2], argv[3:]
        files = sorted(f for f in os.listdir(folder) if f.endswith(".wav"))
        if len(files) != len(wanted):
            return [(folder, lambda p: "%d recordings %r, expected %d" % (len(files), files, len(wanted)))]
        return [(os.path.join(folder, f), lambda p, s=s: call_problem(p, *map(float, s.split("@"))))
                for f, s in zip(files, wanted)]
    if len(argv) == 4:
        return [(argv[1], lambda p: call_problem(p, float(argv[2]), float(argv[3])))]
    return None


def main(argv):
    todo = checks(argv)
    if todo is None:
        print(__doc__, file=sys.stderr)
        return 2
    failed = 0
    for path, check in todo:
        try:
            problem = check(path)
        except (OSError, EOFError, wave.Error) as e:
            problem = "unreadable: %s" % e
        if problem:
            print("%s: %s" % (path, problem), file=sys.stderr)
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
