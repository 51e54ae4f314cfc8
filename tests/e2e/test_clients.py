"""Our programs started as Windows' own programs start them: one class a client.

DisplayPropertiesTest: the Screen Saver page of Display Properties (e2e-displayprops.exe
stands in for it) starts ZelvoSav.scr with the handle of one of its windows after the
switch: "/c:<page>" or "/c <page>" for its Settings button, "/p <monitor>" for the
preview in its monitor picture."""

import time
import unittest

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


if __name__ == "__main__":
    unittest.main()
