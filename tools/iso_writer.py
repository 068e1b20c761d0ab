"""Writes an ISO 9660 image (level 1 names, one level of folders) from files held in memory.

The image is deterministic: the same files give the same bytes, every date is fixed.
"""

import struct

SECTOR = 2048
SYSTEM_AREA_SECTORS = 16
# A fixed recording date (2004-03-15 12:00:00 UTC) keeps the image byte for byte the same.
FIXED_DATE = (2004, 3, 15, 12, 0, 0)


def both16(n):
    return struct.pack("<H", n) + struct.pack(">H", n)


def both32(n):
    return struct.pack("<I", n) + struct.pack(">I", n)


def sectors_for(size):
    return max(1, (size + SECTOR - 1) // SECTOR)


def padded(text, width):
    data = text.encode("ascii")
    if len(data) > width:
        raise ValueError(f"{text!r} is longer than {width} characters")
    return data + b" " * (width - len(data))


def dir_date():
    y, mo, d, h, mi, s = FIXED_DATE
    return bytes([y - 1900, mo, d, h, mi, s, 0])


def volume_date():
    y, mo, d, h, mi, s = FIXED_DATE
    return f"{y:04d}{mo:02d}{d:02d}{h:02d}{mi:02d}{s:02d}00".encode("ascii") + b"\x00"


def dir_record(identifier, extent, size, is_dir):
    length = 33 + len(identifier)
    if length % 2:
        length += 1
    record = bytearray(length)
    record[0] = length
    record[2:10] = both32(extent)
    record[10:18] = both32(size)
    record[18:25] = dir_date()
    record[25] = 2 if is_dir else 0
    record[28:32] = both16(1)
    record[32] = len(identifier)
    record[33 : 33 + len(identifier)] = identifier
    return bytes(record)


def check_name(name, is_dir):
    allowed = set("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.")
    if not name or set(name) - allowed or (is_dir and "." in name):
        raise ValueError(f"{name!r} is not an ISO 9660 level 1 name")


class _Dir:
    def __init__(self, name, parent_number):
        self.name = name
        self.parent_number = parent_number
        self.files = {}  # name -> bytes
        self.dirs = {}  # name -> _Dir
        self.extent = 0
        self.size = 0
        self.number = 0


def build_iso(files, volume_id, system_id="PLAYSTATION", application_id=""):
    """files maps "NAME.EXT" or "FOLDER/NAME.EXT" to bytes; returns the image as bytes."""
    root = _Dir("", 1)
    for path, data in files.items():
        parts = path.split("/")
        if len(parts) > 2:
            raise ValueError(f"{path}: only one level of folders is supported")
        node = root
        if len(parts) == 2:
            check_name(parts[0], True)
            node = root.dirs.setdefault(parts[0], _Dir(parts[0], 1))
        check_name(parts[-1], False)
        node.files[parts[-1]] = bytes(data)

    dirs = [root] + [root.dirs[name] for name in sorted(root.dirs)]
    for number, node in enumerate(dirs, start=1):
        node.number = number

    # Records of one folder, in identifier order; their total size fixes the folder's extent size.
    def entries(node):
        items = [(name + ";1", name, False) for name in node.files]
        items += [(name, name, True) for name in node.dirs]
        return sorted(items)

    for node in dirs:
        node.size = layout_dir_records(node, entries(node), measure=True)

    # The tables' size does not depend on the extents, which are only known further down.
    path_table_size = len(build_path_table(dirs, little=True))
    path_sectors = sectors_for(path_table_size)
    next_sector = SYSTEM_AREA_SECTORS + 2
    l_table_at = next_sector
    next_sector += path_sectors
    m_table_at = next_sector
    next_sector += path_sectors
    for node in dirs:
        node.extent = next_sector
        next_sector += sectors_for(node.size)
    file_at = {}
    for node in dirs:
        for name in sorted(node.files):
            file_at[(node.number, name)] = next_sector
            next_sector += sectors_for(len(node.files[name]))
    total = next_sector

    image = bytearray(total * SECTOR)

    def put(sector, data):
        image[sector * SECTOR : sector * SECTOR + len(data)] = data

    put(SYSTEM_AREA_SECTORS, primary_descriptor(total, path_table_size, l_table_at, m_table_at,
                                                root, volume_id, system_id, application_id))
    put(SYSTEM_AREA_SECTORS + 1, b"\xffCD001\x01" + bytes(SECTOR - 7))
    put(l_table_at, build_path_table(dirs, little=True))
    put(m_table_at, build_path_table(dirs, little=False))
    for node in dirs:
        # With one level of folders every folder's parent is the root (the root's is itself).
        put(node.extent, layout_dir_records(node, entries(node), parent=root, file_at=file_at))
        for name in sorted(node.files):
            put(file_at[(node.number, name)], node.files[name])
    return bytes(image)


def layout_dir_records(node, items, measure=False, parent=None, file_at=None):
    """The folder's records; with measure, only the size they take in whole sectors."""
    out = bytearray()

    # A record never straddles a sector boundary.
    def append(record):
        used = len(out) % SECTOR
        if used + len(record) > SECTOR:
            out.extend(bytes(SECTOR - used))
        out.extend(record)

    if measure:
        append(bytes(34))
        append(bytes(34))
        for ident, _, is_dir in items:
            append(dir_record(ident.encode("ascii"), 0, 0, is_dir))
        return sectors_for(len(out)) * SECTOR
    append(dir_record(b"\x00", node.extent, node.size, True))
    append(dir_record(b"\x01", parent.extent, parent.size, True))
    for ident, name, is_dir in items:
        if is_dir:
            child = node.dirs[name]
            append(dir_record(ident.encode("ascii"), child.extent, child.size, True))
        else:
            data = node.files[name]
            extent = file_at[(node.number, name)]
            append(dir_record(ident.encode("ascii"), extent, len(data), False))
    return bytes(out)


def build_path_table(dirs, little):
    order = "<" if little else ">"
    table = bytearray()
    for node in dirs:
        ident = node.name.encode("ascii") if node.name else b"\x00"
        table += bytes([len(ident), 0])
        table += struct.pack(order + "I", node.extent)
        table += struct.pack(order + "H", node.parent_number)
        table += ident
        if len(ident) % 2:
            table += b"\x00"
    return bytes(table)


def primary_descriptor(total, path_table_size, l_at, m_at, root, volume_id, system_id, app_id):
    pvd = bytearray(SECTOR)
    pvd[0] = 1
    pvd[1:6] = b"CD001"
    pvd[6] = 1
    pvd[8:40] = padded(system_id, 32)
    pvd[40:72] = padded(volume_id, 32)
    pvd[80:88] = both32(total)
    pvd[120:124] = both16(1)
    pvd[124:128] = both16(1)
    pvd[128:132] = both16(SECTOR)
    pvd[132:140] = both32(path_table_size)
    pvd[140:144] = struct.pack("<I", l_at)
    pvd[148:152] = struct.pack(">I", m_at)
    pvd[156:190] = dir_record(b"\x00", root.extent, root.size, True)
    pvd[190:318] = padded("", 128)
    pvd[318:446] = padded("", 128)
    pvd[446:574] = padded("", 128)
    pvd[574:702] = padded(app_id, 128)
    pvd[702:813] = padded("", 111)
    pvd[813:830] = volume_date()
    pvd[830:847] = volume_date()
    pvd[847:864] = b"0" * 16 + b"\x00"
    pvd[864:881] = b"0" * 16 + b"\x00"
    pvd[881] = 1
    return bytes(pvd)
