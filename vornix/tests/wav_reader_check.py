#!/usr/bin/env python3
"""Reads a call recording back with Python's own WAV reader and compares it.

usage: wav_reader_check.py RECORDING.wav EXPECTED_SAMPLES.raw

Exit status 0 when the recording opens as 8000 Hz, 8-bit, mono PCM and its samples
are exactly the bytes of EXPECTED_SAMPLES.raw; 1 otherwise, with the reason on
stderr. Used by the recording tests as a reader that shares no code with the
library.
"""
import sys
import wave

RATE = 8000
SAMPLE_BYTES = 1
CHANNELS = 1


def check(recording, expected_path):
    with open(expected_path, "rb") as f:
        expected = f.read()
    with wave.open(recording, "rb") as w:
        found = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
        wanted = (CHANNELS, SAMPLE_BYTES, RATE, "NONE")
        if found != wanted:
            return "format %r, expected %r" % (found, wanted)
        if w.getnframes() != len(expected):
            return "%d samples, expected %d" % (w.getnframes(), len(expected))
        samples = w.readframes(w.getnframes())
    if samples != expected:
        first = next(i for i, (a, b) in enumerate(zip(samples, expected)) if a != b)
        return "samples differ first at sample %d" % first
    return None


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        problem = check(argv[1], argv[2])
    except (OSError, EOFError, wave.Error) as e:
        problem = "unreadable: %s" % e
    if problem:
        print("%s: %s" % (argv[1], problem), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
