"""decorama.exe end to end: installing a theme, the record, the uninstall entry, uninstalling,
missing components, copy errors with rollback, and reinstalling."""

import os
import unittest

from installer_case import (COMMAND, CANCEL, EXE, FAILED, FONTS, INSTALLED, MISSING_TEXTS, NOT_COMPLETELY, OK, THEMES,
                            UNINSTALLED, UNINSTALL_KEY, WINDIR, InstallerCase, confirm_install, confirm_uninstall,
                            copy_error, delete_error, dialog_text)

SRC = "C:\\Downloads\\Blue"

# A theme with files for the Themes directory (nested folders), the Windows directory (a
# value cut at a comma), the Fonts folder (special section only), comments and other lines.
BLUE_LINES = [
    "; Blue theme for testing",
    "[Control Panel\\Desktop]",
    "Wallpaper=%ThemeDir%Art\\Deep\\Sky.bmp",
    "; Pattern=%ThemeDir%Commented.bmp",
    "TileWallpaper=0",
    "",
    "[Control Panel\\Cursors]",
    "Arrow=%windir%Cursors\\Blue.cur",
    "[Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]",
    "DefaultValue=%WinDir%BlueX.ico,0",
    "Early=%FontDir%Early.ttf",
    "[DecoramaSpecial]",
    "Font=%fontdir%BlueFont.ttf",
    "[Later Section]",
    "Font2=%FontDir%Blue2.ttf",
]
BLUE_FILES = ["Sky.bmp", "Commented.bmp", "Blue.cur", "BlueX.ico", "Early.ttf", "BlueFont.ttf", "Blue2.ttf"]
UNINSTALL_CMD = COMMAND + ' /u "' + THEMES + 'Blue.the"'


