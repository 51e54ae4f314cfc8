"""A unittest base for cases that each run in a fresh prefix on the shared display."""

import os
import unittest

from .display import display
from .flavour import require_programs
from .prefix import Prefix


class PrefixCase(unittest.TestCase):
    """One fresh prefix per test (self.prefix) on the display of the test process
    (self.display), with the programs of `installs` copied in; the class fails at once
    when a program of `programs` is not built. ZELVO_E2E_KEEP_FAILED=1 keeps the prefix
    of a case that failed."""

    maxDiff = None
    programs = ("e2e-driver.exe",)
    installs = ()           # (program, Windows folder) pairs
    prefix_tag = ""         # put before the test's name in the prefix's name

    @classmethod
    def setUpClass(cls):
        missing = require_programs(*cls.programs)
        if missing:
            raise AssertionError(missing)

    def setUp(self):
        self.display = display()
        self.prefix = None
        self.addCleanup(self._close)
        self.fresh_prefix()

    def fresh_prefix(self):
        """Start over in a new prefix (for table rows that each need a clean system)."""
        if self.prefix is not None:
            self.prefix.close()
        self.prefix = Prefix(self.prefix_tag + self.id().split(".")[-1], display=self.display)
        for name, folder in self.installs:
            self.prefix.install_program(name, folder)

    def _close(self):
        if self.prefix is not None:
            self.prefix.close(keep=bool(os.environ.get("ZELVO_E2E_KEEP_FAILED")) and self._failed())

    def _failed(self):
        """Whether this case (or one of its subtests) has failed so far."""
        result = getattr(getattr(self, "_outcome", None), "result", None)
        done = (result.errors + result.failures) if result is not None else []
        return any(getattr(test, "test_case", test) is self for test, _ in done)
