"""What the zelvosav tests share: the built program, an Xvfb display (wineharness's), a
window the test makes itself, and the figure's place and speed read from screenshots."""

import ctypes
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", ".."))
from wineharness.display import Display  # noqa: E402,F401  (for the benchmark too)
from wineharness.flavour import log  # noqa: E402,F401  (for the tests)

ZELVOSAV = os.environ.get("ZELVOSAV") or os.path.join(HERE, "..", "..", "build", "native", "zelvosav")
WHITE, BLUE = (255, 255, 255), (0, 0, 128)


def _xlib():
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
        [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
    for name in ("XMapWindow", "XSync", "XDestroyWindow"):
        getattr(x11, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    return x11


class Connection:
    """The test's own connection to the display, kept open while the tests run: an X
    server left without clients resets, and refuses the clients that come meanwhile."""

    def __init__(self, display):
        self.x11 = _xlib()
        self.dpy = self.x11.XOpenDisplay(display.name.encode())
        if not self.dpy:
            raise RuntimeError("cannot connect to %s" % display.name)


class TestWindow:
    """A plain X window, dark blue until something draws on it."""

    def __init__(self, connection, x, y, width, height):
        self.x11, self.dpy = connection.x11, connection.dpy
        self.box = (x, y, x + width, y + height)
        self.id = self.x11.XCreateSimpleWindow(self.dpy, self.x11.XDefaultRootWindow(self.dpy), x, y, width, height,
                                               0, 0, 0x000080)
        self.x11.XMapWindow(self.dpy, self.id)
        self.x11.XSync(self.dpy, 0)
        self.alive = True

    def destroy(self):
        """Destroys the window unless that has been done (here or by another program)."""
        if self.alive:
            self.alive = False
            self.x11.XDestroyWindow(self.dpy, self.id)
            self.x11.XSync(self.dpy, 0)


def figure_box(shot, region):
    """Box of what is not black inside region, or None; everything there is the figure."""
    return shot.non_black_bbox(region)


def white_outside(shot, box):
    """Whether every pixel outside box is white, as the root window of the display is."""
    x0, y0, x1, y1 = box
    row_bytes = shot.width * 3
    for y in range(shot.height):
        row = shot.data[y * row_bytes:(y + 1) * row_bytes]
        parts = [row[:x0 * 3], row[x1 * 3:]] if y0 <= y < y1 else [row]
        if any(p.strip(b"\xff") for p in parts):
            return False
    return True


class HackCase(unittest.TestCase):
    display = None

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(ZELVOSAV):
            raise unittest.SkipTest("%s not built (cmake --build --preset native)" % ZELVOSAV)
        cls.display = Display()
        cls.connection = Connection(cls.display)

    @classmethod
    def tearDownClass(cls):
        if cls.display:
            cls.display.stop()

    def window(self, x, y, width, height):
        """A test window, destroyed when the test is over."""
        win = TestWindow(self.connection, x, y, width, height)
        self.addCleanup(win.destroy)
        return win

    def start(self, *args, env=None):
        e = dict(os.environ, DISPLAY=self.display.name)
        e.pop("XSCREENSAVER_WINDOW", None)
        e.update(env or {})
        proc = subprocess.Popen([ZELVOSAV] + list(args), env=e, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.addCleanup(proc.stderr.close)
        self.addCleanup(lambda: proc.poll() is None and (proc.kill(), proc.wait()))
        return proc

    def samples(self, region, seconds):
        """(time, figure box) pairs from screenshots taken one after the other."""
        out = []
        end = time.time() + seconds
        while time.time() < end:
            t0 = time.time()
            shot = self.display.screenshot()
            out.append(((t0 + time.time()) / 2, figure_box(shot, region), shot))
        return out

    def rate(self, region, seconds):
        """Pixels per second the figure moves right: the slope of its right edge over the
        longest pass seen (the poses differ by a few pixels, so no two shots alone tell);
        None when it was not seen moving (it may run wholly above the window)."""
        passes = [[]]
        for t, box, _ in self.samples(region, seconds):
            if not box or box[2] >= region[2]:
                continue
            if passes[-1] and box[2] < passes[-1][-1][1] - 50:   # a new start at the left
                passes.append([])
            passes[-1].append((t, box[2]))
        best = max(passes, key=lambda p: p[-1][0] - p[0][0] if len(p) >= 3 else -1)
        if len(best) < 3:
            return None
        mt = sum(t for t, _ in best) / len(best)
        mx = sum(x for _, x in best) / len(best)
        return sum((t - mt) * (x - mx) for t, x in best) / sum((t - mt) ** 2 for t, _ in best)

    def stop(self, proc):
        """SIGTERM: seconds until the program ended, and its exit status."""
        t0 = time.time()
        proc.terminate()
        try:
            status = proc.wait(5)
        except subprocess.TimeoutExpired:
            return None, None
        return time.time() - t0, status
