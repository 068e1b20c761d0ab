"""Opens a disc image in any of its usual forms and reads its 2048-byte user sectors.

Reasons never hold the image's name or anything read from it: the launcher sorts reasons by the
words they contain, and a file name such as "European notes.txt" must not change the verdict.

Forms: a plain ISO (2048-byte sectors); a raw dump of 2352-byte sectors (.bin, or an .iso that
is really raw), Mode 1 or Mode 2 Form 1; a .cue sheet naming such a file.
"""

import os
from pathlib import Path

USER = 2048
RAW = 2352
SYNC = b"\x00" + b"\xff" * 10 + b"\x00"


class DiscError(Exception):
    """A reason why the file cannot be read as a disc; the text is shown to the user."""


class DiscImage:
    def __init__(self, path, data_path, sector_size, data_offset, file_size):
        self.path = path  # what the user chose (the .cue for a cue sheet)
        self.data_path = data_path  # the file holding the sectors
        self.sector_size = sector_size
        self.data_offset = data_offset
        self.file_size = file_size
        self._file = open(data_path, "rb")

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
            raise DiscError(f"sector {lba} lies beyond the end of the image")
        self._file.seek(lba * self.sector_size + self.data_offset)
        data = self._file.read(USER)
        if len(data) != USER:
            raise DiscError(f"sector {lba} is cut short")
        return data

    def read(self, lba, size):
        out = bytearray()
        sector = lba
        while len(out) < size:
            out += self.read_sector(sector)
            sector += 1
        return bytes(out[:size])

    def user_data(self, chunk_sectors=256):
        """Yields the user data of every sector, in order, in chunks."""
        if self.sector_size == USER:
            self._file.seek(0)
            remaining = self.sector_count * USER
            while remaining:
                block = self._file.read(min(remaining, chunk_sectors * USER))
                if not block:
                    raise DiscError("the image ended early while it was read")
                remaining -= len(block)
                yield block
            return
        for start in range(0, self.sector_count, chunk_sectors):
            end = min(self.sector_count, start + chunk_sectors)
            yield b"".join(self.read_sector(i) for i in range(start, end))


def _cue_track_file(cue_path):
    """The data file and sector size named by a cue sheet's first FILE and TRACK lines."""
    try:
        text = Path(cue_path).read_text(encoding="utf-8", errors="replace")
    except OSError as error:
        raise DiscError(f"the cue sheet cannot be read: {error.strerror}") from None
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
    if not file_name or not mode:
        raise DiscError(
            "the cue sheet is not an ISO9660 disc image: it has no FILE and TRACK lines")
    data_path = Path(cue_path).parent / file_name
    if not data_path.is_file():
        raise DiscError("the track file that the cue sheet names does not exist")
    return data_path, mode


def open_disc(path):
    """Opens the image at path; raises DiscError with the reason when it is no disc image."""
    path = Path(path)
    if not path.exists():
        raise DiscError("the image does not exist")
    if path.is_dir():
        raise DiscError("the image is a folder, not an ISO9660 disc image")
    data_path = path
    cue_mode = None
    if path.suffix.lower() == ".cue":
        data_path, cue_mode = _cue_track_file(path)
    size = os.path.getsize(data_path)
    with open(data_path, "rb") as f:
        head = f.read(16)
    if head[:12] == SYNC and len(head) == 16:
        sector_size = RAW
        data_offset = 24 if head[15] == 2 else 16
    else:
        sector_size = USER
        data_offset = 0
    if cue_mode is not None and cue_mode not in ("MODE1/2048", "MODE1/2352", "MODE2/2352"):
        raise DiscError("the cue sheet is not an ISO9660 disc image: its track is not a data track")
    return DiscImage(path, data_path, sector_size, data_offset, size)
