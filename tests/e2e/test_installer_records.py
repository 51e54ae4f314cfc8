"""decorama.exe end to end: what an uninstall or rollback may delete. Only what the
installation itself created goes; files that were already in place, and paths a theme
file or a tampered record names, stay."""

import os
import unittest

from installer_case import (COMMAND, CANCEL, EXE, FAILED, INSTALLED, NOT_COMPLETELY, OK, THEMES, UNINSTALLED, WINDIR,
                            InstallerCase, confirm_install, confirm_uninstall, copy_error)

UNABLE = ("Unable to open theme file!", ["OK"], "warning")

SRC = "C:\\Downloads\\Sys"


class RecordTest(InstallerCase):

    def system_files(self):
        """Files of Windows' own that a theme may name (a picture and a sound it brings)."""
        own = [WINDIR + "Clouds.bmp", WINDIR + "Media\\Tada.wav"]
        for p in own:
            if not self.prefix.exists(p):
                self.prefix.write_file(p, "Windows' own")
        return {p: self.prefix.read_file(p) for p in own}

    def test_walk_without_a_record_spares_files_that_were_in_place(self):
        # a theme that names system files: all in place, so the installation records nothing
        self.write_theme(SRC, "Sys.the", ["[Desktop]", "Wallpaper=%WinDir%Clouds.bmp", "Sound=%WinDir%Media\\Tada.wav"],
                         {"Clouds.bmp": "not the real one", "Tada.wav": "nor this"})
        before = self.system_files()
        run = self.run_installer(answers=(OK, OK), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Sys"), INSTALLED])
        self.assertEqual(self.record(THEMES + "Sys.the"), [])
        self.assertEqual(self.system_files(), before)

        run = self.run_installer(args='/u "' + THEMES + 'Sys.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Sys"), UNINSTALLED])
        self.assertEqual(self.system_files(), before)
        self.assertFalse(self.prefix.exists(THEMES + "Sys.the"))
        self.assertIsNone(self.uninstall_entry("Sys"))

    def test_rollback_without_a_record_spares_files_that_were_in_place(self):
        self.write_theme(SRC, "Sys.the", ["Wallpaper=%WinDir%Clouds.bmp", "Icon=%ThemeDir%Clash.bmp"],
                         {"Clouds.bmp": "not the real one", "Clash.bmp": "x"})
        self.prefix.write_file(THEMES + "Clash.bmp\\inside.txt", "user data")  # a folder in the way
        before = self.system_files()
        tree = self.snapshot()
        run = self.run_installer(answers=(OK, CANCEL, OK), win_cwd=SRC)
        self.assertExit(run, 1)
        msgs = run.messages()
        self.assertEqual(len(msgs), 3, run)
        self.assertRegex(msgs[1][1], r"^Error \d+ copying file 'Clash\.bmp'\nContinue\?$")
        self.assertEqual(msgs[2][1:], FAILED)
        self.assertEqual(self.system_files(), before)
        self.assertSameTree(tree, self.snapshot())

    def test_a_theme_installed_from_the_themes_folder_itself_gets_a_copy_beside_it(self):
        # The theme file is the user's: the record goes into an installed copy of its own
        # beside it, and the uninstall removes what the installation copied and that copy.
        folder = THEMES.rstrip("\\")
        self.write_theme(folder, "Self.the", ["Wallpaper=%ThemeDir%Art\\Sky.bmp", "Sound=%WinDir%SelfDing.wav"],
                         {"Sky.bmp": "sky", "SelfDing.wav": "ding"})
        mine = self.prefix.read_file(THEMES + "Self.the")
        run = self.run_installer(answers=(OK, OK), win_cwd=folder)
        self.assertMessages(run, [confirm_install("Self"), INSTALLED])
        self.assertEqual(self.record(THEMES + "Self (2).the"),
                         [("Dir1", THEMES + "Art"), ("File1", THEMES + "Art\\Sky.bmp"), ("File2", WINDIR + "SelfDing.wav")])
        self.assertFalse(self.prefix.exists(WINDIR + "DECORAMA.TMP"), "the scratch copy is removed")

        run = self.run_installer(args='/u "' + THEMES + 'Self (2).the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Self (2)"), UNINSTALLED])
        for path in (THEMES + "Art", WINDIR + "SelfDing.wav", THEMES + "Self (2).the"):
            self.assertFalse(self.prefix.exists(path), path)
        self.assertEqual(self.prefix.read_file(THEMES + "Self.the"), mine)

    def test_a_decorama_section_forged_in_the_theme_file_is_dropped(self):
        self.prefix.write_file("C:\\Keep\\keep.txt", "precious")
        self.write_theme(SRC, "Forged.the", [
            "[Control Panel\\Desktop]",
            "Wallpaper=%ThemeDir%Sky.bmp",
            "[Decorama]",
            "File1=C:\\windows\\notepad.exe",
            "File2=C:\\Keep\\keep.txt",
            "Dir1=C:\\Keep",
        ], ["Sky.bmp"])
        before = self.system_files()
        run = self.run_installer(answers=(OK, OK), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Forged"), INSTALLED])
        self.assertEqual(self.record(THEMES + "Forged.the"), [("File1", THEMES + "Sky.bmp")])

        run = self.run_installer(args='/u "' + THEMES + 'Forged.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Forged"), UNINSTALLED])
        self.assertEqual(self.system_files(), before)
        self.assertEqual(self.prefix.read_file("C:\\Keep\\keep.txt"), b"precious")
        self.assertFalse(self.prefix.exists(THEMES + "Sky.bmp"))

    def test_a_tampered_record_cannot_delete_outside_the_theme_folders(self):
        self.prefix.write_file("C:\\Keep\\keep.txt", "precious")
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%Sky.bmp"], ["Sky.bmp"])
        self.assertExit(self.run_installer(answers=(OK, OK), win_cwd=SRC), 1)
        # someone appends to the record of the installed copy
        path = self.prefix.unix(THEMES + "Blue.the")
        with open(path, "ab") as f:
            f.write(b"File7=C:\\Keep\\keep.txt\r\nFile8=C:\\Program Files\\Plus!\\Themes\\..\\..\\..\\Keep\\keep.txt\r\n"
                    b"Dir5=C:\\Keep\r\n")
        run = self.run_installer(args='/u "' + THEMES + 'Blue.the"', answers=(OK, OK, OK, OK, OK))
        self.assertExit(run, 0)
        self.assertMessages(run, [confirm_uninstall("Blue"), NOT_COMPLETELY])
        self.assertEqual(self.prefix.read_file("C:\\Keep\\keep.txt"), b"precious")
        self.assertFalse(self.prefix.exists(THEMES + "Sky.bmp"))
        # the files it names were never copied (no stamp of a copy): passed over; the folder
        # outside stays, and so do the record that lists it and the entry
        self.assertEqual(self.record(THEMES + "Blue.the"), [("Dir5", "C:\\Keep")])
        self.assertIsNotNone(self.uninstall_entry("Blue"))

    def test_a_destination_too_long_for_its_buffer_is_refused(self):
        # the line fits the 520-character line buffer, the destination does not
        rel = ("d" * 98 + "\\") * 4 + "e" * 91 + "\\Long.bmp"
        line = "Long=%ThemeDir%" + rel
        self.assertLess(len(line), 519)
        self.assertGreater(len(THEMES + rel), 519)
        self.write_theme(SRC, "Long.the", ["Wallpaper=%ThemeDir%Sky.bmp", line], ["Sky.bmp", "Long.bmp"])
        tree = self.snapshot()
        run = self.run_installer(answers=(OK, CANCEL, OK), win_cwd=SRC)
        self.assertExit(run, 1)
        self.assertMessages(run, [confirm_install("Long"), copy_error(206, "Long.bmp"), FAILED])
        self.assertSameTree(tree, self.snapshot())
        found = [f for _, _, files in os.walk(self.prefix.unix(THEMES)) for f in files if f == "Long.bmp"]
        self.assertEqual(found, [])

    def test_read_only_theme_files_install_and_uninstall_cleanly(self):
        self.write_theme(SRC, "Ro.the", ["Wallpaper=%ThemeDir%Ro.bmp", "Sound=%WinDir%Ro.wav"], ["Ro.bmp", "Ro.wav"])
        for name in ["Ro.the", "Ro.bmp", "Ro.wav"]:
            os.chmod(self.prefix.unix(SRC + "\\" + name), 0o444)  # read-only for Windows
        run = self.run_installer(answers=(OK, OK), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Ro"), INSTALLED])
        self.assertEqual(dict(self.record(THEMES + "Ro.the")), {"File1": THEMES + "Ro.bmp", "File2": WINDIR + "Ro.wav"})
        run = self.run_installer(args='/u "' + THEMES + 'Ro.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Ro"), UNINSTALLED])
        for p in [THEMES + "Ro.the", THEMES + "Ro.bmp", WINDIR + "Ro.wav"]:
            self.assertFalse(self.prefix.exists(p), p)

    def test_themes_with_one_display_name_keep_an_entry_each(self):
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%One.bmp"], ["One.bmp"])
        self.assertExit(self.run_installer(answers=(OK, OK), win_cwd=SRC), 1)
        src2 = "C:\\Downloads\\Other"
        self.write_theme(src2, "Blue.theme", ["Wallpaper=%ThemeDir%Two.bmp"], ["Two.bmp"])
        run = self.run_installer(args="Blue.theme", answers=(OK, OK), win_cwd=src2)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED])
        # the entry of the first one names its own installed copy: it stays, and the
        # later installation takes the next name
        self.assertEqual(self.uninstall_entry("Blue"),
                         {"DisplayName": "Blue Theme", "UninstallString": COMMAND + ' /u "' + THEMES + 'Blue.the"'})
        self.assertEqual(self.uninstall_entry("Blue (2)"),
                         {"DisplayName": "Blue Theme", "UninstallString": COMMAND + ' /u "' + THEMES + 'Blue.theme"'})
        for name, gone in [("Blue.the", "Blue"), ("Blue.theme", "Blue (2)")]:
            run = self.run_installer(args='/u "' + THEMES + name + '"', answers=(OK, OK))
            self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED])
            self.assertIsNone(self.uninstall_entry(gone))

    def test_the_platform_table_holds_under_wine(self):
        # The registry, profile and file behaviours that the unit tests' double mimics.
        exe = self.prefix.install_program("e2e-platform-table.exe")
        r = self.prefix.wine([exe], timeout=60)
        out = r.stdout.decode("latin-1")
        self.assertEqual(r.returncode, 0, out)
        self.assertGreaterEqual(out.count("ok "), 10, out)

    def test_uninstall_of_a_theme_file_that_is_not_there(self):
        self.write_theme(SRC, "Blue.the", ["Wallpaper=%ThemeDir%One.bmp"], ["One.bmp"])
        self.assertExit(self.run_installer(answers=(OK, OK), win_cwd=SRC), 1)
        entry = self.uninstall_entry("Blue")
        tree = self.snapshot()
        run = self.run_installer(args='/u "' + THEMES + 'Gone.the"', answers=(OK, OK))
        self.assertMessages(run, [confirm_uninstall("Gone"), UNABLE])
        self.assertExit(run, 0)
        self.assertSameTree(tree, self.snapshot())
        self.assertEqual(self.uninstall_entry("Blue"), entry)


if __name__ == "__main__":
    unittest.main()
