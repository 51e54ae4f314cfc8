"""decorama.exe end to end: the platform and Plus! Themes checks, the command line, finding
the theme, and the shell verb for theme files."""

import unittest

from installer_case import (COMMAND, APP_PATHS_KEY, CANCEL, EXE, INSTALLED, NEEDS_95, NO_PLUS, NO_THEME, OK, REMOVE_VERB,
                            THEMES, UNINSTALLED, VERB_KEY, InstallerCase, confirm_install, confirm_uninstall)

SRC = "C:\\Downloads\\Blue"
WELCOME_FIRST = "Welcome to Decorama v1.04"
WELCOME_SECOND = "This will install the Decorama shell extension."
VERB_COMMAND = '"' + EXE + '" "%1"'


class PlatformTest(InstallerCase):

    def test_windows_nt_family_is_refused_whatever_the_command_line(self):
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.prefix.reg_add("HKCU\\Software\\Wine", "Version", "winxp")
        before = self.snapshot()
        for args in ["", "/u", '/u "' + THEMES + 'Blue.the"', SRC + "\\Blue.the"]:
            with self.subTest(args=args):
                run = self.run_installer(args=args, answers=(OK,), win_cwd=SRC)
                self.assertMessages(run, [NEEDS_95])
                self.assertExit(run, 0)
        self.assertSameTree(before, self.snapshot())

    def test_plus_themes_missing(self):
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.assertTrue(self.prefix.reg_delete(APP_PATHS_KEY))
        before = self.snapshot()
        run = self.run_installer(answers=(OK,), win_cwd=SRC)
        self.assertMessages(run, [NO_PLUS])
        self.assertExit(run, 0)
        self.assertSameTree(before, self.snapshot())

    def test_the_themes_path_loses_its_trailing_semicolons(self):
        self.prefix.reg_add(APP_PATHS_KEY, "Path", "C:\\Plus\\My Themes;;")
        self.prefix.write_file("C:\\Plus\\My Themes\\THEMES.EXE", "stands in for the Plus! program")
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        run = self.run_installer(answers=(OK, OK), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED])
        self.assertEqual(self.prefix.read_file("C:\\Plus\\My Themes\\Sky.bmp"), self.content("Sky.bmp"))
        self.assertEqual(self.uninstall_entry("Blue")["UninstallString"],
                         '"C:\\Plus\\My Themes\\decorama.exe" /u "C:\\Plus\\My Themes\\Blue.the"')


class CommandLineTest(InstallerCase):

    def test_u_alone_does_nothing(self):
        before = self.snapshot()
        run = self.run_installer(args="/u", win_cwd="C:\\Decorama")
        self.assertEqual(run.windows(), [], run)
        self.assertExit(run, 0)
        self.assertSameTree(before, self.snapshot())

    def test_no_theme_found(self):
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        cases = [
            SRC + "\\Missing.the",        # a named file that is not there
            "C:\\Downloads\\Empty\\*.the",  # a pattern that matches nothing
            "/U",                         # "/u" is compared exactly: "/U" is a path
        ]
        self.prefix.write_file("C:\\Downloads\\Empty\\readme.txt", "no theme here")
        before = self.snapshot()
        for args in cases:
            with self.subTest(args=args):
                run = self.run_installer(args=args, answers=(OK,), win_cwd=SRC)
                self.assertMessages(run, [NO_THEME])
                self.assertExit(run, 0)
        self.assertSameTree(before, self.snapshot())

    def test_theme_named_by_a_quoted_path_with_blanks_from_another_folder(self):
        self.write_theme("C:\\My Themes\\Blue Sky", "My.Blue Sky.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        run = self.run_installer(args='"C:\\My Themes\\Blue Sky\\My.Blue Sky.the"', answers=(OK, OK),
                                 win_cwd="C:\\Downloads")
        # the display name is the file name cut at its last dot
        self.assertMessages(run, [confirm_install("My.Blue Sky"), INSTALLED])
        self.assertExit(run, 1)
        self.assertEqual(self.prefix.read_file(THEMES + "Sky.bmp"), self.content("Sky.bmp"))
        self.assertEqual(self.uninstall_entry("My.Blue Sky"),
                         {"DisplayName": "My.Blue Sky Theme",
                          "UninstallString": COMMAND + ' /u "' + THEMES + 'My.Blue Sky.the"'})

    def test_command_line_forms(self):
        # exact command lines (as the shell or a user's shortcut would pass them) and the
        # first question each must lead to
        self.write_theme("C:\\My Themes\\Blue Sky", "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.write_theme("C:\\My Themes\\Plain", "NoDot", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.write_theme(THEMES[:-1], "Old.the", ["Wallpaper=%ThemeDir%Old.bmp"], [])
        exe = '"' + EXE + '"'
        cases = [
            (exe + '\t"C:\\My Themes\\Blue Sky\\Blue.the"', confirm_install("Blue")),
            (exe + ' "C:\\My Themes\\Blue Sky\\Blue.the" more words', confirm_install("Blue")),
            (exe + ' C:\\My" "Themes\\Blue" "Sky\\Blue.the', confirm_install("Blue")),
            (exe + ' "C:\\My Themes\\Plain\\NoDot"', confirm_install("NoDot")),
            (EXE + ' /u "' + THEMES + 'Old.the"', confirm_uninstall("Old")),
            (exe + ' /u\t"' + THEMES + 'Old.the" extra', confirm_uninstall("Old")),
        ]
        for cmd, first in cases:
            with self.subTest(cmd=cmd):
                run = self.prefix.drive(cmd, answers=(CANCEL,), timeout=60, win_cwd="C:\\Downloads")
                self.assertMessages(run, [first])
                self.assertExit(run, 0)

    def test_wildcard_in_the_name_part(self):
        self.write_theme("C:\\Themes In\\Set", "Green.the", ["Wallpaper=%ThemeDir%Leaf.bmp"], ["Leaf.bmp"])
        run = self.run_installer(args='"C:\\Themes In\\Set\\G*.the"', answers=(OK, OK), win_cwd="C:\\Downloads")
        self.assertMessages(run, [confirm_install("Green"), INSTALLED])
        self.assertEqual(self.prefix.read_file(THEMES + "Leaf.bmp"), self.content("Leaf.bmp"))

    def test_uninstall_by_a_path_without_folder_works_in_the_current_folder(self):
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.assertExit(self.run_installer(answers=(OK, OK), win_cwd=SRC), 1)
        run = self.run_installer(args="/u Blue.the", answers=(OK, OK), win_cwd=THEMES)
        self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED])
        self.assertFalse(self.prefix.exists(THEMES + "Sky.bmp"))
        self.assertFalse(self.prefix.exists(THEMES + "Blue.the"))
        self.assertIsNone(self.uninstall_entry("Blue"))


