"""What a release archive may hold, checked from its directory before anything is written.

Every entry must lie in the folder RELEASE_PREFIX + version: no absolute paths, drive letters,
"..", backslashes or control characters, no links or special files, no encryption, nothing for
the user's own folders, no name given twice. The unpacked size is bounded, also against the
archive's size, so that a small archive cannot fill the disk.
"""

import re
import stat
import zipfile

from . import KEPT_FOLDERS, OLD_MARKER, RELEASE_PREFIX, UpdateError
from .files import ini_value

MAX_UNPACKED = 4 << 30
MAX_RATIO = 200
MAX_ENTRIES = 100000
MAX_NAME = 1024
RELEASE_INI_LIMIT = 65536
METHODS = (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED, zipfile.ZIP_BZIP2, zipfile.ZIP_LZMA)
# Names Windows keeps for devices, with or without an extension.
DEVICE = re.compile(r"(?i)(con|prn|aux|nul|com[0-9]|lpt[0-9])(\..*)?")


class Entry:
    """One file or folder of the release: its path inside the release folder as parts."""

    def __init__(self, info, parts, is_dir):
        self.info = info
        self.parts = parts
        self.is_dir = is_dir
        self.executable = bool((info.external_attr >> 16) & 0o111)


def release_folder(version):
    return RELEASE_PREFIX + version


def _parts(name):
    """The parts of an entry's name, or an UpdateError saying why the name is refused."""
    if not name or len(name) > MAX_NAME or "\\" in name or ":" in name or any(
            ord(c) < 32 or ord(c) == 127 for c in name):
        raise UpdateError("The archive holds a file whose name is not allowed.")
    if name.startswith("/"):
        raise UpdateError("The archive holds a file with an absolute path.")
    parts = name[:-1].split("/") if name.endswith("/") else name.split("/")
    if ".." in parts:
        raise UpdateError("The archive holds a file whose path leads out of its folder.")
    for part in parts:
        if part in ("", ".") or part != part.rstrip(". ") or DEVICE.fullmatch(part):
            raise UpdateError("The archive holds a file whose name is not allowed.")
    return parts


def _kind(info):
    """True for a folder, False for a file; links and special files are refused."""
    mode = info.external_attr >> 16
    kind = stat.S_IFMT(mode)
    if kind == stat.S_IFLNK:
        raise UpdateError("The archive holds a symbolic link.")
    if kind not in (0, stat.S_IFREG, stat.S_IFDIR):
        raise UpdateError("The archive holds a special file.")
    is_dir = info.filename.endswith("/") or kind == stat.S_IFDIR
    if is_dir and info.file_size:
        raise UpdateError("The archive holds a folder with contents of its own.")
    return is_dir


def _entry(info, root):
    parts = _parts(info.filename)
    is_dir = _kind(info)
    if info.flag_bits & 0x1:
        raise UpdateError("The archive is encrypted.")
    if info.compress_type not in METHODS:
        raise UpdateError("The archive uses a compression method the installer does not know.")
    if parts[0] != root:
        raise UpdateError(f"The archive holds files outside its folder {root}.")
    inner = parts[1:]
    if inner and inner[0].casefold() in KEPT_FOLDERS:
        raise UpdateError("The archive holds files for the folders the user's game and settings "
                          "live in.")
    if any(OLD_MARKER in part for part in inner):
        raise UpdateError(f"The archive holds a file named like a left-behind file ({OLD_MARKER}).")
    return Entry(info, tuple(inner), is_dir)


def _check_unique(entries):
    """No name twice and no name both a file and a folder, letter case aside (Windows)."""
    files, folders = set(), set()
    for entry in entries:
        key = "/".join(entry.parts).casefold()
        for depth in range(1, len(entry.parts)):
            folders.add("/".join(entry.parts[:depth]).casefold())
        if entry.is_dir:
            folders.add(key)
        elif key in files:
            raise UpdateError("The archive holds the same file twice.")
        else:
            files.add(key)
    if files & folders:
        raise UpdateError("The archive holds a file and a folder of the same name.")


def _check_sizes(entries, archive_size):
    total = sum(entry.info.file_size for entry in entries)
    if total > MAX_UNPACKED:
        raise UpdateError("The archive would unpack to more than 4 GiB.")
    if total > MAX_RATIO * max(archive_size, 1):
        raise UpdateError(f"The archive would unpack to more than {MAX_RATIO} times its size, "
                          "which no release does.")
    return total


def _check_version(archive, entries, version):
    ini = [e for e in entries if not e.is_dir and e.parts == ("source", "release.ini")]
    if not ini:
        raise UpdateError("The archive holds no source/release.ini, so it is not a release.")
    if ini[0].info.file_size > RELEASE_INI_LIMIT:
        raise UpdateError("The archive's source/release.ini is too large.")
    with archive.open(ini[0].info) as source:
        data = source.read(RELEASE_INI_LIMIT + 1)
    found = ini_value(data.decode("utf-8", errors="replace"), "version").strip()
    if found != version:
        shown = found if found and len(found) <= 40 and found.isprintable() else "another"
        raise UpdateError(f"The archive holds version {shown}, not version {version}.")


def release_entries(archive, version, archive_size):
    """The checked entries of the open zip archive and their unpacked size in bytes."""
    infos = archive.infolist()
    if len(infos) > MAX_ENTRIES:
        raise UpdateError("The archive holds too many files to be a release.")
    root = release_folder(version)
    entries = [entry for entry in (_entry(info, root) for info in infos) if entry.parts]
    if not any(not entry.is_dir for entry in entries):
        raise UpdateError(f"The archive holds no files in its folder {root}.")
    _check_unique(entries)
    total = _check_sizes(entries, archive_size)
    _check_version(archive, entries, version)
    return entries, total
