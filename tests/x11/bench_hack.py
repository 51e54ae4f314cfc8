#!/usr/bin/env python3
"""zelvosav's benchmark (run by `make bench`, not by ctest).

CPU seconds used by zelvosav at -speed 10 and the X server together over the same
time, beside those of a reference program (bench_refblit) that only copies one
100 x 100 image per tick at the same interval, each drawing into a 1024 x 768 window
on Xvfb; printed as a ratio of the two in one run. Target: at most 1.25.
"""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from hack_case import ZELVOSAV, Connection, Display, TestWindow  # noqa: E402

SECONDS = float(os.environ.get("ZELVO_BENCH_SECONDS", "20"))
REFERENCE = os.path.join(os.path.dirname(ZELVOSAV), "tests", "x11", "bench_refblit_x11")
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_of(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def measure(display, connection, args):
    win = TestWindow(connection, 0, 0, display.width, display.height)
    proc = subprocess.Popen(args + ["-window-id", str(win.id)], env=dict(os.environ, DISPLAY=display.name))
    time.sleep(2)                      # let it start and settle
    pids = [proc.pid, display.proc.pid]
    before = [cpu_of(p) for p in pids]
    start = time.time()
    time.sleep(SECONDS)
    parts = [cpu_of(p) - b for p, b in zip(pids, before)]
    used = sum(parts)
    elapsed = time.time() - start
    alive = proc.poll() is None
    proc.terminate()
    proc.wait(10)
    win.destroy()
    if not alive:
        sys.exit("bench: %s ended before the measurement was over" % args[0])
    return used, elapsed, parts


def main():
    display = Display()
    connection = Connection(display)
    print("== zelvosav at -speed 10, %g s, in a %dx%d window on Xvfb" % (SECONDS, display.width, display.height))
    results = {}
    for label, args in (("zelvosav", [ZELVOSAV, "-speed", "10"]), ("reference", [REFERENCE, "10"])):
        used, elapsed, parts = measure(display, connection, args)
        results[label] = used
        print("  %-10s %6.2f CPU s in %.1f s (program %.2f, X server %.2f)"
              % (label, used, elapsed, parts[0], parts[1]))
    display.stop()
    ratio = results["zelvosav"] / results["reference"] if results["reference"] > 0 else float("inf")
    print("zelvosav / reference CPU ratio: %.2f (target <= 1.25)" % ratio)
    stripped = os.path.join(os.path.dirname(REFERENCE), "zelvosav.stripped")
    subprocess.run(["strip", "-o", stripped, ZELVOSAV], check=True)
    size = os.path.getsize(stripped)
    print("zelvosav (native, stripped as make install leaves it): %d bytes (%.1f KiB)" % (size, size / 1024.0))


if __name__ == "__main__":
    main()
