"""Shared set-up for the screen saver's end-to-end tests: a fresh prefix per case with
ZelvoSav.scr in the Windows directory (where users put it), its zelvosav.ini there, and
the saver started under the driver so that its windows and exit are reported."""

import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, ROOT)

from wineharness.case import PrefixCase  # noqa: E402
from wineharness.driver import dialog_text, visible_buttons  # noqa: E402,F401  (for the tests)
from wineharness.pictures import Image  # noqa: E402,F401  (for the tests)
from wineharness.template import E2E_DIR  # noqa: E402

SCR = "C:\\windows\\ZelvoSav.scr"
INI = "C:\\windows\\zelvosav.ini"

WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_EX_TOOLWINDOW = 0x80
WS_EX_APPWINDOW = 0x40000


class SaverCase(PrefixCase):

    programs = ("ZelvoSav.scr", "e2e-driver.exe")
    installs = (("ZelvoSav.scr", "C:\\windows"),)

    def setUp(self):
        self.sessions = []
        super().setUp()
        self.addCleanup(self._stop_sessions)
        # the pointer rests in a corner, away from where the tests move it
        self.display.xdotool("mousemove", 5, 5)

    def _stop_sessions(self):
        for s in self.sessions:
            s.stop()

    def fresh_prefix(self):
        self._stop_sessions()
        self.sessions = []
        super().fresh_prefix()

    def write_ini(self, speed):
        """zelvosav.ini with a Speed value (None: no file at all)."""
        path = self.prefix.unix(INI)
        if speed is None:
            if os.path.lexists(path):
                os.unlink(path)
            return
        self.prefix.write_file(INI, "[Zelvosav]\r\nSpeed=%s\r\n" % speed)

    def stored_speed(self):
        """The Speed value in zelvosav.ini (None without file or key)."""
        path = self.prefix.unix(INI)
        if not os.path.isfile(path):
            return None
        section = None
        with open(path, "rb") as f:
            for line in f.read().decode("latin-1").splitlines():
                s = line.strip()
                if s.startswith("["):
                    section = s[1:s.index("]")].lower() if "]" in s else None
                elif section == "zelvosav" and "=" in s:
                    k, _, v = s.partition("=")
                    if k.strip().lower() == "speed":
                        return v.strip()
        return None

    def start(self, args, answers=(), timeout=60):
        """Start the saver with an exact command line under the driver; returns the session."""
        s = self.prefix.driver_session(SCR + (" " + args if args else ""), answers=answers, timeout=timeout)
        self.sessions.append(s)
        return s

    def wait_window(self, session, cls=None, timeout=30):
        w = session.wait_for(lambda e: e["event"] in ("window", "exit", "timeout") and
                             (cls is None or e["event"] != "window" or e["class"] == cls), timeout)
        self.assertIsNotNone(w, "no window came up; events so far: %r" % session.events)
        self.assertEqual(w["event"], "window", "the program ended without a window: %r" % session.events)
        return w

    def timed_shot(self, name=None):
        """(picture of the screen, time.monotonic() at which it was taken)."""
        img, t = self.display.timed_screenshot()
        if os.environ.get("ZELVO_E2E_SHOTS"):
            os.makedirs(os.path.join(E2E_DIR, "shots"), exist_ok=True)
            img.save_png(os.path.join(E2E_DIR, "shots", "%s-%s.png" % (self.id().split(".")[-1], name or "shot")))
        return img, t

    def shot(self, name=None):
        return self.timed_shot(name)[0]

    def sprite_box(self, img):
        return img.non_black_bbox()

    def start_showing_sprite(self, args="/S", within=1.5, attempts=4):
        """Starts the saver until a start shows the figure; returns (session, window, box).
        A start may place the figure wholly above the screen (its Top lies between -h and
        H - h - 1, and the figure fills only rows 25 to 74 of its picture, so one start in
        about thirty shows nothing), where it stays for a whole pass: 3 s at Speed 10,
        44 s at 150. Such a start is ended and the saver started again."""
        for attempt in range(attempts):
            s = self.start(args)
            w = self.wait_window(s)
            deadline = time.time() + within
            while time.time() < deadline:
                box = self.sprite_box(self.shot("start"))
                if box is not None:
                    return s, w, box
            self.display.xdotool("key", "a")
            self.assertIsNotNone(s.wait_exit(10), "a key did not end the saver")
        self.fail("none of %d starts showed the sprite within %g s" % (attempts, within))

    def still_running(self, session, wait=1.0):
        e = session.wait_for(lambda e: e["event"] in ("exit", "timeout"), wait)
        return e is None


def immutable(path, on):
    """chattr +i / -i; True when the file system and privileges allow it."""
    try:
        r = subprocess.run(["chattr", "+i" if on else "-i", path], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=10)
        return r.returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False
