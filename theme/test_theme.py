#!/usr/bin/env python3
"""Tests of the Zelvo theme: the theme file, the folder that theme/generate.py
makes, and the zip and the disk images that scripts/dist packs (the images read
back with mtools and isoinfo).

    python3 theme/test_theme.py

The theme file is read here the way decorama.exe reads it (CR LF lines, the
folder tokens, the special section and its screen lines), so a line the
installer would miss, or a file it would not find beside the theme file, fails.
The zip and image tests need the programs in build/win32 (or ZELVO_WIN32_DIR)
and are skipped without them.
"""

import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import wave
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
GENERATOR = os.path.join(HERE, "generate.py")
THEME_FILE = os.path.join(HERE, "Zelvo.the")
README = os.path.join(HERE, "READ_ME.TXT")
WIN32_DIR = os.environ.get("ZELVO_WIN32_DIR") or os.path.join(ROOT, "build", "win32")
WIN64_DIR = os.environ.get("ZELVO_E2E_WIN64_DIR") or os.path.join(ROOT, "build", "win64")
SAVER = "ZelvoSav.scr"

THEMES, WINDOWS, FONTS, STARTUP, SHUTDOWN_WAIT, SHUTDOWN_SAFE = range(1, 7)


def read_theme_lines(data):
    """Lines as the installer's reader delivers them: a line ends after its
    second CR or LF byte (so only CR LF ends one line), line ends are then
    stripped, and a last line without an ending is never delivered."""
    lines, cur, ends = [], bytearray(), 0
    for b in data:
        cur.append(b)
        if b in (13, 10):
            ends += 1
            if ends == 2:
                text = bytes(cur)
                while len(text) > 1 and text[-1] in (13, 10):
                    text = text[:-1]
                lines.append(text.decode("latin-1"))
                cur, ends = bytearray(), 0
    return lines


def theme_entries(data):
    """(kind, destination relative to its folder, source file name) for every
    line that names a file, in file order."""
    entries = []
    special = False
    for line in read_theme_lines(data):
        if not line or line[0] in ";\r\n":
            continue
        if line.startswith("[DecoramaSpecial]"):
            special = True
            continue
        low = line.lower()
        tokens = [("%themedir%", THEMES), ("%windir%", WINDOWS)]
        if special:
            tokens.append(("%fontdir%", FONTS))
        for token, kind in tokens:
            at = low.find(token)
            if at >= 0:
                rel = re.split(r"[,\n]", line[at + len(token):])[0]
                entries.append((kind, rel, rel.split("\\")[-1]))
                break
        else:
            if not special:
                continue
            for key, kind, start in (("startupscreen", STARTUP, 14), ("shutdownwaitscreen", SHUTDOWN_WAIT, 19),
                                     ("shutdownsafescreen", SHUTDOWN_SAFE, 19)):
                if low.startswith(key):
                    rel = re.split(r"[,\n]", line[start:])[0]
                    entries.append((kind, None, rel.split("\\")[-1]))
                    break
    return entries


def sections(data):
    """{section: {key: value}} of the theme file, as a profile reader sees it."""
    out, cur = {}, None
    for line in data.decode("ascii").split("\r\n"):
        if line.startswith("[") and line.endswith("]"):
            cur = out.setdefault(line[1:-1], {})
        elif "=" in line and not line.startswith(";") and cur is not None:
            k, v = line.split("=", 1)
            cur[k] = v
    return out


def bmp_header(data):
    """(width, height, bits per pixel, compression, colours used) of a BMP,
    checking that its sizes add up."""
    assert data[:2] == b"BM", "not a BMP"
    size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    hsize, w, h, planes, bpp, comp, isize, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert size == len(data), "file size field %d, file %d" % (size, len(data))
    assert hsize == 40 and planes == 1
    stride = (w * bpp + 31) // 32 * 4
    assert offset + stride * abs(h) == len(data), "pixel data does not fill the file"
    return w, h, bpp, comp, used or (1 << bpp)


def bmp_indices(data):
    w, h, bpp, _, _ = bmp_header(data)
    offset = struct.unpack_from("<I", data, 10)[0]
    stride = (w + 3) & ~3
    return [data[offset + r * stride: offset + r * stride + w] for r in range(abs(h))]


