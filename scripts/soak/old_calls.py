#!/usr/bin/env python3
"""Calls of weeks ago already in a folder's log, with their recordings, so that a run
on the system's clock (the Windows host) has recordings old enough to retire."""
import datetime
import os
import struct
import sys

OLD_BOX = "4999"  # the serial code these calls are logged under


def write(folder, count, keep_days):
    audio = bytes(128 + (40 if (i // 10) % 2 else -40) for i in range(16384))
    header = (b"RIFF" + struct.pack("<I", 36 + len(audio)) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 1, 8000, 8000, 1, 8)
              + b"data" + struct.pack("<I", len(audio)))
    now = datetime.datetime.now().astimezone().replace(microsecond=0)
    rows = ["start,end,slot,box,direction,caller,digits,outcome,seconds,file\r\n"]
    for n in range(count):
        start = now - datetime.timedelta(days=keep_days + 1 + n, hours=3)
        name = start.strftime("%Y%m%d-%H%M%S-000") + "_slot0_%d.wav" % (13900000000 + n)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(header + audio)
        end = start + datetime.timedelta(seconds=2)
        rows.append("%s,%s,0,%s,incoming,%d,,answered,2,%s\r\n" % (start.isoformat(), end.isoformat(), OLD_BOX, 13900000000 + n, name))
    with open(os.path.join(folder, "calls.csv"), "w", newline="") as f:
        f.write("".join(rows))


if __name__ == "__main__":
    write(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]))
