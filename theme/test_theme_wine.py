#!/usr/bin/env python3
"""The Zelvo theme installed and uninstalled for real, the way READ ME.TXT tells
a user to: unpack the dist zip, put decorama.exe into the Zelvo folder, run it
there, then remove the theme with the command that Add/Remove Programs runs.

    python3 theme/test_theme_wine.py

Runs under Wine on Xvfb in a private prefix (the wineharness package), with the
programs of the build that Wine can run here; skipped when they are not built.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, ROOT)
sys.path.insert(0, HERE)

from wineharness.display import display  # noqa: E402
from wineharness.flavour import require_programs  # noqa: E402
from wineharness.prefix import Prefix  # noqa: E402
from wineharness.template import FONTS_DIR_WIN, THEMES_DIR_WIN  # noqa: E402
from test_theme import (FONTS, SHUTDOWN_SAFE, SHUTDOWN_WAIT, STARTUP, THEMES, WIN32_DIR, WINDOWS,  # noqa: E402
                        theme_entries)  # noqa: E402

OK = 1
SOURCE = "C:\\Downloads"
FOLDER = SOURCE + "\\Zelvo"
THEMES_DIR = THEMES_DIR_WIN
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zelvo"
OLD_SCREEN = b"BM the start-up screen the user had before"


def destination(kind, rel):
    return {THEMES: THEMES_DIR + "\\" + (rel or ""), WINDOWS: "C:\\windows\\" + (rel or ""),
            FONTS: FONTS_DIR_WIN + "\\" + (rel or ""), STARTUP: "c:\\Logo.sys",
            SHUTDOWN_WAIT: "C:\\windows\\LogoW.sys", SHUTDOWN_SAFE: "C:\\windows\\LogoS.sys"}[kind]


def missing_requirements():
    for prog in ("ZelvoSav.scr", "decorama.exe"):
        if not os.path.exists(os.path.join(WIN32_DIR, prog)):
            return "%s not built" % os.path.join(WIN32_DIR, prog)
    if not shutil.which("Xvfb"):
        return "Xvfb not installed"
    return require_programs("decorama.exe", "e2e-driver.exe")


@unittest.skipIf(missing_requirements(), missing_requirements())
class InstallFromTheZip(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        env = dict(os.environ, ZELVO_DIST_DIR=cls.tmp.name, ZELVO_WIN32_DIR=WIN32_DIR)
        out = subprocess.run([os.path.join(ROOT, "scripts", "dist")], env=env, check=True,
                             stdout=subprocess.PIPE).stdout.decode().strip().splitlines()[-1]
        cls.prefix = p = Prefix("zelvo-theme", display=display())
        with zipfile.ZipFile(out) as z:
            z.extractall(p.unix(SOURCE))
        # READ ME: copy decorama.exe into the Zelvo folder. Where only the 64-bit
        # build runs under Wine, that one stands in for the zip's.
        if p.flavour.name == "win32":
            shutil.copy(p.unix(SOURCE + "\\decorama.exe"), p.unix(FOLDER + "\\decorama.exe"))
        else:
            p.install_program("decorama.exe", FOLDER)
        p.write_file("C:\\Logo.sys", OLD_SCREEN)
        with open(p.unix(FOLDER + "\\Zelvo.the"), "rb") as f:
            cls.entries = theme_entries(f.read())

        cls.install = p.drive(FOLDER + "\\decorama.exe", answers=(OK,) * 5, win_cwd=FOLDER, timeout=120)
        cls.installed = {}
        for kind, rel, source in cls.entries:
            dest = destination(kind, rel)
            cls.installed[dest] = p.read_file(dest) if p.exists(dest) else None
        cls.old_screen = p.read_file("c:\\Logo.old") if p.exists("c:\\Logo.old") else None
        cls.record = p.read_file(THEMES_DIR + "\\Zelvo.the") if p.exists(THEMES_DIR + "\\Zelvo.the") else b""
        reg = p.registry()
        cls.entry = (reg.value(UNINSTALL_KEY, "DisplayName"), reg.value(UNINSTALL_KEY, "UninstallString"))

        command = cls.entry[1] or ""
        cls.uninstall = p.drive(command, answers=(OK, OK), timeout=120)
        cls.left = {destination(k, r): p.exists(destination(k, r)) for k, r, _ in cls.entries}
        cls.left_dirs = [d for d in ("\\Zelvo", "\\Zelvo\\Icons", "\\Zelvo\\Sounds", "\\Zelvo.the")
                         if p.exists(THEMES_DIR + d)]
        cls.screen_after = p.read_file("c:\\Logo.sys") if p.exists("c:\\Logo.sys") else None
        cls.entry_after = p.registry().exists(UNINSTALL_KEY)
        # The copy of the installer that ran the uninstall goes when Windows next starts.
        copy = THEMES_DIR + "\\decorama.exe"
        cls.copy_after = [p.exists(copy)]
        p.kill_server()
        p.wine(["cmd", "/c", "exit"], timeout=120)
        p.kill_server()
        cls.copy_after.append(p.exists(copy))

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()
        cls.tmp.cleanup()

    def test_install_asks_and_succeeds(self):
        self.assertEqual([m[1] for m in self.install.messages()], [
            "This will install the 'Zelvo' Theme.\nDo you wish to continue?",
            "This Theme replaces your Startup Screen.\nDo you want it to do this?",
            "This Theme replaces your Shutdown 'Wait' Screen.\nDo you want it to do this?",
            "This Theme replaces your Shutdown 'Safe' Screen.\nDo you want it to do this?",
            "Theme installed successfully!",
        ])
        self.assertEqual(self.install.exit_code, 1)

    def test_every_file_lands_where_its_line_says(self):
        for kind, rel, source in self.entries:
            with self.subTest(source=source), open(self.prefix.unix(FOLDER + "\\" + source), "rb") as f:
                self.assertEqual(self.installed[destination(kind, rel)], f.read())

    def test_the_old_start_up_screen_is_kept(self):
        self.assertEqual(self.old_screen, OLD_SCREEN)

    def test_record_and_uninstall_entry(self):
        record = self.record.decode("latin-1")
        for dest in self.installed:
            with self.subTest(dest=dest):
                self.assertIn("=" + dest + "\r\n", record)
        for d in ("Zelvo", "Zelvo\\Icons", "Zelvo\\Sounds"):
            self.assertIn("=%s\\%s\r\n" % (THEMES_DIR, d), record)
        # the installer's copy in the Themes folder, which outlives the download
        self.assertEqual(self.entry, ("Zelvo Theme", '"%s\\decorama.exe" /u "%s\\Zelvo.the"' % (THEMES_DIR, THEMES_DIR)))

    def test_uninstall_removes_everything_and_restores_the_screen(self):
        self.assertEqual([m[1] for m in self.uninstall.messages()], [
            "This will uninstall the 'Zelvo' Theme.\nDo you want to continue?",
            "Theme uninstalled successfully!",
        ])
        self.assertEqual([d for d, there in self.left.items() if there and d != "c:\\Logo.sys"], [])
        self.assertEqual(self.left_dirs, [])
        self.assertEqual(self.screen_after, OLD_SCREEN)
        self.assertFalse(self.entry_after)

    def test_the_installers_copy_goes_at_the_next_start(self):
        self.assertEqual(self.copy_after, [True, False])


if __name__ == "__main__":
    unittest.main()
