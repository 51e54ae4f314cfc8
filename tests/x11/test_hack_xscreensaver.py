"""zelvosav under the real daemon: installed as `make install` does, then run by Debian's
xscreensaver on Xvfb, with a configuration that lists only zelvosav. Activating the
daemon runs it on the daemon's own window, where the figure runs on black;
deactivating it stops zelvosav."""

import os
import shutil
import subprocess
import tempfile
import time
import xml.etree.ElementTree as ET

from hack_case import ZELVOSAV, HackCase

# The daemon launches no hack as root: there it runs as nobody, with a copy of the program.
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []

CONFIG = """mode: one
selected: 0
timeout: 1:00:00
lock: False
fade: False
unfade: False
splash: False
programs: %s --root --speed 10 \\n
"""


def hack_pids(exe):
    """Running processes of the program exe, with the window XScreenSaver gave each."""
    found = {}
    for d in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.path.realpath("/proc/%s/exe" % d) == exe:
                with open("/proc/%s/environ" % d, "rb") as f:
                    env = f.read().split(b"\0")
                found[int(d)] = dict(e.split(b"=", 1) for e in env if b"=" in e).get(b"XSCREENSAVER_WINDOW")
        except OSError:
            pass
    return found


class UnderTheDaemonTest(HackCase):

    def command(self, *args):
        return subprocess.run(AS_USER + ["xscreensaver-command"] + list(args), env=self.env, capture_output=True,
                              timeout=20)

    def wait_for(self, what, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            value = what()
            if value:
                return value
            time.sleep(0.2)
        return what()

    def test_activate_runs_it_on_the_daemons_window_and_deactivate_stops_it(self):
        self.assertTrue(shutil.which("xscreensaver"), "xscreensaver is not installed (scripts/bootstrap)")
        home = tempfile.mkdtemp(prefix="zelvosav-home-")
        if not os.environ.get("ZELVO_KEEP"):
            self.addCleanup(shutil.rmtree, home, True)
        prefix = os.path.join(home, "usr")
        subprocess.run(["cmake", "--install", os.path.dirname(ZELVOSAV), "--prefix", prefix, "--strip"],
                       check=True, capture_output=True)
        exe = os.path.join(prefix, "libexec", "xscreensaver", "zelvosav")
        slider = ET.parse(os.path.join(prefix, "share", "xscreensaver", "config", "zelvosav.xml")).find("number")
        self.assertEqual((slider.get("arg"), slider.get("low"), slider.get("high"), slider.get("default")),
                         ("--speed %", "1", "150", "10"))
        with open(os.path.join(home, ".xscreensaver"), "w") as f:
            f.write(CONFIG % exe)
        if AS_USER:
            for path in (home, os.path.join(home, ".xscreensaver")):
                os.chown(path, 65534, 65534)
        self.env = dict(os.environ, HOME=home, DISPLAY=self.display.name)
        log = open(os.path.join(home, "log"), "wb")
        self.addCleanup(log.close)
        daemon = subprocess.Popen(AS_USER + ["xscreensaver", "-no-splash", "-verbose"], env=self.env, stdout=log,
                                  stderr=subprocess.STDOUT, start_new_session=True)
        self.addCleanup(lambda: daemon.poll() is None and (daemon.terminate(), daemon.wait(10)))
        started = self.wait_for(lambda: self.command("-time").returncode == 0, 20)
        with open(os.path.join(home, "log"), errors="replace") as f:
            self.assertTrue(started, "the daemon did not start:\n" + f.read()[-3000:])

        self.assertEqual(self.command("-activate").returncode, 0)
        hacks = self.wait_for(lambda: hack_pids(exe), 15)
        self.assertEqual(len(hacks), 1, "zelvosav was not started once: %r" % hacks)
        window = list(hacks.values())[0]
        self.assertTrue(window, "XScreenSaver gave no window")
        info = subprocess.run(["xwininfo", "-id", window], env=self.env, capture_output=True, text=True).stdout
        self.assertIn("Width: %d" % self.display.width, info)
        self.assertIn("Height: %d" % self.display.height, info)

        boxes = set()
        for _ in range(3):   # a start wholly above the screen shows nothing for a while
            for _, box, shot in self.samples((0, 0, self.display.width, self.display.height), 1.5):
                if box:
                    self.assertLessEqual(box[2] - box[0], 100, "more than the figure on the screen")
                    self.assertLessEqual(box[3] - box[1], 100, "more than the figure on the screen")
                    boxes.add(box)
            if len(boxes) > 1:
                break
        self.assertGreater(len(boxes), 1, "the figure was not seen running on the daemon's window")

        self.assertEqual(self.command("-deactivate").returncode, 0)
        self.assertTrue(self.wait_for(lambda: not hack_pids(exe), 10), "zelvosav still runs: %r" % hack_pids(exe))
