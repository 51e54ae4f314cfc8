"""ZelvoSav.scr end to end in saver mode ("/S"): the black full-screen window with the
running sprite, the ways it ends, the command lines that end at once, and the Speed
setting read from zelvosav.ini."""

import time
import unittest

from saver_case import WS_CAPTION, WS_EX_APPWINDOW, WS_EX_TOOLWINDOW, WS_POPUP, SaverCase

SPRITE = 100  # pixels


class SaverModeTest(SaverCase):

    def assertSaverWindow(self, w):
        d = self.display
        self.assertEqual(w["rect"], [0, 0, d.width, d.height], "the saver window must cover the screen")
        self.assertTrue(w["style"] & WS_POPUP, "a borderless pop-up window")
        self.assertEqual(w["style"] & WS_CAPTION, 0, "no title bar")
        self.assertEqual(w["caption"], "")
        self.assertFalse(w["exstyle"] & WS_EX_APPWINDOW)
        self.assertTrue(w["exstyle"] & WS_EX_TOOLWINDOW or int(w["owner"], 16) != 0,
                        "no taskbar button: a tool window or an owned window")

    def test_black_screen_but_for_the_running_sprite(self):
        for args in ["/S", "/s"]:
            with self.subTest(args=args):
                s, w, box = self.start_showing_sprite(args)
                self.assertSaverWindow(w)
                boxes = [box]
                # Five more sightings, over up to 8 s: the figure may leave the screen past
                # the right edge just after the first, and its next pass may run wholly
                # above the screen (about 3 s at Speed 10); when it shows, everything
                # outside one 100 x 100 square is black.
                deadline, i = time.monotonic() + 8.0, 0
                while len(boxes) < 6 and time.monotonic() < deadline:
                    time.sleep(0.2)
                    box = self.sprite_box(self.shot("run%d" % i))
                    i += 1
                    if box is not None:
                        self.assertLessEqual(box[2] - box[0], SPRITE, box)
                        self.assertLessEqual(box[3] - box[1], SPRITE, box)
                        boxes.append(box)
                self.assertGreaterEqual(len(boxes), 2, "the sprite is hardly ever on the screen")
                self.assertGreater(len(set(boxes)), 1, "the sprite does not move: %r" % boxes)
                self.display.xdotool("key", "space")
                self.assertIsNotNone(s.wait_exit(10), "a key did not end the saver")

    def test_any_key_ends_it(self):
        for key in ["a", "Escape", "Shift_L", "F1"]:
            with self.subTest(key=key):
                s = self.start("/S")
                self.wait_window(s)
                time.sleep(0.3)
                self.assertTrue(self.still_running(s, 0.2))
                self.display.xdotool("key", key)
                self.assertIsNotNone(s.wait_exit(10), "key %s did not end the saver" % key)

    def test_fourteen_mouse_moves_leave_it_running_the_fifteenth_ends_it(self):
        s = self.start("/S")
        self.wait_window(s)
        time.sleep(0.5)
        for i in range(14):
            self.display.xdotool("mousemove", 200 + 20 * i, 300 + 7 * i)
            time.sleep(0.05)
        self.assertTrue(self.still_running(s, 1.5), "the saver ended before the fifteenth mouse move")
        windows = [e for e in self.prefix.driver("windows") if e.get("class") == "ZelvoForm" or
                   e.get("rect") == [0, 0, self.display.width, self.display.height]]
        self.assertTrue(windows, "the saver window is gone")
        self.display.xdotool("mousemove", 700, 500)
        self.assertIsNotNone(s.wait_exit(10), "the fifteenth mouse move did not end the saver")

    def test_a_click_without_movement_does_not_end_it(self):
        s = self.start("/S")
        self.wait_window(s)
        time.sleep(0.3)
        self.display.xdotool("click", 1)
        self.assertTrue(self.still_running(s, 1.0), "a click ended the saver")
        self.display.xdotool("key", "a")
        self.assertIsNotNone(s.wait_exit(10))

    def test_other_command_lines_end_at_once_without_a_window(self):
        # (after the program's name and one blank; " /S" and "\t/S" are not the switch)
        for args in ["", "/p 1234", "/a", "/C:", "/c:12x", "/S 1", "/x", " /S", "\t/S", " /C"]:
            with self.subTest(args=args):
                run = self.prefix.drive("C:\\windows\\ZelvoSav.scr" + (" " + args if args else ""), timeout=20)
                self.assertFalse(run.timed_out, "the saver did not end: %r" % run)
                self.assertIsNotNone(run.exit_code, run)
                self.assertEqual(run.windows(), [], "a window was shown")

    def measure_speed(self, span=1.0, limit=8.0):
        """Pixels per second that the sprite moves to the right: the slope of the middle of
        the figure against the times at which the screenshots were taken, over span seconds
        of one pass with the figure wholly on the screen. Every screenshot counts, also one
        in which the figure has not moved since the last (at Speed 150 most do: it moves
        4 pixels every 150 ms). The figure can leave the screen meanwhile and its next pass
        run wholly above it (see start_showing_sprite): up to limit seconds are looked at."""
        track, seen = [], []
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            img, t = self.timed_shot()
            box = self.sprite_box(img)
            seen.append(box)
            if box is None or box[0] == 0 or box[2] == img.width:
                track = []   # not wholly on the screen: a pass has ended or not begun
            else:
                track.append((t, (box[0] + box[2]) / 2))
            if len(track) >= 5 and track[-1][0] - track[0][0] >= span:
                mt = sum(t for t, _ in track) / len(track)
                mx = sum(x for _, x in track) / len(track)
                return sum((t - mt) * (x - mx) for t, x in track) / sum((t - mt) ** 2 for t, _ in track)
            time.sleep(0.02)
        self.fail("the figure was not wholly on the screen for %g s: %r" % (span, seen))

    def test_speed_that_is_not_a_number_runs_at_the_default_speed(self):
        rates = {}
        bad = ["abc", "-5", "99999"]  # not a number, or outside the timer's 0 ... 65535
        for speed in ["10", "150"] + bad:
            with self.subTest(speed=speed):
                self.write_ini(speed)
                s, w, _ = self.start_showing_sprite()
                self.assertSaverWindow(w)
                rates[speed] = self.measure_speed()
                self.display.xdotool("key", "a")
                self.assertIsNotNone(s.wait_exit(10))
        # such a value counts as missing: the default 10 ms, well apart from a slow 150 ms
        for speed in bad:
            self.assertGreater(rates[speed], 0.5 * rates["10"], (speed, rates))
            self.assertLess(rates[speed], 2.0 * rates["10"], (speed, rates))
            self.assertGreater(rates[speed], 3 * rates["150"], (speed, rates))

    def test_speed_zero_leaves_the_sprite_at_its_start(self):
        self.write_ini("0")
        s, w, _ = self.start_showing_sprite()
        self.assertSaverWindow(w)
        time.sleep(0.3)
        first = self.sprite_box(self.shot("zero1"))
        time.sleep(0.8)
        second = self.sprite_box(self.shot("zero2"))
        self.display.xdotool("key", "a")
        self.assertIsNotNone(s.wait_exit(10))
        self.assertIsNotNone(first, "the sprite is not on the screen")
        self.assertEqual(first, second, "the sprite moved with Speed 0")
        # Left -750 twips = -50 pixels: only the right half of the picture area shows
        self.assertEqual(first[0], 0, first)
        self.assertLessEqual(first[2], SPRITE // 2, first)
        self.assertLessEqual(first[3] - first[1], SPRITE, first)


if __name__ == "__main__":
    unittest.main()
