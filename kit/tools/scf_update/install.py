"""Installs an unpacked release over the release folder as one change that survives any end of
the installer.

The plan (every folder to make, file to move in and obsolete kit file to move aside, with the
name each old entry gets aside) is written to the journal and flushed before the first change.
Then, in three passes, each followed by flushing the folders it changed:

1. folders are made (a file or link in the way moved aside first) and every old file gets its
   aside name as a second link, so that the release never lacks the file (a link that is itself
   a symbolic link, and every old file on Windows, is renamed aside instead);
2. each new file, flushed when it was unpacked, is renamed over its place in one step;
3. obsolete kit files are renamed aside.

The journal then says "committed" and the entries aside are deleted. Killed before that, the
next run puts each old entry back (undo); killed after, it deletes what is aside (finish). Both
are worked out from the journal and what is on disk, and both can themselves be cut short and
run again. An entry aside that cannot be deleted (the running launcher on Windows) stays, and its
full path goes to update/old_files.txt, which the launcher cleans up at its next start.
"""

import os
import stat

from . import KEPT_FOLDERS, OLD_FILES_LIST, OLD_MARKER, UpdateError
from .files import reason, sync_folder, write_synced
from .journal import safe_name

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


class Places:
    """Where the journal's operations act: the release folder and the unpacked release."""

    def __init__(self, install_dir, staged):
        self.install_dir = install_dir
        self.staged = staged

    def target(self, parts):
        return os.path.join(self.install_dir, *parts)

    def aside(self, parts, name):
        return os.path.join(self.install_dir, *parts[:-1], name)

    def source(self, parts):
        return os.path.join(self.staged, *parts)


def plan(install_dir, staged):
    """The operations that install the unpacked release at staged, as the journal holds them;
    refuses, before anything changes, what cannot be installed."""
    places = Places(install_dir, staged)
    files = staged_files(staged)
    if ("source", "release.ini") not in files:
        raise UpdateError("The unpacked release lacks source/release.ini.")
    taken = set()

    def aside_name(parts):
        for number in range(MAX_OLD_NAMES):
            name = parts[-1] + (OLD_MARKER if number == 0 else f".{number}{OLD_MARKER}")
            path = places.aside(parts, name)
            if path not in taken and _lstat(path) is None:
                taken.add(path)
                return name
        raise UpdateError(f"Too many left-behind copies of {'/'.join(parts)} are in the way.")

    operations = []
    made = set()  # folders this install makes: nothing old lies below them
    for parts in files:
        if parts[0].casefold() in KEPT_FOLDERS:
            raise UpdateError("The new release holds files for the user's own folders.")
        for depth in range(1, len(parts)):
            folder = parts[:depth]
            if folder in made:
                continue
            if folder[:-1] not in made:
                info = _lstat(places.target(folder))
                if _is_real_dir(info):
                    continue
                aside = aside_name(folder) if info is not None else None
            else:
                aside = None
            made.add(folder)
            operations.append(["folder", "/".join(folder), aside])
        aside = None
        if parts[:-1] not in made:
            info = _lstat(places.target(parts))
            if _is_real_dir(info):
                raise UpdateError("The new release has a file where the installed one has the "
                                  f"folder {'/'.join(parts)}.")
            aside = aside_name(parts) if info is not None else None
        operations.append(["file", "/".join(parts), aside])
    new = {"/".join(parts).casefold() for parts in files} | {
        "/".join(parts[:depth]).casefold() for parts in files for depth in range(1, len(parts))}
    for owned in OWNED_FOLDERS:
        top = places.target((owned,))
        if not _is_real_dir(_lstat(top)):
            continue
        for folder, dirs, names in os.walk(top):
            dirs.sort()
            rel = tuple(os.path.relpath(folder, install_dir).split(os.sep))
            for name in sorted(names):
                parts = rel + (name,)
                # A name no journal path can hold (none a release ships) is left alone.
                if OLD_MARKER not in name and "/".join(parts).casefold() not in new and all(
                        safe_name(part) for part in parts):
                    operations.append(["obsolete", "/".join(parts), aside_name(parts)])
    return operations


def count(operations):
    """The progress units of apply(): one per change."""
    return sum(1 for kind, _, aside in operations if kind != "file" or aside) + sum(
        1 for kind, _, _ in operations if kind == "file")


def _sync(folders):
    for folder in sorted(folders, key=len, reverse=True):
        try:
            sync_folder(folder)
        except (FileNotFoundError, NotADirectoryError):
            pass  # a folder made and taken away again


