"""`Prefix`: a private Wine prefix for one test case or one run of the demo, a copy of the
template under build/e2e/run/ with its own wineserver (ended on close): program runs
with time-outs, the dialog driver, the registry (written with `reg`, read with
`reg export` or from the hives that the server saved) and snapshots of drive C.

Set ZELVO_E2E_KEEP=1 to keep the prefixes for inspection.
"""

import atexit
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

from . import driver
from .flavour import flavour
from .regfile import Registry, parse_reg_export
from .snapshot import snapshot_tree
from .template import BASE_ENV, E2E_DIR, INSTALLER_DIR_WIN, template_prefix, unix_path

_counter = [0]
_open_prefixes = []


def _close_open_prefixes():
    for p in list(_open_prefixes):
        try:
            p.close()
        except Exception:  # best effort at exit
            pass


atexit.register(_close_open_prefixes)


def _remove_stale_runs(run_dir):
    """Prefixes left by test processes that died (their name holds the process id)."""
    for entry in os.listdir(run_dir):
        m = re.match(r".*-(\d+)-\d+$", entry)
        if not m:
            continue
        pid = int(m.group(1))
        try:
            os.kill(pid, 0)
            continue  # still running
        except ProcessLookupError:
            pass
        except PermissionError:
            continue
        shutil.rmtree(os.path.join(run_dir, entry), ignore_errors=True)


