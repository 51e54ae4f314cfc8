"""The disk images of make dist as a user of Windows 95 in an emulator gets them: the
Zelvo folder copied off the floppy image with mtools, and the CD image as a drive D: of
its own (its Joliet tree as isoinfo reads it, every file read-only, on a read-only
mount). From each, decorama.exe in the Zelvo folder installs every file that the theme
names, none left read-only, and the command of its uninstall entry leaves drive C and the
registry as they were.

The images are made from the programs of the Wine flavour that runs here: under 64-bit
Wine the win64 build stands in for the one that ships."""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "faults"))
sys.path.insert(0, os.path.join(ROOT, "theme"))

from fault_case import (INSTALLED, OK, UNINSTALLED, FaultCase, confirm_install, confirm_uninstall,  # noqa: E402
                        screen_question)
from test_theme import MTOOLS_ENV, iso_files, run_dist, theme_entries  # noqa: E402
from test_theme_wine import destination  # noqa: E402
from wineharness.flavour import flavour  # noqa: E402
from wineharness.template import THEMES_DIR_WIN  # noqa: E402

IMAGES = {}
_dist_dir = tempfile.TemporaryDirectory()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def setUpModule():
    r, out = run_dist(_dist_dir.name, flavour().build_dir)
    if r.returncode != 0:
        raise RuntimeError("make dist failed: %s" % r.stderr.decode(errors="replace"))
    IMAGES.update(out)


def tearDownModule():
    _dist_dir.cleanup()


class InstallFromTheImages(FaultCase):
    prefix_tag = "dist-"
    installs = ()

    def install_and_uninstall(self, folder, unix_folder):
        """Runs decorama.exe in folder (unix_folder on this side), answering OK to every
        question, then the command of the uninstall entry; compares with the state before."""
        with open(os.path.join(unix_folder, "Zelvo.the"), "rb") as f:
            entries = theme_entries(f.read())
        before = self.state()
        run = self.prefix.drive('"%s\\decorama.exe"' % folder, answers=[OK] * 5, cwd=unix_folder, timeout=120)
        screens = [screen_question(s) for s in ("Startup", "Shutdown 'Wait'", "Shutdown 'Safe'")]
        self.assertMessages(run, [confirm_install("Zelvo")] + screens + [INSTALLED], code=1)
        wrong = []
        for kind, rel, source in entries:
            path = self.prefix.unix(destination(kind, rel))
            if not os.path.exists(path) or read(path) != read(os.path.join(unix_folder, source)):
                wrong.append(source + " not installed")
            elif not os.stat(path).st_mode & 0o200:
                wrong.append(source + " installed read-only")
        self.soft(self.assertEqual, wrong, [], "installed files")
        command = (self.uninstall_entry("Zelvo") or {}).get("UninstallString", "")
        # the installer's copy in the Themes folder: the entry works once the disk is gone
        self.soft(self.assertEqual, command, '"%s\\decorama.exe" /u "%s\\Zelvo.the"' % (THEMES_DIR_WIN, THEMES_DIR_WIN))
        run = self.prefix.drive(command, answers=[OK, OK], timeout=120)
        self.assertMessages(run, [confirm_uninstall("Zelvo"), UNINSTALLED], code=0)
        self.compare(before, allow_left=self.restart_windows())

    def test_the_folder_copied_off_the_floppy_with_mtools(self):
        downloads = self.prefix.unix("C:\\Downloads")
        os.makedirs(downloads)
        subprocess.run(["mcopy", "-s", "-m", "-n", "-i", IMAGES[".img"], "::Zelvo", downloads], check=True,
                       env=MTOOLS_ENV)
        self.install_and_uninstall("C:\\Downloads\\Zelvo", os.path.join(downloads, "Zelvo"))

    def test_straight_from_the_cd_a_read_only_drive_of_its_own(self):
        cd = os.path.join(self.prefix.path, "cdrom")
        for path, (data, _) in iso_files(IMAGES[".iso"]).items():
            full = os.path.join(cd, *path.split("/"))
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
            os.chmod(full, 0o444)
        for dirpath, _, _ in os.walk(cd):
            os.chmod(dirpath, 0o555)
        # As root, Wine writes into read-only files; a read-only mount stops even root.
        for args in (["--bind", cd, cd], ["-o", "remount,bind,ro", cd]):
            r = subprocess.run(["mount"] + args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30)
            if r.returncode != 0:
                self.skipTest("cannot mount read-only here: %s" % r.stdout.decode(errors="replace").strip())
            if args[0] == "--bind":
                self.addCleanup(self.unmount, cd)
        os.symlink(cd, os.path.join(self.prefix.path, "dosdevices", "d:"))
        self.prefix.reg_add("HKLM\\Software\\Wine\\Drives", "d:", "cdrom")
        self.install_and_uninstall("D:\\Zelvo", os.path.join(cd, "Zelvo"))

    def unmount(self, path):
        self.prefix.kill_server()
        if subprocess.run(["umount", path], stderr=subprocess.DEVNULL, timeout=30).returncode != 0:
            subprocess.run(["umount", "-l", path], stderr=subprocess.DEVNULL, timeout=30)


if __name__ == "__main__":
    unittest.main()
