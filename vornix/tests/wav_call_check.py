#!/usr/bin/env python3
"""Reads call recordings with Python's own WAV reader: format, length and tone.

usage: wav_call_check.py FILE SECONDS HZ
       wav_call_check.py --folder DIR SECONDS@HZ [SECONDS@HZ ...]

Each recording must open as 8000 Hz, 8-bit, mono PCM, last SECONDS to within one
2.048 s audio block, and carry a tone of HZ (counted by zero crossings, within 3 %).
With --folder, the .wav files of DIR in name order must match the list one by one.
Exit status 0 when all match, 1 otherwise with the reasons on stderr.
"""
import os
import sys
import wave

RATE = 8000
BLOCK_SECONDS = 2.048
MIDDLE = 128  # the silent sample value of unsigned 8-bit audio


def problem_of(path, seconds, hz):
    with wave.open(path, "rb") as w:
        found = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
        if found != (1, 1, RATE, "NONE"):
            return "format %r, expected mono 8-bit 8000 Hz PCM" % (found,)
        frames = w.getnframes()
        samples = w.readframes(frames)
    length = frames / RATE
    if abs(length - seconds) > BLOCK_SECONDS + 1e-9:
        return "%.3f s long, expected %.3f s within one block" % (length, seconds)
    if frames == 0:
        return "no audio"
    crossings = sum(1 for a, b in zip(samples, samples[1:]) if (a < MIDDLE) != (b < MIDDLE))
    tone = crossings / 2 / length
    if abs(tone - hz) > 0.03 * hz:
        return "carries %.1f Hz, expected %.1f Hz" % (tone, hz)
    print("%s: %.3f s of %.1f Hz (expected %.3f s of %.1f Hz)" % (path, length, tone, seconds, hz))
    return None


def main(argv):
    if len(argv) >= 3 and argv[1] == "--folder":
        folder, specs = argv[2], argv[3:]
        files = sorted(f for f in os.listdir(folder) if f.endswith(".wav"))
        if len(files) != len(specs):
            print("%s: %d recordings %r, expected %d" % (folder, len(files), files, len(specs)), file=sys.stderr)
            return 1
        pairs = [(os.path.join(folder, f), s.split("@")) for f, s in zip(files, specs)]
    elif len(argv) == 4:
        pairs = [(argv[1], argv[2:])]
    else:
        print(__doc__, file=sys.stderr)
        return 2
    failed = 0
    for path, (seconds, hz) in pairs:
        try:
            problem = problem_of(path, float(seconds), float(hz))
        except (OSError, EOFError, wave.Error) as e:
            problem = "unreadable: %s" % e
        if problem:
            print("%s: %s" % (path, problem), file=sys.stderr)
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
