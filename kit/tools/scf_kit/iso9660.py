"""Reads the ISO 9660 file system of a disc: the primary volume descriptor and its folders.

Sizes and places come from the image itself, so none is trusted: every read stays inside the
image, a folder is read only up to a size no real disc comes near, and a folder that leads back
to one of its parents is not walked again.
"""

import struct

from .disc_image import NOT_ISO, DiscError, OutOfImage

PVD_SECTOR = 16
# A PlayStation 2 disc's folders hold a few hundred records at most: a few sectors each.
MAX_FOLDER_BYTES = 16 << 20
# ISO 9660 allows eight levels of folders; a deeper tree is a damaged one.
MAX_DEPTH = 32


def damaged(what):
    return DiscError(f"the image is {NOT_ISO}: its file system is damaged ({what})")


class Entry:
    def __init__(self, name, extent, size, is_dir):
        self.name = name  # without the ";1" version
        self.extent = extent
        self.size = size
        self.is_dir = is_dir


class Volume:
    def __init__(self, disc):
        self.disc = disc
        if disc.sector_count <= PVD_SECTOR:
            raise DiscError(f"the image is {NOT_ISO}: it is too small to hold one")
        pvd = disc.read_sector(PVD_SECTOR)
        if pvd[0] != 1 or pvd[1:6] != b"CD001":
            raise DiscError(f"the image is {NOT_ISO}: no volume descriptor at sector 16")
        self.system_id = pvd[8:40].decode("ascii", "replace").strip()
        self.volume_id = pvd[40:72].decode("ascii", "replace").strip()
        self.volume_sectors = struct.unpack_from("<I", pvd, 80)[0]
        block = struct.unpack_from("<H", pvd, 128)[0]
        if block != 2048:
            raise DiscError(f"the image is {NOT_ISO}: its block size is {block}")
        self.root = _record(pvd[156:190])
        if self.root is None or not self.root.is_dir:
            raise DiscError(f"the image is {NOT_ISO}: its root folder record is broken")

    def list_dir(self, entry):
        if entry.size > MAX_FOLDER_BYTES:
            raise damaged(f"a folder record claims {entry.size} bytes")
        data = self.disc.read(entry.extent, entry.size)
        entries = []
        pos = 0
        while pos < len(data):
            length = data[pos]
            if length == 0:
                # The rest of this sector is padding; records go on in the next one.
                pos = (pos // 2048 + 1) * 2048
                continue
            record = _record(data[pos : pos + length])
            if record is not None and record.name not in ("\0", "\1"):
                entries.append(record)
            pos += length
        return entries

    def find(self, path):
        """The entry at "NAME" or "FOLDER/NAME" (case-insensitive), or None."""
        node = self.root
        for part in path.strip("/").split("/"):
            if node is None or not node.is_dir:
                return None
            node = next((e for e in self.list_dir(node) if e.name.upper() == part.upper()), None)
        return node

    def read_file(self, entry, limit=None):
        """The file's data, or only its first limit bytes (the whole file must be in the image)."""
        if not self.disc.holds(entry.extent, entry.size):
            raise OutOfImage()
        if limit is not None and entry.size > limit:
            return self.disc.read(entry.extent, limit)
        return self.disc.read(entry.extent, entry.size)

    def file_chunks(self, entry):
        return self.disc.chunks(entry.extent, entry.size)

    def walk(self):
        """Yields (path, entry) for every file, folders first visited in order."""
        yield from self._walk(self.root, "", {self.root.extent})

    def _walk(self, folder, prefix, open_folders):
        if len(open_folders) > MAX_DEPTH:
            raise damaged("its folders nest too deep")
        for child in self.list_dir(folder):
            path = prefix + child.name
            if not child.is_dir:
                yield path, child
            elif child.extent in open_folders:
                raise damaged("a folder contains itself")
            else:
                yield from self._walk(child, path + "/", open_folders | {child.extent})


def _record(raw):
    if len(raw) < 34 or raw[0] < 34:
        return None
    extent = struct.unpack_from("<I", raw, 2)[0]
    size = struct.unpack_from("<I", raw, 10)[0]
    is_dir = bool(raw[25] & 2)
    name_len = raw[32]
    name = raw[33 : 33 + name_len].decode("ascii", "replace")
    if name not in ("\0", "\1"):
        name = name.split(";", 1)[0]
    return Entry(name, extent, size, is_dir)
