"""End-to-end harness: runs the built Windows programs under Wine on a virtual X display.

Python standard library only. What it gives the tests:

- the Wine flavour: 32-bit wine with the build/win32 programs where the 32-bit loader
  runs, else /usr/lib/wine/wine64 with a 64-bit prefix and the build/win64 programs;
- one template prefix per flavour, booted once under build/e2e/ (guarded by a file
  lock, so tests running side by side do not boot it twice), set to Windows 95, with
  Plus! Themes registered (App Paths THEMES.EXE, "Path" ending in a semicolon), the
  Fonts shell folder and in it the bitmap "MS Sans Serif" and Marlett;
- `Prefix`: a fresh copy of the template per test case, its own wineserver (ended on
  close), program runs with time-outs, the Win32 driver (e2e-driver.exe), the registry
  (written with `reg`, read by parsing user.reg/system.reg after the server has
  saved them), drive_c snapshots and comparisons;
- `Display`: an Xvfb server on a free display, screenshots, xdotool.

Set ZELVO_E2E_KEEP=1 to keep the test prefixes for inspection.
"""

import atexit
import fcntl
import hashlib
import json
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
E2E_DIR = os.path.join(ROOT, "build", "e2e")

BASE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
}

# Where the tests' Plus! Themes lives; the registered "Path" ends in a semicolon, as
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


def log(msg):
    sys.stderr.write("[e2e] %s\n" % msg)
    sys.stderr.flush()


# ---------------------------------------------------------------- flavour

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


# ---------------------------------------------------------------- display

def _die_with_parent():
    """In a child before exec: get SIGTERM when the test process dies, even by SIGKILL."""
    try:
        import ctypes
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class Display:
    """An Xvfb server on a display it picks itself (-displayfd), ended at exit."""

    def __init__(self, width=1024, height=768):
        self.width = width
        self.height = height
        rfd, wfd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-wr"],
            pass_fds=(wfd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True, preexec_fn=_die_with_parent)
        os.close(wfd)
        num = b""
        deadline = time.time() + 20
        while time.time() < deadline and not num.endswith(b"\n"):
            import select
            r, _, _ = select.select([rfd], [], [], 0.5)
            if r:
                chunk = os.read(rfd, 16)
                if not chunk:
                    break
                num += chunk
        os.close(rfd)
        if not num.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + num.decode().strip()
        atexit.register(self.stop)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)

    def env(self):
        return {"DISPLAY": self.name}

    def screenshot(self, path=None):
        """The whole screen as an Image (and saved as a PNG at path if given)."""
        env = dict(os.environ, DISPLAY=self.name)
        r = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        if r.returncode != 0:
            raise RuntimeError("import failed: %s" % r.stderr.decode(errors="replace"))
        img = Image.from_ppm(r.stdout)
        if path:
            img.save_png(path)
        return img

    def xdotool(self, *args, timeout=15):
        env = dict(os.environ, DISPLAY=self.name)
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)


_display = None


def display():
    """The display of this test process, started on first use."""
    global _display
    if _display is None:
        _display = Display()
        log("Xvfb on %s" % _display.name)
    return _display


