"""The checksum file published beside a release archive, and the archive's own SHA-256.

The file holds one line as sha256sum writes it, "<64 hex digits>  <file name>" (or " *<name>"),
or the bare digits. The name, when given, must be the archive's.
"""

import hashlib
import os
import re
import stat

from . import UpdateError
from .files import read_small, reason

CHECKSUM_LIMIT = 4096
# The launcher downloads at most 2 GiB; anything much larger is not a release archive.
ARCHIVE_LIMIT = 4 << 30
CHUNK = 1 << 20
LINE = re.compile(r"([0-9A-Fa-f]{64})(?:[ \t]+\*?([^\t]+?))?[ \t]*")


def expected_digest(path, archive_name):
    """The lower-case hex digest that the checksum file at path gives for archive_name."""
    data = read_small(path, CHECKSUM_LIMIT, "checksum file")
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        raise UpdateError("The checksum file is not text.") from None
    lines = [line.rstrip("\r") for line in text.split("\n")]
    while lines and not lines[-1].strip():
        lines.pop()
    if len(lines) != 1:
        raise UpdateError("The checksum file must hold exactly one line, the archive's SHA-256.")
    match = LINE.fullmatch(lines[0].lstrip(" \t"))
    if not match:
        raise UpdateError("The checksum file does not hold a SHA-256 of 64 hexadecimal digits.")
    name = match.group(2)
    if name is not None and re.split(r"[/\\]", name)[-1] != archive_name:
        raise UpdateError("The checksum file is for another archive than the one downloaded.")
    return match.group(1).lower()


def open_archive(path):
    """The archive opened for reading, with its size; one open file serves the check and unpacking,
    so the file checked is the file unpacked."""
    try:
        archive = open(path, "rb")  # noqa: SIM115 - the caller closes it
    except FileNotFoundError:
        raise UpdateError("The downloaded archive does not exist.") from None
    except OSError as error:
        raise UpdateError(f"The downloaded archive cannot be read: {reason(error)}.") from None
    try:
        info = os.fstat(archive.fileno())
    except OSError as error:
        archive.close()
        raise UpdateError(f"The downloaded archive cannot be read: {reason(error)}.") from None
    if not stat.S_ISREG(info.st_mode):
        archive.close()
        raise UpdateError("The downloaded archive is not a file.")
    if info.st_size > ARCHIVE_LIMIT:
        archive.close()
        raise UpdateError("The downloaded archive is larger than 4 GiB.")
    return archive, info.st_size


def file_digest(archive, size, progress):
    """The hex SHA-256 of the first size bytes of the open archive; progress(done, total)."""
    digest = hashlib.sha256()
    done = 0
    progress(0, size)
    try:
        while done < size:
            chunk = archive.read(min(CHUNK, size - done))
            if not chunk:
                raise UpdateError("The downloaded archive became shorter while it was checked.")
            digest.update(chunk)
            done += len(chunk)
            progress(done, size)
    except OSError as error:
        raise UpdateError(f"The downloaded archive cannot be read: {reason(error)}.") from None
    return digest.hexdigest()
