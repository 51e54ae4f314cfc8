"""ZelvoSav.scr end to end in configuration mode ("/C"): the setup dialog's look, the
clipboard, the speed loaded into and stored from the scroll bar, and a failed write."""

import os
import time
import unittest

from saver_case import (INI, ROOT, WS_CAPTION, WS_SYSMENU, Image, SaverCase, dialog_text, immutable, visible_buttons)
from wineharness.driver import DriverSession

TAN = (224, 192, 160)
BROWN = (205, 154, 103)
CLIENT = (320, 385)
SB_LINELEFT, SB_LINERIGHT, SB_PAGELEFT, SB_PAGERIGHT, SB_LEFT, SB_RIGHT = 0, 1, 2, 3, 6, 7
ERROR_TEXT = "An error has occured while trying to write the information to the ini file."
HEADER_BMP = os.path.join(ROOT, "saver", "assets", "header.bmp")


class SetupDialogTest(SaverCase):

    programs = SaverCase.programs + ("e2e-forms-platform-table.exe",)

    def open_dialog(self, args="/C", answers=()):
        s = self.start(args, answers=answers)
        w = self.wait_window(s)
        time.sleep(0.4)  # the OK button slides in 50 ms after the load
        return s, w

    def control(self, w, cls, text=None):
        found = [c for c in w["controls"] if c["class"].lower() == cls.lower() and (text is None or c["text"] == text)]
        self.assertEqual(len(found), 1, "one %s control %r expected: %r" % (cls, text, w["controls"]))
        return found[0]

    def current(self, w):
        """The dialog as it is now (controls move after the load)."""
        for e in self.prefix.driver("windows"):
            if e.get("hwnd") == w["hwnd"]:
                return e
        self.fail("the setup dialog is gone")

    def scroll_pos(self, w):
        ev = [e for e in self.prefix.driver("scrollpos", w["hwnd"]) if e["event"] == "scrollpos"]
        self.assertTrue(ev, "no scroll bar on the setup dialog")
        return ev[0]

    def press_ok(self, s, w):
        ok = self.control(self.current(w), "Button", "OK")
        self.prefix.driver("click", w["hwnd"], ok["id"])
        code = s.wait_exit(15)
        self.assertIsNotNone(code, "OK did not end the program")

    def test_layout_after_the_slide(self):
        for row, args in enumerate(["/C", "/c"]):
            with self.subTest(args=args):
                if row:
                    self.fresh_prefix()
                s, w = self.open_dialog(args)
                # only the setup dialog: the saver window is never shown
                others = [e for e in s.events if e["event"] == "window" and e["hwnd"] != w["hwnd"]]
                self.assertEqual(others, [])
                d = self.display
                left, top, right, bottom = w["client"]
                self.assertEqual((right - left, bottom - top), CLIENT, "client area")
                wl, wt, wr, wb = w["rect"]
                self.assertLessEqual(abs((wl + wr) - d.width), 1, "not centred across: %r" % w["rect"])
                self.assertLessEqual(abs((wt + wb) - d.height), 1, "not centred down: %r" % w["rect"])
                self.assertNotEqual(w["style"] & WS_CAPTION, WS_CAPTION, "no title bar")
                self.assertEqual(w["style"] & WS_SYSMENU, 0, "no control box")
                self.assertEqual(w["caption"], "")

                w = self.current(w)
                ok = self.control(w, "Button", "OK")
                # after the slide: Left 60, Top 4560, 4695 x 375 twips
                self.assertEqual([ok["rect"][0] - left, ok["rect"][1] - top, ok["rect"][2] - ok["rect"][0],
                                  ok["rect"][3] - ok["rect"][1]], [4, 304, 313, 25])
                bar = self.control(w, "ScrollBar")
                self.assertTrue(bar["visible"])
                self.assertEqual(self.scroll_pos(w), {"event": "scrollpos", "pos": 10, "min": 1, "max": 150})

                img = self.shot("setup")
                header = Image.from_bmp8(HEADER_BMP)
                self.assertEqual((header.width, header.height), (320, 224))
                self.assertGreater(img.crop(left, top, 320, 224).matching_fraction(header), 0.98,
                                   "the header picture is not at the top, edge to edge")
                # tan between the header and the About labels, and at the bottom edge
                self.assertEqual(img.count(TAN, (left, top + 225, right, top + 231)), 320 * 6)
                self.assertEqual(img.count(TAN, (left, bottom - 5, right, bottom)), 320 * 5)
                # brown About labels: 60,3480 4695x675 and 60,4200 4695x285 twips
                for (x, y, cw, ch) in [(4, 232, 313, 45), (4, 280, 313, 19)]:
                    region = (left + x + 2, top + y + 2, left + x + cw - 2, top + y + ch - 2)
                    area = (cw - 4) * (ch - 4)
                    self.assertGreater(img.count(BROWN, region), area * 0.6, "About label at %r" % ((x, y),))
                self.assertCaptionsWhole(img, left, top)
                self.press_ok(s, w)

    # Captions drawn by the dialog: place and size in client pixels, background, whether
    # the label has a (2-pixel) border, and how many lines of text it shows.
    CAPTIONS = [("About 0", (4, 232, 313, 45), BROWN, True, 3), ("About 1", (4, 280, 313, 19), BROWN, True, 1),
                ("Fast:", (16, 352, 49, 17), TAN, False, 1), ("Slow:", (256, 352, 49, 17), TAN, False, 1)]

    def assertCaptionsWhole(self, img, left, top):
        """No caption is cut: each shows all its lines, and each line ends clear of the
        label's right edge (a face wider than MS Sans Serif runs into it)."""
        for name, (x, y, cw, ch), back, border, lines in self.CAPTIONS:
            b = 2 if border else 0
            x0, x1 = left + x + b, left + x + cw - b
            ink = []      # [first row, last row, rightmost ink column] of each line
            for row in range(top + y + b, top + y + ch - b):
                xs = [px for px in range(x0, x1) if img.pixel(px, row) != back]
                if xs and ink and ink[-1][1] == row - 1:
                    ink[-1][1:] = [row, max(ink[-1][2], xs[-1])]
                elif xs:
                    ink.append([row, row, xs[-1]])
            self.assertEqual(len(ink), lines, "%s: lines of text %r" % (name, ink))
            for first, last, right in ink:
                self.assertLess(right, x1 - 2, "%s: the line at row %d is cut (%d px of %d)"
                                % (name, first - top, right - x0 + 1, x1 - x0))

    def test_clipboard_holds_the_web_address(self):
        self.prefix.driver("setclip", "something the user copied")
        s, w = self.open_dialog()
        text = self.clipboard_text()
        self.assertIsInstance(text, str)
        self.assertTrue(text.startswith("http://www.example.com/"), text)
        self.assertEqual(len(text), 51, text)
        with open(self.prefix.flavour.program("ZelvoSav.scr"), "rb") as f:
            self.assertIn(text.encode(), f.read())
        self.press_ok(s, w)

    def clipboard_text(self):
        clip = [e for e in self.prefix.driver("clipboard") if e["event"] == "clipboard"]
        self.assertTrue(clip)
        return clip[0].get("text")

    def test_a_clipboard_that_another_program_holds_open_keeps_its_text(self):
        # the dialog opens all the same, its visit line (the address itself) whole
        self.prefix.driver("setclip", "something the user copied")
        holder = DriverSession(self.prefix.spawn([self.prefix.flavour.program("e2e-driver.exe"), "holdclip", "60000"]))
        self.addCleanup(holder.stop)
        self.assertIsNotNone(holder.wait_for(lambda e: e["event"] == "holdclip", 30), "the clipboard was not held")
        s, w = self.open_dialog()
        self.assertCaptionsWhole(self.shot("busy-clipboard"), w["client"][0], w["client"][1])
        holder.stop()
        self.assertEqual(self.clipboard_text(), "something the user copied")
        self.press_ok(s, w)

    def test_the_forms_platform_table_holds_under_wine(self):
        # The clipboard and font behaviours that the unit tests' headless platform models,
        # and the generator's values, which both builds draw alike.
        r = self.prefix.wine([self.prefix.flavour.program("e2e-forms-platform-table.exe")], timeout=60)
        out = r.stdout.decode("latin-1")
        self.assertEqual(r.returncode, 0, out)
        self.assertGreaterEqual(out.count("ok "), 5, out)

    def test_stored_speed_is_loaded_and_ok_writes_it_back(self):
        # stored value -> scroll bar at open and value written by OK
        cases = [
            (None, 10, "10"),
            ("42", 42, "42"),
            ("007", 7, "7"),
            ("1", 1, "1"),
            ("150", 150, "150"),
            ("abc", 10, "10"),
            ("0", 10, "10"),
            ("151", 10, "10"),
            ("40000", 10, "10"),
            ("", 10, "10"),
        ]
        for stored, shown, written in cases:
            with self.subTest(stored=stored):
                self.write_ini(stored)
                s, w = self.open_dialog()
                self.assertEqual(self.scroll_pos(w)["pos"], shown)
                self.press_ok(s, w)
                self.assertEqual(self.stored_speed(), written)

    def test_ok_creates_the_file_and_keeps_what_else_it_holds(self):
        self.write_ini(None)
        s, w = self.open_dialog()
        self.press_ok(s, w)
        with open(self.prefix.unix(INI), "rb") as f:
            self.assertEqual(f.read().decode("latin-1").split(), ["[Zelvosav]", "Speed=10"])

        self.prefix.write_file(INI, "[Other]\r\nKey=1\r\n[Zelvosav]\r\nSpeed=42\r\nExtra=x\r\n")
        s, w = self.open_dialog()
        self.prefix.driver("scroll", w["hwnd"], SB_RIGHT)
        self.press_ok(s, w)
        with open(self.prefix.unix(INI), "rb") as f:
            self.assertEqual(f.read().decode("latin-1").split(),
                             ["[Other]", "Key=1", "[Zelvosav]", "Speed=150", "Extra=x"])

    def test_scroll_bar_ends_store_1_and_150(self):
        for code, steps, expected in [(SB_LEFT, (), "1"), (SB_RIGHT, (), "150"),
                                      (SB_LEFT, (SB_LINELEFT, SB_PAGELEFT), "1"),
                                      (SB_RIGHT, (SB_LINERIGHT, SB_PAGERIGHT), "150"),
                                      (SB_LINERIGHT, (SB_LINERIGHT, SB_PAGERIGHT), "13")]:
            with self.subTest(code=code, steps=steps):
                self.write_ini("10")
                s, w = self.open_dialog()
                for c in (code,) + steps:
                    self.prefix.driver("scroll", w["hwnd"], c)
                self.assertEqual(str(self.scroll_pos(w)["pos"]), expected)
                self.assertEqual(self.stored_speed(), "10", "moving the bar must not store anything")
                self.press_ok(s, w)
                self.assertEqual(self.stored_speed(), expected)

    def focus_id(self, w):
        ev = [e for e in self.prefix.driver("focus", w["hwnd"]) if e["event"] == "focus"]
        self.assertTrue(ev)
        return ev[0].get("id")

    def test_keyboard_only(self):
        # OK holds the focus at open; Tab moves only between OK and the scroll bar; the
        # bar's keys move it within 1 ... 150; the space bar presses OK
        self.write_ini("10")
        s, w = self.open_dialog()
        ok = self.control(self.current(w), "Button", "OK")["id"]
        bar = self.control(self.current(w), "ScrollBar")["id"]
        self.assertEqual(self.focus_id(w), ok)
        focus = []
        for key in ["Tab", "Tab", "Tab", "shift+Tab", "shift+Tab"]:
            self.display.xdotool("key", key)
            time.sleep(0.15)
            focus.append(self.focus_id(w))
        self.assertEqual(focus, [bar, ok, bar, ok, bar])
        for key, expected in [("End", 150), ("Right", 150), ("Left", 149), ("Home", 1), ("Left", 1), ("Right", 2)]:
            self.display.xdotool("key", key)
            time.sleep(0.15)
            self.assertEqual(self.scroll_pos(w)["pos"], expected, "after %s" % key)
        self.display.xdotool("key", "Tab")
        time.sleep(0.15)
        self.assertEqual(self.focus_id(w), ok)
        self.display.xdotool("key", "space")
        self.assertIsNotNone(s.wait_exit(15), "the space bar on OK did not end the program")
        self.assertEqual(self.stored_speed(), "2")

    def test_enter_presses_ok_while_ok_holds_the_focus(self):
        # from the start, as at every return of the focus to OK; on the scroll bar Enter
        # does nothing, as the dialog has no default button of its own
        self.write_ini("10")
        s, w = self.open_dialog()
        self.display.xdotool("key", "Return")
        self.assertIsNotNone(s.wait_exit(15), "Enter did not press OK when the dialog opened")
        s, w = self.open_dialog()
        for key in ["Tab", "Right", "Return"]:
            self.display.xdotool("key", key)
            time.sleep(0.15)
        self.assertTrue(self.still_running(s, 1.0), "Enter on the scroll bar ended the program")
        for key in ["shift+Tab", "Return"]:
            self.display.xdotool("key", key)
            time.sleep(0.15)
        self.assertIsNotNone(s.wait_exit(15), "Enter on OK did not end the program")
        self.assertEqual(self.stored_speed(), "11")

    def test_closing_without_ok_writes_nothing(self):
        self.write_ini("42")
        s, w = self.open_dialog()
        self.prefix.driver("scroll", w["hwnd"], SB_RIGHT)
        self.prefix.driver("close", w["hwnd"])
        self.assertIsNotNone(s.wait_exit(15), "closing the dialog did not end the program")
        self.assertEqual(self.stored_speed(), "42")

    def test_failed_write_shows_one_error_box_and_keeps_the_value(self):
        ini = self.prefix.unix(INI)
        # an immutable file (kept value checked), and a folder in the file's place
        for kind in ["immutable", "folder"]:
            with self.subTest(kind=kind):
                if kind == "immutable":
                    self.write_ini("42")
                    if not immutable(ini, True):
                        self.skipTest("chattr +i not available here")
                    self.addCleanup(immutable, ini, False)
                else:
                    immutable(ini, False)
                    self.write_ini(None)
                    os.makedirs(ini)
                s, w = self.open_dialog(answers=(1,))
                self.prefix.driver("scroll", w["hwnd"], SB_RIGHT)
                ok = self.control(self.current(w), "Button", "OK")
                self.prefix.driver("click", w["hwnd"], ok["id"])
                self.assertIsNotNone(s.wait_exit(20), "the program did not end after the failed write")
                boxes = [e for e in s.events if e["event"] == "window" and e["class"] == "#32770"]
                self.assertEqual(len(boxes), 1, "one Error box: %r" % s.events)
                self.assertEqual(boxes[0]["caption"], "Error")
                self.assertEqual(dialog_text(boxes[0]), ERROR_TEXT)
                self.assertEqual(visible_buttons(boxes[0]), ["OK"])
                self.assertEqual(boxes[0].get("icon"), "error")
                if kind == "immutable":
                    immutable(ini, False)
                    self.assertEqual(self.stored_speed(), "42")


if __name__ == "__main__":
    unittest.main()
