"""Xvfb: a virtual X display for the programs, its screenshots, and xdotool on it."""

import atexit
import ctypes
import os
import select
import signal
import subprocess
import time

from .flavour import log
from .pictures import Image


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
        self._grabber = None
        atexit.register(self.stop)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)

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

    def timed_screenshot(self):
        """(Image, time): the whole screen and the time.monotonic() at which it was taken,
        read through this process's own connection to the server, within milliseconds.
        `import` is a program of its own, which takes tens of milliseconds, and on a loaded
        machine far more, to start before it takes the picture."""
        if self._grabber is None:
            self._grabber = _Grabber(self.name)
        return self._grabber.grab(self.width, self.height)

    def xdotool(self, *args, timeout=15):
        env = dict(os.environ, DISPLAY=self.name)
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)


class _XImage(ctypes.Structure):
    _fields_ = [(name, ctypes.c_int) for name in ("width", "height", "xoffset", "format")] + \
        [("data", ctypes.c_void_p)] + \
        [(name, ctypes.c_int) for name in ("byte_order", "bitmap_unit", "bitmap_bit_order", "bitmap_pad", "depth",
                                           "bytes_per_line", "bits_per_pixel")] + \
        [(name, ctypes.c_ulong) for name in ("red_mask", "green_mask", "blue_mask")] + \
        [("obdata", ctypes.c_void_p), ("f", ctypes.c_void_p * 6)]   # f[1]: destroy_image


class _Grabber:
    """XGetImage of the root window over a connection of this process (libX11)."""

    def __init__(self, name):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.POINTER(_XImage)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11 = x11
        self.dpy = x11.XOpenDisplay(name.encode())
        if not self.dpy:
            raise RuntimeError("cannot connect to %s" % name)
        self.root = x11.XDefaultRootWindow(self.dpy)

    def grab(self, width, height):
        z_pixmap, all_planes = 2, 0xFFFFFFFF
        t0 = time.monotonic()
        ximage = self.x11.XGetImage(self.dpy, self.root, 0, 0, width, height, all_planes, z_pixmap)
        t1 = time.monotonic()
        if not ximage:
            raise RuntimeError("XGetImage failed")
        im = ximage.contents
        try:
            if (im.bits_per_pixel, im.bytes_per_line, im.byte_order, im.red_mask, im.blue_mask) != \
                    (32, width * 4, 0, 0xFF0000, 0xFF):
                raise RuntimeError("unexpected pixel format of the screen")
            bgrx = ctypes.string_at(im.data, width * height * 4)
        finally:
            ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(_XImage))(im.f[1])(ximage)
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
        # the server copies the pixels when it reads the request; the rest is the reply
        return Image(width, height, bytes(rgb)), (t0 + t1) / 2


_display = None


def display():
    """The display of this test process, started on first use."""
    global _display
    if _display is None:
        _display = Display()
        log("Xvfb on %s" % _display.name)
    return _display