class InstallTest(InstallerCase):

    def install_blue(self, answers=(OK, OK)):
        self.write_theme(SRC, "Blue.the", BLUE_LINES, BLUE_FILES)
        return self.run_installer(answers=answers, win_cwd=SRC)

    def test_full_install_then_uninstall_leaves_tree_and_registry_as_before(self):
        tree_before = self.snapshot()
        reg_before = self.prefix.reg_export(UNINSTALL_KEY)

        run = self.install_blue()
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED])
        self.assertExit(run, 1)
        banner = [c["text"] for d in run.progress_dialogs() for c in d["controls"] if c["id"] == 102]
        self.assertIn(banner, ([], ["Decorama v1.04"]))  # the walk may be over before the driver looks

        # every named file at its destination, with the source's content
        for dest, src in [(THEMES + "Art\\Deep\\Sky.bmp", "Sky.bmp"), (WINDIR + "Cursors\\Blue.cur", "Blue.cur"),
                          (WINDIR + "BlueX.ico", "BlueX.ico"), (FONTS + "BlueFont.ttf", "BlueFont.ttf"),
                          (FONTS + "Blue2.ttf", "Blue2.ttf")]:
            self.assertEqual(self.prefix.read_file(dest), self.content(src), dest)
        # a comment and a %FontDir% line before the special section install nothing
        self.assertFalse(self.prefix.exists(THEMES + "Commented.bmp"))
        self.assertFalse(self.prefix.exists(FONTS + "Early.ttf"))
        self.assertFalse(self.prefix.exists(WINDIR + "Early.ttf"))
        # the installed copy of the theme keeps the theme's lines and records what was made
        # (the system's profile writer drops blank lines when it adds the record)
        installed = self.prefix.read_file(THEMES + "Blue.the").decode("latin-1").split("\r\n")
        self.assertEqual(installed[:len(BLUE_LINES) - 1], [l for l in BLUE_LINES if l])
        record = dict(self.record(THEMES + "Blue.the"))
        cursors_new = "windows/cursors" not in {p.lower() for p in tree_before}
        expected = {
            "Dir1": THEMES + "Art",
            "Dir2": THEMES + "Art\\Deep",
            "File1": THEMES + "Art\\Deep\\Sky.bmp",
            "File2": WINDIR + "Cursors\\Blue.cur",
            "File3": WINDIR + "BlueX.ico",
            "File4": FONTS + "BlueFont.ttf",
            "File5": FONTS + "Blue2.ttf",
        }
        if cursors_new:
            expected["Dir3"] = WINDIR + "Cursors"
        self.assertEqual(record, expected)

        entry = self.uninstall_entry("Blue")
        self.assertEqual(entry, {"DisplayName": "Blue Theme", "UninstallString": UNINSTALL_CMD})
        # the record and the entry hold the same seal, which proves the record ours
        self.assertEqual(dict(self.whole_record(THEMES + "Blue.the"))["Seal"], self.entry_seal("Blue"))

        # the registered command removes it all again
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED])
        self.assertExit(run, 0)
        self.assertSameTree(tree_before, self.snapshot(), allow=["Downloads", "Downloads/Blue"] +
                            ["Downloads/Blue/" + f for f in BLUE_FILES + ["Blue.the"]])
        self.assertEqual(self.prefix.reg_export(UNINSTALL_KEY), reg_before)

    def test_cancel_at_the_confirmation_changes_nothing(self):
        self.write_theme(SRC, "Blue.the", BLUE_LINES, BLUE_FILES)
        before = self.snapshot()
        run = self.run_installer(answers=(CANCEL,), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue")])
        self.assertExit(run, 0)
        self.assertSameTree(before, self.snapshot())
        self.assertIsNone(self.uninstall_entry("Blue"))

    def test_cancel_at_the_uninstall_question_changes_nothing(self):
        self.assertExit(self.install_blue(), 1)
        before = self.snapshot()
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(CANCEL,))
        self.assertMessages(run, [confirm_uninstall("Blue")])
        self.assertExit(run, 0)
        self.assertSameTree(before, self.snapshot())
        self.assertIsNotNone(self.uninstall_entry("Blue"))

    def test_missing_components_show_one_dialog_that_only_ok_closes(self):
        self.write_theme(SRC, "Gaps.the", ["[Control Panel\\Desktop]", "Wallpaper=%ThemeDir%Gone1.bmp",
                                           "Here=%WinDir%Here.wav", "Sound=%WinDir%Media\\Gone2.wav"],
                         ["Here.wav"])
        # the missing-component dialog: Cancel (what Escape sends) and the close box leave it open
        run = self.run_installer(answers=(OK, "2+close+1", OK), win_cwd=SRC)
        self.assertExit(run, 1)
        dialogs = run.dialogs()
        self.assertEqual(len(dialogs), 3, run)
        missing = dialogs[1]
        self.assertEqual(missing["caption"], "Decorama")
        edit = [c["text"] for c in missing["controls"] if c["id"] == 101 and c["class"].lower() == "edit"]
        self.assertEqual(edit, ["Gone1.bmp"])
        texts = [c["text"] for c in missing["controls"] if c["class"].lower() == "static"]
        self.assertEqual(texts, MISSING_TEXTS)
        # its Cancel and Help buttons lie below the dialog's client area, out of sight
        bottom = missing["client"][3]
        hidden = sorted(c["id"] for c in missing["controls"] if c["class"].lower() == "button" and c["rect"][1] >= bottom)
        self.assertEqual(hidden, [2, 9])
        shown = [c["text"] for c in missing["controls"] if c["class"].lower() == "button" and c["rect"][3] <= bottom]
        self.assertEqual(shown, ["OK"])
        still_open = [e["open"] for e in run.events if e["event"] == "still_open"]
        self.assertEqual(still_open, [True, True], "Cancel and the close box must not close the dialog")
        self.assertEqual([dialog_text(dialogs[0]), dialog_text(dialogs[2])],
                         [confirm_install("Gaps")[0], INSTALLED[0]])
        # the file that was there is installed and recorded under its position (File2)
        self.assertEqual(self.prefix.read_file(WINDIR + "Here.wav"), self.content("Here.wav"))
        # the folder made for the missing file is recorded, so an uninstall removes it
        self.assertEqual(self.record(THEMES + "Gaps.the"), [("File2", WINDIR + "Here.wav"), ("Dir1", WINDIR + "Media")])
        self.assertFalse(self.prefix.exists(WINDIR + "Media\\Gone2.wav"))
        self.assertIsNotNone(self.uninstall_entry("Gaps"))

    def _clash_theme(self):
        # Clash.bmp cannot be copied: a directory of that name is already in the Themes folder.
        self.write_theme(SRC, "Clash.the", ["Wallpaper=%ThemeDir%Art\\Deep\\Sky.bmp",
                                            "Font=%WinDir%Sub\\First.ttf",
                                            "Icon=%ThemeDir%Clash.bmp",
                                            "Last=%WinDir%Last.wav"],
                         ["Sky.bmp", "First.ttf", "Clash.bmp", "Last.wav"])
        self.prefix.write_file(THEMES + "Clash.bmp\\inside.txt", "user data")

    def _copy_error_text(self, run):
        texts = [t for _, t, _, _ in run.messages()]
        self.assertGreaterEqual(len(texts), 2, run)
        return texts[1]

    def test_copy_error_cancel_rolls_back_everything(self):
        self._clash_theme()
        before = self.snapshot()
        run = self.run_installer(answers=(OK, CANCEL, OK), win_cwd=SRC)
        self.assertExit(run, 1)
        msgs = [(t, b, i) for _, t, b, i in run.messages()]
        self.assertEqual(len(msgs), 3, run)
        self.assertEqual(msgs[0], confirm_install("Clash"))
        self.assertRegex(msgs[1][0], r"^Error (\d+) copying file 'Clash\.bmp'\nContinue\?$")
        code = int(msgs[1][0].split()[1])
        self.assertNotIn(code, (0, 2))
        self.assertEqual(msgs[1], copy_error(code, "Clash.bmp"))
        self.assertEqual(msgs[2], FAILED)
        # nothing the installation made is left: no installed copy, files, folders or entry
        self.assertSameTree(before, self.snapshot())
        self.assertIsNone(self.uninstall_entry("Clash"))

    def test_copy_error_ok_goes_on_and_installs_the_rest(self):
        self._clash_theme()
        run = self.run_installer(answers=(OK, OK, OK), win_cwd=SRC)
        self.assertExit(run, 1)
        msgs = [t for _, t, _, _ in run.messages()]
        self.assertEqual(len(msgs), 3, run)
        self.assertEqual(msgs[2], INSTALLED[0])
        self.assertEqual(self.prefix.read_file(WINDIR + "Last.wav"), self.content("Last.wav"))
        self.assertEqual(dict(self.record(THEMES + "Clash.the")),
                         {"Dir1": THEMES + "Art", "Dir2": THEMES + "Art\\Deep", "File1": THEMES + "Art\\Deep\\Sky.bmp",
                          "Dir3": WINDIR + "Sub", "File2": WINDIR + "Sub\\First.ttf", "File4": WINDIR + "Last.wav"})
        self.assertIsNotNone(self.uninstall_entry("Clash"))

    def test_relative_path_climbing_out_is_refused_as_error_5(self):
        self.write_theme(SRC, "Climb.the", ["Good=%ThemeDir%Good.bmp", "Evil=%ThemeDir%..\\..\\Evil.bmp",
                                            "Drive=%WinDir%C:\\Evil2.bmp"],
                         ["Good.bmp", "Evil.bmp", "Evil2.bmp"])
        before = self.snapshot()
        run = self.run_installer(answers=(OK, OK, CANCEL, OK), win_cwd=SRC)
        self.assertExit(run, 1)
        self.assertMessages(run, [confirm_install("Climb"), copy_error(5, "Evil.bmp"), copy_error(5, "Evil2.bmp"),
                                  FAILED])
        self.assertFalse(self.prefix.exists("C:\\Program Files\\Evil.bmp"))
        self.assertSameTree(before, self.snapshot())

    def test_reinstall_of_the_same_theme_records_nothing_new(self):
        self.assertExit(self.install_blue(), 1)
        first_copy = self.prefix.read_file(THEMES + "Blue.the")
        run = self.install_blue()
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED])
        self.assertExit(run, 1)
        # everything is in place: the installed copy and its record stay as they were
        self.assertEqual(self.prefix.read_file(THEMES + "Blue.the"), first_copy)
        self.assertEqual(self.uninstall_entry("Blue"), {"DisplayName": "Blue Theme", "UninstallString": UNINSTALL_CMD})

    def test_reinstall_once_a_missing_file_has_come_then_uninstall_removes_both(self):
        tree_before = self.snapshot()
        # the theme names a file, in a folder that does not exist yet, that is missing at
        # the first install and there at the second (the same lines: the same theme)
        self.write_theme(SRC, "Blue.the", BLUE_LINES + ["[Sounds]", "Ding=%WinDir%Media\\BlueDing.wav"], BLUE_FILES)
        self.assertExit(self.run_installer(answers=(OK, OK, OK), win_cwd=SRC), 1)
        first_copy = self.prefix.read_file(THEMES + "Blue.the")
        self.prefix.write_file(SRC + "\\BlueDing.wav", self.content("BlueDing.wav"))
        run = self.run_installer(answers=(OK, OK), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED])
        self.assertExit(run, 1)
        # the installed copy keeps its lines
        copy = self.prefix.read_file(THEMES + "Blue.the")
        self.assertEqual(copy.split(b"[Decorama]")[0], first_copy.split(b"[Decorama]")[0])
        record = dict(self.record(THEMES + "Blue.the"))
        self.assertEqual(record.get("File6"), WINDIR + "Media\\BlueDing.wav")
        self.assertIn(WINDIR + "Media", record.values())
        self.assertEqual(self.uninstall_entry("Blue"), {"DisplayName": "Blue Theme", "UninstallString": UNINSTALL_CMD})
        # one uninstall removes what both runs made, folders included
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED])
        self.assertSameTree(tree_before, self.snapshot(), allow=["Downloads", "Downloads/Blue"] +
                            ["Downloads/Blue/" + f for f in BLUE_FILES + ["Blue.the", "BlueDing.wav"]])
        self.assertIsNone(self.uninstall_entry("Blue"))

    def test_uninstall_with_a_user_file_in_a_created_folder(self):
        self.assertExit(self.install_blue(), 1)
        self.prefix.write_file(THEMES + "Art\\Deep\\mine.txt", "the user's own file")
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, OK, OK, OK))
        self.assertExit(run, 0)
        # deepest folder first; each one still holding the user's file is reported and left;
        # the user chose to go on each time, so the walk ends as finished
        self.assertMessages(run, [confirm_uninstall("Blue"), delete_error("dir", "Deep"), delete_error("dir", "Art"),
                                  UNINSTALLED])
        self.assertEqual(self.prefix.read_file(THEMES + "Art\\Deep\\mine.txt"), b"the user's own file")
        self.assertFalse(self.prefix.exists(THEMES + "Art\\Deep\\Sky.bmp"))
        self.assertFalse(self.prefix.exists(THEMES + "Blue.the"))
        self.assertIsNone(self.uninstall_entry("Blue"))

    def test_uninstall_cancelled_after_an_error_can_be_run_again(self):
        self.assertExit(self.install_blue(), 1)
        self.prefix.write_file(THEMES + "Art\\Deep\\mine.txt", "the user's own file")
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, CANCEL, OK))
        self.assertExit(run, 0)
        self.assertMessages(run, [confirm_uninstall("Blue"), delete_error("dir", "Deep"), NOT_COMPLETELY])
        self.assertTrue(self.prefix.exists(THEMES + "Art\\Deep"))
        # the copy keeps the record of the two folders still there, and the entry stays
        self.assertEqual([v for k, v in self.record(THEMES + "Blue.the")], [THEMES + "Art", THEMES + "Art\\Deep"])
        self.assertIsNotNone(self.uninstall_entry("Blue"))
        os.unlink(self.prefix.unix(THEMES + "Art\\Deep\\mine.txt"))
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED])
        self.assertFalse(self.prefix.exists(THEMES + "Art"))
        self.assertFalse(self.prefix.exists(THEMES + "Blue.the"))
        self.assertIsNone(self.uninstall_entry("Blue"))

    def test_uninstall_passes_over_files_already_gone(self):
        self.assertExit(self.install_blue(), 1)
        import os
        os.unlink(self.prefix.unix(WINDIR + "BlueX.ico"))
        os.unlink(self.prefix.unix(FONTS + "BlueFont.ttf"))
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED])
        self.assertFalse(self.prefix.exists(FONTS + "Blue2.ttf"))
        self.assertFalse(self.prefix.exists(THEMES + "Art"))


