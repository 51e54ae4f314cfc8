#!/usr/bin/env python3
"""Installer benchmark (run by `make bench`, not by ctest).

Generates themes of 10, 100 and 1000 small files, installs and uninstalls each with
decorama.exe under Wine, and copies the same files with e2e-plaincopy.exe (CopyFileA in a
loop, same build), then prints the times and the ratios installer / plain copy.

The installer's time is the span from the answer to its confirmation question to the
appearance of its final message, as the driver sees it (the driver polls every 40 ms);
the plain copy times itself around its loop. Each figure is the best of three runs.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

SIZES = [10, 100, 1000]
REPEATS = 3
THEMES = harness.THEMES_DIR_WIN + "\\"


def window_time(run, text):
    for e in run.windows():
        if any(c["text"] == text for c in e.get("controls", [])):
            return e["t"]
    raise RuntimeError("no window with %r:\n%r" % (text, run))


def answer_time(run, index=0):
    answers = [e for e in run.events if e["event"] == "answer"]
    return answers[index]["t"]


def bench(prefix, n):
    src = "C:\\Bench\\T%d" % n
    names = ["b%04d.dat" % i for i in range(n)]
    lines = ["[Bench]"] + ["F%d=%%ThemeDir%%%s" % (i, name) for i, name in enumerate(names)]
    prefix.write_file(src + "\\Bench%d.the" % n, "".join(l + "\r\n" for l in lines))
    for name in names:
        prefix.write_file(src + "\\" + name, ("data %s\r\n" % name) * 8)
    listing = "".join("%s\\%s,C:\\Plain%d\\%s\n" % (src, name, n, name) for name in names)
    prefix.write_file("C:\\Bench\\list%d.txt" % n, listing)

    install, uninstall, plain = [], [], []
    for _ in range(REPEATS):
        run = prefix.drive('"C:\\Decorama\\decorama.exe"', answers=(1, 1), timeout=600, win_cwd=src)
        if run.exit_code != 1:
            raise RuntimeError("install failed:\n%r" % run)
        install.append(window_time(run, "Theme installed successfully!") - answer_time(run, 0))
        run = prefix.drive('"C:\\Decorama\\decorama.exe" /u "%sBench%d.the"' % (THEMES, n), answers=(1, 1),
                           timeout=600, win_cwd="C:\\")
        uninstall.append(window_time(run, "Theme uninstalled successfully!") - answer_time(run, 0))
        if prefix.exists(THEMES + names[0]):
            raise RuntimeError("uninstall left files behind")

        plain_dir = prefix.unix("C:\\Plain%d" % n)
        if os.path.isdir(plain_dir):
            for f in os.listdir(plain_dir):
                os.unlink(os.path.join(plain_dir, f))
        os.makedirs(plain_dir, exist_ok=True)
        r = prefix.wine([prefix.flavour.program("e2e-plaincopy.exe"), "C:\\Bench\\list%d.txt" % n], timeout=600)
        out = r.stdout.decode(errors="replace").split()
        if r.returncode != 0 or "ms" not in out:
            raise RuntimeError("plain copy failed: %r" % (r.stdout + r.stderr))
        plain.append(int(out[out.index("ms") + 1]))
    return min(install), min(uninstall), max(min(plain), 1)


def main():
    missing = harness.require_programs("decorama.exe", "e2e-driver.exe", "e2e-plaincopy.exe")
    if missing:
        print(missing)
        return 1
    prefix = harness.Prefix("bench-installer", display=harness.display())
    try:
        prefix.install_program("decorama.exe")
        print("Installer benchmark (%s, Wine %s): times in ms, best of %d" %
              (harness.flavour().name, os.path.basename(harness.flavour().wine), REPEATS))
        print("%6s %10s %10s %10s %14s %16s" % ("files", "install", "uninstall", "plaincopy", "install/copy",
                                                "uninstall/copy"))
        rows = []
        for n in SIZES:
            i, u, p = bench(prefix, n)
            rows.append((n, i, u, p))
            print("%6d %10d %10d %10d %14.2f %16.2f" % (n, i, u, p, i / p, u / p))
            sys.stdout.flush()
        if len(rows) > 1:
            (n0, i0, _, _), (n1, i1, _, _) = rows[-2], rows[-1]
            print("install growth from %d to %d files: %.1fx for %.0fx the files" % (n0, n1, i1 / max(i0, 1), n1 / n0))
    finally:
        prefix.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