class ThemeFolder(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, "Zelvo")
        cls.saver = os.path.join(cls.tmp.name, "saver.bin")
        with open(cls.saver, "wb") as f:
            f.write(b"MZ stand-in for the screen saver")
        subprocess.run([sys.executable, GENERATOR, cls.out, "--saver", cls.saver], check=True,
                       stdout=subprocess.DEVNULL)
        with open(THEME_FILE, "rb") as f:
            cls.data = f.read()
        cls.entries = theme_entries(cls.data)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def read(self, name):
        with open(os.path.join(self.out, name), "rb") as f:
            return f.read()

    # --- the theme file

    def test_theme_file_is_copied_unchanged(self):
        self.assertEqual(self.read("Zelvo.the"), self.data)

    def test_every_line_ends_with_cr_lf_and_is_ascii(self):
        self.data.decode("ascii")
        self.assertTrue(self.data.endswith(b"\r\n"), "last line would never be read")
        self.assertNotIn(b"\n", self.data.replace(b"\r\n", b""), "bare LF: two lines read as one")
        self.assertNotIn(b"\r", self.data.replace(b"\r\n", b""), "bare CR")
        self.assertEqual(len(read_theme_lines(self.data)), self.data.count(b"\r\n"))

    def test_every_named_file_is_in_the_folder(self):
        self.assertGreaterEqual(len(self.entries), 10)
        present = set(os.listdir(self.out))
        for kind, rel, source in self.entries:
            with self.subTest(source=source):
                self.assertIn(source, present)
                self.assertGreater(os.path.getsize(os.path.join(self.out, source)), 0)

    def test_sources_do_not_collide(self):
        # Sources lie flat beside the theme file: two destinations with the
        # same file name would both get one file.
        by_source = {}
        for kind, rel, source in self.entries:
            by_source.setdefault(source.lower(), set()).add((kind, rel))
        for source, dests in by_source.items():
            self.assertEqual(len(dests), 1, "%s goes to %s" % (source, sorted(dests, key=str)))

    def test_each_kind_of_entry_is_where_it_belongs(self):
        kinds = {}
        for kind, rel, source in self.entries:
            kinds.setdefault(kind, []).append((rel, source))
        cases = [
            (WINDOWS, [(SAVER, SAVER)]),
            (FONTS, [("DejaVuSansMono.ttf", "DejaVuSansMono.ttf")]),
            (STARTUP, [(None, "Zelvo Logo.sys")]),
            (SHUTDOWN_WAIT, [(None, "Zelvo Wait.sys")]),
            (SHUTDOWN_SAFE, [(None, "Zelvo Safe.sys")]),
        ]
        for kind, expected in cases:
            with self.subTest(kind=kind):
                self.assertEqual(kinds.get(kind), expected)
        themes = [rel for rel, _ in kinds[THEMES]]
        self.assertIn("Zelvo\\Zelvo Wallpaper.bmp", themes)
        self.assertTrue(any(rel.count("\\") >= 2 for rel in themes), "no nested destination folder")
        self.assertTrue(all(rel.startswith("Zelvo\\") for rel in themes), "files outside the Zelvo folder")

    def test_saver_is_copied_beside_the_theme_file(self):
        with open(self.saver, "rb") as f:
            self.assertEqual(self.read(SAVER), f.read())

    def test_plus_themes_sections(self):
        s = sections(self.data)
        desk = s["Control Panel\\Desktop"]
        self.assertEqual(desk["Wallpaper"], "%ThemeDir%Zelvo\\Zelvo Wallpaper.bmp")
        self.assertIn(desk["TileWallpaper"], ("0", "1"))
        self.assertIn(desk["WallpaperStyle"], ("0", "2"))
        self.assertEqual(s["boot"]["SCRNSAVE.EXE"], "%WinDir%" + SAVER)
        icons = {
            "{20D04FE0-3AEA-1069-A2D8-08002B30309D}": ["DefaultValue"],
            "{208D2C60-3AEA-1069-A2D7-08002B30309D}": ["DefaultValue"],
            "{645FF040-5081-101B-9F08-00AA002F954E}": ["DefaultValue", "full", "empty"],
        }
        for clsid, keys in icons.items():
            sec = s["Software\\Classes\\CLSID\\%s\\DefaultIcon" % clsid]
            for key in keys:
                with self.subTest(clsid=clsid, key=key):
                    self.assertRegex(sec[key], r"^%ThemeDir%Zelvo\\Icons\\[^,\\]+\.ico,0$")
        for event in ("SystemStart", "SystemExit", "SystemAsterisk"):
            with self.subTest(event=event):
                self.assertRegex(s["AppEvents\\Schemes\\Apps\\.Default\\%s\\.Current" % event]["DefaultValue"],
                                 r"^%ThemeDir%Zelvo\\Sounds\\[^\\]+\.wav$")
        colours = s["Control Panel\\Colors"]
        for key in ("Background", "Window", "WindowText", "ButtonFace", "ButtonText", "ActiveTitle",
                    "TitleText", "Menu", "MenuText", "Hilight", "HilightText"):
            with self.subTest(colour=key):
                parts = colours[key].split(" ")
                self.assertEqual(len(parts), 3)
                self.assertTrue(all(p.isdigit() and 0 <= int(p) <= 255 for p in parts))
        # Text must stay readable on its background.
        def lum(key):
            r, g, b = map(int, colours[key].split())
            return 0.299 * r + 0.587 * g + 0.114 * b
        for fg, bg in (("WindowText", "Window"), ("ButtonText", "ButtonFace"), ("TitleText", "ActiveTitle"),
                       ("MenuText", "Menu"), ("HilightText", "Hilight"), ("InfoText", "InfoWindow")):
            with self.subTest(fg=fg, bg=bg):
                self.assertGreater(abs(lum(fg) - lum(bg)), 100)

    # --- the pictures, sounds and font

    def picture_names(self, ext):
        return [src for _, _, src in self.entries if src.lower().endswith(ext)]

    def test_wallpaper_and_startup_screen_are_8_bit_bmps(self):
        cases = [("Zelvo Wallpaper.bmp", (640, 480)), ("Zelvo Logo.sys", (320, 400)),
                 ("Zelvo Wait.sys", (320, 400)), ("Zelvo Safe.sys", (320, 400))]
        for name, size in cases:
            with self.subTest(name=name):
                data = self.read(name)
                w, h, bpp, comp, used = bmp_header(data)
                self.assertEqual((w, abs(h)), size)
                self.assertEqual((bpp, comp, used), (8, 0, 256))
                colours = set(b for row in bmp_indices(data) for b in row)
                self.assertGreater(len(colours), 20, "a flat picture")

    def test_screens_leave_the_cycled_palette_entries_unused(self):
        # Windows animates the top of the start-up screen's palette while it
        # boots; a picture drawn with those entries would flicker.
        for name in ("Zelvo Logo.sys", "Zelvo Wait.sys", "Zelvo Safe.sys"):
            with self.subTest(name=name):
                colours = set(b for row in bmp_indices(self.read(name)) for b in row)
                self.assertLess(max(colours), 236)

    def test_icons_are_32x32_in_16_colours(self):
        names = self.picture_names(".ico")
        self.assertGreaterEqual(len(set(names)), 3)
        for name in set(names):
            with self.subTest(name=name):
                data = self.read(name)
                reserved, typ, count = struct.unpack_from("<HHH", data, 0)
                self.assertEqual((reserved, typ, count), (0, 1, 1))
                w, h, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
                self.assertEqual((w, h, colours), (32, 32, 16))
                self.assertEqual(offset + size, len(data))
                hsize, bw, bh, bplanes, bbpp = struct.unpack_from("<IiiHH", data, offset)
                self.assertEqual((hsize, bw, bh, bplanes, bbpp), (40, 32, 64, 1, 4))
                xor = data[offset + 40 + 64: offset + 40 + 64 + 512]
                mask = data[offset + 40 + 64 + 512:]
                self.assertEqual(len(mask), 128)
                opaque = sum(8 - bin(b).count("1") for b in mask)
                self.assertGreater(opaque, 200, "icon almost invisible")
                self.assertLess(opaque, 1024, "icon has no transparent edge")
                self.assertGreater(len(set(xor)), 4)

    def test_sounds_are_short_pcm_at_22050_hz(self):
        names = self.picture_names(".wav")
        self.assertGreaterEqual(len(names), 2)
        for name in names:
            with self.subTest(name=name):
                with wave.open(io.BytesIO(self.read(name))) as w:
                    self.assertEqual(w.getframerate(), 22050)
                    self.assertIn(w.getsampwidth(), (1, 2))
                    self.assertEqual(w.getnchannels(), 1)
                    self.assertEqual(w.getcomptype(), "NONE")
                    n = w.getnframes()
                    self.assertLess(n / 22050.0, 1.0)
                    frames = w.readframes(n)
                samples = struct.unpack("<%dh" % n, frames)
                self.assertGreater(max(abs(v) for v in samples), 8000, "too quiet")
                self.assertLess(abs(samples[-1]), 200, "ends in a click")

    def test_font_is_a_truetype_font_with_its_licence(self):
        data = self.read("DejaVuSansMono.ttf")
        self.assertEqual(data[:4], b"\x00\x01\x00\x00")
        licence = self.read("DejaVu Font License.txt")
        self.assertIn(b"Bitstream", licence)
        self.assertNotIn(b"\n", licence.replace(b"\r\n", b""))
        self.assertIn("DejaVu Font License.txt", [src for _, _, src in self.entries])

    def test_each_windows_build_holds_the_folder_ready_to_install_with_its_own_programs(self):
        builds = [d for d in (WIN32_DIR, WIN64_DIR) if os.path.exists(os.path.join(d, SAVER))]
        if not builds:
            self.skipTest("no Windows build")
        for build in builds:
            folder = os.path.join(build, "Zelvo")
            with self.subTest(build=build):
                self.assertEqual(sorted(os.listdir(folder)), sorted(os.listdir(self.out) + ["decorama.exe"]))
                for name in os.listdir(folder):
                    source = os.path.join(build, name) if name in (SAVER, "decorama.exe") else \
                        os.path.join(self.out, name)
                    with open(os.path.join(folder, name), "rb") as f, open(source, "rb") as g:
                        self.assertTrue(f.read() == g.read(), "%s differs from %s" % (name, source))

    def test_generation_is_repeatable(self):
        with tempfile.TemporaryDirectory() as other:
            subprocess.run([sys.executable, GENERATOR, other, "--saver", self.saver], check=True,
                           stdout=subprocess.DEVNULL)
            for name in sorted(os.listdir(self.out)):
                with self.subTest(name=name), open(os.path.join(other, name), "rb") as f:
                    self.assertEqual(f.read(), self.read(name))


