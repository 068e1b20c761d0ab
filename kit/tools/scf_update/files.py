"""Small bounded file reads and the error text of a file-system failure."""

import os
import stat

from . import UpdateError


def reason(error):
    """The system's short text for an OSError, without the path."""
    text = error.strerror if isinstance(error, OSError) and error.strerror else None
    return (text or type(error).__name__).rstrip(".")


def read_small(path, limit, what):
    """The bytes of a regular file of at most limit bytes; what names it in the error texts."""
    try:
        fd = os.open(path, os.O_RDONLY | getattr(os, "O_BINARY", 0))
    except FileNotFoundError:
        raise UpdateError(f"The {what} does not exist.") from None
    except OSError as error:
        raise UpdateError(f"The {what} cannot be read: {reason(error)}.") from None
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise UpdateError(f"The {what} is not a file.")
        data = b""
        while len(data) <= limit:
            chunk = os.read(fd, limit + 1 - len(data))
            if not chunk:
                break
            data += chunk
    except OSError as error:
        raise UpdateError(f"The {what} cannot be read: {reason(error)}.") from None
    finally:
        os.close(fd)
    if len(data) > limit:
        raise UpdateError(f"The {what} is larger than {limit} bytes.")
    return data


def ini_value(text, key):
    """The value of key in key = value lines, read the way the launcher reads release.ini."""
    for line in text.split("\n"):
        line = line[:-1] if line.endswith("\r") else line
        if "=" not in line or line.startswith("#"):
            continue
        name, value = line.split("=", 1)
        if name.rstrip(" \t") == key:
            return value.lstrip(" \t")
    return ""


def sync_file(fd):
    """Flushes an open file's data to the disk."""
    os.fsync(fd)


def sync_folder(path):
    """Flushes a folder's entries (names made, renamed or removed in it) to the disk. Windows
    cannot open folders this way and commits renames itself: nothing to do there."""
    if os.name == "nt":
        return
    fd = os.open(path, os.O_RDONLY | getattr(os, "O_DIRECTORY", 0))
    try:
        os.fsync(fd)
    finally:
        os.close(fd)


def write_synced(path, data):
    """Writes data to path whole and durably: a temporary file flushed, renamed in place, and
    the folder flushed after."""
    tmp = path + ".tmp"
    fd = os.open(tmp, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | getattr(os, "O_BINARY", 0), 0o644)
    try:
        view = memoryview(data)
        while view:
            view = view[os.write(fd, view):]
        sync_file(fd)
    finally:
        os.close(fd)
    os.replace(tmp, path)
    sync_folder(os.path.dirname(path))
