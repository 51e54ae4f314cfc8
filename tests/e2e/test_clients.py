"""Our programs started as Windows' own programs start them: one class a client.

DisplayPropertiesTest: the Screen Saver page of Display Properties (e2e-displayprops.exe
stands in for it) starts ZelvoSav.scr with the handle of one of its windows after the
switch: "/c:<page>" or "/c <page>" for its Settings button, "/p <monitor>" for the
preview in its monitor picture.

InstallerClientsTest: the shell's "Install Theme" command through ShellExecuteEx on a
".theme" file, Add/Remove Programs (`uninstaller --remove`, Wine's), a program that lists
the fonts it can use (EnumFontFamiliesA) and the removal once the download folder is
gone; each compares drive C and the registry with a snapshot."""

import time
import unittest

import os
import shutil
import sys

from saver_case import SCR, SaverCase
from wineharness.driver import DriverSession

WS_DISABLED = 0x08000000
SB_RIGHT = 7


class ClientSession(DriverSession):
    """A client program under test's control, reporting JSON lines as the driver does."""

    def __init__(self, case, program, *args):
        super().__init__(case.prefix.spawn([case.prefix.flavour.program(program)] + list(args)))
        case.addCleanup(self.stop)

    def event(self, name, timeout=30):
        e = self.wait_for(lambda e: e["event"] in (name, "error"), timeout)
        if e is None or e["event"] != name:
            raise AssertionError("no %r event from the client: %r" % (name, self.events))
        return e


class DisplayPropertiesTest(SaverCase):

    programs = SaverCase.programs + ("e2e-displayprops.exe",)

    def open_page(self, settings="/c:%lu"):
        page = ClientSession(self, "e2e-displayprops.exe", SCR, settings)
        return page, page.event("page")

    def windows_of(self, page, pid, timeout=30):
        """The visible top-level windows of the saver that the page started, once it shows one."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = [e for e in self.prefix.driver("windows", pid) if e["event"] == "window"]
            if found:
                return found
            end = page.wait_for(lambda e: e["event"] == "exit", 0.2)
            self.assertIsNone(end, "the saver ended without a window")
        self.fail("the saver showed no window")

    def test_settings_opens_the_setup_dialog_and_ok_writes_the_speed(self):
        for settings in ["/c:%lu", "/c %lu", "/C:%lu"]:
            with self.subTest(settings=settings):
                self.write_ini("42")
                page, shown = self.open_page(settings)
                self.prefix.driver("click", shown["hwnd"], 1001)
                saver = page.event("started")
                [dialog] = self.windows_of(page, saver["pid"])
                # the setup dialog as "/C" alone shows it: no owner, and the page not disabled
                self.assertEqual(int(dialog["owner"], 16), 0, dialog)
                [sheet] = [e for e in self.prefix.driver("windows") if e.get("hwnd") == shown["hwnd"]]
                self.assertEqual(sheet["style"] & WS_DISABLED, 0, "the page was made modal to the dialog")
                self.prefix.driver("scroll", dialog["hwnd"], SB_RIGHT)
                time.sleep(0.4)  # the OK button slides in 50 ms after the load
                [ok] = [c for c in dialog["controls"] if c["class"].lower() == "button" and c["text"] == "OK"]
                self.prefix.driver("click", dialog["hwnd"], ok["id"])
                self.assertEqual(page.event("exit")["code"], 0)
                self.assertEqual(self.stored_speed(), "150")
                self.prefix.driver("close", shown["hwnd"])
                page.stop()

    def screen_outside(self, box):
        """The screen's pixels outside a box (x0, y0, x1, y1), once two shots agree."""
        def outside():
            img = self.shot("page")
            w, (x0, y0, x1, y1) = img.width * 3, box
            rows = [img.data[y * w:(y + 1) * w] for y in range(img.height)]
            return [r if not y0 <= y < y1 else r[:x0 * 3] + r[x1 * 3:] for y, r in enumerate(rows)]
        last = outside()
        for _ in range(20):
            now = outside()
            if now == last:
                return now
            last = now
            time.sleep(0.2)
        self.fail("the screen does not settle")

    def test_the_monitor_preview_ends_at_once_and_draws_nothing_outside_it(self):
        page, shown = self.open_page()
        before = self.screen_outside(shown["monitor_rect"])
        self.prefix.driver("click", shown["hwnd"], 1002)
        self.assertEqual(page.event("started")["switch"], "/p %d" % int(shown["monitor"], 16))
        end = page.event("exit")
        self.assertEqual(end["windows"], 0, "the preview showed a window of its own")
        changed = [y for y, (a, b) in enumerate(zip(before, self.screen_outside(shown["monitor_rect"]))) if a != b]
        self.assertEqual(changed, [], "rows drawn outside the monitor")



sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "faults"))
from fault_case import (COMMAND, INSTALLED, OK, THEMES, UNINSTALLED, WINDIR, FaultCase,  # noqa: E402
                        confirm_install, confirm_uninstall)
from installer_case import renamed_font  # noqa: E402

DOWNLOAD = "C:\\Downloads\\Blue"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
FAMILY = "Zelvo Client Mono"
FONT_LIST = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"


class InstallerClientsTest(FaultCase):
    """The installer as the shell, Add/Remove Programs and other programs meet it; the
    installer where a user puts it, in the theme's download folder."""

    programs = FaultCase.programs + ("e2e-client.exe",)

    def setUp(self):
        super().setUp()
        self.client = self.prefix.install_program("e2e-client.exe", "C:\\Tools")
        self.installer = self.prefix.install_program("decorama.exe", DOWNLOAD)
        self.write_theme(DOWNLOAD, "Blue.theme", [
            "Wallpaper=%ThemeDir%Art\\Blue.bmp", "Sound=%WinDir%BlueDing.wav", "[DecoramaSpecial]",
            "Font=%FontDir%ZelvoClient.ttf"], {"Blue.bmp": "picture\r\n", "BlueDing.wav": "sound\r\n",
                                                "ZelvoClient.ttf": renamed_font(FONT, FAMILY)})

    def fonts(self):
        r = self.prefix.wine([self.client, "fonts"], timeout=60)
        return set(r.stdout.decode("latin-1").split("\r\n"))

    def remove_as_add_remove_programs_does(self, name):
        """`uninstaller --remove` runs the entry's command; then Windows starts again."""
        run = self.prefix.drive("C:\\windows\\system32\\uninstaller.exe --remove " + name, answers=[OK, OK],
                                timeout=120, any_process=True)
        self.assertMessages(run, [confirm_uninstall(name), UNINSTALLED])
        return self.restart_windows()

    def test_the_install_verb_through_shellexecute_and_removal_through_add_remove_programs(self):
        # as on a machine with Plus!: ".theme" files are ThemeFile; the verb is ours
        self.prefix.reg_add("HKCR\\.theme", None, "ThemeFile")
        before = self.state()
        run = self.run_installer(answers=[OK], exe=self.installer, win_cwd="C:\\Tools")
        self.assertMessages(run, [("Welcome to Decorama v1.04, the installer for Windows 95 desktop themes.\n"
                                   "This will install the Decorama shell extension.", ["OK", "Cancel"], None)], code=0)
        run = self.prefix.drive('"%s" shellexec Install "%s\\Blue.theme"' % (self.client, DOWNLOAD),
                                answers=[OK, OK], timeout=120, any_process=True)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED])
        self.assertEqual(self.uninstall_entry("Blue")["UninstallString"], '%s /u "%sBlue.theme"' % (COMMAND, THEMES))
        restarted = self.remove_as_add_remove_programs_does("Blue")
        self.run_installer(answers=[OK], exe=self.installer, win_cwd="C:\\Tools")   # the verb goes again
        self.compare(before, allow_left=restarted)

    def test_removal_after_the_download_folder_is_gone(self):
        before = self.state()
        run = self.run_installer(answers=[OK, OK], exe=self.installer, win_cwd=DOWNLOAD)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        shutil.rmtree(self.prefix.unix(DOWNLOAD))
        listed = self.prefix.wine(["uninstaller", "--list"], timeout=60).stdout.decode("latin-1")
        self.assertIn("|||Blue Theme", listed)
        restarted = self.remove_as_add_remove_programs_does("Blue")
        self.compare(before, allow_lost=[self.rel(DOWNLOAD)] + [self.rel(DOWNLOAD + "\\" + n) for n in (
            "decorama.exe", "Blue.theme", "Blue.bmp", "BlueDing.wav", "ZelvoClient.ttf")], allow_left=restarted)

    def test_a_font_the_theme_brings_is_one_programs_can_use_until_it_is_removed(self):
        before = self.state()
        self.soft(self.assertNotIn, FAMILY, self.fonts(), "the font before the installation")
        run = self.run_installer(answers=[OK, OK], exe=self.installer, win_cwd=DOWNLOAD)
        self.assertMessages(run, [confirm_install("Blue"), INSTALLED], code=1)
        self.soft(self.assertEqual, self.prefix.registry().value(FONT_LIST, FAMILY + " (TrueType)"), "ZelvoClient.ttf",
                  "the font's registration")
        self.soft(self.assertIn, FAMILY, self.fonts(), "the font once installed")
        restarted = self.remove_as_add_remove_programs_does("Blue")
        self.soft(self.assertNotIn, FAMILY, self.fonts(), "the font once removed")
        self.compare(before, allow_left=restarted)


if __name__ == "__main__":
    unittest.main()