def readme_package_items(text):
    """The names listed under WHAT IS IN THIS PACKAGE."""
    part = text.split("WHAT IS IN THIS PACKAGE", 1)[1].split("\r\n\r\n\r\n", 1)[0]
    return re.findall(r"^  (\S(?:\S| (?! ))*)  +\S", part, re.M)


def rc_version(path):
    with open(os.path.join(ROOT, path), encoding="latin-1") as f:
        return re.search(r'VALUE "FileVersion", "([0-9.]+)', f.read()).group(1)


class ReadMe(unittest.TestCase):
    def test_readme_is_plain_ascii_with_cr_lf_lines(self):
        with open(README, "rb") as f:
            data = f.read()
        data.decode("ascii")
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        self.assertLessEqual(max(len(line) for line in data.split(b"\r\n")), 76)

    def test_readme_covers_what_users_need(self):
        with open(README, "rb") as f:
            text = " ".join(f.read().decode("ascii").split())
        for phrase in ("Add/Remove Programs", "Install Theme", "Plus!", "Desktop Themes", "Screen Saver",
                       "Remove the Decorama shell extension?", "This will uninstall the 'Zelvo' Theme.",
                       "Windows folder"):
            with self.subTest(phrase=phrase):
                self.assertIn(phrase, text)


@unittest.skipUnless(all(os.path.exists(os.path.join(WIN32_DIR, p)) for p in (SAVER, "decorama.exe")),
                     "programs not built in %s" % WIN32_DIR)
class DistZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        r, _ = run_dist(cls.tmp.name)
        assert r.returncode == 0, r.stderr.decode()
        cls.path = r.stdout.decode().strip().splitlines()[-1]
        cls.zip = zipfile.ZipFile(cls.path)
        cls.names = set(cls.zip.namelist())

    @classmethod
    def tearDownClass(cls):
        cls.zip.close()
        cls.tmp.cleanup()

    def test_name_carries_both_versions(self):
        expected = "zelvo-%s-decorama-%s.zip" % (rc_version("saver/ZelvoSav.rc"),
                                                 rc_version("installer/resources/decorama.rc"))
        self.assertEqual(os.path.dirname(self.path), self.tmp.name)
        self.assertEqual(os.path.basename(self.path), expected)

    def test_readme_names_the_versions_packed(self):
        text = self.zip.read("READ ME.TXT").decode("ascii")
        self.assertIn("Zelvo Saver %s, Decorama %s" % (rc_version("saver/ZelvoSav.rc"),
                                                       rc_version("installer/resources/decorama.rc")), text)

    def test_holds_what_the_readme_lists(self):
        readme = self.zip.read("READ ME.TXT")
        with open(README, "rb") as f:
            self.assertEqual(readme, f.read())
        items = readme_package_items(readme.decode("ascii"))
        self.assertEqual(sorted(items), sorted([SAVER, "decorama.exe", "Zelvo", "READ ME.TXT"]))
        for item in items:
            with self.subTest(item=item):
                self.assertTrue(item in self.names or any(n.startswith(item + "/") for n in self.names))

    def test_programs_are_the_built_ones(self):
        for name in (SAVER, "decorama.exe"):
            with self.subTest(name=name), open(os.path.join(WIN32_DIR, name), "rb") as f:
                self.assertEqual(self.zip.read(name), f.read())

    def test_theme_folder_has_every_named_file_and_the_saver(self):
        theme = self.zip.read("Zelvo/Zelvo.the")
        with open(THEME_FILE, "rb") as f:
            self.assertEqual(theme, f.read())
        for kind, rel, source in theme_entries(theme):
            with self.subTest(source=source):
                self.assertIn("Zelvo/" + source, self.names)
        with open(os.path.join(WIN32_DIR, SAVER), "rb") as f:
            self.assertEqual(self.zip.read("Zelvo/" + SAVER), f.read())
        self.assertTrue(all(n in (SAVER, "decorama.exe", "READ ME.TXT") or n.startswith("Zelvo/")
                            for n in self.names), sorted(self.names))


