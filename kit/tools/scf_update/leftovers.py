"""What installs leave in the update folder and the release, and the installer's own copy.

Before an install changes the release, the installer copies itself (this package and its entry
script, read into memory when it started) into update/installer/, the folder a recovery runs
from: the release's own installer may be half replaced at that point. The copy counts once its
COPY_COMPLETE file is there, written last.

A run that holds the lock and finds no journal clears away what earlier runs left: the staging
folder, the installer copy, temporary files, downloads other than the one being installed, and
entries moved aside (OLD_MARKER) anywhere in the release outside the user's folders. One that
cannot be deleted stays listed in old_files.txt for the launcher.
"""

import os
import re
import shutil

from . import (COPY_COMPLETE, INSTALLER_COPY, JOURNAL, KEPT_FOLDERS, LOCK, OLD_FILES_LIST,
               OLD_MARKER, RELEASE_PREFIX, STAGING)
from .files import sync_file, sync_folder, write_synced
from .lock import process_alive

DOWNLOAD = re.compile(re.escape(RELEASE_PREFIX) + r".+-ravelin\.zip(\.sha256|\.minisig)?(\.tmp)?")
# Files written whole under a temporary name first, left only by a run cut short.
TEMPORARY = (f"{JOURNAL}.tmp", f"{OLD_FILES_LIST}.tmp")
# The lock's own temporary names carry the id of the process that made them.
LOCK_TEMPORARY = re.compile(re.escape(LOCK) + r"\.([0-9]{1,10})\.(tmp|stale)")
ASIDE_SUFFIX = re.compile(r"(\.[0-9]+)?" + re.escape(OLD_MARKER) + "$")
PACKAGE = os.path.basename(os.path.dirname(os.path.abspath(__file__)))


def read_installer(entry_script):
    """The installer's files as {relative path: bytes}: the entry script and this package."""
    files = {}
    with open(entry_script, "rb") as script:
        files[os.path.basename(entry_script)] = script.read()
    folder = os.path.dirname(os.path.abspath(__file__))
    for name in sorted(os.listdir(folder)):
        if name.endswith(".py"):
            with open(os.path.join(folder, name), "rb") as module:
                files[f"{PACKAGE}/{name}"] = module.read()
    return files


def _remove_tree(path):
    try:
        info = os.lstat(path)
    except FileNotFoundError:
        return
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path, ignore_errors=True)
    elif info:
        os.unlink(path)


def take_copy(update_dir, files):
    """Writes the installer's files into update/installer/, flushed, the completion mark last."""
    copy = os.path.join(update_dir, INSTALLER_COPY)
    remove_copy(update_dir)
    os.mkdir(copy)
    folders = {copy}
    for rel, data in files.items():
        path = os.path.join(copy, *rel.split("/"))
        folder = os.path.dirname(path)
        if folder not in folders:
            os.makedirs(folder, exist_ok=True)
            folders.add(folder)
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_BINARY", 0), 0o644)
        try:
            view = memoryview(data)
            while view:
                view = view[os.write(fd, view):]
            sync_file(fd)
        finally:
            os.close(fd)
    for folder in sorted(folders, key=len, reverse=True):
        sync_folder(folder)
    write_synced(os.path.join(copy, COPY_COMPLETE), b"")
    sync_folder(update_dir)


def remove_copy(update_dir):
    copy = os.path.join(update_dir, INSTALLER_COPY)
    try:
        os.unlink(os.path.join(copy, COPY_COMPLETE))  # incomplete first, then gone
        sync_folder(copy)
    except OSError:
        pass
    _remove_tree(copy)


def remove_staging(update_dir):
    _remove_tree(os.path.join(update_dir, STAGING))


def _old_entries(install_dir):
    """Every entry moved aside below the release, outside the user's folders."""
    found = []
    for folder, dirs, files in os.walk(install_dir):
        if folder == install_dir:
            dirs[:] = [d for d in dirs if d.casefold() not in KEPT_FOLDERS]
        found.extend(os.path.join(folder, name) for name in dirs + files if OLD_MARKER in name)
    return found


def _listed_left(update_dir):
    path = os.path.join(update_dir, OLD_FILES_LIST)
    try:
        with open(path, encoding="utf-8", errors="surrogateescape", newline="") as listed:
            return [line.rstrip("\r\n") for line in listed.read(1 << 20).splitlines() if line]
    except OSError:
        return None


def clear_old_entries(install_dir, update_dir, locked=()):
    """Deletes entries moved aside by earlier installs; keeps old_files.txt listing the ones that
    remain (and removes it when none does)."""
    stuck = []
    for path in _old_entries(install_dir):
        rel = os.path.relpath(path, install_dir).replace(os.sep, "/")
        if ASIDE_SUFFIX.sub("", rel) in locked:
            stuck.append(path)
            continue
        if os.path.isdir(path) and not os.path.islink(path):
            continue  # installs move files and links aside, never folders
        try:
            os.unlink(path)
        except FileNotFoundError:
            pass
        except OSError:
            stuck.append(path)
    listed = _listed_left(update_dir)
    if listed is None:
        if stuck:
            write_synced(os.path.join(update_dir, OLD_FILES_LIST),
                         "".join(p + "\n" for p in stuck).encode("utf-8", "surrogateescape"))
        return
    keep = [p for p in listed if os.path.lexists(p)] + [p for p in stuck if p not in listed]
    path = os.path.join(update_dir, OLD_FILES_LIST)
    if keep:
        if keep != listed:
            write_synced(path, "".join(p + "\n" for p in keep).encode("utf-8", "surrogateescape"))
    else:
        os.unlink(path)


def clear_update_folder(update_dir, keep=()):
    """Deletes what earlier runs left in the update folder; keep holds full paths to spare."""
    kept = {os.path.normcase(os.path.abspath(path)) for path in keep}
    remove_staging(update_dir)
    remove_copy(update_dir)
    for name in os.listdir(update_dir):
        path = os.path.join(update_dir, name)
        if os.path.normcase(path) in kept or not os.path.isfile(path):
            continue
        lock_temporary = LOCK_TEMPORARY.fullmatch(name)
        if DOWNLOAD.fullmatch(name) or name in TEMPORARY or (
                lock_temporary and not process_alive(int(lock_temporary.group(1)))):
            try:
                os.unlink(path)
            except OSError:
                pass
