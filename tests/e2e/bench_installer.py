#!/usr/bin/env python3
"""Installer benchmark (run by `make bench`, not by ctest).

Generates themes of 10, 100 and 600 small files, installs and uninstalls each with
decorama.exe under Wine, and beside it runs e2e-plaincopy.exe (same build) three times:
as a plain copy (CopyFileA in a loop), as the reference installation (each CopyFileA
followed by one WritePrivateProfileStringA of the file's key into a record file: the
work an installation must do) and as the reference uninstall (a DeleteFileA of each
copy). It prints the times and the ratios install / reference, install / plain copy
and uninstall / reference, then the time to install a theme of 30,000 lines naming
files that are not there.

The installer's time is the span from the return of its confirmation question to the
call that shows its final message, less the time a modal dialog waited for its answer,
as Wine's relay trace of those two calls stamps them (to the millisecond, traced alone
so that nothing else slows down); the reference and the plain copy time themselves
around their loops. Each time is the best of three runs (ZELVO_BENCH_REPEATS to
change); each ratio is the median of the runs' own ratios, each run's install and
reference being measured one right after the other, so that a machine busy with other
work weighs on both alike.
"""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
from wineharness.display import display  # noqa: E402
from wineharness.flavour import flavour, require_programs  # noqa: E402
from wineharness.prefix import Prefix  # noqa: E402

SIZES = [int(n) for n in os.environ.get("ZELVO_BENCH_SIZES", "10,100,600").split(",")]
REPEATS = int(os.environ.get("ZELVO_BENCH_REPEATS", "3"))
MISSING_LINES = 30000
# A short Themes folder: 600 files' record keys and stamps must fit the 32 KiB that an
# uninstall reads back.
THEMES_WIN = "C:\\T"
THEMES = THEMES_WIN + "\\"


# The calls whose times bound a job: its first and last message boxes, and the modal
# warning whose wait for an answer is not the job's.
TRACED = "user32.MessageBoxA;user32.DialogBoxParamA"
_trace = re.compile(r"^([\d.]+):([0-9a-f]+):(Call|Ret) +user32\.(MessageBoxA|DialogBoxParamA)\b")


def job_time(prefix, cmdline, answers, win_cwd):
    """Runs the installer under the driver with the calls above traced; the job's time in ms."""
    prefix.env["WINEDEBUG"] = "+timestamp,+relay"
    try:
        run = prefix.drive(cmdline, answers=answers, timeout=900, win_cwd=win_cwd)
    finally:
        prefix.env["WINEDEBUG"] = "-all"
    err = run.stderr if isinstance(run.stderr, str) else run.stderr.decode("latin-1")
    marks = [m.groups() for m in map(_trace.match, err.splitlines()) if m]
    start = next(float(t) for t, _, kind, fn in marks if fn == "MessageBoxA" and kind == "Ret")
    end = [float(t) for t, _, kind, fn in marks if fn == "MessageBoxA" and kind == "Call"][-1]
    waits, opened = 0.0, None
    for t, _, kind, fn in marks:
        if fn == "DialogBoxParamA":
            if kind == "Call":
                opened = float(t)
            elif opened is not None:
                waits += float(t) - opened
    return run, round((end - start - waits) * 1000)


def timed_copy(prefix, listing, target, record=None, delete=False):
    """Runs e2e-plaincopy over a listing into an emptied target folder (or, with delete, over
    what it copied there): its own time in ms."""
    plain_dir = prefix.unix(target)
    if os.path.isdir(plain_dir) and not delete:
        for f in os.listdir(plain_dir):
            os.unlink(os.path.join(plain_dir, f))
    os.makedirs(plain_dir, exist_ok=True)
    args = [prefix.flavour.program("e2e-plaincopy.exe")] + (["/delete"] if delete else []) + [listing]
    args += [record] if record else []
    r = prefix.wine(args, timeout=600)
    out = r.stdout.decode(errors="replace").split()
    if r.returncode != 0 or "ms" not in out:
        raise RuntimeError("plain copy failed: %r" % (r.stdout + r.stderr))
    return max(int(out[out.index("ms") + 1]), 1)


