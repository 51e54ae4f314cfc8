"""The installer's and the saver's fault matrix, end to end under Wine: whatever fails and
whenever the user cancels, drive C and the registry end as they were (or as the record
says), and no file that an installation did not create is ever removed.

Every case starts from a snapshot of the whole of drive C (paths, sizes, contents) and of
both registry hives, and ends with a comparison that lists the files left behind and the
files lost. The table of all rows is printed at the end (and kept in
build/e2e/fault-matrix.md)."""

import os
import shutil
import subprocess
import time
import unittest

from fault_case import (CANCEL, COMMAND, EXE, INSTALLER_COPY, FAILED, FONTS, INI, INSTALLED, NOT_COMPLETELY, OK, REGISTRY_REMOVE_ERROR, SCR,
                        THEMES, UNINSTALL_KEY, UNINSTALLED, WINDIR, FaultCase, confirm_install, confirm_uninstall,
                        copy_error, delete_error, screen_question, theme_text, write_table)
from wineharness.driver import dialog_text, visible_buttons
from wineharness.snapshot import diff_snapshots
from installer_case import REMOVE_VERB, VERB_KEY
from wineharness.template import THEMES_DIR_WIN

SRC = "C:\\Downloads\\Five"
SHELL_FOLDERS = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
FONT_LIST = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"

# A five-entry theme: nested folders in the Themes directory, a file in a new folder of
# the Windows directory, a font, and the start-up screen (over one that is in place).
FIVE_LINES = [
    "; Five entries, one of each kind the installer writes",
    "[Control Panel\\Desktop]",
    "Wallpaper=%ThemeDir%Art\\Deep\\Sky.bmp",
    "[Control Panel\\Cursors]",
    "Arrow=%ThemeDir%Arrow.cur,0",
    "[AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current]",
    "DefaultValue=%WinDir%ZelvoMedia\\Chime.wav",
    "[DecoramaSpecial]",
    "Font=%FontDir%Zelvo.ttf",
    "StartupScreen=Boot.sys",
]
FIVE_SOURCES = ["Sky.bmp", "Arrow.cur", "Chime.wav", "Zelvo.ttf", "Boot.sys"]
FIVE_DESTINATIONS = [THEMES + "Art\\Deep\\Sky.bmp", THEMES + "Arrow.cur", WINDIR + "ZelvoMedia\\Chime.wav",
                     FONTS + "Zelvo.ttf", "C:\\Logo.sys"]
FIVE_DIRS = [THEMES + "Art", THEMES + "Art\\Deep", WINDIR + "ZelvoMedia"]
OLD_LOGO = "the start-up screen that was in place\r\n"


