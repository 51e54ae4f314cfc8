"""wineharness: runs the built Windows programs under Wine on a virtual X display, for
the end-to-end tests, the fault matrix, the demo and the benchmarks. Python's standard
library only; one module a job:

- flavour: which Wine runs here (32-bit Wine and build/win32, or 64-bit Wine and
  build/win64) and where the built programs are;
- display: an Xvfb server, its screenshots, xdotool;
- pictures: screenshots and bitmaps as RGB data (boxes, counts, crops, PNG files);
- regfile: a reader of registry text (the hives Wine saves, what `reg export` writes);
- template: the template prefix of each flavour, booted once and set to Windows 95;
- prefix: `Prefix`, a private copy of the template, its programs, files and registry;
- driver: what e2e-driver.exe reports of a program's windows and exit, live or after;
- snapshot: snapshots of drive C and their differences;
- case: a unittest base with a fresh prefix per test case.

Callers put the repository's root folder on sys.path and import the modules.
"""
