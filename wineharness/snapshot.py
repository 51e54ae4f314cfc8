"""Snapshots of a folder tree (drive C of a prefix) and their differences."""

import hashlib
import os


def snapshot_tree(root, exclude=None, digest=None):
    """{relative path: ('d',) | ('f', size, digest) | ('l', target)} of a tree. Files up to 4 MB
    are hashed; bigger ones are compared by size and modification time, unless a
    digest(path, stat) function is given (such as whole_file_digest), which then names
    every file's content."""
    snap = {}
    exclude = [e.lower() for e in (exclude or [])]

    def left_out(rel):
        return any(rel.lower() == e or rel.lower().startswith(e + "/") for e in exclude)

    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        keep = []
        for i, name in enumerate(dirnames + filenames):
            rel = os.path.normpath(os.path.join(rel_dir, name))
            if left_out(rel):
                continue
            full = os.path.join(dirpath, name)
            if os.path.islink(full):
                snap[rel] = ("l", os.readlink(full))
            elif i < len(dirnames):
                snap[rel] = ("d",)
                keep.append(name)
            else:
                snap[rel] = _file_entry(full, digest)
        dirnames[:] = keep
    return snap


def _file_entry(full, digest):
    st = os.stat(full)
    if digest is not None:
        return ("f", st.st_size, digest(full, st))
    if st.st_size <= 4 * 1024 * 1024:
        h = hashlib.sha1()
        with open(full, "rb") as f:
            h.update(f.read())
        return ("f", st.st_size, h.hexdigest())
    return ("f", st.st_size, "mtime:%d" % st.st_mtime_ns)


_digest_cache = {}


def whole_file_digest(full, st):
    """SHA-1 of a whole file, whatever its size. Test prefixes share the template's files
    through hard links, so a file is hashed once per inode and state; a changed file has
    a new size, time or inode."""
    key = (st.st_dev, st.st_ino, st.st_size, st.st_mtime_ns, st.st_ctime_ns)
    d = _digest_cache.get(key)
    if d is None:
        h = hashlib.sha1()
        with open(full, "rb") as f:
            for chunk in iter(lambda: f.read(1 << 20), b""):
                h.update(chunk)
        d = h.hexdigest()
        _digest_cache[key] = d
    return d


def diff_snapshots(before, after):
    """(added, removed, changed): sorted lists of relative paths."""
    added = sorted(set(after) - set(before))
    removed = sorted(set(before) - set(after))
    changed = sorted(p for p in set(before) & set(after) if before[p] != after[p])
    return added, removed, changed
