"""zelvosav as it is installed: what its build installs and `make uninstall` takes away,
its manual page, its settings file for xscreensaver-settings, and the Debian package:
its version, and (DebianPackage, a minute's work, which make check leaves out and
`ctest -L package` runs) the package that `make deb` builds, which lintian passes."""

import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

from hack_case import ZELVOSAV

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MAN_PAGE = os.path.join(ROOT, "saver", "zelvosav.6x")
SETTINGS = os.path.join(ROOT, "saver", "zelvosav.xml")
# What the hack puts where XScreenSaver and man look, under the prefix.
INSTALLED = ["libexec/xscreensaver/zelvosav", "share/man/man6/zelvosav.6x.gz",
             "share/xscreensaver/config/zelvosav.xml"]


def files_under(top):
    return sorted(os.path.relpath(os.path.join(d, n), top) for d, _, names in os.walk(top) for n in names)


def usage_options():
    """The options that zelvosav -help lists."""
    out = subprocess.run([ZELVOSAV, "-help"], capture_output=True, text=True, check=True).stdout
    return re.findall(r"^\s+-([a-z-]+)", out, re.M)


def saver_version():
    with open(os.path.join(ROOT, "saver", "ZelvoSav.rc"), encoding="latin-1") as f:
        return re.search(r'VALUE "FileVersion", "([0-9.]+)', f.read()).group(1)


class InstalledHack(unittest.TestCase):

    def setUp(self):
        if not os.path.exists(ZELVOSAV):
            self.skipTest("%s not built" % ZELVOSAV)
        self.tmp = tempfile.mkdtemp(prefix="zelvosav-install-")
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def test_install_puts_three_files_where_xscreensaver_and_man_look_and_uninstall_takes_them(self):
        # installed from this build as make install does from build/release
        prefix = os.path.join(self.tmp, "usr")
        install = ["cmake", "--install", os.path.dirname(ZELVOSAV), "--prefix", prefix, "--strip"]
        for command in (install, ["make", "-C", ROOT, "uninstall", "PREFIX=" + prefix]):
            run = subprocess.run(command, capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
            if command is install:
                self.assertEqual(files_under(prefix), INSTALLED)
                found = subprocess.run(["man", "-M", os.path.join(prefix, "share", "man"), "-w", "zelvosav"],
                                       capture_output=True, text=True)
                self.assertEqual(found.stdout.strip(), os.path.join(prefix, INSTALLED[1]))
                with gzip.open(os.path.join(prefix, INSTALLED[1])) as page, open(MAN_PAGE, "rb") as source:
                    self.assertEqual(page.read(), source.read())
        self.assertEqual(files_under(prefix), [])
        self.assertFalse(os.path.exists(os.path.join(prefix, "share", "xscreensaver")))

    def test_manual_page_renders_without_warnings_and_describes_every_option(self):
        run = subprocess.run(["groff", "-man", "-ww", "-z", MAN_PAGE], capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        with open(MAN_PAGE, encoding="utf-8") as f:
            page = f.read()
        synopsis = page[page.index(".SH SYNOPSIS"):page.index(".SH DESCRIPTION")]
        options = page[page.index(".SH OPTIONS"):page.index(".SH ENVIRONMENT")]
        listed = usage_options()
        self.assertGreaterEqual(len(listed), 12)
        for option in listed:
            roff = r"\-\-" + option.replace("-", r"\-")
            self.assertIn("[" + roff, synopsis, option)
            self.assertIn(".B " + roff, options, option)

    def test_settings_file_reads_slow_to_fast_shows_the_frame_rate_and_says_who_wrote_it(self):
        root = ET.parse(SETTINGS).getroot()
        self.assertEqual((root.get("name"), root.get("_label")), ("zelvosav", "Zelvo"))
        slider = root.find("number")
        rows = [("arg", "--speed %"), ("_low-label", "Slow"), ("_high-label", "Fast"), ("low", "1"),
                ("high", "150"), ("default", "10"), ("convert", "invert")]
        for attribute, value in rows:
            self.assertEqual(slider.get(attribute), value, attribute)
        box = root.find("boolean")
        self.assertEqual((box.get("id"), box.get("_label"), box.get("arg-set")),
                         ("showfps", "Show frame rate", "--fps"))
        self.assertRegex(root.find("_description").text.strip().splitlines()[-1],
                         r"^Written by [^;]+; (19|20)\d\d\.$")
        # The hack takes every argument the settings can give it (-help ends it once read).
        args = [root.find("command").get("arg"), "--speed", "150", box.get("arg-set"), "--help"]
        run = subprocess.run([ZELVOSAV] + args, capture_output=True, text=True, env={})
        self.assertEqual((run.returncode, run.stderr), (0, ""))


    def test_the_package_carries_the_savers_version_and_the_readme_names_it(self):
        run = subprocess.run(["dpkg-parsechangelog", "-l", os.path.join(ROOT, "debian", "changelog"), "-S",
                              "Version"], capture_output=True, text=True)
        self.assertEqual(run.stdout.strip(), saver_version())
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
            named = set(re.findall(r"zelvosav_([0-9.]+)_", f.read()))
        self.assertEqual(named, {saver_version()})


class DebianPackage(unittest.TestCase):
    """make deb, as scripts/deb builds it, into a folder of the test's own."""

    def test_the_package_holds_the_hack_its_settings_and_its_manual_and_lintian_passes_it(self):
        if not shutil.which("dpkg-buildpackage") or not shutil.which("lintian"):
            self.fail("dpkg-buildpackage or lintian missing (scripts/bootstrap installs them)")
        out = tempfile.mkdtemp(prefix="zelvosav-deb-")
        self.addCleanup(shutil.rmtree, out, True)
        run = subprocess.run([os.path.join(ROOT, "scripts", "deb")], env=dict(os.environ, ZELVO_DEB_DIR=out),
                             capture_output=True, text=True, timeout=600)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        deb = run.stdout.strip().splitlines()[-1]
        arch = subprocess.run(["dpkg-architecture", "-q", "DEB_HOST_ARCH"], capture_output=True,
                              text=True).stdout.strip()
        self.assertEqual(deb, os.path.join(out, "zelvosav_%s_%s.deb" % (saver_version(), arch)))
        fields = {f: subprocess.run(["dpkg-deb", "-f", deb, f], capture_output=True, text=True).stdout.strip()
                  for f in ("Package", "Version", "Section", "Enhances")}
        self.assertEqual(fields, {"Package": "zelvosav", "Version": saver_version(), "Section": "x11",
                                  "Enhances": "xscreensaver"})
        listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True).stdout
        files = sorted(line.split()[-1][len("./usr/"):] for line in listing.splitlines() if line.startswith("-"))
        self.assertEqual(files, sorted(INSTALLED + ["share/doc/zelvosav/changelog.gz",
                                                    "share/doc/zelvosav/copyright"]))
