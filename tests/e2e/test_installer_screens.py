"""decorama.exe end to end: the start-up and shut-down screens of a theme's special section,
the questions, the ".old" backups and their restore on uninstall, and the progress bar."""

import unittest

from installer_case import (CANCEL, INSTALLED, OK, THEMES, UNINSTALLED, WINDIR, InstallerCase, confirm_install,
                            confirm_uninstall, screen_question)

SRC = "C:\\Downloads\\Boot"
SCREEN_LINES = [
    "[Control Panel\\Desktop]",
    "Wallpaper=%ThemeDir%Sky.bmp",
    "StartupScreen=Early.sys",                # before the special section: not a screen
    "[DecoramaSpecial]",
    "StartupScreen=%ThemeDir%Boot2.bmp",      # a folder token wins: a plain file (a .sys one is refused)
    "StartupScreen=Art\\Boot.sys",
    "shutdownwaitscreen=Wait.sys",
    "ShutdownSafeScreen=Safe.sys,1",
]
SCREEN_FILES = ["Sky.bmp", "Early.sys", "Boot2.bmp", "Boot.sys", "Wait.sys", "Safe.sys"]
QUESTIONS = [screen_question("Startup"), screen_question("Shutdown 'Wait'"), screen_question("Shutdown 'Safe'")]
LOGO = "C:\\Logo.sys"
LOGO_W = WINDIR + "LogoW.sys"
LOGO_S = WINDIR + "LogoS.sys"


class ScreenTest(InstallerCase):

    def setup_screens(self):
        # a start-up and a "wait" screen are in place, no "safe" screen
        self.prefix.write_file(LOGO, "old boot")
        self.prefix.write_file(LOGO_W, "old wait")
        self.write_theme(SRC, "Boot.the", SCREEN_LINES, SCREEN_FILES)

    def state(self):
        out = {}
        for p in [LOGO, "C:\\Logo.old", LOGO_W, WINDIR + "LogoW.old", LOGO_S, WINDIR + "LogoS.old"]:
            out[p] = self.prefix.read_file(p) if self.prefix.exists(p) else None
        return out

    def test_each_screen_question_answered_ok_and_cancel(self):
        # (answers to Startup, Wait, Safe)
        for row, answers in enumerate([(OK, OK, OK), (CANCEL, CANCEL, CANCEL), (OK, CANCEL, OK), (CANCEL, OK, CANCEL)]):
            with self.subTest(answers=answers):
                if row:
                    self.fresh_prefix()
                self.setup_screens()
                before_tree = self.snapshot()
                before = self.state()
                run = self.run_installer(answers=(OK,) + answers + (OK,), win_cwd=SRC)
                self.assertMessages(run, [confirm_install("Boot")] + QUESTIONS + [INSTALLED])
                self.assertExit(run, 1)
                # the progress bar: 6 entries counted (range 0..7), stepped before each question
                self.assertEqual([(p["low"], p["high"], p["pos"]) for p in run.progress()],
                                 [(0, 7, 4), (0, 7, 5), (0, 7, 6)], run)
                progress = run.progress_dialogs()
                self.assertEqual(len(progress), 1, run)
                self.assertEqual(progress[0]["caption"], "Decorama")
                texts = {c["id"]: c["text"] for c in progress[0]["controls"] if c["class"].lower() == "static"}
                self.assertEqual(texts.get(102), "Decorama v1.04")
                self.assertEqual(texts.get(-1), "Installing your theme...")

                start, wait, safe = (a == OK for a in answers)
                expected = dict(before)
                if start:
                    expected[LOGO] = self.content("Boot.sys")
                    expected["C:\\Logo.old"] = b"old boot"
                if wait:
                    expected[LOGO_W] = self.content("Wait.sys")
                    expected[WINDIR + "LogoW.old"] = b"old wait"
                if safe:
                    expected[LOGO_S] = self.content("Safe.sys")  # nothing was there to back up
                self.assertEqual(self.state(), expected)
                self.assertFalse(self.prefix.exists(THEMES + "Early.sys"))
                self.assertEqual(self.prefix.read_file(THEMES + "Boot2.bmp"), self.content("Boot2.bmp"))

                # recorded by position; a declined screen takes no position
                files = [THEMES + "Sky.bmp", THEMES + "Boot2.bmp"]
                files += [p for p, yes in [("c:\\Logo.sys", start), (LOGO_W, wait), (LOGO_S, safe)] if yes]
                record = [v for k, v in self.record(THEMES + "Boot.the") if k.startswith("File")]
                self.assertEqual(record, files)

                # uninstall puts back the screens that were there and removes the theme's
                run = self.run_installer(args='/u "' + THEMES + 'Boot.the"', answers=(OK, OK))
                self.assertMessages(run, [confirm_uninstall("Boot"), UNINSTALLED])
                self.assertEqual(self.state(), before)
                self.assertSameTree(before_tree, self.snapshot())

    def test_an_existing_backup_keeps_the_old_screen(self):
        self.prefix.write_file(LOGO, "old boot")
        self.prefix.write_file("C:\\Logo.old", "older boot")
        self.write_theme(SRC, "Boot.the", ["[DecoramaSpecial]", "StartupScreen=Boot.sys"], ["Boot.sys"])
        run = self.run_installer(answers=(OK, OK, OK), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Boot"), QUESTIONS[0], INSTALLED])
        self.assertEqual(self.prefix.read_file(LOGO), b"old boot")
        self.assertEqual(self.prefix.read_file("C:\\Logo.old"), b"older boot")
        self.assertEqual(self.record(THEMES + "Boot.the"), [])

    def test_a_missing_screen_file_puts_the_old_screen_back(self):
        self.prefix.write_file(LOGO, "old boot")
        self.write_theme(SRC, "Boot.the", ["[DecoramaSpecial]", "StartupScreen=Gone.sys"], [])
        run = self.run_installer(answers=(OK, OK, OK, OK), win_cwd=SRC)
        self.assertExit(run, 1)
        self.assertEqual(len(run.dialogs()), 4, run)  # confirm, question, missing component, success
        self.assertEqual([c["text"] for c in run.dialogs()[2]["controls"] if c["id"] == 101], ["Gone.sys"])
        self.assertEqual(self.prefix.read_file(LOGO), b"old boot")
        self.assertFalse(self.prefix.exists("C:\\Logo.old"))


if __name__ == "__main__":
    unittest.main()
