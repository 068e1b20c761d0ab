"""Unpacks the checked entries into a staging folder that the installer alone creates."""

import os
import shutil
import stat
import zipfile
import zlib

from . import UpdateError
from .files import reason, sync_file, sync_folder

CHUNK = 1 << 20
try:
    from lzma import LZMAError
except ImportError:  # a trimmed interpreter without lzma
    LZMAError = zipfile.BadZipFile
# What a damaged archive raises while it is read (bz2 reports damage as an OSError).
DAMAGE = (zipfile.BadZipFile, zlib.error, EOFError, NotImplementedError, LZMAError)


def fresh_folder(path):
    """An empty folder at path, removing what an earlier attempt left there."""
    try:
        info = os.lstat(path)
    except FileNotFoundError:
        info = None
    except OSError as error:
        raise UpdateError(f"The staging folder cannot be prepared: {reason(error)}.") from None
    try:
        if info is not None and stat.S_ISDIR(info.st_mode):
            shutil.rmtree(path)
        elif info is not None:
            os.unlink(path)
        os.mkdir(path)
    except OSError as error:
        raise UpdateError(f"The staging folder cannot be prepared: {reason(error)}.") from None


def check_free_space(folder, needed):
    try:
        free = shutil.disk_usage(folder).free
    except OSError:
        return
    if free < needed + (64 << 20):
        megabytes = (needed + (64 << 20)) // 1000000 + 1
        raise UpdateError(f"There is not enough free space for the update ({megabytes} MB needed).")


def _write(archive, entry, target, written, total, progress):
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_NOFOLLOW", 0) | getattr(
        os, "O_BINARY", 0)
    fd = os.open(target, flags, 0o755 if entry.executable else 0o644)
    size = 0
    try:
        with archive.open(entry.info) as source:
            while True:
                chunk = source.read(CHUNK)
                if not chunk:
                    break
                size += len(chunk)
                if size > entry.info.file_size:
                    raise UpdateError("The archive is damaged: a file is longer than it says.")
                view = memoryview(chunk)
                while view:
                    view = view[os.write(fd, view):]
                progress(written + size, total)
        # Flushed now, so that the file later renamed into the release is whole after a crash.
        sync_file(fd)
    finally:
        os.close(fd)
    if size != entry.info.file_size:
        raise UpdateError("The archive is damaged: a file is shorter than it says.")
    return size


def unpack(archive, entries, root, total, progress):
    """Writes every entry below root (an empty folder); progress(done, total) in bytes."""
    written = 0
    progress(0, total)
    folders = [root]
    try:
        for entry in entries:
            folder = root
            for part in entry.parts if entry.is_dir else entry.parts[:-1]:
                folder = os.path.join(folder, part)
                if not os.path.isdir(folder):
                    os.mkdir(folder)
                    folders.append(folder)
            if not entry.is_dir:
                written += _write(archive, entry, os.path.join(folder, entry.parts[-1]), written,
                                  total, progress)
        for folder in reversed(folders):
            sync_folder(folder)
    except DAMAGE:
        raise UpdateError("The archive is damaged and cannot be unpacked.") from None
    except OSError as error:
        raise UpdateError(f"The archive cannot be unpacked: {reason(error)}.") from None
    progress(total, total)