class Image:
    """An RGB picture with the few queries the tests need."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    @staticmethod
    def from_ppm(raw):
        # P6\n<w> <h>\n<max>\n<bytes>, comments allowed in the header
        tokens = []
        pos = 0
        while len(tokens) < 4:
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos) + 1
                continue
            start = pos
            while not raw[pos:pos + 1].isspace():
                pos += 1
            tokens.append(raw[start:pos])
        pos += 1
        if tokens[0] != b"P6" or int(tokens[3]) != 255:
            raise ValueError("unexpected picture format")
        w, h = int(tokens[1]), int(tokens[2])
        return Image(w, h, raw[pos:pos + w * h * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def bbox(self, predicate, region=None):
        """Smallest box (x0, y0, x1, y1), ends exclusive, of pixels for which predicate(rgb) holds."""
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        minx = miny = None
        maxx = maxy = -1
        d = self.data
        for y in range(y0, y1):
            row = y * self.width * 3
            for x in range(x0, x1):
                i = row + x * 3
                if predicate((d[i], d[i + 1], d[i + 2])):
                    if minx is None or x < minx:
                        minx = x
                    if miny is None:
                        miny = y
                    if x > maxx:
                        maxx = x
                    maxy = y
        if minx is None:
            return None
        return (minx, miny, maxx + 1, maxy + 1)

    def non_black_bbox(self, region=None):
        """Box of the pixels that are not pure black (fast path over raw bytes)."""
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        minx = miny = None
        maxx = maxy = -1
        d = self.data
        zero = bytes((x1 - x0) * 3)
        for y in range(y0, y1):
            row = d[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            if row == zero:
                continue
            stripped_l = len(row) - len(row.lstrip(b"\0"))
            stripped_r = len(row) - len(row.rstrip(b"\0"))
            lx = x0 + stripped_l // 3
            rx = x1 - 1 - stripped_r // 3
            minx = lx if minx is None else min(minx, lx)
            maxx = max(maxx, rx)
            if miny is None:
                miny = y
            maxy = y
        if minx is None:
            return None
        return (minx, miny, maxx + 1, maxy + 1)

    def count(self, rgb, region=None):
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        n = 0
        want = bytes(rgb)
        for y in range(y0, y1):
            row = self.data[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            for i in range(0, len(row), 3):
                if row[i:i + 3] == want:
                    n += 1
        return n

    def save_png(self, path):
        import struct
        import zlib
        raw = b"".join(b"\0" + self.data[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(tag, body):
            return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body) & 0xffffffff)

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))


# ---------------------------------------------------------------- registry files

def _unescape_reg(s):
    out = []
    i = 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            if n == "n":
                out.append("\n")
            elif n == "r":
                out.append("\r")
            elif n == "t":
                out.append("\t")
            elif n == "0":
                out.append("\0")
            elif n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
                if m:
                    out.append(chr(int(m.group(0), 16)))
                    i += 2 + len(m.group(0))
                    continue
                out.append("x")
            else:
                out.append(n)
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def _parse_value(text):
    if text.startswith('"'):
        # "..." up to the closing quote that is not escaped
        i = 1
        while i < len(text):
            if text[i] == "\\":
                i += 2
                continue
            if text[i] == '"':
                break
            i += 1
        return ("sz", _unescape_reg(text[1:i]))
    if text.startswith("str(2):\""):
        return ("expand_sz", _unescape_reg(text[8:-1]))
    if text.startswith("dword:"):
        return ("dword", int(text[6:], 16))
    m = re.match(r"hex(?:\(([0-9a-f]+)\))?:(.*)", text, re.S)
    if m:
        kind = int(m.group(1), 16) if m.group(1) else 3
        data = bytes(int(b, 16) for b in m.group(2).replace("\\\n", "").replace(" ", "").split(",") if b)
        return ("hex%d" % kind, data)
    return ("raw", text)


def parse_reg_file(path):
    """Wine registry file -> {lower-case key path: (key path, {lower-case name: (name, (type, value))})}.

    The default value has the name "".
    """
    keys = {}
    cur = None
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.startswith("["):
            end = line.rfind("]")
            name = _unescape_reg(line[1:end])
            cur = {}
            keys[name.lower()] = (name, cur)
            continue
        if cur is None or not line or line.startswith("#") or line.startswith(";"):
            continue
        while line.endswith("\\") and i < len(lines):  # continued hex data
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("@="):
            cur[""] = ("", _parse_value(line[2:]))
        elif line.startswith('"'):
            j = 1
            while j < len(line):
                if line[j] == "\\":
                    j += 2
                    continue
                if line[j] == '"':
                    break
                j += 1
            vname = _unescape_reg(line[1:j])
            rest = line[j + 1:]
            if rest.startswith("="):
                cur[vname.lower()] = (vname, _parse_value(rest[1:]))
    return keys


class Registry:
    """A saved view of a prefix's registry: HKLM (system.reg) and HKCU (user.reg)."""

    def __init__(self, prefix_dir):
        self.hklm = parse_reg_file(os.path.join(prefix_dir, "system.reg"))
        self.hkcu = parse_reg_file(os.path.join(prefix_dir, "user.reg"))

    def _split(self, path):
        root, _, sub = path.partition("\\")
        root = root.upper()
        if root in ("HKLM", "HKEY_LOCAL_MACHINE"):
            return self.hklm, sub
        if root in ("HKCU", "HKEY_CURRENT_USER"):
            return self.hkcu, sub
        if root in ("HKCR", "HKEY_CLASSES_ROOT"):
            return self.hklm, "Software\\Classes\\" + sub
        raise ValueError(path)

    def key(self, path):
        """{lower-case name: (name, (type, value))} of a key, or None when it does not exist."""
        hive, sub = self._split(path)
        entry = hive.get(sub.lower())
        return None if entry is None else entry[1]

    def exists(self, path):
        return self.key(path) is not None

    def value(self, path, name=""):
        """The data of a value (a str for strings), or None when key or value is missing."""
        k = self.key(path)
        if k is None or name.lower() not in k:
            return None
        return k[name.lower()][1][1]

    def subkeys(self, path):
        hive, sub = self._split(path)
        pre = sub.lower() + "\\"
        out = set()
        for low, (name, _) in hive.items():
            if low.startswith(pre):
                out.add(name[len(pre):].split("\\")[0])
        return sorted(out, key=str.lower)

    def tree(self, path):
        """Everything under a key, for before/after comparisons: {key: {name: (type, value)}}."""
        hive, sub = self._split(path)
        low = sub.lower()
        out = {}
        for k, (name, vals) in hive.items():
            if k == low or k.startswith(low + "\\"):
                out[name] = {vn: tv for vn, tv in ((v[0], v[1]) for v in vals.values())}
        return out