class LineEndTest(InstallerCase):
    """Theme files that passed through other systems: every line is read, whatever its end."""

    CASES = [
        ("crlf", b"A=%ThemeDir%One.bmp\r\nB=%WinDir%Two.wav\r\nC=%ThemeDir%Three.bmp\r\n"),
        ("bare_lf", b"A=%ThemeDir%One.bmp\nB=%WinDir%Two.wav\nC=%ThemeDir%Three.bmp\n"),
        ("no_final_line_end", b"A=%ThemeDir%One.bmp\r\nB=%WinDir%Two.wav\r\nC=%ThemeDir%Three.bmp"),
        ("bare_lf_no_final_end", b"A=%ThemeDir%One.bmp\nB=%WinDir%Two.wav\nC=%ThemeDir%Three.bmp"),
    ]

    def test_every_line_is_read(self):
        for name, raw in self.CASES:
            with self.subTest(name):
                src = "C:\\Downloads\\" + name
                self.write_theme(src, name + ".the", None, ["One.bmp", "Two.wav", "Three.bmp"], raw=raw)
                run = self.run_installer(answers=(OK, OK), win_cwd=src)
                self.assertMessages(run, [confirm_install(name), INSTALLED])
                self.assertEqual(dict(self.record(THEMES + name + ".the")),
                                 {"File1": THEMES + "One.bmp", "File2": WINDIR + "Two.wav",
                                  "File3": THEMES + "Three.bmp"})
                # clean up for the next case
                run = self.run_installer(args='/u "' + THEMES + name + '.the"', answers=(OK, OK))
                self.assertMessages(run, [confirm_uninstall(name), UNINSTALLED])
                self.assertFalse(self.prefix.exists(THEMES + "One.bmp"))


if __name__ == "__main__":
    unittest.main()
