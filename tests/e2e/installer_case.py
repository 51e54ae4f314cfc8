"""Shared set-up for the installer's end-to-end tests and its fault matrix: a fresh prefix
per case with decorama.exe in C:\\Decorama, themes written as small text files, the
installer's exact messages and its record."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, ROOT)

from wineharness.case import PrefixCase  # noqa: E402
from wineharness.driver import dialog_text  # noqa: E402,F401  (for the tests)
from wineharness.snapshot import diff_snapshots  # noqa: E402
from wineharness.template import FONTS_DIR_WIN, INSTALLER_DIR_WIN, THEMES_DIR_WIN  # noqa: E402

THEMES = THEMES_DIR_WIN + "\\"          # C:\Program Files\Plus!\Themes\
WINDIR = "C:\\windows\\"
FONTS = FONTS_DIR_WIN + "\\"
EXE = INSTALLER_DIR_WIN + "\\decorama.exe"
# How the uninstall entry starts the installer: its copy in the Themes folder, which stays
# when the folder it was started from goes.
INSTALLER_COPY = THEMES + "decorama.exe"
COMMAND = '"%s"' % INSTALLER_COPY
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
APP_PATHS_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE"
VERB_KEY = "HKCR\\ThemeFile\\Shell\\Install"
CAPTION = "Decorama"

OK, CANCEL = 1, 2

# (text, buttons, icon) of the installer's message boxes
def confirm_install(name):
    return ("This will install the '%s' Theme.\nDo you wish to continue?" % name, ["OK", "Cancel"], None)


def confirm_uninstall(name):
    return ("This will uninstall the '%s' Theme.\nDo you want to continue?" % name, ["OK", "Cancel"], "warning")


INSTALLED = ("Theme installed successfully!", ["OK"], None)
UNINSTALLED = ("Theme uninstalled successfully!", ["OK"], None)
NOT_COMPLETELY = ("Theme was not completely uninstalled.", ["OK"], "warning")
FAILED = ("Theme failed to install!", ["OK"], "warning")
NEEDS_95 = ("This program requires Windows 95.", ["OK"], "error")
NO_PLUS = ("You do not seem to have Plus! Themes installed.", ["OK"], "warning")
NO_THEME = ("No theme found!", ["OK"], "warning")
REMOVE_VERB = ("Remove the Decorama shell extension?", ["OK", "Cancel"], None)


def copy_error(code, name):
    return ("Error %d copying file '%s'\nContinue?" % (code, name), ["OK", "Cancel"], "warning")


def delete_error(kind, name):
    return ("Error deleting %s '%s'\nContinue?" % (kind, name), ["OK", "Cancel"], "warning")


def screen_question(screen):
    return ("This Theme replaces your %s Screen.\nDo you want it to do this?" % screen, ["OK", "Cancel"], "warning")


MISSING_TEXTS = [
    "This theme refers to the following component:",
    "This component was not found in the source directory.",
    "It is likely that the Theme Author forgot to include this file.",
    "The Theme will be installed, but one or more components will be missing.",
    "This warning will not be displayed again for this Theme.",
]

# Folders whose contents Wine itself may touch while programs run.
SNAPSHOT_EXCLUDE = ["windows/temp", "windows/logs", "users", "windows/system32", "windows/syswow64",
                    "windows/winsxs", "programdata"]


def theme_text(lines):
    """A theme file with CR LF line ends (the last line ended too)."""
    return "".join(l + "\r\n" for l in lines)


class InstallerCase(PrefixCase):
    """One fresh prefix per test; the installer copied to C:\\Decorama."""

    programs = ("decorama.exe", "e2e-driver.exe")
    installs = (("decorama.exe", INSTALLER_DIR_WIN),)
    installer_cwd = "C:\\Downloads"         # where run_installer starts it unless told

    # -- themes

    def write_theme(self, folder, file_name, lines, files=(), raw=None):
        """Write a theme file (CR LF lines unless raw bytes are given) and its component files
        (name -> content, or names whose content is derived from the name) into folder."""
        self.prefix.write_file(folder + "\\" + file_name, raw if raw is not None else theme_text(lines))
        if isinstance(files, dict):
            items = files.items()
        else:
            items = ((n, "content of " + n + "\r\n") for n in files)
        for name, content in items:
            self.prefix.write_file(folder + "\\" + name, content)

    def content(self, name):
        return ("content of " + name + "\r\n").encode()

    # -- running

    def run_installer(self, args="", answers=(), win_cwd=None, timeout=60, exe=EXE):
        cmd = '"%s"' % exe + (" " + args if args else "")
        r = self.prefix.drive(cmd, answers=answers, timeout=timeout, win_cwd=win_cwd or self.installer_cwd)
        self.assertFalse(r.timed_out, "installer did not finish:\n%r" % r)
        return r

    def assertMessages(self, run, expected):
        """The dialogs of a run, in order, as (text, buttons, icon); every one captioned Decorama."""
        got = []
        for caption, text, buttons, icon in run.messages():
            self.assertEqual(caption, CAPTION, "caption of %r; run:\n%r" % (text, run))
            got.append((text, buttons, icon))
        self.assertEqual(got, list(expected), "dialogs shown:\n%r" % run)

    def assertExit(self, run, code):
        self.assertFalse(run.unexpected, "a dialog appeared that the test did not expect:\n%r" % run)
        self.assertEqual(run.exit_code, code, "exit code; run:\n%r" % run)

    def record(self, win_path):
        """The "File" and "Dir" entries of an installed theme file's record, what an uninstall
        removes: [(key, value)] in file order."""
        return [(k, v) for k, v in self.whole_record(win_path) if k[:1] in ("F", "D")]

    def whole_record(self, win_path):
        """The "Decorama" section of an installed theme file: [(key, value)] in file order."""
        out = []
        inside = False
        for line in self.prefix.read_file(win_path).decode("latin-1").replace("\r\n", "\n").split("\n"):
            s = line.strip()
            if s.startswith("["):
                inside = s.lower() == "[decorama]"
                continue
            if inside and "=" in s:
                k, _, v = s.partition("=")
                out.append((k, v))
        return out

    def uninstall_entry(self, name):
        """The values of a theme's uninstall entry ({name: data}), or None when there is none."""
        tree = self.prefix.reg_export(UNINSTALL_KEY + "\\" + name)
        if tree is None:
            return None
        own = [v for k, v in tree.items() if k.lower().endswith("\\uninstall\\" + name.lower())]
        self.assertEqual(len(own), 1, tree)
        values = {n: tv[1] for n, tv in own[0].items()}
        # Each entry of ours holds the seal of its record, which the tests look at apart.
        self.assertRegex(values.pop("Seal", ""), r"^[0-9A-F]{16}$", "the entry's seal: %r" % own[0])
        if "InstallerMark" in values:
            self.assertRegex(values.pop("InstallerMark"), r"^[0-9A-F]{8}$", "the installer's copy: %r" % own[0])
        return values

    def entry_seal(self, name):
        tree = self.prefix.reg_export(UNINSTALL_KEY + "\\" + name) or {}
        own = [v for k, v in tree.items() if k.lower().endswith("\\uninstall\\" + name.lower())]
        return own[0].get("Seal", (None, None))[1] if own else None

    def snapshot(self):
        return self.prefix.snapshot("C:\\", exclude=SNAPSHOT_EXCLUDE)

    def assertSameTree(self, before, after, allow=()):
        added, removed, changed = diff_snapshots(before, after)
        allow = [a.lower() for a in allow]
        added = [a for a in added if a.lower() not in allow]
        removed = [a for a in removed if a.lower() not in allow]
        changed = [a for a in changed if a.lower() not in allow]
        self.assertEqual((added, removed, changed), ([], [], []), "drive C differs (added, removed, changed)")


