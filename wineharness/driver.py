"""The dialog driver (e2e-driver.exe, built from tests/e2e/win/driver.c): the command line
that runs a program under it, and what it reports, one JSON event a line: the program's
windows and their controls, the answers it gave, the exit code."""

import json
import os
import queue
import signal
import subprocess
import sys
import threading
import time


def run_args(driver_exe, cmdline, answers, timeout, extra, any_process=False):
    """`e2e-driver run`: start an exact Windows command line (CreateProcessA) and answer the
    program's dialogs in order; extra says what to do with dialogs beyond the answers. With
    any_process, the dialogs of every process count (the command is a client that starts
    the program)."""
    args = [driver_exe, "run", "--timeout=%d" % int(timeout * 1000), "--extra=" + extra]
    if any_process:
        args.append("--any-process")
    if answers:
        args.append("--answers=" + ",".join(str(a) for a in answers))
    args.append(cmdline)
    return args


def say_retry(event, cmdline):
    """Says on the tests' error output that the driver tried a failed start once more."""
    if event.get("event") == "retry":
        sys.stderr.write("[e2e] starting %r failed with error %s; the driver tried it once more\n" %
                         (cmdline, event.get("code")))
        sys.stderr.flush()


def parse_events(raw):
    events = []
    for line in raw.decode("latin-1").splitlines():
        line = line.strip()
        if line.startswith("{"):
            try:
                events.append(json.loads(line))
            except ValueError:
                events.append({"event": "garbled", "line": line})
    return events


def has_progress(win):
    return any(c["class"].lower() == "msctls_progress32" for c in win.get("controls", []))


def dialog_text(win):
    """Static texts of a dialog (visible ones, icon controls left out), joined by newlines."""
    parts = []
    for c in win.get("controls", []):
        if c["class"].lower() == "static" and c["visible"] and (c["style"] & 0x1F) not in (3, 14) and c["text"]:
            parts.append(c["text"])
    return "\n".join(parts)


def visible_buttons(win):
    return [c["text"] for c in win.get("controls", []) if c["class"].lower() == "button" and c["visible"]]


class DriverRun:
    """What e2e-driver reported about one run of a program."""

    def __init__(self, events, stderr=""):
        self.events = events
        self.stderr = stderr

    @property
    def exit_code(self):
        for e in self.events:
            if e["event"] == "exit":
                return e["code"]
        return None

    @property
    def timed_out(self):
        return any(e["event"] == "timeout" for e in self.events)

    @property
    def unexpected(self):
        """True when a dialog appeared for which no answer was left."""
        return any(e["event"] == "unexpected" for e in self.events)

    def windows(self):
        """Windows reported whole (one destroyed while the driver read it is left out)."""
        vanished = {e["hwnd"] for e in self.events if e["event"] == "vanished"}
        return [e for e in self.events if e["event"] == "window" and e["hwnd"] not in vanished]

    def dialogs(self):
        """Dialogs that ask or tell something (message boxes, the missing-component dialog)."""
        return [e for e in self.windows() if e["class"] == "#32770" and not has_progress(e)]

    def progress_dialogs(self):
        return [e for e in self.windows() if has_progress(e)]

    def messages(self):
        """[(caption, text, buttons, icon)] for each dialog: text is the static texts joined by
        newlines; buttons the visible buttons' texts; icon as the driver classified it."""
        out = []
        for d in self.dialogs():
            out.append((d["caption"], dialog_text(d), visible_buttons(d), d.get("icon")))
        return out

    def progress(self):
        return [e for e in self.events if e["event"] == "progress"]

    def __repr__(self):
        return "\n".join(json.dumps(e) for e in self.events) + ("\nstderr: " + self.stderr if self.stderr else "")


class DriverSession:
    """A driver run in the background; events are read as they come."""

    def __init__(self, proc, cmdline=""):
        self.proc = proc
        self.cmdline = cmdline
        self.events = []
        self.q = queue.Queue()
        self.t = threading.Thread(target=self._reader, daemon=True)
        self.t.start()

    def _reader(self):
        for line in self.proc.stdout:
            line = line.decode("latin-1").strip()
            if line.startswith("{"):
                try:
                    event = json.loads(line)
                except ValueError:
                    continue
                say_retry(event, self.cmdline)
                self.q.put(event)
        self.q.put(None)

    def wait_for(self, predicate, timeout=30):
        """The first new event for which predicate holds, or None after timeout / at the end."""
        deadline = time.time() + timeout
        while True:
            left = deadline - time.time()
            if left <= 0:
                return None
            try:
                e = self.q.get(timeout=left)
            except queue.Empty:
                return None
            if e is None:
                self.q.put(None)
                return None
            self.events.append(e)
            if predicate(e):
                return e

    def wait_exit(self, timeout=30):
        e = self.wait_for(lambda e: e["event"] in ("exit", "timeout"), timeout)
        if e is None or e["event"] != "exit":
            return None
        return e["code"]

    def stop(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            pass
        self.t.join(5)
        if self.proc.stdout:
            self.proc.stdout.close()