class ShellVerbTest(InstallerCase):
    """Started without arguments in a folder with no theme, the installer adds the
    "&Install Theme" verb for theme files, or offers to remove it."""

    def verb(self):
        """(menu text, command, whether the verb's key exists)"""
        tree = self.prefix.reg_export(VERB_KEY)
        if tree is None:
            return (None, None, False)
        keys = {k.lower().split("\\themefile\\shell\\install")[-1]: v for k, v in tree.items()}
        menu = keys.get("", {}).get("", (None, None))[1]
        command = keys.get("\\command", {}).get("", (None, None))[1]
        return (menu, command, True)

    def assertWelcome(self, run):
        msgs = run.messages()
        self.assertEqual(len(msgs), 1, run)
        caption, text, buttons, icon = msgs[0]
        self.assertEqual((caption, buttons, icon), ("Decorama", ["OK", "Cancel"], None))
        lines = text.split("\n")
        self.assertEqual(len(lines), 2, text)
        self.assertTrue(lines[0].startswith(WELCOME_FIRST) and lines[0].endswith("."), lines[0])
        self.assertEqual(lines[1], WELCOME_SECOND)

    def test_added_then_offered_for_removal(self):
        self.prefix.write_file("C:\\Downloads\\Empty\\readme.txt", "no theme here")
        run = self.run_installer(answers=(OK,), win_cwd="C:\\Downloads\\Empty")
        self.assertWelcome(run)
        self.assertExit(run, 0)
        self.assertEqual(self.verb(), ("&Install Theme", VERB_COMMAND, True))

        # with the verb in place, the uninstall command still names the installer's copy,
        # which stays when the installer moves
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.assertExit(self.run_installer(answers=(OK, OK), win_cwd=SRC), 1)
        self.assertEqual(self.uninstall_entry("Blue")["UninstallString"], COMMAND + ' /u "' + THEMES + 'Blue.the"')

        # Cancel keeps it
        run = self.run_installer(answers=(CANCEL,), win_cwd="C:\\Downloads\\Empty")
        self.assertMessages(run, [REMOVE_VERB])
        self.assertExit(run, 0)
        self.assertEqual(self.verb(), ("&Install Theme", VERB_COMMAND, True))

        # OK removes both keys
        run = self.run_installer(answers=(OK,), win_cwd="C:\\Downloads\\Empty")
        self.assertMessages(run, [REMOVE_VERB])
        self.assertExit(run, 0)
        self.assertEqual(self.verb(), (None, None, False))

    def test_cancelling_the_welcome_leaves_the_registry_unchanged(self):
        self.prefix.write_file("C:\\Downloads\\Empty\\readme.txt", "no theme here")
        before = self.prefix.reg_export("HKCR\\ThemeFile")
        run = self.run_installer(answers=(CANCEL,), win_cwd="C:\\Downloads\\Empty")
        self.assertWelcome(run)
        self.assertExit(run, 0)
        self.assertEqual(self.prefix.reg_export("HKCR\\ThemeFile"), before)

    def test_the_verb_installs_the_theme_it_is_given(self):
        # what the shell runs for "Install Theme": the verb's command with the file's path
        self.prefix.write_file("C:\\Downloads\\Empty\\readme.txt", "no theme here")
        self.assertExit(self.run_installer(answers=(OK,), win_cwd="C:\\Downloads\\Empty"), 0)
        self.write_theme("C:\\Some Where", "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        command = self.verb()[1].replace('"%1"', '"C:\\Some Where\\Blue.the"')
        r = self.prefix.drive(command, answers=(OK, OK), timeout=60, win_cwd="C:\\Downloads")
        self.assertMessages(r, [confirm_install("Blue"), INSTALLED])
        self.assertExit(r, 1)
        self.assertEqual(self.prefix.read_file(THEMES + "Sky.bmp"), self.content("Sky.bmp"))


if __name__ == "__main__":
    unittest.main()
