"""One update of a release folder at a time.

The lock is the file LOCK in the update folder, created exclusively and holding the decimal
process id of whoever works on the update: the launcher while it downloads, then the installer
it starts (the launcher writes the installer's id into it once the installer runs, and the
installer takes over a lock its own launcher holds). A lock whose process has ended is stale and
is taken over; it is broken by renaming it away first, so that two installers that both find it
stale cannot both remove a lock one of them has just taken.
"""

import os
import time

from . import LOCK

# A lock file that is still empty is being written by the process that created it.
EMPTY_GRACE_SECONDS = 2.0


def process_alive(pid):
    """Whether the process pid exists (a zombie counts: its id is not free yet)."""
    if pid <= 0:
        return False
    if os.name == "nt":
        import ctypes  # noqa: PLC0415 - Windows only

        kernel = ctypes.windll.kernel32
        handle = kernel.OpenProcess(0x00100000 | 0x1000, False, pid)  # SYNCHRONIZE | QUERY_LIMITED
        if not handle:
            return kernel.GetLastError() == 5  # access denied: it exists
        try:
            return kernel.WaitForSingleObject(handle, 0) == 0x102  # WAIT_TIMEOUT: still running
        finally:
            kernel.CloseHandle(handle)
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    except OSError:
        return False
    return True


def _owner(path):
    """The process id the lock file at path holds: 0 for an empty or damaged one, None when
    there is no file."""
    try:
        with open(path, "rb") as lock:
            text = lock.read(64)
    except FileNotFoundError:
        return None
    except OSError:
        return 0
    text = text.strip(b" \r\n")
    return int(text) if text.isdigit() and len(text) <= 10 else 0


def _age(path):
    try:
        return time.time() - os.stat(path).st_mtime
    except OSError:
        return EMPTY_GRACE_SECONDS


class Lock:
    """The update lock of one update folder, for this process."""

    def __init__(self, update_dir):
        self.path = os.path.join(update_dir, LOCK)
        self.held = False

    def _create(self, pid):
        """Creates the lock holding pid, whole or not at all; False when one is there."""
        tmp = f"{self.path}.{pid}.tmp"
        with open(tmp, "w", encoding="ascii") as out:
            out.write(f"{pid}\n")
        try:
            os.link(tmp, self.path)  # the lock appears with its contents, never empty
            return True
        except FileExistsError:
            return False
        except OSError:
            # A file system without links: exclusive creation, then the id.
            try:
                fd = os.open(self.path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
            except FileExistsError:
                return False
            with os.fdopen(fd, "w", encoding="ascii") as out:
                out.write(f"{pid}\n")
            return True
        finally:
            try:
                os.unlink(tmp)
            except FileNotFoundError:
                pass

    def _break_stale(self, owner, pid):
        """Removes the lock of the ended process owner, unless another one took its place."""
        aside = f"{self.path}.{pid}.stale"
        try:
            os.rename(self.path, aside)
        except FileNotFoundError:
            return
        if _owner(aside) != owner:
            # A live lock made since it was read: it goes back (unless yet another one came).
            try:
                os.link(aside, self.path)
            except OSError:
                pass
        try:
            os.unlink(aside)
        except FileNotFoundError:
            pass

    def take(self):
        """Takes the lock; returns 0, or the id of the live process that holds it (-1: unknown)."""
        me = os.getpid()
        parent = os.getppid() if hasattr(os, "getppid") else 0
        for _ in range(50):
            if self._create(me):
                self.held = True
                return 0
            owner = _owner(self.path)
            if owner is None:
                continue  # just removed: try again
            if owner == me:
                self.held = True  # handed over by the launcher that started this installer
                return 0
            if owner == parent and owner > 1:
                # The launcher that started this installer holds it and hands it over now.
                tmp = f"{self.path}.{me}.tmp"
                with open(tmp, "w", encoding="ascii") as out:
                    out.write(f"{me}\n")
                os.replace(tmp, self.path)
                self.held = True
                return 0
            if owner and process_alive(owner):
                return owner
            if owner == 0 and _age(self.path) < EMPTY_GRACE_SECONDS:
                time.sleep(0.05)  # its maker is writing it
                continue
            self._break_stale(owner, me)
        return -1

    def release(self):
        """Gives the lock up if this process still holds it."""
        if self.held and _owner(self.path) == os.getpid():
            try:
                os.unlink(self.path)
            except OSError:
                pass
        self.held = False
