"""Opens a disc image in any of its usual forms and reads its 2048-byte user sectors.

Reasons never hold the image's name or anything read from it: the launcher sorts reasons by the
words they contain, and a file name such as "European notes.txt" must not change the verdict.

Forms: a plain ISO (2048-byte sectors); a raw dump of 2352-byte sectors (.bin, or an .iso that
is really raw), Mode 1 or Mode 2 Form 1; a .cue sheet naming such a file.

Every file is looked at with stat before it is opened: a named pipe, a device or a folder is
refused without being read, since reading one can block for ever or never end.
"""

import errno
import os
import stat
from pathlib import Path

USER = 2048
RAW = 2352
SYNC = b"\x00" + b"\xff" * 10 + b"\x00"
# A cue sheet is a few lines; only its head is read, so a huge file named .cue costs nothing.
CUE_READ_LIMIT = 64 * 1024
NOT_ISO = "not an ISO9660 disc image"


class DiscError(Exception):
    """A reason why the file cannot be read as a disc; the text is shown to the user."""


class OutOfImage(DiscError):
    """The file system points at data past the end of the image."""

    def __init__(self):
        super().__init__(f"the image is {NOT_ISO}: its file system points past the end of the "
                         "image")


def _kind(mode):
    if stat.S_ISDIR(mode):
        return "a folder"
    if stat.S_ISFIFO(mode):
        return "a named pipe"
    if stat.S_ISCHR(mode) or stat.S_ISBLK(mode):
        return "a device"
    if stat.S_ISSOCK(mode):
        return "a socket"
    return "a special file"


def _stat_error(error, what):
    if error.errno in (errno.ENOENT, errno.ENOTDIR):
        return DiscError(f"{what} does not exist")
    if error.errno == errno.ELOOP:
        return DiscError(f"{what} is a loop of symbolic links, not a regular file, so {NOT_ISO}")
    return DiscError(f"{what} cannot be read: {error.strerror or 'unknown error'}")


def _not_regular(mode, what):
    return DiscError(f"{what} is {_kind(mode)}, not a regular file, so {NOT_ISO}")


def open_regular(path, what):
    """Opens path for reading when it is a regular file (after symbolic links); else DiscError.

    what names the file in reasons ("the image", "the track file that the cue sheet names").
    """
    try:
        mode = os.stat(path).st_mode
    except OSError as error:
        raise _stat_error(error, what) from None
    if not stat.S_ISREG(mode):
        raise _not_regular(mode, what)
    # O_NONBLOCK: should the name be swapped for a pipe after the stat, opening it cannot block;
    # fstat then tells what was really opened.
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    except OSError as error:
        raise _stat_error(error, what) from None
    try:
        st = os.fstat(fd)
        if not stat.S_ISREG(st.st_mode):
            raise _not_regular(st.st_mode, what)
        os.set_blocking(fd, True)
        return os.fdopen(fd, "rb"), st.st_size
    except BaseException:
        os.close(fd)
        raise


class DiscImage:
    def __init__(self, path, data_path, file, file_size, sector_size, data_offset):
        self.path = path  # what the user chose (the .cue for a cue sheet)
        self.data_path = data_path  # the file holding the sectors
        self.sector_size = sector_size
        self.data_offset = data_offset
        self.file_size = file_size
        self._file = file

    @property
    def sector_count(self):
        return self.file_size // self.sector_size

    @property
    def form(self):
        if self.sector_size == USER:
            return "plain image of 2048-byte sectors"
        mode = "Mode 2 Form 1" if self.data_offset == 24 else "Mode 1"
        return f"raw image, 2352-byte {mode} sectors"

    def close(self):
        self._file.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def read_sector(self, lba):
        if lba < 0 or lba >= self.sector_count:
            raise OutOfImage()
        self._file.seek(lba * self.sector_size + self.data_offset)
        data = self._file.read(USER)
        if len(data) != USER:
            raise DiscError("the image ended early while it was read")
        return data

    def read(self, lba, size):
        """size bytes from sector lba on; refused before anything is read when they would run
        past the end of the image, so a record claiming gigabytes allocates nothing."""
        out = bytearray()
        for block in self.chunks(lba, size):
            out += block
        return bytes(out)

    def holds(self, lba, size):
        """Whether size bytes from sector lba on lie inside the image."""
        return lba >= 0 and size >= 0 and lba + -(-size // USER) <= self.sector_count

    def chunks(self, lba, size, chunk_sectors=256):
        """Yields size bytes from sector lba on, in chunks of at most chunk_sectors sectors."""
        if not self.holds(lba, size):
            raise OutOfImage()
        sectors = -(-size // USER)
        left = size
        for start in range(lba, lba + sectors, chunk_sectors):
            end = min(lba + sectors, start + chunk_sectors)
            if self.sector_size == USER:
                self._file.seek(start * USER)
                block = self._file.read((end - start) * USER)
                if len(block) != (end - start) * USER:
                    raise DiscError("the image ended early while it was read")
            else:
                block = b"".join(self.read_sector(i) for i in range(start, end))
            block = block[:left]
            left -= len(block)
            yield block

    def user_data(self, sectors, chunk_sectors=256):
        """Yields the user data of the first sectors, in order, in chunks."""
        yield from self.chunks(0, sectors * USER, chunk_sectors)


def _cue_track_file(cue_path):
    """The data file and track mode named by a cue sheet's first FILE and TRACK lines."""
    what = "the cue sheet"
    cue, _ = open_regular(cue_path, what)
    try:
        with cue:
            head = cue.read(CUE_READ_LIMIT)
    except OSError as error:
        raise DiscError(f"{what} cannot be read: {error.strerror or 'unknown error'}") from None
    # surrogateescape keeps a track name that is not UTF-8 as the bytes the file system knows.
    text = head.decode("utf-8", "surrogateescape")
    file_name = None
    mode = None
    for line in text.splitlines():
        words = line.strip().split()
        if not words:
            continue
        if words[0].upper() == "FILE" and file_name is None:
            rest = line.strip()[4:].strip()
            if rest.startswith('"'):
                file_name = rest[1:].split('"', 1)[0]
            else:
                file_name = rest.rsplit(" ", 1)[0] if " " in rest else rest
        elif words[0].upper() == "TRACK" and len(words) >= 3 and mode is None:
            mode = words[2].upper()
    if not file_name or not mode or "\0" in file_name:
        raise DiscError(f"the cue sheet is {NOT_ISO}: it has no FILE and TRACK lines")
    return Path(cue_path).parent / file_name, mode


def open_disc(path):
    """Opens the image at path; raises DiscError with the reason when it is no disc image."""
    path = Path(path)
    if path.suffix.lower() == ".cue":
        data_path, cue_mode = _cue_track_file(path)
        if cue_mode not in ("MODE1/2048", "MODE1/2352", "MODE2/2352"):
            raise DiscError(f"the cue sheet is {NOT_ISO}: its track is not a data track")
        what = "the track file that the cue sheet names"
    else:
        data_path = path
        what = "the image"
    file, size = open_regular(data_path, what)
    try:
        head = file.read(16)
    except OSError as error:
        file.close()
        raise DiscError(f"{what} cannot be read: {error.strerror or 'unknown error'}") from None
    if head[:12] == SYNC and len(head) == 16:
        sector_size = RAW
        data_offset = 24 if head[15] == 2 else 16
    else:
        sector_size = USER
        data_offset = 0
    return DiscImage(path, data_path, file, size, sector_size, data_offset)
