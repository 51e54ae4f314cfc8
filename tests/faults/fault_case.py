"""Shared machinery of the fault matrix: a fresh Wine prefix per case, a snapshot of its
whole drive C (paths, sizes, contents) and of its whole registry before the case, and a
comparison at the end that names every file left behind and every file lost.

Each case records one row (case, result, files left behind, files lost); the rows are
printed as a table when the module ends and written to build/e2e/fault-matrix.md."""

import os
import re
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))

# The installer's set-up and messages, as its own end-to-end tests know them.
from installer_case import (CANCEL, COMMAND, EXE, FAILED, FONTS, INSTALLED, INSTALLER_COPY, NOT_COMPLETELY,  # noqa: E402,F401
                            OK, THEMES,
                            UNINSTALL_KEY, UNINSTALLED, WINDIR, InstallerCase, confirm_install, confirm_uninstall,
                            copy_error, delete_error, screen_question, theme_text)
from saver_case import INI, SCR  # noqa: E402,F401
from wineharness.snapshot import diff_snapshots, snapshot_tree, whole_file_digest  # noqa: E402
from wineharness.template import E2E_DIR  # noqa: E402

# Folders that Wine itself writes while any program runs (temporary files, its own
# logs); nothing of the installer's or the saver's may land there.
VOLATILE_DIRS = ["windows/temp", "users/root/temp", "users/root/appdata/local/temp"]

# Registry keys that Wine rewrites on its own between runs (the display driver's date
# stamp); every other key and value of both hives is compared.
VOLATILE_KEYS = [
    r"^system\\currentcontrolset\\control\\class\\\{4d36e968-e325-11ce-bfc1-08002be10318\}",
]
_volatile_re = [re.compile(p) for p in VOLATILE_KEYS]


def _volatile_value(low_key, value):
    """Fonts that Wine finds on the unix side (Z:) and registers by itself whenever the
    machine's font packages change; the programs register no fonts."""
    kind, data = value
    return "fonts" in low_key and isinstance(data, str) and data.lower().startswith("z:\\")


REGISTRY_REMOVE_ERROR = ("Error removing from Registry!", ["OK"], "warning")


# ---------------------------------------------------------------- snapshots

def tree_snapshot(root):
    """{path relative to drive_c: ('d',) | ('f', size, sha1) | ('l', target)}; all of drive C
    but Wine's own temporary folders, every file hashed whatever its size."""
    return snapshot_tree(root, exclude=VOLATILE_DIRS, digest=whole_file_digest)


def registry_snapshot(prefix):
    """{(hive, key): {value name: (type, data)}} of both hives, as saved by the server."""
    reg = prefix.registry()
    out = {}
    for hive, keys in (("HKLM", reg.hklm), ("HKCU", reg.hkcu)):
        for low, (name, values) in keys.items():
            if any(r.search(low) for r in _volatile_re):
                continue
            out[(hive, low)] = {n.lower(): tv for n, tv in values.values() if not _volatile_value(low, tv)}
            # The saved hive leaves out a key that has subkeys but no values: every
            # parent of a listed key exists too.
            parts = low.split("\\")
            for i in range(1, len(parts)):
                out.setdefault((hive, "\\".join(parts[:i])), {})
    return out


def registry_diff(before, after):
    """Readable differences: keys added or removed, values added, removed or changed."""
    diffs = []
    for k in sorted(set(before) | set(after)):
        if k not in before:
            diffs.append("key added %s\\%s %r" % (k[0], k[1], after[k]))
        elif k not in after:
            diffs.append("key removed %s\\%s" % k)
        elif before[k] != after[k]:
            b, a = before[k], after[k]
            for v in sorted(set(b) | set(a)):
                if b.get(v) != a.get(v):
                    diffs.append("value %s\\%s [%s]: %r -> %r" % (k[0], k[1], v, b.get(v), a.get(v)))
    return diffs


class State:
    def __init__(self, tree, registry):
        self.tree = tree
        self.registry = registry


# ---------------------------------------------------------------- results table

ROWS = []


def write_table():
    if not ROWS:
        return
    lines = ["| Case | Result | Files left behind | Files lost |", "|---|---|---|---|"]
    for r in ROWS:
        left = "%d" % len(r["left"]) + (" (%s)" % ", ".join(r["left"][:6]) if r["left"] else "")
        lost = "%d" % len(r["lost"]) + (" (%s)" % ", ".join(r["lost"][:6]) if r["lost"] else "")
        result = r["result"] + (" (%s)" % r["note"] if r.get("note") else "")
        lines.append("| %s | %s | %s | %s |" % (r["case"], result, left, lost))
    text = "\n".join(lines) + "\n"
    sys.stderr.write("\nFault matrix\n" + text)
    os.makedirs(E2E_DIR, exist_ok=True)
    with open(os.path.join(E2E_DIR, "fault-matrix.md"), "w") as f:
        f.write(text)


# ---------------------------------------------------------------- the case class

