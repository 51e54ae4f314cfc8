"""zelvosav on Xvfb in a window the test makes: black but for one moving figure, drawn
only inside that window, at the rate -speed asks; SIGTERM ends it at once."""

import subprocess
import time

from hack_case import WHITE, ZELVOSAV, HackCase, log, white_outside

FIGURE = 100  # pixels: the picture; the figure in it is smaller


class HackInAWindowTest(HackCase):

    def assertFigureOnly(self, shot, box, win):
        """Black inside the window but for one figure; the screen outside untouched."""
        if box:
            self.assertLessEqual(box[2] - box[0], FIGURE, "more than the figure is drawn: %r" % (box,))
            self.assertLessEqual(box[3] - box[1], FIGURE, "more than the figure is drawn: %r" % (box,))
        self.assertTrue(white_outside(shot, win.box), "something was drawn outside the window")

    def test_black_with_one_moving_figure_then_sigterm(self):
        # In a window lower than the figure most of it runs above the window's top edge,
        # as its lower edge always stays above the window's lower edge: seldom seen.
        rows = [((0, 0, 1024, 768), [], True), ((100, 100, 160, 120), [], True),
                ((300, 200, 160, 120), ["-no-shm"], True), ((500, 400, 40, 30), [], False)]
        for (x, y, w, h), extra, seen in rows:
            with self.subTest(window=(w, h), args=extra):
                win = self.window(x, y, w, h)
                proc = self.start("-window-id", hex(win.id), *extra)
                time.sleep(0.5)
                boxes = set()
                for _ in range(3):   # a start wholly above the window shows nothing for a while
                    for _, box, shot in self.samples(win.box, 1.5):
                        self.assertFigureOnly(shot, box, win)
                        boxes.add(box)
                    if len(boxes - {None}) > 1 or not seen:
                        break
                if seen:
                    self.assertGreater(len(boxes - {None}), 1, "the figure was not seen moving: %r" % boxes)
                elapsed, status = self.stop(proc)
                errors = proc.stderr.read().decode()
                self.assertEqual(status, 0, errors)
                self.assertLess(elapsed, 1.0)
                self.assertEqual(errors, "", "no X errors, no warnings")
                win.destroy()

    def test_speed_sets_the_rate(self):
        # 4 pixels a tick: 10 ms a tick is 15 times as fast as 150 ms
        win = self.window(0, 0, 1024, 768)
        rates = {}
        for speed, seconds in (("10", 2.0), ("150", 4.0)):
            for _ in range(3):
                proc = self.start("-window-id", str(win.id), "-speed", speed)
                time.sleep(0.3)
                rates[speed] = self.rate(win.box, seconds)
                self.stop(proc)
                if rates[speed]:
                    break
            self.assertTrue(rates[speed], "the figure was not seen moving at -speed %s" % speed)
        ratio = rates["10"] / rates["150"]
        log("pixels per second at -speed 10: %.0f, at -speed 150: %.1f, ratio %.1f (15 asked)"
            % (rates["10"], rates["150"], ratio))
        self.assertGreater(ratio, 7.5, rates)
        self.assertLess(ratio, 22.5, rates)

    def test_follows_its_window_when_it_shrinks_and_ends_when_it_is_destroyed(self):
        win = self.window(0, 0, 1024, 768)
        proc = self.start("-window-id", hex(win.id), "-speed", "5")
        time.sleep(0.5)
        self.display.xdotool("windowsize", win.id, 160, 120)
        win.box = (0, 0, 160, 120)
        time.sleep(0.3)
        # Crossing the whole old width, the figure would be in the small window in few
        # shots; crossing the new one, in about half of them. A pass at a random height
        # may run wholly above the window: six seconds hold a dozen passes or more, so
        # that a few such passes in a row (or a slow machine's fewer passes) do not
        # decide it, as two seconds' five could.
        shots = self.samples(win.box, 6.0)
        for _, box, shot in shots:
            self.assertFigureOnly(shot, box, win)
        seen = sum(1 for _, box, _ in shots if box)
        self.assertGreater(seen, len(shots) // 4, "the figure did not run in the smaller window")
        self.display.xdotool("windowclose", win.id)
        win.alive = False
        self.assertEqual(proc.wait(5), 0)

    def test_a_window_of_its_own_ends_when_closed_or_on_q_or_escape(self):
        for action in (["windowclose", "{id}"], ["key", "--window", "{id}", "q"],
                       ["key", "--window", "{id}", "Escape"]):
            with self.subTest(action=action):
                proc = self.start("-window")
                deadline = time.time() + 10
                found = b""
                while time.time() < deadline and not found:
                    found = self.display.xdotool("search", "--name", "^Zelvo$").stdout.strip()
                self.assertTrue(found, "no window named Zelvo")
                time.sleep(0.3)
                self.display.xdotool(*[a.format(id=found.split()[0].decode()) for a in action])
                self.assertEqual(proc.wait(5), 0)

    def test_the_options_every_hack_takes(self):
        # Without DISPLAY, -display names it; -geometry sizes and places a window of its
        # own; -fps writes white figures in its lower left corner once a second; -mono
        # draws the figure in black and white; -visual and -install are taken.
        rows = [(["-geometry", "320x240+100+50", "-fps"], (100, 50, 320, 240), "fps"),
                (["-geometry", "200x150-0-0", "-mono", "-install", "-visual", "TrueColor"], (824, 618, 200, 150),
                 "mono"),
                (["-visual", "best", "-speed", "5"], (0, 0, 640, 480), "figure")]
        for extra, (x, y, w, h), check in rows:
            with self.subTest(args=extra):
                proc = self.start("-display", self.display.name, "-window", *extra, env={"DISPLAY": ""})
                try:
                    deadline = time.time() + 10
                    found = b""
                    while time.time() < deadline and not found:
                        found = self.display.xdotool("search", "--name", "^Zelvo$").stdout.strip()
                    if not found:
                        proc.kill()
                        self.fail("no window named Zelvo: %s" % proc.stderr.read().decode())
                    info = subprocess.run(["xwininfo", "-id", found.split()[0]], capture_output=True, text=True,
                                          env={"DISPLAY": self.display.name}).stdout
                    for line in ("Absolute upper-left X:  %d" % x, "Absolute upper-left Y:  %d" % y,
                                 "Width: %d" % w, "Height: %d" % h):
                        self.assertIn(line, info)
                    box = (x, y, x + w, y + h)
                    corner = (x, y + h - 40, x + 100, y + h)
                    time.sleep(1.5)
                    colours, seen = set(), 0
                    for _ in range(3):
                        for _, figure, shot in self.samples(box, 1.5):
                            whites = shot.count(WHITE, corner)
                            if check == "fps":
                                self.assertGreater(whites, 20, "no frame rate in the lower left corner")
                            elif figure:
                                seen += 1
                                colours |= {shot.pixel(px, py) for px in range(figure[0], figure[2])
                                            for py in range(figure[1], figure[3])}
                        if check == "fps" or seen:
                            break
                    if check != "fps":
                        self.assertTrue(seen, "the figure was not seen")
                        mono = colours <= {(0, 0, 0), WHITE}
                        self.assertEqual(mono, check == "mono", "colours of the figure: %r" % sorted(colours)[:8])
                finally:   # a window left behind would be found by the next row
                    elapsed, status = self.stop(proc)
                self.assertEqual(status, 0)

    def test_bad_command_lines_end_with_status_1(self):
        for args in (["-speed"], ["-window-id", "zz"], ["-frames"], ["-window-id", "0x7fffff0"],
                     ["-display", ":999"], ["-geometry", "huge"], ["-visual", "fancy"]):
            with self.subTest(args=args):
                run = subprocess.run([ZELVOSAV] + args, capture_output=True, timeout=10,
                                     env={"DISPLAY": self.display.name})
                self.assertEqual(run.returncode, 1)
                self.assertIn(b"zelvosav: ", run.stderr)
