"""Installs an unpacked release over the release folder as one undoable change.

Every file to replace, and every old kit source file the new release no longer has, is first
renamed aside with OLD_MARKER in its name; only then does the new file move in. Every step is
written in a journal, so a failure at any point undoes the steps in reverse and the old release
is whole again. When all went well the files moved aside are deleted; one that cannot be (the
running launcher on Windows) stays, and its full path goes to update/old_files.txt, which the
launcher cleans up at its next start.
"""

import os
import stat

from . import KEPT_FOLDERS, OLD_FILES_LIST, OLD_MARKER, UpdateError
from .files import reason

# A file the user or the system keeps open may need a few names before one is free.
MAX_OLD_NAMES = 1000
# Of the old release's own files, only the kit's sources are removed when the new release lacks
# them: a stale module there could be imported by the new kit.
OWNED_FOLDERS = ("source",)


def _lstat(path):
    try:
        return os.lstat(path)
    except (FileNotFoundError, NotADirectoryError):  # also when a file stands for a folder above
        return None


def _is_real_dir(info):
    return info is not None and stat.S_ISDIR(info.st_mode)


def staged_files(root):
    """The relative paths (tuples of parts) of every file below root, sorted."""
    found = []
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        rel = os.path.relpath(folder, root)
        prefix = () if rel == "." else tuple(rel.split(os.sep))
        found.extend(prefix + (name,) for name in files)
    return sorted(found)


class Installation:
    """One install of the unpacked release at staged into the release folder install_dir.

    fail_after: stop with a failure after this many files moved in (tests of the undo);
    locked: relative paths whose old file is treated as impossible to delete (as the running
    launcher is on Windows)."""

    def __init__(self, install_dir, staged, fail_after=None, locked=()):
        self.install_dir = install_dir
        self.staged = staged
        self.fail_after = fail_after
        self.locked = set(locked)
        self.journal = []
        self.files = staged_files(staged)
        self.obsolete = []

    def target(self, parts):
        return os.path.join(self.install_dir, *parts)

    def plan(self):
        """Refuses, before anything changes, what cannot be installed; finds obsolete files."""
        if ("source", "release.ini") not in self.files:
            raise UpdateError("The unpacked release lacks source/release.ini.")
        new = {"/".join(parts).casefold() for parts in self.files}
        # An old file where the new release needs a folder is moved aside by _folders.
        new |= {"/".join(parts[:depth]).casefold() for parts in self.files
                for depth in range(1, len(parts))}
        for parts in self.files:
            if parts[0].casefold() in KEPT_FOLDERS:
                raise UpdateError("The new release holds files for the user's own folders.")
            if _is_real_dir(_lstat(self.target(parts))):
                raise UpdateError("The new release has a file where the installed one has the "
                                  f"folder {'/'.join(parts)}.")
        for owned in OWNED_FOLDERS:
            top = self.target((owned,))
            if not _is_real_dir(_lstat(top)):
                continue
            for folder, dirs, files in os.walk(top):
                dirs.sort()
                rel = tuple(os.path.relpath(folder, self.install_dir).split(os.sep))
                for name in sorted(files):
                    parts = rel + (name,)
                    if OLD_MARKER not in name and "/".join(parts).casefold() not in new:
                        self.obsolete.append(parts)
        return len(self.files) + len(self.obsolete)

    def _aside(self, path, parts):
        for number in range(MAX_OLD_NAMES):
            aside = path + (OLD_MARKER if number == 0 else f".{number}{OLD_MARKER}")
            if _lstat(aside) is None:
                os.rename(path, aside)
                self.journal.append(("aside", path, aside, parts))
                return
        raise UpdateError(f"Too many left-behind copies of {'/'.join(parts)} are in the way.")

    def _folders(self, parts):
        """Makes the folders above a target real folders inside the release: a file or a link
        in the way (a link could lead out of the release) is moved aside first."""
        for depth in range(1, len(parts)):
            folder = self.target(parts[:depth])
            info = _lstat(folder)
            if _is_real_dir(info):
                continue
            if info is not None:
                self._aside(folder, parts[:depth])
            os.mkdir(folder)
            self.journal.append(("mkdir", folder, None, parts[:depth]))

    def apply(self, progress):
        """Moves every new file in and every obsolete file aside; progress(done, total)."""
        total = len(self.files) + len(self.obsolete)
        done = 0
        progress(done, total)
        try:
            for parts in self.files:
                target = self.target(parts)
                self._folders(parts)
                if _lstat(target) is not None:
                    self._aside(target, parts)
                os.rename(os.path.join(self.staged, *parts), target)
                self.journal.append(("placed", target, None, parts))
                done += 1
                progress(done, total)
                if self.fail_after is not None and done >= self.fail_after:
                    raise UpdateError(f"The installation was stopped on request after {done} "
                                      "files.")
            for parts in self.obsolete:
                self._aside(self.target(parts), parts)
                done += 1
                progress(done, total)
        except OSError as error:
            raise UpdateError("A file of the release cannot be replaced: "
                              f"{reason(error)}.") from None

    def undo(self):
        """Puts the old release back; returns how many steps could not be undone."""
        failed = 0
        for kind, path, aside, _ in reversed(self.journal):
            try:
                if kind == "placed":
                    os.unlink(path)
                elif kind == "mkdir":
                    os.rmdir(path)
                else:
                    os.rename(aside, path)
            except OSError:
                failed += 1
        self.journal = []
        return failed

    def remove_old(self, progress):
        """Deletes the files moved aside; returns the full paths of those left behind."""
        asides = [(aside, parts) for kind, _, aside, parts in self.journal if kind == "aside"]
        left = []
        progress(0, len(asides))
        for done, (aside, parts) in enumerate(asides, 1):
            if "/".join(parts) in self.locked:
                left.append(aside)
            else:
                try:
                    os.unlink(aside)
                except FileNotFoundError:
                    pass
                except OSError:
                    left.append(aside)
            progress(done, len(asides))
        self.journal = []
        return left


def list_left_behind(update_dir, paths):
    """Adds paths to the update folder's old_files.txt (written whole, then renamed in place)."""
    path = os.path.join(update_dir, OLD_FILES_LIST)
    lines = []
    try:
        with open(path, encoding="utf-8", errors="surrogateescape", newline="") as existing:
            lines = [line.rstrip("\r\n") for line in existing.read(1 << 20).splitlines()]
    except OSError:
        pass
    for line in paths:
        if line not in lines:
            lines.append(line)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", errors="surrogateescape", newline="\n") as out:
        out.write("".join(line + "\n" for line in lines if line))
        out.flush()
        os.fsync(out.fileno())
    os.replace(tmp, path)