class InstallerFaults(FaultCase):

    def five_theme(self, folder=SRC, blocked_source=None):
        """The five-entry theme in folder; blocked_source (a source name) is made a folder
        holding a file, so that copying it fails."""
        files = {n: ("content of %s\r\n" % n) * 50 for n in FIVE_SOURCES if n != blocked_source}
        self.write_theme(folder, "Five.the", FIVE_LINES, files)
        if blocked_source:
            self.prefix.write_file(folder + "\\" + blocked_source + "\\inside.txt", "a folder, not a file")
        self.prefix.write_file("C:\\Logo.sys", OLD_LOGO)

    def install_five(self):
        """Installs the five-entry theme from SRC, answering OK to each question."""
        run = self.run_installer(answers=[OK, OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Five"), screen_question("Startup"), INSTALLED], code=1)

    def five_installed(self):
        """The five-entry theme written and installed; returns the State from before."""
        self.five_theme()
        before = self.state()
        self.install_five()
        return before

    # ------------------------------------------------------------ 1
    def cancel_at_entry(self, k):
        self.row("1. Cancel at the copy-error question of entry %d of 5" % k)
        name = FIVE_SOURCES[k - 1]
        self.five_theme(blocked_source=name)
        before = self.state()
        answers = [OK] + ([OK] if k == 5 else []) + [CANCEL, OK]
        run = self.run_installer(answers=answers, win_cwd=SRC)
        expected = [confirm_install("Five")] + ([screen_question("Startup")] if k == 5 else [])
        expected += [copy_error(5, name), FAILED]
        self.assertMessages(run, expected, code=1)
        self.compare(before)


    # ------------------------------------------------------------ 2
    def mount_small_volume(self, win_dir, size="1m"):
        """A small tmpfs over a folder of the prefix, unmounted when the case ends."""
        path = self.prefix.unix(win_dir)
        os.makedirs(path, exist_ok=True)
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", path],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30)
        if r.returncode != 0:
            self.skipTest("cannot mount a tmpfs here: %s" % r.stdout.decode(errors="replace").strip())

        def unmount():
            self.prefix.kill_server()
            if subprocess.run(["umount", path], stderr=subprocess.DEVNULL, timeout=30).returncode != 0:
                subprocess.run(["umount", "-l", path], stderr=subprocess.DEVNULL, timeout=30)
        self.addCleanup(unmount)
        return path

    def full_volume_install(self, answer, outcome):
        """Installs a theme that fills the volume, answering the copy error with answer;
        no cut-off copy is left. Returns the State from before the install."""
        # 1 MiB for the Themes directory: the theme file and two 400 KiB files fit, the
        # third does not; a file for the Windows directory and a small one follow.
        self.mount_small_volume(THEMES_DIR_WIN)
        big = {"Big%d.bmp" % i: bytes([i]) * (400 * 1024) for i in (1, 2, 3)}
        big.update({"FullFx.wav": "sound\r\n", "Small.ico": "icon\r\n"})
        self.write_theme("C:\\Downloads\\Full", "Full.the", [
            "Wallpaper=%ThemeDir%Big1.bmp", "Pattern=%ThemeDir%Big2.bmp", "Screen=%ThemeDir%Big3.bmp",
            "Sound=%WinDir%FullFx.wav", "Icon=%ThemeDir%Small.ico"], big)
        before = self.state()
        run = self.run_installer(answers=[OK, answer, OK], win_cwd="C:\\Downloads\\Full")
        self.assertMessages(run, [confirm_install("Full"), copy_error(112, "Big3.bmp"), outcome], code=1)
        self.no_part_copies()
        return before

    def no_part_copies(self):
        """A copy that failed for want of room leaves no cut-off file behind (one would
        be taken for a file already in place, and neither recorded nor reported)."""
        for name in ["Big3.bmp", "Small.ico"]:
            path = self.prefix.unix(THEMES + name)
            whole = os.path.getsize(self.prefix.unix("C:\\Downloads\\Full\\" + name))
            if os.path.exists(path) and os.path.getsize(path) != whole:
                size = os.path.getsize(path)
                self.note("%s: a %d-byte part copy is taken as already in place, not recorded" % (name, size))
                self.soft(self.fail, "%s left in the Themes directory after the failed copy: %d of %d bytes"
                          % (name, size, whole))

    def test_02_1_full_volume_cancel(self):
        self.row("2. Volume full during the copy, Cancel")
        before = self.full_volume_install(CANCEL, FAILED)
        self.compare(before)

    def test_02_2_full_volume_ok_then_uninstall(self):
        self.row("2. Volume full during the copy, OK, later uninstall")
        # no cut-off copy of the file that did not fit, and everything else recorded
        before = self.full_volume_install(OK, INSTALLED)
        self.soft(self.assertEqual,
                  sorted(v for k, v in self.record(THEMES + "Full.the") if k.startswith("File")),
                  sorted([THEMES + "Big1.bmp", THEMES + "Big2.bmp", WINDIR + "FullFx.wav", THEMES + "Small.ico"]),
                  "the record lists every file copied whole")
        self.uninstall_ok("Full")
        self.compare(before)

    def test_02_3_full_volume_at_the_record_write(self):
        self.row("2. Volume full right after a copy: the record cannot grow")
        self.mount_small_volume(THEMES_DIR_WIN)
        # The theme file takes one 4 KiB page of the 1 MiB volume and Fill.bmp all the
        # others; the copy succeeds, and the record key that follows needs a new page.
        padding = ["; " + "p" * 76] * 50
        lines = padding + ["Wallpaper=%ThemeDir%Fill.bmp", "Sound=%WinDir%After.wav"]
        self.assertLess(len("".join(l + "\r\n" for l in lines)), 4096)
        self.assertGreater(len("".join(l + "\r\n" for l in lines)), 4096 - 50)
        self.write_theme("C:\\Downloads\\Fill", "Fill.the", lines,
                         {"Fill.bmp": b"f" * (255 * 4096), "After.wav": "sound\r\n"})
        before = self.state()
        run = self.run_installer(answers=[OK, OK, OK], win_cwd="C:\\Downloads\\Fill")
        texts = [m[1] for m in run.messages()]
        mid = self.state()
        added, _, _ = diff_snapshots(before.tree, mid.tree)
        copied = sorted(p for p in added if mid.tree[p][0] == "f" and
                        p not in (self.rel(THEMES + "Fill.the"), self.rel(INSTALLER_COPY)))
        recorded = sorted(self.rel(v) for k, v in self.record(THEMES + "Fill.the") if k.startswith("File"))
        if texts[-1:] == [INSTALLED[0]]:
            # reported as installed: the record must list every file the installation left
            self.soft(self.assertEqual, recorded, copied, "files copied but not in the record: %r" % run.messages())
            if recorded != copied:
                self.note("reported installed; not in the record: " + ", ".join(sorted(set(copied) - set(recorded))))
        run = self.uninstall("Fill.the", [OK, OK, OK])
        self.compare(before)

    # ------------------------------------------------------------ 3
    def test_03_killed_mid_install(self):
        self.row("3. Installer killed between two copies, then /u")
        self.five_theme(blocked_source="Zelvo.ttf")
        before = self.state()
        s = self.prefix.driver_session('"%s"' % EXE,
                                       answers=[OK, "none"], extra="wait", timeout=60, win_cwd=SRC)
        self.addCleanup(s.stop)
        # held at the question about entry 4: entries 1 to 3 are copied, 4 and 5 are not
        q = s.wait_for(lambda e: e["event"] in ("exit", "timeout") or
                       (e["event"] == "window" and "copying file 'Zelvo.ttf'" in dialog_text(e)), 40)
        self.assertIsNotNone(q, "no copy-error question: %r" % s.events)
        self.assertEqual(q["event"], "window", s.events)
        self.kill_program("decorama.exe")
        code = s.wait_exit(20)
        self.assertIsNotNone(code, "the killed installer did not end: %r" % s.events)
        # Wine reports a killed process with exit code 0: that it was the kill that ended
        # it shows in the question staying unanswered and no later dialog
        self.assertEqual(self.prefix.pids("decorama.exe"), [], "the installer still runs after the kill")
        later = [e for e in s.events[s.events.index(q) + 1:]
                 if e["event"] == "window" or (e["event"] == "answer" and e.get("action") != "none")]
        self.assertEqual(later, [], "the installer went on after the question: %r" % later)
        mid = self.state()
        added, _, _ = diff_snapshots(before.tree, mid.tree)
        copied = sorted(p for p in added if mid.tree[p][0] == "f" and
                        p not in (self.rel(THEMES + "Five.the"), self.rel(INSTALLER_COPY)))
        created = sorted(p for p in added if mid.tree[p][0] == "d")
        self.assertEqual(copied, sorted(self.rel(p) for p in FIVE_DESTINATIONS[:3]))
        rec = self.record(THEMES + "Five.the")
        self.assertEqual(sorted(self.rel(v) for k, v in rec if k.startswith("File")), copied,
                         "the record lists exactly the files copied so far: %r" % rec)
        self.assertEqual(sorted(self.rel(v) for k, v in rec if k.startswith("Dir")), created,
                         "the record lists exactly the folders created so far: %r" % rec)
        # the uninstall entry was written before the first copy, with the record's seal:
        # the uninstall can prove the record its own and removes everything
        self.soft(self.assertTrue, self.uninstall_entry_exists("Five"), "the entry of the killed installation")
        run = self.uninstall("Five.the", [OK, OK, OK])
        self.assertMessages(run, [confirm_uninstall("Five"), UNINSTALLED], code=0)
        self.compare(before)

    # ------------------------------------------------------------ 4
    def read_only_installed(self):
        self.write_theme("C:\\Downloads\\Ro", "Ro.the", [
            "One=%ThemeDir%One.bmp", "Two=%ThemeDir%Two.bmp", "Three=%WinDir%Three.wav",
            "Four=%ThemeDir%Sub\\Four.ico"], ["One.bmp", "Two.bmp", "Three.wav", "Four.ico"])
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd="C:\\Downloads\\Ro")
        self.assertMessages(run, [confirm_install("Ro"), INSTALLED], code=1)
        os.chmod(self.prefix.unix(THEMES + "Two.bmp"), 0o444)
        self.assertIn("R", self.wine_attributes(THEMES + "Two.bmp"), "Wine does not see the read-only mark")
        return before

    def test_04_1_read_only_file_ok(self):
        self.row("4. Uninstall, a recorded file read-only, OK, then again once it is writable")
        before = self.read_only_installed()
        run = self.uninstall("Ro.the", [OK, OK, OK])
        # OK goes on with the rest; what could not go keeps its record and the entry
        self.assertMessages(run, [confirm_uninstall("Ro"), delete_error("file", "Two.bmp"), NOT_COMPLETELY], code=0)
        self.soft(self.assertEqual, [k for k, v in self.record(THEMES + "Ro.the")], ["File2"],
                  "the record lists what is still in place")
        self.soft(self.assertTrue, self.uninstall_entry_exists("Ro"), "the entry stays")
        os.chmod(self.prefix.unix(THEMES + "Two.bmp"), 0o644)
        self.uninstall_ok("Ro")
        self.compare(before)

    def test_04_2_read_only_file_cancel(self):
        self.row("4. Uninstall, a recorded file read-only, Cancel, then again once it is writable")
        before = self.read_only_installed()
        run = self.uninstall("Ro.the", [OK, CANCEL, OK])
        self.assertMessages(run, [confirm_uninstall("Ro"), delete_error("file", "Two.bmp"), NOT_COMPLETELY],
                            code=0)
        # Cancel stops the deletions: the rest stays, and so do the record of it and
        # the entry, so that the uninstall can be run again
        self.soft(self.assertEqual, sorted(k for k, v in self.record(THEMES + "Ro.the")), ["Dir1", "File2", "File3", "File4"],
                  "the record lists what is still in place")
        self.soft(self.assertTrue, self.uninstall_entry_exists("Ro"), "the entry stays")
        os.chmod(self.prefix.unix(THEMES + "Two.bmp"), 0o644)
        self.uninstall_ok("Ro")
        self.compare(before)

    # ------------------------------------------------------------ 5
    def test_05_files_deleted_by_hand(self):
        self.row("5. Uninstall after some installed files were deleted by hand")
        before = self.five_installed()
        for p in [THEMES + "Arrow.cur", WINDIR + "ZelvoMedia\\Chime.wav", "C:\\Logo.sys"]:
            os.unlink(self.prefix.unix(p))
        self.uninstall_ok("Five")
        self.compare(before)

    # ------------------------------------------------------------ 6
    def test_06_theme_naming_files_already_in_windows(self):
        self.row("6. Theme naming only files already in the Windows directory")
        # the picture, sound and pointer that Windows brings (its own files that Windows
        # acts on by itself are refused: row 18)
        own = ["Clouds.bmp", "Media\\Tada.wav", "Cursors\\Arrow.cur"]
        for path in own:
            self.prefix.write_file(WINDIR + path, "Windows' own\r\n")
        self.write_theme("C:\\Downloads\\Sys", "Sys.the", ["[Control Panel\\Desktop]"] +
                         ["Line%d=%%WinDir%%%s" % (i, p) for i, p in enumerate(own)],
                         {p.rpartition("\\")[2]: "not the real one\r\n" for p in own})
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd="C:\\Downloads\\Sys")
        self.assertMessages(run, [confirm_install("Sys"), INSTALLED], code=1)
        self.soft(self.assertEqual, self.record(THEMES + "Sys.the"), [], "files in place are not recorded")
        self.uninstall_ok("Sys")
        self.compare(before)

    # ------------------------------------------------------------ 7
    def test_07_forged_record_section(self):
        self.row("7. Forged \"Decorama\" section in a downloaded theme")
        self.prefix.write_file("C:\\Keep\\keep.txt", "precious")
        self.write_theme("C:\\Downloads\\Forged", "Forged.the", [
            "[Control Panel\\Desktop]",
            "Wallpaper=%ThemeDir%Sky.bmp",
            "[Decorama]",
            "File1=C:\\Keep\\keep.txt",
            "File2=C:\\windows\\win.ini",
            "File3=" + THEMES + "..\\..\\..\\Keep\\keep.txt",
            "Dir1=C:\\Keep",
            "Dir2=" + THEMES[:-1],
        ], ["Sky.bmp"])
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd="C:\\Downloads\\Forged")
        self.assertMessages(run, [confirm_install("Forged"), INSTALLED], code=1)
        self.assertEqual(self.record(THEMES + "Forged.the"), [("File1", THEMES + "Sky.bmp")])
        self.uninstall_ok("Forged")
        self.compare(before)

    # ------------------------------------------------------------ 8
    def test_08_1_theme_lines_that_climb_out_or_overflow(self):
        self.row("8. Theme lines with \"..\", a drive, over-long paths")
        folder = "C:\\Downloads\\Bad"
        long_dest = ("d" * 98 + "\\") * 4 + "e" * 91 + "\\Long.bmp"    # fits a line, not a path
        over_line = "Over=%ThemeDir%" + "x" * 600 + ".bmp"               # longer than a line
        self.write_theme(folder, "Bad.the", [
            "Wallpaper=%ThemeDir%..\\..\\Escape1.bmp",
            "Icon=%WinDir%..\\Escape2.ico",
            "Abs=%ThemeDir%C:\\Escape3.bmp",
            "Abs2=%WinDir%D:Escape4.bmp",
            "Slash=%ThemeDir%../Escape6.bmp",
            "Lead=%ThemeDir%\\Lead.bmp",
            "Long=%ThemeDir%" + long_dest,
            over_line,
            "[DecoramaSpecial]",
            "Font=%FontDir%..\\..\\Escape5.ttf",
        ], ["Escape1.bmp", "Escape2.ico", "Escape3.bmp", "Escape4.bmp", "Escape5.ttf", "Lead.bmp", "Long.bmp"])
        self.prefix.write_file("C:\\Downloads\\Escape6.bmp", "beside the folder")
        before = self.state()
        run = self.run_installer(answers=[OK] * 10, win_cwd=folder)
        texts = [m[1] for m in run.messages()]
        self.assertFalse(run.unexpected, run)
        self.assertEqual(run.exit_code, 1, run)
        refused = ["Error 5 copying file '%s'\nContinue?" % n for n in
                   ["Escape1.bmp", "Escape2.ico", "Escape3.bmp", "Escape4.bmp"]]
        self.assertEqual(texts[:5], [confirm_install("Bad")[0]] + refused, run)
        self.assertRegex(texts[5], r"^Error 5 copying file '.*Escape6\.bmp'\nContinue\?$")
        self.assertEqual(texts[6], "Error 206 copying file 'Long.bmp'\nContinue?")
        self.assertRegex(texts[7], r"^Error 206 copying file 'x+'\nContinue\?$")
        self.assertEqual(texts[8:], ["Error 5 copying file 'Escape5.ttf'\nContinue?", INSTALLED[0]])
        # written: the theme file, Lead.bmp and the installer's copy in the Themes directory
        mid = self.state()
        added, removed, changed = diff_snapshots(before.tree, mid.tree)
        self.assertEqual((sorted(added), removed, changed),
                         (sorted([self.rel(THEMES + "Bad.the"), self.rel(THEMES + "Lead.bmp"), self.rel(INSTALLER_COPY)]),
                          [], []))
        self.uninstall_ok("Bad")
        self.compare(before)

    def test_08_2_command_line_paths(self):
        self.row("8. Theme paths on the command line: \"..\", absolute, over-long")
        self.write_theme("C:\\Downloads\\Cmd", "Cmd.the", ["Wallpaper=%ThemeDir%Cmd.bmp"], ["Cmd.bmp"])
        before = self.state()
        long_path = "C:\\Downloads\\" + ("p" * 200 + "\\") * 3 + "Cmd.the"
        for args, answers in [('"%s"' % long_path, [OK, OK]), ('/u "%s"' % long_path, [CANCEL, OK]),
                              ("/u " + "q" * 2000, [CANCEL, OK]), ("q" * 2000, [OK, OK])]:
            with self.subTest(args=args[:40]):
                run = self.run_installer(args, answers=answers, win_cwd="C:\\Downloads")
                self.assertFalse(run.unexpected, run)
                self.assertEqual(run.exit_code, 0, run)
        self.compare(before)
        # climbing and absolute paths name the theme file and install it as usual
        for args in ['"..\\Cmd\\Cmd.the"', '"C:\\Downloads\\Cmd\\Cmd.the"']:
            with self.subTest(args=args):
                run = self.run_installer(args, answers=[OK, OK], win_cwd="C:\\Downloads\\Cmd")
                self.assertMessages(run, [confirm_install("Cmd"), INSTALLED], code=1)
                self.uninstall_ok("Cmd")
                self.compare(before)

    # ------------------------------------------------------------ 9
    def test_09_installed_twice_uninstalled_once(self):
        self.row("9. Same theme installed twice, uninstalled once")
        before = self.five_installed()
        self.install_five()
        self.uninstall_ok("Five")
        self.compare(before)



    def test_09_2_reinstall_cancelled_keeps_the_first_installation(self):
        self.row("9. Reinstall over an installed theme, Cancel at a copy error")
        self.five_theme()
        self.install_five()
        self.raise_soft()
        # the theme's folder changes: a new fourth source cannot be copied
        os.unlink(self.prefix.unix(SRC + "\\Zelvo.ttf"))
        self.prefix.write_file(SRC + "\\Zelvo.ttf\\inside.txt", "a folder, not a file")
        os.unlink(self.prefix.unix(FONTS + "Zelvo.ttf"))   # the user removed the font
        before = self.state()
        run = self.run_installer(answers=[OK, CANCEL, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Five"), copy_error(5, "Zelvo.ttf"), FAILED], code=1)
        # the rollback undoes this run only: the first installation stays whole and
        # can still be uninstalled
        self.compare(before)

    def test_05_2_user_file_in_a_created_folder(self):
        self.row("5. Uninstall with a file of the user's in a folder the theme created")
        before = self.five_installed()
        self.prefix.write_file(THEMES + "Art\\Deep\\mine.txt", "the user's own")
        run = self.uninstall("Five.the", [OK, OK, OK, OK])
        self.assertMessages(run, [confirm_uninstall("Five"), delete_error("dir", "Deep"),
                                  delete_error("dir", "Art"), UNINSTALLED], code=0)
        self.compare(before, allow_left=[self.rel(p) for p in [
            THEMES + "Art", THEMES + "Art\\Deep", THEMES + "Art\\Deep\\mine.txt"]])


    # ------------------------------------------------------------ 11
    def test_11_1_forged_record_in_a_theme_unpacked_into_the_themes_folder(self):
        self.row("11. Forged record in a theme unpacked into the Themes folder, installed from there")
        folder = THEMES_DIR_WIN
        self.prefix.write_file("C:\\Logo.sys", OLD_LOGO)
        self.prefix.write_file(WINDIR + "DECORAMA.TMP", "the user's own scratch file")
        self.write_theme(folder, "Unpacked.the", [
            "Wallpaper=%ThemeDir%Unpacked.bmp", "Sound=%WinDir%UnpackedDing.wav",
            "[Decorama]", "File1=" + WINDIR + "win.ini", "File2=" + WINDIR + "system.ini", "File3=C:\\Logo.sys",
            "File4=" + WINDIR + "system32\\kernel32.dll", "Dir1=" + WINDIR + "system32"],
            ["Unpacked.bmp", "UnpackedDing.wav"])
        before = self.state()
        # as the "Install Theme" verb starts it: the theme file's path as the argument
        run = self.run_installer('"%sUnpacked.the"' % THEMES, answers=[OK, OK], win_cwd=folder)
        self.assertMessages(run, [confirm_install("Unpacked"), INSTALLED], code=1)
        # the theme file is the user's: the installation gets a copy of its own beside it
        self.soft(self.assertEqual, self.record(THEMES + "Unpacked (2).the"), [("File2", WINDIR + "UnpackedDing.wav")],
                  "the record lists what this installation did, and nothing else")
        run = self.uninstall("Unpacked (2).the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Unpacked (2)"), UNINSTALLED], code=0)
        # and the user's theme file stays as it was, forged section and all
        self.compare(before)

    def test_11_2_another_file_under_the_installed_copys_name(self):
        self.row("11. A file of the user's, or a folder, under the installed copy's name: the theme installs beside it")
        self.write_theme(SRC, "Mine.the", ["Wallpaper=%ThemeDir%Mine.bmp"], ["Mine.bmp"])
        self.prefix.write_file(THEMES + "Mine.the", theme_text(
            ["[Mine]", "Kept=1", "[Decorama]", "File1=" + WINDIR + "win.ini"]))
        self.prefix.write_file(THEMES + "Desk.the\\inside.txt", "a folder of the user's")
        self.write_theme(SRC, "Desk.the", ["Wallpaper=%ThemeDir%Desk.bmp"], ["Desk.bmp"])
        before = self.state()
        for theme in ["Mine", "Desk"]:
            run = self.run_installer('"%s\\%s.the"' % (SRC, theme), answers=[OK, OK], win_cwd=SRC)
            self.assertMessages(run, [confirm_install(theme), INSTALLED], code=1)
            self.soft(self.assertTrue, self.prefix.exists(THEMES + theme + " (2).the"), "%s installed beside" % theme)
            run = self.uninstall(theme + " (2).the", [OK, OK])
            self.assertMessages(run, [confirm_uninstall(theme + " (2)"), UNINSTALLED], code=0)
        self.compare(before)

    # ------------------------------------------------------------ 12
    def long_names_theme(self, folder, count):
        names = [chr(ord("a") + i % 26) * 200 + "%d.bmp" % i for i in range(count)]
        self.write_theme(folder, "Long.the", ["F%d=%%ThemeDir%%%s" % (i, n) for i, n in enumerate(names)],
                         {n: "x" for n in names})
        return names

    def test_12_1_a_record_that_would_outgrow_a_section_read(self):
        self.row("12. A theme whose record would outgrow what an uninstall reads back")
        folder = "C:\\Downloads\\Long"
        names = self.long_names_theme(folder, 150)
        before = self.state()
        run = self.run_installer(answers=[OK] * 40, win_cwd=folder)
        texts = [m[1] for m in run.messages()]
        refused = [t for t in texts if t.startswith("Error 206 copying file '")]
        self.soft(self.assertTrue, 0 < len(refused) < 50, "entries refused for want of room: %d" % len(refused))
        self.soft(self.assertEqual, texts[-1], INSTALLED[0], "messages: %r" % texts[:3])
        recorded = [v for k, v in self.record(THEMES + "Long.the") if k.startswith("File")]
        self.soft(self.assertEqual, len(recorded) + len(refused), len(names), "recorded and refused")
        self.soft(self.assertLess, sum(len(k) + len(v) + 2 for k, v in self.record(THEMES + "Long.the")), 32765,
                  "the record fits a section read")
        self.uninstall_ok("Long")
        self.compare(before)

    def test_12_2_a_record_longer_than_a_section_read(self):
        self.row("12. An over-long record (an older one, or planted): never acted on, the cut string never a path")
        # every beginning of the name that the section read cuts is a file of the user's
        user = [WINDIR + "A" * n for n in range(1, 61)]
        for path in user:
            self.prefix.write_file(path, "the user's own")
        lines, length, installed = ["[Long]", "[Decorama]"], 0, []

        def add(path):
            nonlocal length
            key = "File%d" % (len(lines) - 1)
            lines.append("%s=%s" % (key, path))
            length += len(key) + len(path) + 2
        while length < 32767 - 400:
            installed.append(THEMES + "p" * 200 + "%d.bmp" % len(installed))
            add(installed[-1])
        pad_to = 32767 - 2 - 30 - len("File00=" + WINDIR)
        add(THEMES + "q" * (pad_to - length - len("File000=") - len(THEMES) - 5) + ".bmp")
        add(WINDIR + "A" * 60 + ".BMP")
        installed.append(THEMES + "After.bmp")
        add(installed[-1])
        for path in installed:
            self.prefix.write_file(path, "installed")
        self.prefix.write_file(THEMES + "Long.the", theme_text(lines))
        key = UNINSTALL_KEY + "\\Long"
        self.prefix.reg_add(key, "DisplayName", "Long Theme")
        self.prefix.reg_add(key, "UninstallString", '%s /u "%sLong.the"' % (EXE, THEMES))
        before = self.state()
        run = self.uninstall("Long.the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Long"), NOT_COMPLETELY], code=0)
        self.soft(self.assertTrue, self.uninstall_entry_exists("Long"), "the entry stays")
        self.compare(before)

    # ------------------------------------------------------------ 13
    def test_13_1_a_theme_named_like_another_programs_entry(self):
        self.row("13. A theme named like another program's uninstall entry; a theme named \".the\"")
        other = UNINSTALL_KEY + "\\Other"
        self.prefix.reg_add(other, "DisplayName", "Other Program")
        self.prefix.reg_add(other, "UninstallString", "C:\\Other\\unwise.exe")
        self.prefix.reg_add(other + "\\Parts", "Core", "1")
        self.write_theme(SRC, "Other.the", ["Wallpaper=%ThemeDir%Other.bmp"], ["Other.bmp"])
        self.write_theme(SRC, ".the", ["Wallpaper=%ThemeDir%Dot.bmp"], ["Dot.bmp"])
        before = self.state()
        run = self.run_installer('"%s\\Other.the"' % SRC, answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Other"), INSTALLED], code=1)
        self.soft(self.assertTrue, self.uninstall_entry_exists("Other (2)"), "the theme's own entry")
        self.uninstall_ok("Other")
        # a theme without a display name would be registered as the whole Uninstall key
        run = self.run_installer('"%s\\.the"' % SRC, answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [("No theme found!", ["OK"], "warning")], code=0)
        run = self.uninstall(".the", [OK, OK])
        self.assertMessages(run, [("Unable to open theme file!", ["OK"], "warning")], code=0)
        self.compare(before)

    # ------------------------------------------------------------ 14
    def test_14_1_plus_themes_without_a_usable_path(self):
        self.row("14. Plus! Themes registered without a usable \"Path\"")
        self.five_theme()
        app = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE"
        for value in [None, "", ";", "Themes"]:
            if value is None:
                self.prefix.reg_delete(app, "Path")
            else:
                self.prefix.reg_add(app, "Path", value)
            before = self.state()
            run = self.run_installer(answers=[OK, OK, OK], win_cwd=SRC)
            self.assertMessages(run, [("You do not seem to have Plus! Themes installed.", ["OK"], "warning")], code=0)
            self.compare(before)

    def test_14_2_the_themes_folder_spelt_another_way(self):
        self.row("14. The Themes folder spelt with its short name, slashes and another case")
        exe = self.prefix.install_program("e2e-platform-table.exe")
        r = self.prefix.wine([exe, "/short", THEMES_DIR_WIN], timeout=60)
        short = r.stdout.decode("latin-1").strip()
        self.assertTrue(short and short.lower() != THEMES_DIR_WIN.lower(), short)
        self.prefix.reg_add("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE", "Path",
                            short.lower().replace("\\", "/") + ";")
        folder = THEMES_DIR_WIN
        self.write_theme(folder, "Spelt.the", ["Wallpaper=%ThemeDir%Art\\Spelt.bmp", "Sound=%WinDir%Spelt.wav"],
                         ["Spelt.bmp", "Spelt.wav"])
        before = self.state()
        run = self.run_installer('"%sSpelt.the"' % THEMES, answers=[OK, OK], win_cwd=folder)
        self.assertMessages(run, [confirm_install("Spelt"), INSTALLED], code=1)
        # the theme file in the Themes folder is the user's: the installation has a copy beside it (its entry
        # keeps the theme's name, which no other entry has)
        command = self.prefix.registry().value(UNINSTALL_KEY + "\\Spelt", "UninstallString") or ""
        copy = command.partition('/u "')[2].rstrip('"')
        self.soft(self.assertEqual, [k for k, v in self.record(THEMES + "Spelt (2).the")], ["Dir1", "File1", "File2"],
                  "the record lists the folder and both files")
        run = self.run_installer('/u "%s"' % copy, answers=[OK, OK])
        self.assertMessages(run, [confirm_uninstall("Spelt (2)"), UNINSTALLED], code=0)
        self.compare(before)

    def test_14_3_a_folder_token_without_its_folder(self):
        self.row("14. %FontDir% without a Fonts folder in the registry")
        self.prefix.reg_delete("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Fonts")
        self.write_theme(SRC, "NoFonts.the", ["[DecoramaSpecial]", "Font=%FontDir%\\windows\\NoFonts.ttf"],
                         ["NoFonts.ttf"])
        before = self.state()
        run = self.run_installer(answers=[OK, OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("NoFonts"), copy_error(3, "NoFonts.ttf"), INSTALLED], code=1)
        self.uninstall_ok("NoFonts")
        self.compare(before)

    # ------------------------------------------------------------ 15
    def test_15_cancel_at_a_screen_that_cannot_be_deleted(self):
        self.row("15. Uninstall cancelled at the start-up screen: the user's screen keeps its way back")
        before = self.five_installed()
        os.chmod(self.prefix.unix("C:\\Logo.sys"), 0o444)
        run = self.uninstall("Five.the", [OK, CANCEL, OK])
        self.assertMessages(run, [confirm_uninstall("Five"), delete_error("file", "Logo.sys"), NOT_COMPLETELY],
                            code=0)
        self.soft(self.assertTrue, self.uninstall_entry_exists("Five"), "the entry stays")
        self.soft(self.assertEqual, self.prefix.read_file("C:\\Logo.old"), OLD_LOGO.encode(), "the user's screen")
        # the cause mended, the uninstall runs again and finishes
        os.chmod(self.prefix.unix("C:\\Logo.sys"), 0o644)
        self.uninstall_ok("Five")
        self.compare(before)


    # ------------------------------------------------------------ 16: only what is proven ours
    def blue_theme(self, folder=SRC, name="Blue.the", extra=()):
        self.write_theme(folder, name, ["Wallpaper=%ThemeDir%Art\\Blue.bmp", "Sound=%WinDir%BlueDing.wav"] +
                         list(extra), ["Blue.bmp", "BlueDing.wav"])

    def test_16_1_uninstall_of_files_that_are_not_installed_themes(self):
        self.row("16. /u on a system file, a forged record, a copy replaced by the user's theme, an edited record")
        self.prefix.write_file(WINDIR + "NOTES.TXT", "the user's notes")
        self.prefix.write_file(THEMES + "Forged.the", theme_text([
            "[Decorama]", "Seal=0123456789ABCDEF", "File1=" + WINDIR + "NOTES.TXT", "Copy1=1:00000000"]))
        before = self.state()
        # the question names the file as its folder gives it back (Wine's are lower-case)
        for path, name in [(WINDIR + "WIN.INI", "win"), (WINDIR + "SYSTEM.INI", "system"),
                           (THEMES + "Forged.the", "Forged")]:
            run = self.run_installer('/u "%s"' % path, answers=[OK, OK])
            self.assertMessages(run, [confirm_uninstall(name), NOT_COMPLETELY], code=0)
        self.compare(before)
        # an installed theme whose copy the user saved over, and one whose record was edited away
        self.blue_theme()
        self.write_theme(SRC, "Red.the", ["Wallpaper=%ThemeDir%Red.bmp"], ["Red.bmp"])
        for theme in ["Blue", "Red"]:
            run = self.run_installer('"%s\\%s.the"' % (SRC, theme), answers=[OK, OK], win_cwd=SRC)
            self.assertMessages(run, [confirm_install(theme), INSTALLED], code=1)
        self.prefix.write_file(THEMES + "Blue.the", theme_text(["[Control Panel\\Desktop]", "Wallpaper=mine.bmp"]))
        red = self.prefix.read_file(THEMES + "Red.the").decode("latin-1")
        self.prefix.write_file(THEMES + "Red.the", red[:red.index("[Decorama]")])
        installed = self.state()
        for theme in ["Blue", "Red"]:
            run = self.uninstall(theme + ".the", [OK, OK])
            self.assertMessages(run, [confirm_uninstall(theme), NOT_COMPLETELY], code=0)
            self.soft(self.assertTrue, self.uninstall_entry_exists(theme), "the entry of %s stays" % theme)
        self.compare(installed)

    def test_16_2_a_stale_entry_is_not_rearmed(self):
        self.row("16. A stale entry, and a later theme whose line names its copy with a forged record")
        self.blue_theme()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        # the user removes the theme's files by hand; the entry stays behind
        for path in [THEMES + "Blue.the", THEMES + "Art\\Blue.bmp", WINDIR + "BlueDing.wav"]:
            os.unlink(self.prefix.unix(path))
        os.rmdir(self.prefix.unix(THEMES + "Art"))
        self.write_theme("C:\\Downloads\\Later", "Later.the", ["Icon=%ThemeDir%Blue.the", "Icon2=%ThemeDir%Later.ico"],
                         {"Blue.the": theme_text(["[Decorama]", "File1=" + WINDIR + "win.ini", "File2=" + WINDIR +
                                                  "system.ini", "Dir1=" + WINDIR[:-1]]), "Later.ico": "icon"})
        before = self.state()
        run = self.run_installer('"C:\\Downloads\\Later\\Later.the"', answers=[OK, OK, OK], win_cwd="C:\\Downloads\\Later")
        self.assertMessages(run, [confirm_install("Later"), copy_error(5, "Blue.the"), INSTALLED], code=1)
        # the stale entry's command, as Add/Remove Programs runs it: the copy is gone
        command = self.uninstall_entry("Blue")["UninstallString"]
        run = self.prefix.drive(command, answers=[OK, OK], timeout=60)
        self.assertMessages(run, [confirm_uninstall("Blue"), ("Unable to open theme file!", ["OK"], "warning")], code=0)
        self.uninstall_ok("Later")
        self.compare(before)

    def test_16_3_uninstall_of_a_folder_that_cannot_be_entered(self):
        self.row("16. /u on a folder that cannot be entered, a theme of that name in the current one")
        self.blue_theme(folder="C:\\Work")
        self.prefix.write_file("C:\\Work\\Blue.the", theme_text(["[Decorama]", "File1=" + WINDIR + "win.ini"]))
        before = self.state()
        run = self.run_installer('/u "C:\\Moved\\Blue.the"', answers=[OK, OK], win_cwd="C:\\Work")
        self.assertMessages(run, [("Unable to open theme file!", ["OK"], "warning")], code=0)
        run = self.run_installer('"C:\\Moved\\Blue.the"', answers=[OK, OK], win_cwd="C:\\Work")
        self.assertMessages(run, [("No theme found!", ["OK"], "warning")], code=0)
        self.compare(before)

    def test_16_4_a_theme_whose_entry_was_lost_installs_again(self):
        self.row("16. A theme whose uninstall entry was lost installs again beside its old copy")
        self.blue_theme()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        self.prefix.reg_delete(UNINSTALL_KEY + "\\Blue")
        os.unlink(self.prefix.unix(THEMES + "Art\\Blue.bmp"))
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        run = self.uninstall("Blue (2).the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Blue (2)"), UNINSTALLED], code=0)
        self.compare(before)

    def test_16_5_a_file_the_user_changed_stays(self):
        self.row("16. Uninstall after the user replaced an installed file with their own")
        before = self.five_installed()
        self.prefix.write_file(THEMES + "Arrow.cur", "the user's own pointer\r\n")
        run = self.uninstall("Five.the", [OK, OK, OK])
        self.assertMessages(run, [confirm_uninstall("Five"), UNINSTALLED], code=0)
        self.compare(before, allow_left=[self.rel(THEMES + "Arrow.cur")])

    def test_16_6_backups_of_the_users_own(self):
        self.row("16. The user's own LOGO.OLD and LOGOW.OLD, no screens in place")
        self.prefix.write_file("C:\\LOGO.OLD", "a start-up screen switched off\r\n")
        self.prefix.write_file(WINDIR + "LOGOW.OLD", "a shut-down screen switched off\r\n")
        self.write_theme(SRC, "Boot.the", ["[DecoramaSpecial]", "StartupScreen=Boot.sys", "ShutdownWaitScreen=Wait.sys"],
                         ["Wait.sys", "Boot.sys"])
        before = self.state()
        run = self.run_installer(answers=[OK, OK, OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Boot"), screen_question("Startup"), screen_question("Shutdown 'Wait'"),
                                  INSTALLED], code=1)
        self.uninstall_ok("Boot")
        self.compare(before)

    def assertTextsAndButtons(self, run, expected, code):
        """As assertMessages, for boxes so wide that their icon lies off the screen."""
        got = [(text, buttons) for caption, text, buttons, icon in run.messages()]
        self.soft(self.assertEqual, got, [(text, buttons) for text, buttons, icon in expected], "dialogs:\n%r" % run)
        self.soft(self.assertEqual, run.exit_code, code, "exit code; run:\n%r" % run)

    def test_16_7_display_names_and_the_registry(self):
        self.row("16. A display name of 184 characters installs and goes; one of 210 is refused")
        ok_name, long_name = "L" * 184, "N" * 210
        for name in [ok_name, long_name]:
            self.write_theme(SRC, name + ".the", ["Wallpaper=%ThemeDir%Long.bmp"], ["Long.bmp"])
        before = self.state()
        run = self.run_installer('"%s\\%s.the"' % (SRC, ok_name), answers=[OK, OK], win_cwd=SRC)
        self.assertTextsAndButtons(run, [confirm_install(ok_name), INSTALLED], code=1)
        run = self.uninstall(ok_name + ".the", [OK, OK])
        self.assertTextsAndButtons(run, [confirm_uninstall(ok_name), UNINSTALLED], code=0)
        run = self.run_installer('"%s\\%s.the"' % (SRC, long_name), answers=[OK, OK, OK], win_cwd=SRC)
        self.assertTextsAndButtons(run, [confirm_install(long_name), ("Error registering for Uninstall!", ["OK"], "warning"),
                                         FAILED], code=1)
        self.compare(before)

    def test_16_8_another_programs_verb(self):
        self.row("16. Another program's Install verb; ours added and removed where no ThemeFile key was")
        verb = "HKCR\\ThemeFile\\Shell\\Install"
        self.prefix.reg_add(verb, None, "&Install")
        self.prefix.reg_add(verb + "\\command", None, '"C:\\Other\\install.exe" "%1"')
        self.blue_theme()
        before = self.state()
        run = self.run_installer(answers=[OK])
        self.assertMessages(run, [("Theme files already have an Install command, of another program.\n"
                                   "The Decorama shell extension was not installed.", ["OK"], "warning")], code=0)
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        self.soft(self.assertEqual, self.uninstall_entry("Blue")["UninstallString"],
                  '%s /u "%sBlue.the"' % (COMMAND, THEMES), "the entry starts this installer's copy")
        self.uninstall_ok("Blue")
        self.compare(before)
        self.prefix.reg_delete("HKCR\\ThemeFile")
        before = self.state()
        for answers in ([OK], [OK]):
            self.run_installer(answers=answers)
        self.compare(before)

    def test_16_9_an_installer_in_a_folder_with_blanks(self):
        self.row("16. The installer in C:\\Program Files\\Deco Tools, a program at C:\\Program Files\\Deco.exe")
        exe = self.prefix.install_program("decorama.exe", "C:\\Program Files\\Deco Tools")
        self.prefix.install_program("e2e-plaincopy.exe", "C:\\Program Files")
        os.rename(self.prefix.unix("C:\\Program Files\\e2e-plaincopy.exe"), self.prefix.unix("C:\\Program Files\\Deco.exe"))
        self.blue_theme()
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC, exe=exe)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        command = self.uninstall_entry("Blue")["UninstallString"]
        self.soft(self.assertEqual, command, '%s /u "%sBlue.the"' % (COMMAND, THEMES), "the command, quoted")
        run = self.prefix.drive(command, answers=[OK, OK], timeout=60)
        self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED], code=0)
        # the installer's copy ran the uninstall: it goes when Windows next starts
        self.compare(before, allow_left=self.restart_windows())

    def test_16_10_theme_files_that_cannot_become_the_record(self):
        self.row("16. A comma in the theme's name; the Themes folder missing; a read-only installed copy")
        self.write_theme(SRC, "Coral,Reef.the", ["Wallpaper=%ThemeDir%Coral.bmp"], ["Coral.bmp"])
        before = self.state()
        run = self.run_installer('"%s\\Coral,Reef.the"' % SRC, answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Coral,Reef"), INSTALLED], code=1)
        self.uninstall_ok("Coral,Reef")
        self.compare(before)
        # the Themes folder named in the registry, gone from the disk
        themes = self.prefix.unix(THEMES)
        os.rename(themes, themes + ".away")
        before = self.state()
        run = self.run_installer('"%s\\Coral,Reef.the"' % SRC, answers=[OK, OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Coral,Reef"), ("Error 3 copying file 'Coral,Reef.the'", ["OK"],
                                                                  "warning"), FAILED], code=1)
        self.compare(before)
        os.rename(themes + ".away", themes)
        # an installed copy that cannot be written (as root, Wine writes a file whatever
        # its mode: an immutable one): the reinstall can record nothing, the uninstall
        # keeps it and its entry
        self.blue_theme()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        copy = self.prefix.unix(THEMES + "Blue.the")
        r = subprocess.run(["chattr", "+i", copy], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=10)
        if r.returncode != 0:
            self.skipTest("chattr +i not available: %s" % r.stdout.decode(errors="replace").strip())
        self.addCleanup(subprocess.run, ["chattr", "-i", copy], timeout=10)
        before = self.state()
        run = self.run_installer(answers=[OK, OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), ("Error 5 copying file 'Blue.the'", ["OK"], "warning"),
                                  FAILED], code=1)
        run = self.uninstall("Blue.the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Blue"), NOT_COMPLETELY], code=0)
        self.soft(self.assertTrue, self.uninstall_entry_exists("Blue"), "the entry stays with the copy")
        subprocess.run(["chattr", "-i", copy], timeout=10)
        self.uninstall_ok("Blue")
        self.compare(before, allow_lost=[self.rel(p) for p in [THEMES + "Blue.the", THEMES + "Art", INSTALLER_COPY,
                                                               THEMES + "Art\\Blue.bmp", WINDIR + "BlueDing.wav"]],
                     allow_registry=["uninstall\\blue"])

    def test_16_11_full_volume_at_the_theme_file(self):
        self.row("16. A volume too full for the theme file itself")
        self.mount_small_volume(THEMES_DIR_WIN, size="4k")
        self.prefix.write_file(THEMES + "Filler.dat", b"f" * 4096)
        self.blue_theme(extra=["; " + "p" * 2000])
        before = self.state()
        run = self.run_installer(answers=[OK, OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Blue"), ("Error 112 copying file 'Blue.the'", ["OK"], "warning"),
                                  FAILED], code=1)
        self.compare(before)

    def test_16_12_paths_windows_cannot_name(self):
        self.row("16. A destination of 260 characters")
        name = "n" * (259 - len(THEMES)) + ".bmp"
        self.write_theme(SRC, "Deep.the", ["Wallpaper=%ThemeDir%" + name, "Ok=%ThemeDir%Ok.bmp"], ["Ok.bmp"])
        before = self.state()
        run = self.run_installer(answers=[OK, OK, OK], win_cwd=SRC)
        self.assertTextsAndButtons(run, [confirm_install("Deep"), copy_error(206, name), INSTALLED], code=1)
        self.uninstall_ok("Deep")
        self.compare(before)

    # ------------------------------------------------------------ 17: fonts and the installer's copy
    def font_theme(self, folder, name, extra=()):
        from installer_case import renamed_font
        self.write_theme(folder, name + ".the", ["Wallpaper=%ThemeDir%" + name + ".bmp", "[DecoramaSpecial]",
                                                 "Font=%FontDir%" + name + ".ttf"] + list(extra),
                         {name + ".bmp": "picture\r\n",
                          name + ".ttf": renamed_font("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
                                                      "Zelvo Fault " + name)})

    def test_17_1_a_font_across_a_cancelled_installation(self):
        self.row("17. A theme's font registered, then Cancel at a later copy error")
        self.font_theme(SRC, "Fonty", ["Bad=%WinDir%Bad.wav"])
        self.prefix.write_file(SRC + "\\Bad.wav\\inside.txt", "a folder, not a file")
        before = self.state()
        run = self.run_installer(answers=[OK, CANCEL, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Fonty"), copy_error(5, "Bad.wav"), FAILED], code=1)
        self.compare(before)

    def test_17_2_a_font_in_use_at_the_uninstall(self):
        self.row("17. A theme's font loaded by another program while it is uninstalled")
        self.font_theme(SRC, "Fonty")
        client = self.prefix.install_program("e2e-client.exe", "C:\\Tools")
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Fonty"), INSTALLED], code=1)
        holder = self.prefix.spawn([client, "holdfont", FONTS + "Fonty.ttf", "8000"])
        self.addCleanup(holder.kill)
        holder.stdout.readline()  # "loaded N"
        run = self.uninstall("Fonty.the", [OK, OK, OK])
        # the file goes, or it stays with its registration, its record and the entry
        texts = [m[1] for m in run.messages()]
        if texts[-1] != UNINSTALLED[0]:
            self.note("the loaded font stays until it is free")
            self.soft(self.assertTrue, self.uninstall_entry_exists("Fonty"), "the entry stays with the font")
            holder.wait(30)
            self.uninstall_ok("Fonty")
        holder.wait(30)
        self.compare(before)

    def test_17_3_the_installers_copy_shared_by_two_themes(self):
        self.row("17. Two themes that share the installer's copy, removed in either order")
        for first, second in [("Red", "Green"), ("Green", "Red")]:
            for name in ("Red", "Green"):
                folder = "C:\\Downloads\\" + name
                self.write_theme(folder, name + ".the", ["Wallpaper=%ThemeDir%" + name + ".bmp"], [name + ".bmp"])
                self.prefix.install_program("decorama.exe", folder)
            before = self.state()
            for name in ("Red", "Green"):
                folder = "C:\\Downloads\\" + name
                run = self.run_installer(answers=[OK, OK], win_cwd=folder, exe=folder + "\\decorama.exe")
                self.assertMessages(run, [confirm_install(name), INSTALLED], code=1)
            for name in (first, second):
                run = self.prefix.drive(self.uninstall_entry(name)["UninstallString"], answers=[OK, OK], timeout=60)
                self.assertMessages(run, [confirm_uninstall(name), UNINSTALLED], code=0)
                still = self.prefix.exists(INSTALLER_COPY)
                self.soft(self.assertTrue, still, "the copy runs, or still serves a theme")
            self.compare(before, allow_left=self.restart_windows())
            os.unlink(self.prefix.unix(WINDIR + "wininit.bak"))

    # ------------------------------------------------------------ 18: what Windows acts on, and what two themes share
    def test_18_1_files_windows_acts_on_by_itself(self):
        self.row("18. WININIT.INI, WIN.INI, code and StartUp folders in a theme: refused; the user's letter survives a restart")
        letter = "C:\\My Documents\\Letter.doc"
        self.prefix.write_file(letter, "the user's letter")
        for root, name, folder in [("HKCU", "Startup", "Autostart"), ("HKLM", "Common Startup", "All Users\\Boot")]:
            self.prefix.reg_add(root + SHELL_FOLDERS, name, WINDIR + folder)
        # what the theme's WININIT.INI would do at the next start: delete the letter and
        # put a program that calls itself a picture in place of the shell
        rename = ["[rename]", "NUL=" + letter, WINDIR + "explorer.exe=" + THEMES + "Shell.bmp"]
        refused = ["%WinDir%WININIT.INI", "%WinDir%WIN.INI", "%WinDir%system.ini", "%WinDir%explorer.exe",
                   "%WinDir%WINSTART.BAT", "%WinDir%Start Menu\\Programs\\StartUp\\Run.lnk",
                   "%WinDir%Autostart\\Mine.lnk", "%WinDir%All Users\\Boot\\All.lnk", "%ThemeDir%Hook.dll"]
        names = [p.rpartition("\\")[2].rpartition("%")[2] for p in refused]
        files = {n: "MZ not for a theme\r\n" for n in names + ["Shell.bmp", "Acts.scr"]}
        files["WININIT.INI"] = theme_text(rename)
        self.write_theme(SRC, "Acts.the", ["Wallpaper=%ThemeDir%Shell.bmp", "SCRNSAVE.EXE=%WinDir%Acts.scr"] +
                         ["Line%d=%s" % (i, p) for i, p in enumerate(refused)], files)
        before = self.state()
        run = self.run_installer(answers=[OK] * (len(refused) + 2), win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Acts")] + [copy_error(5, n) for n in names] + [INSTALLED], code=1)
        self.soft(self.assertEqual, sorted(v for k, v in self.record(THEMES + "Acts.the")),
                  [THEMES + "Shell.bmp", WINDIR + "Acts.scr"], "a screen saver and a picture install as before")
        restarted = self.restart_windows()
        self.uninstall_ok("Acts")
        self.compare(before, allow_left=restarted)
        # the restart carries out a WININIT.INI in the Windows folder: the one the theme
        # brought would have taken the letter
        self.prefix.write_file(WINDIR + "WININIT.INI", theme_text(rename[:2]))
        self.restart_windows()
        self.assertFalse(self.prefix.exists(letter), "the restart did not carry out WININIT.INI")

    def test_18_2_a_cancelled_reinstall_undoes_only_its_own_keys(self):
        self.row("18. Reinstall whose screen file is missing, Cancel: the first installation still uninstalls whole")
        self.write_theme(SRC, "Again.the", ["Wallpaper=%ThemeDir%Art\\Again.bmp", "[DecoramaSpecial]",
                                            "StartupScreen=Boot.sys", "Tile=%ThemeDir%Two.bmp"], ["Again.bmp", "Two.bmp"])
        self.prefix.write_file("C:\\Logo.sys", OLD_LOGO)
        before = self.state()
        run = self.run_installer(answers=[OK, CANCEL, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Again"), screen_question("Startup"), INSTALLED], code=1)
        record = self.whole_record(THEMES + "Again.the")
        # the reinstall takes the screen (its file is missing), then cannot copy Two.bmp
        os.unlink(self.prefix.unix(THEMES + "Two.bmp"))
        os.rename(self.prefix.unix(SRC + "\\Two.bmp"), self.prefix.unix(SRC + "\\Two.away"))
        self.prefix.write_file(SRC + "\\Two.bmp\\inside.txt", "a folder, not a file")
        run = self.run_installer(answers=[OK, OK, OK, CANCEL, OK], win_cwd=SRC)
        texts = [m[1] for m in run.messages()]
        self.soft(self.assertEqual, texts[:2] + texts[-2:], [confirm_install("Again")[0], screen_question("Startup")[0],
                                                             copy_error(5, "Two.bmp")[0], FAILED[0]], run)
        self.soft(self.assertEqual, self.whole_record(THEMES + "Again.the"), record, "the first installation's record")
        shutil.rmtree(self.prefix.unix(SRC + "\\Two.bmp"))
        os.rename(self.prefix.unix(SRC + "\\Two.away"), self.prefix.unix(SRC + "\\Two.bmp"))
        self.uninstall_ok("Again")
        self.compare(before)

    def test_18_3_another_theme_of_the_same_name(self):
        self.row("18. Another theme of the same name installs beside as \"Blue (2)\"; each reinstall reuses its copy")
        other, respelt = "C:\\Downloads\\Other", "C:\\Downloads\\Respelt"
        self.blue_theme()
        self.write_theme(other, "Blue.the", ["Wallpaper=%ThemeDir%Other.bmp"], ["Other.bmp"])
        # the first theme's lines with other blanks: the same theme (a comment would be a
        # line of its own, as the profile functions keep it in the copy)
        self.write_theme(respelt, "Blue.the", ["Wallpaper = %ThemeDir%Art\\Blue.bmp", "",
                                               "  Sound=  %WinDir%BlueDing.wav"], ["Blue.bmp", "BlueDing.wav"])
        before = self.state()
        for folder, copy in [(SRC, "Blue"), (other, "Blue (2)"), (other, "Blue (2)"), (respelt, "Blue")]:
            run = self.run_installer('"%s\\Blue.the"' % folder, answers=[OK, OK], win_cwd=folder)
            self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
            self.soft(self.assertEqual, (self.uninstall_entry(copy) or {}).get("UninstallString"),
                      '%s /u "%s%s.the"' % (COMMAND, THEMES, copy), "the entry of %s" % folder)
        self.soft(self.assertFalse, self.prefix.exists(THEMES + "Blue (3).the"), "a reinstall made another copy")
        run = self.uninstall("Blue (2).the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Blue (2)"), UNINSTALLED], code=0)
        self.soft(self.assertTrue, self.prefix.exists(THEMES + "Art\\Blue.bmp"), "the first theme keeps its files")
        self.uninstall_ok("Blue")
        self.compare(before)

    def test_18_4_the_users_theme_file_in_the_themes_folder(self):
        self.row("18. The user's own theme file in the Themes folder, installed from there twice: it stays byte for byte")
        raw = b"; my own theme\r\n[Control Panel\\Desktop]\r\nWallpaper = %ThemeDir%Art\\Mine.bmp\r\n\r\nSound=%WinDir%MineDing.wav"
        self.write_theme(THEMES_DIR_WIN, "Mine.the", None, ["Mine.bmp", "MineDing.wav"], raw=raw)
        before = self.state()
        for _ in range(2):
            run = self.run_installer('"%sMine.the"' % THEMES, answers=[OK, OK], win_cwd=THEMES_DIR_WIN)
            self.assertMessages(run, [confirm_install("Mine"), INSTALLED], code=1)
        self.soft(self.assertEqual, [k for k, v in self.record(THEMES + "Mine (2).the")], ["Dir1", "File1", "File2"],
                  "the record is in the installed copy beside the user's file")
        run = self.uninstall("Mine.the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Mine"), NOT_COMPLETELY], code=0)
        run = self.uninstall("Mine (2).the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall("Mine (2)"), UNINSTALLED], code=0)
        self.compare(before)

    def test_18_5_files_folders_fonts_and_screens_that_two_themes_use(self):
        self.row("18. Two themes with one file, folder, font and start-up screens each, uninstalled in either order")
        from installer_case import renamed_font
        font = renamed_font("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "Zelvo Fault Shared")
        for name in ("Red", "Green"):
            self.write_theme("C:\\Downloads\\" + name, name + ".the", [
                "Wallpaper=%ThemeDir%Art\\Shared.bmp", "Icon=%ThemeDir%Art\\" + name + ".ico", "[DecoramaSpecial]",
                "Font=%FontDir%Shared.ttf", "StartupScreen=" + name + ".sys"],
                {"Shared.bmp": "one picture\r\n", name + ".ico": name, "Shared.ttf": font, name + ".sys": name})
        shared = [THEMES + "Art\\Shared.bmp", FONTS + "Shared.ttf"]
        for screen, first, second in [(None, "Red", "Green"), (None, "Green", "Red"), (OLD_LOGO, "Red", "Green"),
                                      (OLD_LOGO, "Green", "Red")]:
            if screen:
                self.prefix.write_file("C:\\Logo.sys", screen)
            before = self.state()
            for name in ("Red", "Green"):
                run = self.run_installer(answers=[OK, OK, OK], win_cwd="C:\\Downloads\\" + name)
                self.assertMessages(run, [confirm_install(name), screen_question("Startup"), INSTALLED], code=1)
            self.uninstall_ok(first)
            self.soft(self.assertEqual, [self.prefix.exists(p) for p in shared + [THEMES + "Art\\" + second + ".ico"]],
                      [True] * 3, "what %s uses, after %s went" % (second, first))
            self.soft(self.assertEqual, self.prefix.registry().value(FONT_LIST, "Zelvo Fault Shared (TrueType)"),
                      "Shared.ttf", "the font's registration, after %s went" % first)
            self.uninstall_ok(second)
            self.compare(before)

    def test_18_6_uninstall_by_every_spelling_of_the_copy(self):
        self.row("18. /u with the copy spelt otherwise: short name, .\\, x\\..\\, case, slashes, \\\\?\\; a path outside")
        exe = self.prefix.install_program("e2e-platform-table.exe")
        short = self.prefix.wine([exe, "/short", THEMES_DIR_WIN], timeout=60).stdout.decode("latin-1").strip()
        self.assertTrue(short and short.lower() != THEMES_DIR_WIN.lower(), short)
        self.prefix.write_file("C:\\Keep\\keep.txt", "precious")
        self.blue_theme()
        before = self.state()
        copy = THEMES + "Blue.the"
        for spelling, cwd in [(short + "\\Blue.the", None), (".\\Blue.the", THEMES_DIR_WIN),
                              (THEMES + "Art\\..\\Blue.the", None), ("c:\\PROGRAM files\\plus!\\THEMES\\BLUE.THE", None),
                              (copy.replace("\\", "/"), None), ("\\\\?\\" + copy, None)]:
            run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
            self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
            run = self.run_installer('/u "%s"' % spelling, answers=[OK, OK], win_cwd=cwd)
            self.assertMessages(run, [confirm_uninstall("Blue"), UNINSTALLED], code=0)
            self.compare(before)
        # a recorded path outside the installation's folders stays, and with it the record and the entry
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        with open(self.prefix.unix(copy), "ab") as f:
            f.write(b"Dir9=C:\\Keep\r\n")
        run = self.uninstall("Blue.the", [OK, OK, OK])
        self.assertMessages(run, [confirm_uninstall("Blue"), NOT_COMPLETELY], code=0)
        self.soft(self.assertEqual, self.record(copy), [("Dir9", "C:\\Keep")], "the record of what stays")
        self.compare(before, allow_left=[self.rel(copy), self.rel(INSTALLER_COPY)], allow_registry=["uninstall\\blue"])

    def test_18_7_a_fonts_registration_goes_without_the_fonts_shell_folder(self):
        self.row("18. A font's registration goes at the uninstall when the Shell Folders lack \"Fonts\"")
        self.font_theme(SRC, "Fonty")
        before = self.state()
        run = self.run_installer(answers=[OK, OK], win_cwd=SRC)
        self.assertMessages(run, [confirm_install("Fonty"), INSTALLED], code=1)
        self.soft(self.assertEqual, self.prefix.registry().value(FONT_LIST, "Zelvo Fault Fonty (TrueType)"), "Fonty.ttf")
        self.prefix.reg_delete("HKCU" + SHELL_FOLDERS, "Fonts")
        self.uninstall_ok("Fonty")
        self.prefix.reg_add("HKCU" + SHELL_FOLDERS, "Fonts", FONTS[:-1])
        self.compare(before)

    def test_18_9_a_shared_font_registered_after_the_second_theme_began_to_use_it(self):
        self.row("18. A font that two themes ship, registered only after the second began to use it, either order")
        from installer_case import renamed_font
        font = renamed_font("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "Zelvo Fault Late")
        value = "Zelvo Fault Late (TrueType)"
        for name in ("Red", "Green"):
            self.write_theme("C:\\Downloads\\" + name, name + ".the", ["Wallpaper=%ThemeDir%" + name + ".bmp",
                             "[DecoramaSpecial]", "Font=%FontDir%Late.ttf"], {name + ".bmp": name, "Late.ttf": font})
        for first, second in [("Red", "Green"), ("Green", "Red")]:
            before = self.state()
            for name in ("Red", "Green"):
                if name == "Green":
                    self.prefix.reg_delete(FONT_LIST, value)
                run = self.run_installer(answers=[OK, OK], win_cwd="C:\\Downloads\\" + name)
                self.assertMessages(run, [confirm_install(name), INSTALLED], code=1)
            self.prefix.reg_add(FONT_LIST, value, "Late.ttf")
            self.uninstall_ok(first)
            self.uninstall_ok(second)
            self.compare(before)

    def test_18_8_the_install_verb_known_to_every_copy(self):
        self.row("18. The Install verb one copy added: another copy, and the same one moved, offer to remove it")
        self.prefix.write_file("C:\\Empty\\readme.txt", "no theme here")
        other = self.prefix.install_program("decorama.exe", "C:\\Other")
        before = self.state()
        for remover in [other, "C:\\Moved\\decorama.exe"]:
            run = self.run_installer(answers=[OK], win_cwd="C:\\Empty")
            self.soft(self.assertEqual, [m[1].split("\n")[-1] for m in run.messages()],
                      ["This will install the Decorama shell extension."], run)
            self.soft(self.assertEqual, self.prefix.registry().value(VERB_KEY, "Decorama"), "Install Theme verb")
            moved = (self.prefix.unix(EXE), self.prefix.unix(remover))
            if remover != other:
                os.makedirs(os.path.dirname(moved[1]))
                os.rename(*moved)
            run = self.run_installer(answers=[OK], win_cwd="C:\\Empty", exe=remover)
            self.assertMessages(run, [REMOVE_VERB], code=0)
            if remover != other:
                os.rename(moved[1], moved[0])
                os.rmdir(os.path.dirname(moved[1]))
            self.compare(before)


# ---------------------------------------------------------------- the saver

ERROR_BOX = ("Error", "An error has occured while trying to write the information to the ini file.", ["OK"], "error")
SB_RIGHT = 7


class SaverFaults(FaultCase):
    """zelvosav.ini that cannot be written, is a folder, is 1 MiB of garbage or holds NUL
    bytes: the saver mode ("/S", ended by a key) and the setup dialog ("/C", ended by its
    OK button) always end, with exit code 0, within the time-out."""

    def setUp(self):
        super().setUp()
        self.prefix.install_program("ZelvoSav.scr", "C:\\windows")
        self.display.xdotool("mousemove", 5, 5)

    def session(self, args, answers=()):
        s = self.prefix.driver_session(SCR + " " + args, answers=answers, timeout=40, extra="kill")
        self.addCleanup(s.stop)
        return s

    def first_window(self, s, what):
        w = s.wait_for(lambda e: e["event"] in ("window", "exit", "timeout", "unexpected"), 30)
        if w is None or w["event"] != "window":
            self.fail("%s: no window came up: %r" % (what, s.events))
        return w

    def saver_mode(self):
        """/S: the saver's window comes up and a key ends the program with exit code 0."""
        s = self.session("/S")
        self.first_window(s, "/S")
        time.sleep(0.5)
        self.display.xdotool("key", "a")
        code = s.wait_exit(15)
        self.soft(self.assertEqual, code, 0, "/S: exit code (None: crashed, hung or killed): %r" % s.events[-3:])

    def setup_dialog(self, error_boxes, move=True):
        """/C: the setup dialog comes up, the bar is moved to its slow end, OK pressed;
        the program ends with exit code 0 after error_boxes "Error" boxes."""
        s = self.session("/C", answers=[OK] * error_boxes)
        w = self.first_window(s, "/C")
        self.assertEqual(w["class"], "ZelvoForm", "/C: first window %r" % w)
        time.sleep(0.4)  # the OK button slides in after the load
        if move:
            self.prefix.driver("scroll", w["hwnd"], SB_RIGHT)
        self.prefix.driver("click", w["hwnd"], 102)
        code = s.wait_exit(20)
        self.soft(self.assertEqual, code, 0, "/C: exit code (None: crashed, hung or killed): %r" % s.events[-3:])
        boxes = [(e["caption"], dialog_text(e), visible_buttons(e), e.get("icon"))
                 for e in s.events if e["event"] == "window" and e["class"] == "#32770"]
        self.soft(self.assertEqual, boxes, [ERROR_BOX] * error_boxes, "/C: message boxes")
        return boxes

    def stored(self):
        with open(self.prefix.unix(INI), "rb") as f:
            return f.read()

    def test_10_1_settings_file_cannot_be_written(self):
        self.row("10. zelvosav.ini cannot be written")
        path = self.prefix.unix(INI)
        kept = b"[Zelvosav]\r\nSpeed=42\r\n"
        self.prefix.write_file(INI, kept)
        # A file without write permission: root writes it all the same under Wine, so
        # whether the write fails is looked at rather than assumed.
        os.chmod(path, 0o444)
        s = self.session("/C", answers=[OK])
        w = self.first_window(s, "/C")
        time.sleep(0.4)
        self.prefix.driver("scroll", w["hwnd"], SB_RIGHT)
        self.prefix.driver("click", w["hwnd"], 102)
        self.assertEqual(s.wait_exit(20), 0, s.events)
        boxes = [e for e in s.events if e["event"] == "window" and e["class"] == "#32770"]
        if self.stored() != kept:
            self.assertEqual(boxes, [], "the write succeeded but an Error box was shown")
            self.note("chmod a-w: Wine as root writes anyway; checked with chattr +i")
        else:
            self.note("chmod a-w makes the write fail under Wine as root")
        os.chmod(path, 0o644)
        self.prefix.write_file(INI, kept)
        # An immutable file: no one, root included, may write it.
        r = subprocess.run(["chattr", "+i", path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=10)
        if r.returncode != 0:
            self.skipTest("chattr +i not available: %s" % r.stdout.decode(errors="replace").strip())
        self.addCleanup(subprocess.run, ["chattr", "-i", path], timeout=10)
        before = self.state()
        self.saver_mode()
        self.setup_dialog(error_boxes=1)
        self.soft(self.assertEqual, self.stored(), kept, "the file keeps its value")
        self.compare(before)

    def test_10_2_settings_file_is_a_folder(self):
        self.row("10. zelvosav.ini is a folder")
        os.makedirs(self.prefix.unix(INI))
        self.prefix.write_file(INI + "\\inside.txt", "kept")
        before = self.state()
        self.saver_mode()
        self.setup_dialog(error_boxes=1)
        self.compare(before)

    def settings_written_over(self, content):
        """zelvosav.ini holds content: both modes end, OK stores the speed the bar was moved
        to, and the saver reads what the dialog wrote."""
        self.prefix.write_file(INI, content)
        before = self.state()
        self.saver_mode()
        self.setup_dialog(error_boxes=0)
        self.soft(self.assertRegex, self.stored(), rb"(?i)\[Zelvosav\]\r\nSpeed=150\r\n", "the speed is stored")
        self.saver_mode()
        self.compare(before, allow_lost=[self.rel(INI)])

    def test_10_3_settings_file_of_garbage(self):
        self.row("10. zelvosav.ini of 1 MiB of garbage")
        import random
        self.settings_written_over(random.Random(10).randbytes(1 << 20))

    def test_10_4_settings_file_with_nul_bytes(self):
        self.row("10. zelvosav.ini with NUL bytes")
        self.settings_written_over(b"\0" * 64 + b"[Zelvosav]\r\nSpeed=4\x002\0\0junk\r\n" + b"\0" * 4000 +
                                   b"\r\n[Other]\r\nKey=\0v\r\nSpeed\0=7\r\n\0")

def _cancel_test(k):
    def test(self):
        self.cancel_at_entry(k)
    test.__name__ = "test_01_%d_cancel_at_copy_error_of_entry_%d" % (k, k)
    return test


for _k in range(1, 6):
    setattr(InstallerFaults, "test_01_%d_cancel_at_copy_error_of_entry_%d" % (_k, _k), _cancel_test(_k))


def tearDownModule():
    write_table()


if __name__ == "__main__":
    unittest.main()
