"""Xvfb: a virtual X display for the programs, its screenshots, and xdotool on it."""

import atexit
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