class Prefix:
    """A private Wine prefix: a copy of the template under build/e2e/run/."""

    def __init__(self, name="t", display=None):
        fl = flavour()
        self.flavour = fl
        template = template_prefix()
        _counter[0] += 1
        run_dir = os.path.join(E2E_DIR, "run")
        os.makedirs(run_dir, exist_ok=True)
        if _counter[0] == 1:
            _remove_stale_runs(run_dir)
        safe = re.sub(r"[^A-Za-z0-9_.-]", "_", name)[-60:]
        self.path = os.path.join(run_dir, "%s-%d-%d" % (safe, os.getpid(), _counter[0]))
        shutil.rmtree(self.path, ignore_errors=True)
        # Hard links for the bulk (the programs never write into existing system files;
        # a test writes a file only after unlinking it), real copies of what Wine rewrites.
        r = subprocess.run(["cp", "-al", template, self.path], stderr=subprocess.PIPE, timeout=120)
        if r.returncode != 0:
            raise RuntimeError("cannot copy the template: %s" % r.stderr.decode(errors="replace"))
        for rel in ("system.reg", "user.reg", "userdef.reg", ".update-timestamp"):
            self._unshare(os.path.join(self.path, rel))
        windir = os.path.join(self.path, "drive_c", "windows")
        for f in os.listdir(windir):
            if f.lower().endswith(".ini"):
                self._unshare(os.path.join(windir, f))
        self.display = display
        self.env = dict(os.environ, WINEPREFIX=self.path, **BASE_ENV)
        if fl.winearch == "win32":
            self.env["WINEARCH"] = "win32"
        if display is not None:
            self.env["DISPLAY"] = display.name
        else:
            self.env.pop("DISPLAY", None)
        self.closed = False
        _open_prefixes.append(self)

    @staticmethod
    def _unshare(path):
        if os.path.exists(path):
            tmp = path + ".e2e-copy"
            shutil.copy2(path, tmp)
            os.replace(tmp, path)

    # -- paths and files

    def unix(self, win_path):
        return unix_path(self.path, win_path)

    def write_file(self, win_path, data):
        """Create a file (and its folders) inside the prefix; never writes through a shared link."""
        p = self.unix(win_path)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        if os.path.lexists(p):
            os.unlink(p)
        with open(p, "wb") as f:
            f.write(data.encode("latin-1") if isinstance(data, str) else data)
        return p

    def read_file(self, win_path):
        with open(self.unix(win_path), "rb") as f:
            return f.read()

    def exists(self, win_path):
        return os.path.lexists(self.unix(win_path))

    def install_program(self, name, win_dir=INSTALLER_DIR_WIN):
        """Copy a built program into the prefix; returns its Windows path."""
        src = self.flavour.program(name)
        dst = self.unix(win_dir + "\\" + name)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copy(src, dst)
        return win_dir + "\\" + name

    def snapshot(self, win_root="C:\\", exclude=None):
        return snapshot_tree(self.unix(win_root), exclude=exclude)

    # -- running

    def wine(self, args, timeout=60, cwd=None, win_cwd=None, input=None):
        """Run `wine ARGS...`; returns CompletedProcess (returncode None after a time-out, when
        the wineserver of this prefix has been ended)."""
        if win_cwd:
            cwd = self.unix(win_cwd)
            os.makedirs(cwd, exist_ok=True)
        # Output goes to files, not pipes: Wine's own background processes inherit the
        # handles and would hold a pipe open long after the program has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            p = subprocess.Popen([self.flavour.wine] + list(args), env=self.env, cwd=cwd or self.path,
                                 stdout=out, stderr=err, stdin=subprocess.PIPE if input else subprocess.DEVNULL,
                                 start_new_session=True)
            try:
                if input:
                    p.stdin.write(input)
                    p.stdin.close()
                code = p.wait(timeout)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(p.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.kill_server()
                p.wait()
                code = None
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(p.args, code, out.read(), err.read())

    def spawn(self, args, cwd=None, win_cwd=None):
        """Start `wine ARGS...` in the background (a Popen with piped stdout)."""
        if win_cwd:
            cwd = self.unix(win_cwd)
        return subprocess.Popen([self.flavour.wine] + list(args), env=self.env, cwd=cwd or self.path,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                start_new_session=True)

    def pids(self, program=None):
        """Unix process ids of what runs in this prefix (programs, wineserver, Wine's own
        services), or only of the Windows program of that file name."""
        out = []
        want = ("WINEPREFIX=" + self.path).encode()
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmd = f.read()
                with open("/proc/%s/environ" % pid, "rb") as f:
                    env = f.read().split(b"\0")
            except OSError:
                continue
            # a program's own process: its first argument is the program file
            first = cmd.split(b"\0")[0].lower().replace(b"/", b"\\")
            if want in env and (program is None or first.endswith(b"\\" + program.lower().encode())):
                out.append(int(pid))
        return out

    # -- the dialog driver

    def drive(self, cmdline, answers=(), timeout=60, cwd=None, win_cwd=None, extra="kill", any_process=False):
        """Run a Windows command line exactly under e2e-driver, answering the program's
        dialogs in order (those of any process with any_process); returns a DriverRun."""
        args = driver.run_args(self.flavour.program("e2e-driver.exe"), cmdline, answers, timeout, extra, any_process)
        r = self.wine(args, timeout=timeout + 30, cwd=cwd, win_cwd=win_cwd)
        if not driver.parse_events(r.stdout) and r.returncode is not None:
            # Not even "started", which the driver prints first, right after CreateProcess:
            # the driver did not get that far (seen once under 64-bit Wine, with no error
            # output; WINEDEBUG=-all hides Wine's own reports). The command has not run,
            # so it is run once more, and what the first try left is kept with the run.
            sys.stderr.write("[e2e] the driver reported nothing (wine's status %r); running %r again\n" %
                             (r.returncode, cmdline))
            first = "first try: wine's status %r, error output %r\n" % (r.returncode, r.stderr[-400:])
            r = self.wine(args, timeout=timeout + 30, cwd=cwd, win_cwd=win_cwd)
            return driver.DriverRun(driver.parse_events(r.stdout), first + r.stderr.decode(errors="replace"))
        events = driver.parse_events(r.stdout)
        for e in events:
            driver.say_retry(e, cmdline)
        return driver.DriverRun(events, r.stderr.decode(errors="replace"))

    def driver(self, *args, timeout=30):
        """One-shot driver command (windows, clipboard, click, scroll, ...): list of events."""
        r = self.wine([self.flavour.program("e2e-driver.exe")] + [str(a) for a in args], timeout=timeout)
        return driver.parse_events(r.stdout)

    def driver_session(self, cmdline, answers=(), timeout=60, extra="wait", win_cwd=None):
        """Start e2e-driver run in the background; returns a DriverSession to read events live."""
        args = driver.run_args(self.flavour.program("e2e-driver.exe"), cmdline, answers, timeout, extra)
        return driver.DriverSession(self.spawn(args, win_cwd=win_cwd), cmdline)

    # -- registry

    def reg_add(self, key, name=None, data="", type_="REG_SZ"):
        args = ["reg", "add", key]
        args += ["/ve"] if name is None else ["/v", name]
        args += ["/t", type_, "/d", data, "/f"]
        r = self.wine(args, timeout=60)
        if r.returncode != 0:
            raise RuntimeError("reg add %s failed: %s" % (key, r.stdout + r.stderr))

    def reg_delete(self, key, name=None):
        args = ["reg", "delete", key] + (["/v", name] if name is not None else []) + ["/f"]
        r = self.wine(args, timeout=60)
        return r.returncode == 0

    def reg_export(self, key):
        """Everything under a key, read with `reg export` while the server runs on:
        {key path as exported: {value name: (type, data)}}, or None when the key is missing."""
        tmp = "C:\\e2e-export.reg"
        path = self.unix(tmp)
        if os.path.exists(path):
            os.unlink(path)
        r = self.wine(["reg", "export", key, tmp, "/y"], timeout=60)
        if r.returncode != 0 or not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            raw = f.read()
        os.unlink(path)
        return parse_reg_export(raw)

    def registry(self):
        """The registry as saved: ends the wineserver first, so everything is written out."""
        self.kill_server()
        return Registry(self.path)

    # -- server

    def kill_server(self):
        subprocess.run([self.flavour.wineserver, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([self.flavour.wineserver, "-w"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def close(self, keep=False):
        if self.closed:
            return
        self.closed = True
        if self in _open_prefixes:
            _open_prefixes.remove(self)
        try:
            self.kill_server()
        except subprocess.TimeoutExpired:
            pass
        if not keep and not os.environ.get("ZELVO_E2E_KEEP"):
            shutil.rmtree(self.path, ignore_errors=True)