# ---------------------------------------------------------------- template prefix

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


# ---------------------------------------------------------------- test prefix

_counter = [0]
_open_prefixes = []


def _close_open_prefixes():
    for p in list(_open_prefixes):
        try:
            p.close()
        except Exception:  # best effort at exit
            pass


atexit.register(_close_open_prefixes)


def _remove_stale_runs(run_dir):
    """Prefixes left by test processes that died (their name holds the process id)."""
    for entry in os.listdir(run_dir):
        m = re.match(r".*-(\d+)-\d+$", entry)
        if not m:
            continue
        pid = int(m.group(1))
        try:
            os.kill(pid, 0)
            continue  # still running
        except ProcessLookupError:
            pass
        except PermissionError:
            continue
        shutil.rmtree(os.path.join(run_dir, entry), ignore_errors=True)


class DriverRun:
    """What e2e-driver reported about one run of a program."""

    def __init__(self, events, stderr=""):
        self.events = events
        self.stderr = stderr

    @property
    def exit_code(self):
        for e in self.events:
            if e["event"] == "exit":
                return e["code"]
        return None

    @property
    def timed_out(self):
        return any(e["event"] == "timeout" for e in self.events)

    @property
    def unexpected(self):
        """True when a dialog appeared for which no answer was left."""
        return any(e["event"] == "unexpected" for e in self.events)

    def windows(self):
        """Windows reported whole (one destroyed while the driver read it is left out)."""
        vanished = {e["hwnd"] for e in self.events if e["event"] == "vanished"}
        return [e for e in self.events if e["event"] == "window" and e["hwnd"] not in vanished]

    def dialogs(self):
        """Dialogs that ask or tell something (message boxes, the missing-component dialog)."""
        return [e for e in self.windows() if e["class"] == "#32770" and not _has_progress(e)]

    def progress_dialogs(self):
        return [e for e in self.windows() if _has_progress(e)]

    def messages(self):
        """[(caption, text, buttons, icon)] for each dialog: text is the static texts joined by
        newlines; buttons the visible buttons' texts; icon as the driver classified it."""
        out = []
        for d in self.dialogs():
            out.append((d["caption"], dialog_text(d), visible_buttons(d), d.get("icon")))
        return out

    def progress(self):
        return [e for e in self.events if e["event"] == "progress"]

    def __repr__(self):
        return "\n".join(json.dumps(e) for e in self.events) + ("\nstderr: " + self.stderr if self.stderr else "")


def _has_progress(win):
    return any(c["class"].lower() == "msctls_progress32" for c in win.get("controls", []))


def dialog_text(win):
    """Static texts of a dialog (visible ones, icon controls left out), joined by newlines."""
    parts = []
    for c in win.get("controls", []):
        if c["class"].lower() == "static" and c["visible"] and (c["style"] & 0x1F) not in (3, 14) and c["text"]:
            parts.append(c["text"])
    return "\n".join(parts)


def visible_buttons(win):
    return [c["text"] for c in win.get("controls", []) if c["class"].lower() == "button" and c["visible"]]