def run_dist(out_dir, win32_dir=WIN32_DIR):
    """scripts/dist with its outputs in out_dir: (completed process, {suffix: path})."""
    env = dict(os.environ, ZELVO_DIST_DIR=out_dir, ZELVO_WIN32_DIR=win32_dir)
    r = subprocess.run([os.path.join(ROOT, "scripts", "dist")], env=env, stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE)
    return r, {os.path.splitext(n)[1] if os.path.isfile(os.path.join(out_dir, n)) else "/": os.path.join(out_dir, n)
               for n in os.listdir(out_dir)}


MTOOLS_ENV = dict(os.environ, MTOOLS_SKIP_CHECK="1", TZ="UTC")


def output(*args):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, env=MTOOLS_ENV).stdout


def fat_files(image, out):
    """{path: (bytes, modification time)} of the files on a FAT image, copied out by mtools."""
    output("mcopy", "-s", "-m", "-n", "-i", image, "::*", out)
    files = {}
    for dirpath, _, names in os.walk(out):
        for full in (os.path.join(dirpath, n) for n in names):
            with open(full, "rb") as f:
                files[os.path.relpath(full, out)] = (f.read(), os.path.getmtime(full))
    return files


def iso_files(image):
    """{path: (bytes, date)} of the files of a CD image's Joliet tree (what Windows reads),
    as isoinfo lists and extracts them."""
    files, folder = {}, ""
    for line in output("isoinfo", "-J", "-l", "-i", image).decode("utf-8").splitlines():
        folder = re.match(r"(?:Directory listing of /(.*))?", line).group(1) or folder
        m = re.match(r"-\S*(?:\s+\d+){4} (\w{3} [ \d]\d \d{4}) \[[^]]*\]  (.*?) ?$", line)
        if m:
            files[folder + m.group(2)] = (output("isoinfo", "-J", "-x", "/" + folder + m.group(2), "-i", image),
                                          m.group(1))
    return files


@unittest.skipUnless(all(os.path.exists(os.path.join(WIN32_DIR, p)) for p in (SAVER, "decorama.exe")),
                     "programs not built in %s" % WIN32_DIR)