def _second_name(path, aside):
    """Gives the regular file at path the name aside too; False where that cannot be (Windows,
    whose running programs can be renamed but not replaced; file systems without links)."""
    if os.name == "nt" or not stat.S_ISREG(os.lstat(path).st_mode):
        return False
    try:
        os.link(path, aside, follow_symlinks=False)
    except FileExistsError:
        raise
    except OSError:
        return False
    return True


def apply(places, operations, progress, fail_after=None):
    """Makes the journal's changes (parts already split); progress(done, total)."""
    total = count(operations)
    done = 0
    progress(done, total)
    changed = set()
    try:
        # 1. Folders, and the old files' aside names.
        for kind, parts, aside in operations:
            if kind == "obsolete" or (kind == "file" and not aside):
                continue
            target = places.target(parts)
            changed.add(os.path.dirname(target))
            if kind == "folder":
                if aside:
                    os.rename(target, places.aside(parts, aside))
                os.mkdir(target)
            elif not _second_name(target, places.aside(parts, aside)):
                os.rename(target, places.aside(parts, aside))
            done += 1
            progress(done, total)
        _sync(changed)
        # 2. The new files, each in one rename.
        changed = set()
        placed = 0
        for kind, parts, _ in operations:
            if kind != "file":
                continue
            target = places.target(parts)
            changed.add(os.path.dirname(target))
            os.replace(places.source(parts), target)
            done += 1
            placed += 1
            progress(done, total)
            if fail_after is not None and placed >= fail_after:
                raise UpdateError(f"The installation was stopped on request after {placed} "
                                  "files.")
        _sync(changed)
        # 3. Obsolete files aside.
        changed = set()
        for kind, parts, aside in operations:
            if kind == "obsolete":
                changed.add(os.path.dirname(places.target(parts)))
                os.rename(places.target(parts), places.aside(parts, aside))
                done += 1
                progress(done, total)
        _sync(changed)
    except OSError as error:
        raise UpdateError("A file of the release cannot be replaced: "
                          f"{reason(error)}.") from None


def _same(first, second):
    return first is not None and second is not None and (first.st_ino, first.st_dev) == (
        second.st_ino, second.st_dev)


def undo(places, operations, progress):
    """Puts the old release back from any point of apply(); returns how many changes could not
    be undone. Running it again after it was cut short goes on where it stopped."""
    failed = 0
    changed = set()
    total = len(operations)
    done = 0
    progress(done, total)
    # The passes backwards: obsolete files, then files, then folders, each last one first.
    ordered = ([op for op in operations if op[0] == "folder"] +
               [op for op in operations if op[0] == "file"] +
               [op for op in operations if op[0] == "obsolete"])
    for kind, parts, aside in reversed(ordered):
        target = places.target(parts)
        old = places.aside(parts, aside) if aside else None
        changed.add(os.path.dirname(target))
        try:
            if kind == "obsolete":
                if _lstat(old) is not None and _lstat(target) is None:
                    os.rename(old, target)
            elif kind == "file":
                if old is not None:
                    kept = _lstat(old)
                    if kept is not None:
                        if _same(kept, _lstat(target)):
                            os.unlink(old)  # the new file never came: the second name goes
                        else:
                            os.replace(old, target)
                elif _lstat(places.source(parts)) is None and _lstat(target) is not None:
                    os.unlink(target)  # moved in from the staging folder: it goes
            else:
                if _is_real_dir(_lstat(target)):
                    os.rmdir(target)
                if old is not None and _lstat(old) is not None and _lstat(target) is None:
                    os.rename(old, target)
        except OSError:
            failed += 1
        done += 1
        progress(done, total)
    _sync(changed)
    return failed


def finish(places, operations, progress, locked=()):
    """Deletes the entries moved aside once the new release is whole; returns the full paths of
    those left behind."""
    asides = [(parts, aside) for _, parts, aside in operations if aside]
    left = []
    progress(0, len(asides))
    for done, (parts, aside) in enumerate(asides, 1):
        path = places.aside(parts, aside)
        if "/".join(parts) in locked and _lstat(path) is not None:
            left.append(path)
        else:
            try:
                os.unlink(path)
            except FileNotFoundError:
                pass
            except OSError:
                left.append(path)
        progress(done, len(asides))
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
    text = "".join(line + "\n" for line in lines if line)
    write_synced(path, text.encode("utf-8", errors="surrogateescape"))
