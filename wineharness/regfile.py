"""A reader of registry text: the hives that Wine saves in a prefix (system.reg, user.reg)
and what `reg export` writes."""

import os
import re


def _unescape_reg(s):
    out = []
    i = 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            if n == "n":
                out.append("\n")
            elif n == "r":
                out.append("\r")
            elif n == "t":
                out.append("\t")
            elif n == "0":
                out.append("\0")
            elif n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
                if m:
                    out.append(chr(int(m.group(0), 16)))
                    i += 2 + len(m.group(0))
                    continue
                out.append("x")
            else:
                out.append(n)
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def _parse_value(text):
    if text.startswith('"'):
        return ("sz", _unescape_reg(text[1:_closing_quote(text)]))
    if text.startswith("str(2):\""):
        return ("expand_sz", _unescape_reg(text[8:-1]))
    if text.startswith("dword:"):
        return ("dword", int(text[6:], 16))
    m = re.match(r"hex(?:\(([0-9a-f]+)\))?:(.*)", text, re.S)
    if m:
        kind = int(m.group(1), 16) if m.group(1) else 3
        data = bytes(int(b, 16) for b in m.group(2).replace("\\\n", "").replace(" ", "").split(",") if b)
        return ("hex%d" % kind, data)
    return ("raw", text)


def _closing_quote(text):
    """Index of the quote that closes the one at index 0 (one escaped by a backslash does not)."""
    i = 1
    while i < len(text):
        if text[i] == "\\":
            i += 2
            continue
        if text[i] == '"':
            break
        i += 1
    return i


def parse_reg_text(text, escaped_keys):
    """[(key path, [(value name, (type, value))])] in the order of the text; the default
    value has the name "". Wine's own files escape the backslashes of key paths,
    `reg export` writes them as they are."""
    keys = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.startswith("["):
            name = line[1:line.rfind("]")]
            keys.append((_unescape_reg(name) if escaped_keys else name, []))
            continue
        if not keys or not line.strip() or line.startswith("#") or line.startswith(";"):
            continue
        while line.endswith("\\") and i < len(lines):  # continued hex data
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("@="):
            keys[-1][1].append(("", _parse_value(line[2:])))
        elif line.startswith('"'):
            j = _closing_quote(line)
            if line[j + 1:j + 2] == "=":
                keys[-1][1].append((_unescape_reg(line[1:j]), _parse_value(line[j + 2:])))
    return keys


def parse_reg_file(path):
    """Wine registry file -> {lower-case key path: (key path, {lower-case name: (name, (type, value))})}."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    return {name.lower(): (name, {vn.lower(): (vn, tv) for vn, tv in values})
            for name, values in parse_reg_text(text, escaped_keys=True)}


def parse_reg_export(raw):
    """What `reg export` wrote (UTF-16 or ANSI): {key path as exported: {value name: (type, data)}}."""
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("latin-1")
    out = {}
    for name, values in parse_reg_text(text.replace("\r\n", "\n"), escaped_keys=False):
        out.setdefault(name, {}).update(values)
    return out


class Registry:
    """A saved view of a prefix's registry: HKLM (system.reg) and HKCU (user.reg)."""

    def __init__(self, prefix_dir):
        self.hklm = parse_reg_file(os.path.join(prefix_dir, "system.reg"))
        self.hkcu = parse_reg_file(os.path.join(prefix_dir, "user.reg"))

    def _split(self, path):
        root, _, sub = path.partition("\\")
        root = root.upper()
        if root in ("HKLM", "HKEY_LOCAL_MACHINE"):
            return self.hklm, sub
        if root in ("HKCU", "HKEY_CURRENT_USER"):
            return self.hkcu, sub
        if root in ("HKCR", "HKEY_CLASSES_ROOT"):
            return self.hklm, "Software\\Classes\\" + sub
        raise ValueError(path)

    def key(self, path):
        """{lower-case name: (name, (type, value))} of a key, or None when it does not exist."""
        hive, sub = self._split(path)
        entry = hive.get(sub.lower())
        return None if entry is None else entry[1]

    def exists(self, path):
        return self.key(path) is not None

    def value(self, path, name=""):
        """The data of a value (a str for strings), or None when key or value is missing."""
        k = self.key(path)
        if k is None or name.lower() not in k:
            return None
        return k[name.lower()][1][1]
