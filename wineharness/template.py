"""The template prefix of each flavour, which every prefix is a copy of: booted once under
build/e2e/ (guarded by a file lock, so that tests running side by side do not boot it
twice) and made again when its make-up or the system's fonts change. It is set to
Windows 95, has Plus! Themes registered (App Paths THEMES.EXE, its "Path" ending in a
semicolon), the Fonts shell folder and in it the bitmap "MS Sans Serif" and Marlett.
"""

import fcntl
import hashlib
import os
import shutil
import subprocess
import time

from .flavour import ROOT, flavour, log
from .regfile import Registry

E2E_DIR = os.path.join(ROOT, "build", "e2e")

BASE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
}

# Where the prefixes' Plus! Themes lives; the registered "Path" ends in a semicolon, as
# the real component writes it.
THEMES_DIR_WIN = "C:\\Program Files\\Plus!\\Themes"
FONTS_DIR_WIN = "C:\\windows\\Fonts"
INSTALLER_DIR_WIN = "C:\\Decorama"

# Bump when the template's make-up changes, so an old template is rebuilt.
TEMPLATE_VERSION = "6"

# Fonts of Windows 95 that a new prefix lacks (Debian's fonts-wine): the bitmap face
# "MS Sans Serif", without which Wine draws dialogs in a wider face that cuts their
# captions, and Marlett, the glyphs of the title bar's buttons.
WIN95_FONTS = ["/usr/share/wine/fonts/sserife.fon", "/usr/share/wine/fonts/marlett.ttf"]
# Where fontconfig finds the system's fonts: Wine records them in a new prefix's
# registry, so a template made before a font was added or removed is made again.
SYSTEM_FONT_DIRS = ["/usr/share/fonts", "/usr/local/share/fonts", os.path.expanduser("~/.fonts"),
                    os.path.expanduser("~/.local/share/fonts")]


def _run(cmd, env, timeout, cwd=None):
    return subprocess.run(cmd, env=env, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=timeout)


def _template_reg():
    themes = THEMES_DIR_WIN.replace("\\", "\\\\")
    fonts = FONTS_DIR_WIN.replace("\\", "\\\\")
    return (
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Wine]\r\n"
        "\"Version\"=\"win95\"\r\n\r\n"
        # Without a window manager, hiding a managed window waits two seconds for a
        # state change that never comes; unmanaged windows close at once.
        "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"
        "\"Managed\"=\"N\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE]\r\n"
        "@=\"" + themes + "\\\\THEMES.EXE\"\r\n"
        "\"Path\"=\"" + themes + ";\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
        "\"Fonts\"=\"" + fonts + "\"\r\n\r\n")


def _read(path):
    with open(path) as f:
        return f.read().strip()


def _template_stamp():
    """The template's version and the set of system fonts it was made with."""
    h = hashlib.sha1()
    for top in SYSTEM_FONT_DIRS:
        for dirpath, dirnames, filenames in os.walk(top):
            dirnames.sort()
            for fn in sorted(filenames):
                full = os.path.join(dirpath, fn)
                h.update(("%s %d\n" % (full, os.path.getsize(full) if os.path.isfile(full) else -1)).encode())
    return TEMPLATE_VERSION + " fonts " + h.hexdigest()[:16]


def template_prefix():
    """Path of the booted template prefix of this flavour (booted once, under a lock)."""
    fl = flavour()
    os.makedirs(E2E_DIR, exist_ok=True)
    path = os.path.join(E2E_DIR, "template-" + fl.name)
    marker = os.path.join(path, ".e2e-ready")
    lock_path = path + ".lock"
    stamp = _template_stamp()
    with open(lock_path, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            if os.path.exists(marker) and _read(marker) == stamp:
                return path
            log("booting the template prefix %s" % path)
            t0 = time.time()
            tmp = path + ".boot"
            shutil.rmtree(tmp, ignore_errors=True)
            shutil.rmtree(path, ignore_errors=True)
            env = dict(os.environ, WINEPREFIX=tmp, **BASE_ENV)
            env.pop("DISPLAY", None)
            if fl.winearch == "win32":
                env["WINEARCH"] = "win32"
            r = _run([fl.wine, "wineboot", "-i"], env, 300)
            if r.returncode != 0:
                raise RuntimeError("wineboot failed: %s" % r.stderr.decode(errors="replace")[-2000:])
            _run([fl.wineserver, "-w"], env, 120)
            # the fonts before the next start of Wine, which takes them in
            os.makedirs(unix_path(tmp, FONTS_DIR_WIN), exist_ok=True)
            for font in WIN95_FONTS:
                shutil.copy(font, unix_path(tmp, FONTS_DIR_WIN))
            regfile = os.path.join(tmp, "drive_c", "e2e-template.reg")
            with open(regfile, "w", newline="") as f:
                f.write(_template_reg())
            r = _run([fl.wine, "reg", "import", "C:\\e2e-template.reg"], env, 120)
            if r.returncode != 0:
                raise RuntimeError("reg import failed: %s" % r.stderr.decode(errors="replace"))
            os.unlink(regfile)
            _run([fl.wineserver, "-k"], env, 60)
            _run([fl.wineserver, "-w"], env, 60)
            os.makedirs(unix_path(tmp, THEMES_DIR_WIN), exist_ok=True)
            os.makedirs(unix_path(tmp, INSTALLER_DIR_WIN), exist_ok=True)
            os.makedirs(unix_path(tmp, FONTS_DIR_WIN), exist_ok=True)
            reg = Registry(tmp)
            if reg.value("HKCU\\Software\\Wine", "Version") != "win95":
                raise RuntimeError("template prefix: Version not set to win95")
            os.rename(tmp, path)
            with open(marker, "w") as f:
                f.write(stamp + "\n")
            log("template ready in %.1f s" % (time.time() - t0))
            return path
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)


def unix_path(prefix_dir, win_path):
    """Unix path of a C: path inside a prefix (case as given)."""
    p = win_path.replace("/", "\\")
    if len(p) >= 2 and p[1] == ":":
        drive = p[0].lower()
        p = p[2:]
    else:
        drive = "c"
    if drive != "c":
        raise ValueError("only drive C is mapped: %s" % win_path)
    parts = [x for x in p.split("\\") if x]
    return os.path.join(prefix_dir, "drive_c", *parts)