class FaultCase(InstallerCase):
    """One fresh prefix per case; the installer in C:\\Decorama, the saver in the Windows
    directory. Every case takes a State before and compares at its end."""

    programs = ("decorama.exe", "ZelvoSav.scr", "e2e-driver.exe")
    prefix_tag = "fault-"
    installer_cwd = "C:\\"

    def setUp(self):
        super().setUp()
        self._soft = []

    def run(self, result=None):
        result = result if result is not None else self.defaultTestResult()
        before = len(result.failures) + len(result.errors)
        skipped = len(result.skipped)
        super().run(result)
        if self._row_data is not None:
            row = self._row_data
            if len(result.skipped) > skipped:
                row["result"] = "skipped: " + result.skipped[-1][1]
            elif len(result.failures) + len(result.errors) > before:
                row["result"] = "FAILS"
            else:
                row["result"] = "holds"
            ROWS.append(row)
        return result

    _row_data = None

    def row(self, case):
        self._row_data = {"case": case, "result": "?", "left": [], "lost": [], "note": ""}

    def note(self, text):
        if self._row_data is not None:
            self._row_data["note"] = (self._row_data["note"] + "; " if self._row_data["note"] else "") + text

    # -- state

    def state(self):
        tree = tree_snapshot(os.path.join(self.prefix.path, "drive_c"))
        return State(tree, registry_snapshot(self.prefix))

    def compare(self, before, allow_left=(), allow_lost=(), allow_registry=()):
        """Compares the prefix with a State: every file or folder added is left behind,
        every one removed or changed is lost. Paths in allow_* (relative to drive_c, any
        case) are the outcome the case expects: they are named in the row's note and
        not counted."""
        after = self.state()
        added, removed, changed = diff_snapshots(before.tree, after.tree)
        al = {a.lower().replace("\\", "/") for a in allow_left}
        ao = {a.lower().replace("\\", "/") for a in allow_lost}
        unexpected_left = [p for p in added if p.lower() not in al]
        unexpected_lost = [p for p in sorted(removed + changed) if p.lower() not in ao]
        expected = ["%s stays" % p for p in added if p.lower() in al]
        expected += ["%s %s" % (p, "changed" if p in changed else "removed")
                     for p in sorted(removed + changed) if p.lower() in ao]
        if self._row_data is not None:
            self._row_data["left"] = unexpected_left
            self._row_data["lost"] = unexpected_lost
            if expected:
                self.note("as the case expects: " + ", ".join(expected))
        reg = [d for d in registry_diff(before.registry, after.registry)
               if not any(a.lower() in d.lower() for a in allow_registry)]
        if reg:
            self.note("registry differs: " + "; ".join(d[:120] for d in reg[:3]))
        self.soft(self.assertEqual, (unexpected_left, unexpected_lost, reg), ([], [], []),
                  "left behind, lost, registry differences")
        self.raise_soft()
        return after

    def raise_soft(self):
        if self._soft:
            failures, self._soft = self._soft, []
            self.fail("\n\n".join(failures))

    # -- files and runs

    def rel(self, win_path):
        return os.path.relpath(self.prefix.unix(win_path), os.path.join(self.prefix.path, "drive_c"))

    def uninstall(self, theme_file, answers):
        return self.run_installer('/u "%s%s"' % (THEMES, theme_file), answers=answers)

    def uninstall_ok(self, name):
        """Uninstalls the theme name.the, answering OK: it asks, then says it is done."""
        run = self.uninstall(name + ".the", [OK, OK])
        self.assertMessages(run, [confirm_uninstall(name), UNINSTALLED], code=0)

    def soft(self, check, *args, **kw):
        """Runs an assertion; a failure is kept and raised by compare() at the case's end,
        so that the comparison still runs and the row names what was left or lost."""
        try:
            check(*args, **kw)
        except AssertionError as e:
            self._soft.append(str(e))

    def assertMessages(self, run, expected, code=None):
        """The dialogs of a run (caption "Decorama"), their order, and the exit code. A
        mismatch is kept (see soft) and the case goes on."""
        got = []
        for caption, text, buttons, icon in run.messages():
            got.append((text, buttons, icon) if caption == "Decorama" else (caption, text, buttons, icon))
        self.soft(self.assertEqual, got, list(expected), "dialogs shown:\n%r" % run)
        self.soft(self.assertFalse, run.unexpected, "a dialog appeared that the case did not expect:\n%r" % run)
        if code is not None:
            self.soft(self.assertEqual, run.exit_code, code, "exit code; run:\n%r" % run)

    def uninstall_entry_exists(self, name):
        return self.prefix.reg_export(UNINSTALL_KEY + "\\" + name) is not None

    def wine_attributes(self, win_path):
        """The DOS attributes Wine reports for a file (attrib's letters)."""
        r = self.prefix.wine(["attrib", win_path], timeout=60)
        text = r.stdout.decode("latin-1")
        line = [l for l in text.splitlines() if l.strip()]
        return line[0][:10] if line else ""

    def restart_windows(self):
        """Ends the prefix's programs and starts it again, as a restart of Windows would:
        the deletions that WININIT.INI asks for are carried out, and the system keeps the
        file as WININIT.BAK."""
        self.prefix.kill_server()
        self.prefix.wine(["cmd", "/c", "exit"], timeout=120)
        self.prefix.kill_server()
        return [self.rel(WINDIR + "wininit.bak")]

    def kill_program(self, name):
        """SIGKILL for a running Windows program of this prefix (as a power cut or the task
        list would end it: no handler of the program runs)."""
        pids = self.prefix.pids(name)
        self.assertTrue(pids, "%s is not running" % name)
        for pid in pids:
            os.kill(pid, signal.SIGKILL)
        return pids