class DistImages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        r, cls.out = run_dist(tempfile.mkdtemp(dir=cls.tmp.name))
        assert r.returncode == 0, r.stderr.decode()
        with zipfile.ZipFile(cls.out[".zip"]) as z:
            cls.zipped = {n: z.read(n) for n in z.namelist()}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_both_images_and_the_folder_left_hold_the_zips_files_with_long_names_and_fixed_times(self):
        stamp = 840888000    # 1996-08-24 12:00:00 UTC, the zip's time
        floppy = fat_files(self.out[".img"], tempfile.mkdtemp(dir=self.tmp.name))
        # The staged tree is left as the zip unpacks, its Zelvo folder ready to install from.
        folder = {}
        for d, _, names in os.walk(self.out["/"]):
            for full in (os.path.join(d, n) for n in names):
                with open(full, "rb") as f:
                    folder[os.path.relpath(full, self.out["/"])] = (f.read(), os.path.getmtime(full))
        for kind, files, date in (("floppy", floppy, stamp), ("CD", iso_files(self.out[".iso"]), "Aug 24 1996"),
                                  ("folder", folder, stamp)):
            with self.subTest(image=kind):
                self.assertEqual(sorted(files), sorted(self.zipped))
                self.assertEqual([n for n, (d, t) in files.items() if d != self.zipped[n]], [], "bytes differ")
                self.assertEqual({t for d, t in files.values()}, {date})

    def test_floppy_is_a_fat12_1440k_disk_labelled_zelvo_and_the_cd_has_joliet(self):
        self.assertEqual(os.path.getsize(self.out[".img"]), 1474560)
        info = output("minfo", "-i", self.out[".img"], "::").decode()
        self.assertIn('disk type="FAT12   "', info)
        self.assertIn('disk label="ZELVO      "', info)
        info = output("isoinfo", "-d", "-i", self.out[".iso"]).decode()
        self.assertIn("Volume id: ZELVO\n", info)
        self.assertIn("Joliet with UCS level 3 found", info)

    def test_same_inputs_give_the_same_bytes(self):
        r, again = run_dist(tempfile.mkdtemp(dir=self.tmp.name))
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        for suffix in (".img", ".iso", ".zip"):
            with self.subTest(suffix=suffix), open(self.out[suffix], "rb") as a, open(again[suffix], "rb") as b:
                self.assertTrue(a.read() == b.read(), "%s differs from one run to the next" % suffix)

    def test_readmes_name_the_files_that_dist_writes(self):
        for readme in (README, os.path.join(ROOT, "README.md")):
            with self.subTest(readme=readme), open(readme, encoding="utf-8") as f:
                named = set(re.findall(r"zelvo-[0-9.]+-decorama-[0-9.]+\.(?:img|iso|zip)", f.read()))
                self.assertTrue(named)
                self.assertLessEqual(named, {os.path.basename(p) for p in self.out.values()})

    def test_a_package_that_outgrows_the_floppy_stops_dist_with_the_shortfall(self):
        # The saver, on the disk twice (beside the installer and in the theme folder),
        # grown by a whole number of 512-byte clusters past what the floppy has free.
        listing = output("mdir", "-i", self.out[".img"], "::").decode()
        free = int(re.search(r"([\d ]+) bytes free", listing).group(1).replace(" ", ""))
        grow = (free // 1024 + 1) * 512
        big = tempfile.mkdtemp(dir=self.tmp.name)
        shutil.copy(os.path.join(WIN32_DIR, "decorama.exe"), big)
        with open(os.path.join(WIN32_DIR, SAVER), "rb") as f, open(os.path.join(big, SAVER), "wb") as g:
            g.write(f.read() + bytes(grow))
        r, written = run_dist(tempfile.mkdtemp(dir=self.tmp.name), big)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("it is %d bytes too big" % (2 * grow - free), r.stderr.decode())
        self.assertEqual(written, {})


class InstallerReading(unittest.TestCase):
    """The reader above must itself follow the installer's rules, or the other
    tests prove nothing."""

    def test_reader_and_resolver_on_tricky_lines(self):
        data = (b"; %ThemeDir%comment.bmp\r\n"
                b"Font=%FontDir%Early.ttf\r\n"
                b"StartupScreen=Early.sys\r\n"
                b"Icon=%windir%X.ico,0\r\n"
                b"A=%ThemeDir%Art\\Deep\\Sky.bmp\r\n"
                b"B=%WinDir%Bare.bmp\nC=%ThemeDir%Pair.bmp\n"
                b"[DecoramaSpecial] trailing\r\n"
                b"\r\n"
                b"Font=%FONTDIR%Late.ttf\r\n"
                b"startupscreen:Boot.sys,1\r\n"
                b"ShutdownWaitScreen=%ThemeDir%Wait.sys\r\n"
                b"ShutdownSafeScreen=Dir\\Safe.sys\r\n"
                b"Last=%ThemeDir%NoEnd.bmp")
        self.assertEqual(theme_entries(data), [
            (WINDOWS, "X.ico", "X.ico"),
            (THEMES, "Art\\Deep\\Sky.bmp", "Sky.bmp"),
            (THEMES, "Pair.bmp", "Pair.bmp"),   # the pair is one line; %ThemeDir% is tried first
            (FONTS, "Late.ttf", "Late.ttf"),
            (STARTUP, None, "Boot.sys"),
            (THEMES, "Wait.sys", "Wait.sys"),
            (SHUTDOWN_SAFE, None, "Safe.sys"),
        ])


if __name__ == "__main__":
    unittest.main()
