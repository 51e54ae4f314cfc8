"""make demo, unattended: installs the Zelvo theme, runs the saver and its setup
dialog, uninstalls the theme; this test checks what each step left."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class DemoTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.out = tempfile.mkdtemp(prefix="zelvo-demo-", dir=os.path.join(ROOT, "build"))
        env = dict(os.environ, ZELVO_DEMO_UNATTENDED="1", ZELVO_DEMO_OUT=cls.out)
        env.pop("DISPLAY", None)
        cls.proc = subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "demo")], env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=900)
        cls.output = cls.proc.stdout.decode(errors="replace")
        with open(os.path.join(cls.out, "facts.json")) as f:
            cls.facts = json.load(f)

    @classmethod
    def tearDownClass(cls):
        if not os.environ.get("ZELVO_E2E_KEEP"):
            shutil.rmtree(cls.out, ignore_errors=True)

    def test_runs_and_names_its_folder(self):
        self.assertEqual(self.proc.returncode, 0, self.output)
        self.assertIn("The demo's pictures and transcript are in %s" % self.out, self.output)
        for name in ("saver.gif", "transcript.txt"):
            self.assertTrue(os.path.exists(os.path.join(self.out, name)), name)
        self.assertTrue(any(n.endswith("setup-dialog.png") for n in os.listdir(self.out)))

    def test_the_install_puts_every_file_in_its_folder(self):
        files = [f.lower() for f in self.facts["installed"]["files"]]
        themes = "program files/plus!/themes/"
        expected = [themes + "zelvo.the", themes + "zelvo/zelvo wallpaper.bmp", "windows/zelvosav.scr",
                    "windows/fonts/dejavusansmono.ttf", "logo.sys", "windows/logow.sys", "windows/logos.sys"]
        for path in expected:
            self.assertIn(path, files)
        self.assertTrue(any(f.startswith(themes + "zelvo/icons/") for f in files))
        self.assertTrue(any(f.startswith(themes + "zelvo/sounds/") for f in files))

    def test_the_record_and_the_uninstall_entry(self):
        record = self.facts["installed"]["record"]
        self.assertTrue(record.startswith("[Decorama]"), record)
        self.assertIn("Dir1=C:\\Program Files\\Plus!\\Themes\\Zelvo", record)
        self.assertIn("=C:\\windows\\ZelvoSav.scr", record)
        entry = self.facts["installed"]["uninstall_entry"]
        self.assertEqual(entry["DisplayName"], "Zelvo Theme")
        self.assertTrue(entry["UninstallString"].endswith(' /u "C:\\Program Files\\Plus!\\Themes\\Zelvo.the"'))

    def test_the_saver_screen_is_black_but_for_the_sprite(self):
        boxes = [b for b in self.facts["saver_boxes"] if b]
        # filming starts once the figure shows; a later pass may run wholly above the
        # screen (one in about thirty), and each pass ends past the right edge
        self.assertGreaterEqual(len(boxes), 10, "the sprite is seen in a third of the frames at least")
        for x0, y0, x1, y1 in boxes:
            self.assertLessEqual(x1 - x0, 100)
            self.assertLessEqual(y1 - y0, 100)
        self.assertGreater(len(set(tuple(b) for b in boxes)), 5, "the sprite moves")
        self.assertTrue(self.facts["saver_ended_by_key"])

    def test_the_setup_dialog(self):
        self.assertTrue(self.facts["clipboard"].startswith("http://www.example.com/"))
        self.assertIn("Speed=10", self.facts["zelvosav_ini"])

    def test_the_uninstall_leaves_nothing_of_the_theme(self):
        after = self.facts["uninstalled"]
        self.assertEqual(after["files"], self.facts["before"]["files"])
        self.assertIsNone(after["uninstall_entry"])
        self.assertIsNone(after["record"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