def bench(prefix, n):
    src = "C:\\Bench\\T%d" % n
    names = ["b%04d.dat" % i for i in range(n)]
    lines = ["[Bench]"] + ["F%d=%%ThemeDir%%%s" % (i, name) for i, name in enumerate(names)]
    prefix.write_file(src + "\\Bench%d.the" % n, "".join(l + "\r\n" for l in lines))
    for name in names:
        prefix.write_file(src + "\\" + name, ("data %s\r\n" % name) * 8)
    for target in ("Plain", "Reference"):
        listing = "".join("%s\\%s,C:\\%s%d\\%s\n" % (src, name, target[0], n, name) for name in names)
        prefix.write_file("C:\\Bench\\%s%d.txt" % (target, n), listing)

    install, uninstall, reference, plain, deletion = [], [], [], [], []
    for _ in range(REPEATS):
        run, took = job_time(prefix, '"C:\\Decorama\\decorama.exe"', (1, 1), src)
        if run.exit_code != 1:
            raise RuntimeError("install failed:\n%r" % run)
        install.append(took)
        run, took = job_time(prefix, '"C:\\Decorama\\decorama.exe" /u "%sBench%d.the"' % (THEMES, n), (1, 1), "C:\\")
        uninstall.append(took)
        if prefix.exists(THEMES + names[0]):
            raise RuntimeError("uninstall left files behind")
        record = "C:\\Reference%d.the" % n
        prefix.write_file(record, "".join(l + "\r\n" for l in lines))
        reference.append(timed_copy(prefix, "C:\\Bench\\Reference%d.txt" % n, "C:\\R%d" % n, record))
        plain.append(timed_copy(prefix, "C:\\Bench\\Plain%d.txt" % n, "C:\\P%d" % n))
        deletion.append(timed_copy(prefix, "C:\\Bench\\Plain%d.txt" % n, "C:\\P%d" % n, delete=True))
    middle = len(install) // 2
    ratios = [sorted(a / b for a, b in zip(top, bottom))[middle]
              for top, bottom in ((install, reference), (install, plain), (uninstall, deletion))]
    return min(install), min(uninstall), min(reference), min(plain), min(deletion), ratios


def missing_files_bench(prefix):
    """A theme of 30,000 lines naming files that are not there (about 1 MB): the time from
    the confirmation to the final message, the one missing-component warning answered."""
    src = "C:\\Bench\\Missing"
    lines = ["[Missing]"] + ["F%d=%%ThemeDir%%m%05d.bmp" % (i, i) for i in range(MISSING_LINES - 1)]
    prefix.write_file(src + "\\Missing.the", "".join(l + "\r\n" for l in lines))
    run, took = job_time(prefix, '"C:\\Decorama\\decorama.exe"', (1, 1, 1), src)
    if run.exit_code != 1:
        raise RuntimeError("install failed:\n%r" % run)
    prefix.drive('"C:\\Decorama\\decorama.exe" /u "%sMissing.the"' % THEMES, answers=(1, 1), timeout=600,
                 win_cwd="C:\\")
    return took


def main():
    missing = require_programs("decorama.exe", "e2e-driver.exe", "e2e-plaincopy.exe")
    if missing:
        print(missing)
        return 1
    prefix = Prefix("bench-installer", display=display())
    try:
        prefix.install_program("decorama.exe")
        os.makedirs(prefix.unix(THEMES_WIN), exist_ok=True)
        prefix.reg_add("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE", "Path", THEMES_WIN)
        prefix.reg_add("HKCU\\Software\\Wine\\Debug", "RelayInclude", TRACED)
        print("Installer benchmark (%s, Wine %s): times in ms, best of %d" %
              (flavour().name, os.path.basename(flavour().wine), REPEATS))
        print("%6s %9s %10s %10s %10s %10s %12s %13s %15s" % (
            "files", "install", "uninstall", "reference", "plaincopy", "deletion", "install/ref", "install/copy",
            "uninstall/ref"))
        rows = []
        for n in SIZES:
            i, u, r, p, d, (ratio_ref, ratio_copy, ratio_delete) = bench(prefix, n)
            rows.append((n, i))
            print("%6d %9d %10d %10d %10d %10d %12.2f %13.2f %15.2f" % (n, i, u, r, p, d, ratio_ref, ratio_copy,
                                                                      ratio_delete))
            sys.stdout.flush()
        print("targets: install/ref <= 2 at 10 files, <= 1.25 at 100 and 600; uninstall/ref <= 1.5 at 600")
        if len(rows) > 1:
            (n0, i0), (n1, i1) = rows[-2], rows[-1]
            print("install growth from %d to %d files: %.1fx for %.0fx the files" % (n0, n1, i1 / max(i0, 1), n1 / n0))
        if os.environ.get("ZELVO_BENCH_MISSING", "1") != "0":
            took = missing_files_bench(prefix)
            print("theme of %d lines naming missing files: %d ms (target < 5000)" % (MISSING_LINES, took))
    finally:
        prefix.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