def renamed_font(path, family):
    """The bytes of the TrueType font at path with a name table of its own: family (name 1),
    "Regular" (2), and family as its unique, full and PostScript names (3, 4, 6), in
    Windows' Unicode and the Macintosh's Roman forms, so that a test can tell the font
    from every other one the machine has."""
    import struct
    with open(path, "rb") as f:
        data = bytearray(f.read())
    count = struct.unpack(">H", data[4:6])[0]
    names = {1: family, 2: "Regular", 3: family, 4: family, 6: family.replace(" ", "")}
    records, strings = [], b""
    for platform, encoding, language, codec in ((1, 0, 0, "latin-1"), (3, 1, 0x409, "utf-16-be")):
        for name_id, text in sorted(names.items()):
            raw = text.encode(codec)
            records.append(struct.pack(">6H", platform, encoding, language, name_id, len(raw), len(strings)))
            strings += raw
    table = struct.pack(">3H", 0, len(records), 6 + 12 * len(records)) + b"".join(records) + strings
    while len(data) % 4:
        data.append(0)
    offset = len(data)
    data += table
    for i in range(count):
        at = 12 + 16 * i
        if data[at:at + 4] == b"name":
            data[at + 8:at + 16] = struct.pack(">II", offset, len(table))
    return bytes(data)