class Prefix:
    """A private Wine prefix for one test case: a copy of the template under build/e2e/run/."""

    def __init__(self, name="t", display=None):
        fl = flavour()
        self.flavour = fl
        template = template_prefix()
        _counter[0] += 1
        run_dir = os.path.join(E2E_DIR, "run")
        os.makedirs(run_dir, exist_ok=True)
        if _counter[0] == 1:
            _remove_stale_runs(run_dir)
        safe = re.sub(r"[^A-Za-z0-9_.-]", "_", name)[-60:]
        self.path = os.path.join(run_dir, "%s-%d-%d" % (safe, os.getpid(), _counter[0]))
        shutil.rmtree(self.path, ignore_errors=True)
        # Hard links for the bulk (the programs never write into existing system files;
        # a test writes a file only after unlinking it), real copies of what Wine rewrites.
        r = subprocess.run(["cp", "-al", template, self.path], stderr=subprocess.PIPE, timeout=120)
        if r.returncode != 0:
            raise RuntimeError("cannot copy the template: %s" % r.stderr.decode(errors="replace"))
        for rel in ("system.reg", "user.reg", "userdef.reg", ".update-timestamp"):
            self._unshare(os.path.join(self.path, rel))
        windir = os.path.join(self.path, "drive_c", "windows")
        for f in os.listdir(windir):
            if f.lower().endswith(".ini"):
                self._unshare(os.path.join(windir, f))
        self.display = display
        self.env = dict(os.environ, WINEPREFIX=self.path, **BASE_ENV)
        if fl.winearch == "win32":
            self.env["WINEARCH"] = "win32"
        if display is not None:
            self.env["DISPLAY"] = display.name
        else:
            self.env.pop("DISPLAY", None)
        self.closed = False
        _open_prefixes.append(self)

    @staticmethod
    def _unshare(path):
        if os.path.exists(path):
            tmp = path + ".e2e-copy"
            shutil.copy2(path, tmp)
            os.replace(tmp, path)

    # -- paths and files

    def unix(self, win_path):
        return unix_path(self.path, win_path)

    @property
    def windir(self):
        return self.unix("C:\\windows")

    def write_file(self, win_path, data):
        """Create a file (and its folders) inside the prefix; never writes through a shared link."""
        p = self.unix(win_path)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        if os.path.lexists(p):
            os.unlink(p)
        with open(p, "wb") as f:
            f.write(data.encode("latin-1") if isinstance(data, str) else data)
        return p

    def read_file(self, win_path):
        with open(self.unix(win_path), "rb") as f:
            return f.read()

    def exists(self, win_path):
        return os.path.lexists(self.unix(win_path))

    def install_program(self, name, win_dir=INSTALLER_DIR_WIN):
        """Copy a built program into the prefix; returns its Windows path."""
        src = self.flavour.program(name)
        dst = self.unix(win_dir + "\\" + name)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copy(src, dst)
        return win_dir + "\\" + name

    def driver_path(self):
        return self.flavour.program("e2e-driver.exe")

    # -- running

    def wine(self, args, timeout=60, cwd=None, win_cwd=None, input=None):
        """Run `wine ARGS...`; returns CompletedProcess (returncode None after a time-out, when
        the wineserver of this prefix has been ended)."""
        if win_cwd:
            cwd = self.unix(win_cwd)
            os.makedirs(cwd, exist_ok=True)
        # Output goes to files, not pipes: Wine's own background processes inherit the
        # handles and would hold a pipe open long after the program has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            p = subprocess.Popen([self.flavour.wine] + list(args), env=self.env, cwd=cwd or self.path,
                                 stdout=out, stderr=err, stdin=subprocess.PIPE if input else subprocess.DEVNULL,
                                 start_new_session=True)
            try:
                if input:
                    p.stdin.write(input)
                    p.stdin.close()
                code = p.wait(timeout)
            except subprocess.TimeoutExpired:
                self._kill_group(p)
                self.kill_server()
                p.wait()
                code = None
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(p.args, code, out.read(), err.read())

    @staticmethod
    def _kill_group(p):
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def spawn(self, args, cwd=None, win_cwd=None):
        """Start `wine ARGS...` in the background (a Popen with piped stdout)."""
        if win_cwd:
            cwd = self.unix(win_cwd)
        return subprocess.Popen([self.flavour.wine] + list(args), env=self.env, cwd=cwd or self.path,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                start_new_session=True)

    def drive(self, cmdline, answers=(), timeout=60, cwd=None, win_cwd=None, extra="kill"):
        """Run a Windows command line exactly (CreateProcessA) under e2e-driver, answering the
        program's dialogs in order; returns a DriverRun."""
        args = [self.driver_path(), "run", "--timeout=%d" % int(timeout * 1000), "--extra=" + extra]
        if answers:
            args.append("--answers=" + ",".join(str(a) for a in answers))
        args.append(cmdline)
        r = self.wine(args, timeout=timeout + 30, cwd=cwd, win_cwd=win_cwd)
        return DriverRun(_parse_events(r.stdout), r.stderr.decode(errors="replace"))

    def driver(self, *args, timeout=30):
        """One-shot driver command (windows, clipboard, click, scroll, ...): list of events."""
        r = self.wine([self.driver_path()] + [str(a) for a in args], timeout=timeout)
        return _parse_events(r.stdout)

    def driver_session(self, cmdline, answers=(), timeout=60, extra="wait", win_cwd=None):
        """Start e2e-driver run in the background; returns a DriverSession to read events live."""
        args = [self.driver_path(), "run", "--timeout=%d" % int(timeout * 1000), "--extra=" + extra]
        if answers:
            args.append("--answers=" + ",".join(str(a) for a in answers))
        args.append(cmdline)
        return DriverSession(self.spawn(args, win_cwd=win_cwd))

    # -- registry

    def reg_add(self, key, name=None, data="", type_="REG_SZ"):
        args = ["reg", "add", key]
        args += ["/ve"] if name is None else ["/v", name]
        args += ["/t", type_, "/d", data, "/f"]
        r = self.wine(args, timeout=60)
        if r.returncode != 0:
            raise RuntimeError("reg add %s failed: %s" % (key, r.stdout + r.stderr))

    def reg_delete(self, key, name=None):
        args = ["reg", "delete", key] + (["/v", name] if name is not None else []) + ["/f"]
        r = self.wine(args, timeout=60)
        return r.returncode == 0

    def reg_import(self, text):
        """Import REGEDIT4 text (one wine start for many keys)."""
        self.write_file("C:\\e2e-import.reg", text.replace("\n", "\r\n") if "\r\n" not in text else text)
        r = self.wine(["reg", "import", "C:\\e2e-import.reg"], timeout=60)
        os.unlink(self.unix("C:\\e2e-import.reg"))
        if r.returncode != 0:
            raise RuntimeError("reg import failed: %s" % (r.stdout + r.stderr))

    def reg_export(self, key):
        """Everything under a key, read with `reg export` while the server runs on:
        {key path as exported: {value name: (type, data)}}, or None when the key is missing."""
        tmp = "C:\\e2e-export.reg"
        path = self.unix(tmp)
        if os.path.exists(path):
            os.unlink(path)
        r = self.wine(["reg", "export", key, tmp, "/y"], timeout=60)
        if r.returncode != 0 or not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            raw = f.read()
        os.unlink(path)
        text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("latin-1")
        out = {}
        cur = None
        lines = text.replace("\r\n", "\n").split("\n")
        i = 0
        while i < len(lines):
            line = lines[i]
            i += 1
            if line.startswith("["):
                cur = out.setdefault(line[1:line.rindex("]")], {})
                continue
            if cur is None or not line.strip():
                continue
            while line.endswith("\\") and i < len(lines):
                line = line[:-1] + lines[i].strip()
                i += 1
            if line.startswith("@="):
                cur[""] = _parse_value(line[2:])
            elif line.startswith('"'):
                j = 1
                while j < len(line):
                    if line[j] == "\\":
                        j += 2
                        continue
                    if line[j] == '"':
                        break
                    j += 1
                if line[j + 1:j + 2] == "=":
                    cur[_unescape_reg(line[1:j])] = _parse_value(line[j + 2:])
        return out

    def registry(self):
        """The registry as saved: ends the wineserver first, so everything is written out."""
        self.kill_server()
        return Registry(self.path)

    # -- server

    def kill_server(self):
        subprocess.run([self.flavour.wineserver, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([self.flavour.wineserver, "-w"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def close(self, keep=False):
        if self.closed:
            return
        self.closed = True
        if self in _open_prefixes:
            _open_prefixes.remove(self)
        try:
            self.kill_server()
        except subprocess.TimeoutExpired:
            pass
        if not keep and not os.environ.get("ZELVO_E2E_KEEP"):
            shutil.rmtree(self.path, ignore_errors=True)

    # -- snapshots

    def snapshot(self, win_root="C:\\", exclude=None):
        return snapshot_tree(self.unix(win_root), exclude=exclude)


def _parse_events(raw):
    events = []
    for line in raw.decode("latin-1").splitlines():
        line = line.strip()
        if line.startswith("{"):
            try:
                events.append(json.loads(line))
            except ValueError:
                events.append({"event": "garbled", "line": line})
    return events


class DriverSession:
    """A driver run in the background; events are read as they come."""

    def __init__(self, proc):
        self.proc = proc
        self.events = []
        self.q = queue.Queue()
        self.t = threading.Thread(target=self._reader, daemon=True)
        self.t.start()

    def _reader(self):
        for line in self.proc.stdout:
            line = line.decode("latin-1").strip()
            if line.startswith("{"):
                try:
                    self.q.put(json.loads(line))
                except ValueError:
                    pass
        self.q.put(None)

    def wait_for(self, predicate, timeout=30):
        """The first new event for which predicate holds, or None after timeout / at the end."""
        deadline = time.time() + timeout
        while True:
            left = deadline - time.time()
            if left <= 0:
                return None
            try:
                e = self.q.get(timeout=left)
            except queue.Empty:
                return None
            if e is None:
                self.q.put(None)
                return None
            self.events.append(e)
            if predicate(e):
                return e

    def wait_exit(self, timeout=30):
        e = self.wait_for(lambda e: e["event"] in ("exit", "timeout"), timeout)
        if e is None or e["event"] != "exit":
            return None
        return e["code"]

    def stop(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            pass
        self.t.join(5)
        if self.proc.stdout:
            self.proc.stdout.close()


# ---------------------------------------------------------------- snapshots

def snapshot_tree(root, exclude=None, digest=None):
    """{relative path: ('d',) | ('f', size, digest) | ('l', target)} of a tree. Files up to 4 MB
    are hashed; bigger ones are compared by size and modification time, unless a
    digest(path, stat) function is given, which then names every file's content."""
    snap = {}
    exclude = [e.lower() for e in (exclude or [])]
    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        keep = []
        for d in dirnames:
            rel = os.path.normpath(os.path.join(rel_dir, d))
            if any(rel.lower() == e or rel.lower().startswith(e + "/") for e in exclude):
                continue
            full = os.path.join(dirpath, d)
            if os.path.islink(full):
                snap[rel] = ("l", os.readlink(full))
                continue
            snap[rel] = ("d",)
            keep.append(d)
        dirnames[:] = keep
        for fn in filenames:
            rel = os.path.normpath(os.path.join(rel_dir, fn))
            if any(rel.lower() == e or rel.lower().startswith(e + "/") for e in exclude):
                continue
            full = os.path.join(dirpath, fn)
            if os.path.islink(full):
                snap[rel] = ("l", os.readlink(full))
                continue
            st = os.stat(full)
            if digest is not None:
                snap[rel] = ("f", st.st_size, digest(full, st))
            elif st.st_size <= 4 * 1024 * 1024:
                h = hashlib.sha1()
                with open(full, "rb") as f:
                    h.update(f.read())
                snap[rel] = ("f", st.st_size, h.hexdigest())
            else:
                snap[rel] = ("f", st.st_size, "mtime:%d" % st.st_mtime_ns)
    return snap


def theme_record(data):
    """The "Decorama" section of an installed theme file's bytes: [(key, value)] in file order."""
    out = []
    inside = False
    for line in data.decode("latin-1").replace("\r\n", "\n").split("\n"):
        s = line.strip()
        if s.startswith("["):
            inside = s.lower() == "[decorama]"
            continue
        if inside and "=" in s:
            k, _, v = s.partition("=")
            out.append((k, v))
    return out


def diff_snapshots(before, after):
    """(added, removed, changed): sorted lists of relative paths."""
    added = sorted(set(after) - set(before))
    removed = sorted(set(before) - set(after))
    changed = sorted(p for p in set(before) & set(after) if before[p] != after[p])
    return added, removed, changed
