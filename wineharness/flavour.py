"""Which Wine runs the built Windows programs here, and where the builds are.

32-bit Wine with the build/win32 programs where the machine runs Wine's 32-bit loader;
else /usr/lib/wine/wine64 with a 64-bit prefix and the build/win64 programs.
ZELVO_E2E_FLAVOUR=win64 forces the second; ZELVO_E2E_WIN32_DIR and ZELVO_E2E_WIN64_DIR
name other build folders.
"""

import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def log(msg):
    sys.stderr.write("[e2e] %s\n" % msg)
    sys.stderr.flush()


class Flavour:
    def __init__(self, name, wine, build_dir, winearch):
        self.name = name
        self.wine = wine
        self.build_dir = build_dir
        self.winearch = winearch
        ws = os.path.join(os.path.dirname(wine), "wineserver")
        self.wineserver = ws if os.path.exists(ws) else "wineserver"

    def program(self, name):
        return os.path.join(self.build_dir, name)


_flavour = None


def flavour():
    """32-bit wine with build/win32 when its loader runs here, else wine64 with build/win64."""
    global _flavour
    if _flavour is not None:
        return _flavour
    forced = os.environ.get("ZELVO_E2E_FLAVOUR")
    wine32 = "/usr/lib/wine/wine"
    ok32 = False
    if forced != "win64" and os.path.exists(wine32):
        try:
            r = subprocess.run([wine32, "--version"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
            ok32 = r.returncode == 0
        except (OSError, subprocess.TimeoutExpired):
            ok32 = False
    if ok32 and forced != "win64":
        _flavour = Flavour("win32", wine32,
                           os.environ.get("ZELVO_E2E_WIN32_DIR") or os.path.join(ROOT, "build", "win32"), "win32")
    else:
        wine64 = "/usr/lib/wine/wine64"
        if not os.path.exists(wine64):
            wine64 = shutil.which("wine64") or "wine64"
        _flavour = Flavour("win64", wine64,
                           os.environ.get("ZELVO_E2E_WIN64_DIR") or os.path.join(ROOT, "build", "win64"), "win64")
    log("Wine flavour: %s (%s), programs from %s" % (_flavour.name, _flavour.wine, _flavour.build_dir))
    return _flavour


def require_programs(*names):
    """Skip-worthy reason (a string) when a program of the build is missing, else None."""
    fl = flavour()
    for n in names:
        if not os.path.exists(fl.program(n)):
            return "%s not built (run cmake --build --preset %s)" % (fl.program(n), fl.name)
    return None
