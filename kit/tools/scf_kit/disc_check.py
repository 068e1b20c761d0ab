"""Decides whether a disc image is the supported Scrapfury disc (USA, SXUS-90210)."""

import hashlib
import re
import struct

from .disc_image import NOT_ISO, DiscError, OutOfImage, open_disc
from .iso9660 import Volume

BOOT2 = re.compile(r"^\s*BOOT2\s*=\s*cdrom0?:\\?([^;\s]+)", re.IGNORECASE | re.MULTILINE)


class DiscInfo:
    def __init__(self, path, form, sectors, boot_file, sha1, volume_id):
        self.path = path
        self.form = form
        self.sectors = sectors
        self.boot_file = boot_file
        self.sha1 = sha1
        self.volume_id = volume_id


# SYSTEM.CNF is a few lines; only its head is read.
SYSTEM_CNF_LIMIT = 64 * 1024
# A raw dump may carry a postgap or other sectors past the volume; an image longer than the disc
# by more than this is no plain copy of it.
EXTRA_SECTORS = 1024


def boot_file_of(volume):
    entry = volume.find("SYSTEM.CNF")
    if entry is None or entry.is_dir:
        raise DiscError(
            "the image is an ISO9660 image but no PlayStation 2 disc: it holds no SYSTEM.CNF"
        )
    text = volume.read_file(entry, SYSTEM_CNF_LIMIT).decode("ascii", "replace")
    match = BOOT2.search(text)
    if not match:
        raise DiscError(
            "the image is no PlayStation 2 game disc: its SYSTEM.CNF names no BOOT2 file")
    return match.group(1).upper()


def user_data_sha1(disc, sectors, progress=None):
    """SHA-1 of the first sectors' 2048-byte user data; progress(done, total) after each chunk."""
    digest = hashlib.sha1()
    done = 0
    for block in disc.user_data(sectors):
        digest.update(block)
        done += len(block) // 2048
        if progress:
            progress(done, sectors)
    return digest.hexdigest()


def disc_sectors(manifest):
    return manifest["disc"]["sectors"]


def check_disc(path, manifest, say, progress=None):
    """Returns DiscInfo for the supported disc; raises DiscError with the reason otherwise.

    say(text) receives the steps as they happen (INFO lines, log lines).
    """
    try:
        return _check(path, manifest, say, progress)
    except (struct.error, IndexError) as error:
        raise DiscError(f"the image is {NOT_ISO}: its file system is damaged ({error})") from None


def _cut_short(disc, volume):
    return DiscError(
        f"the image is cut short: it holds {disc.sector_count} of the volume's "
        f"{volume.volume_sectors} sectors, so its SHA-1 cannot match the USA disc's"
    )


def _identify(disc, volume, say):
    """The boot file SYSTEM.CNF names; says whether the disc holds it as a program."""
    boot = boot_file_of(volume)
    say(f"boot file: {boot}")
    entry = volume.find(boot)
    if entry is None:
        say(f"the boot file {boot} named by SYSTEM.CNF is missing from the disc")
    elif entry.is_dir or entry.size < 4 or volume.read_file(entry, 4) != b"\x7fELF":
        say(f"the boot file {boot} does not start with an ELF header")
    return boot


def _check(path, manifest, say, progress):
    want = manifest["disc"]
    sectors = disc_sectors(manifest)
    say(f"reading {path}")
    with open_disc(path) as disc:
        say(f"format: {disc.form}, {disc.sector_count} sectors")
        volume = Volume(disc)
        say(f"volume {volume.volume_id!r}, system {volume.system_id!r}, "
            f"{volume.volume_sectors} sectors")
        try:
            boot = _identify(disc, volume, say)
        except OutOfImage:
            # A copy that stops early loses its folders first: say so, not that it is no disc.
            if disc.sector_count < volume.volume_sectors:
                raise _cut_short(disc, volume) from None
            raise
        if boot != want["boot_file"]:
            region = manifest.get("other_releases", {}).get(boot)
            if region:
                raise DiscError(
                    f"this is the {region} disc of Scrapfury ({boot}); only the USA disc "
                    f"({want['product']}) is supported"
                )
            raise DiscError(
                f"this disc boots {boot}, not Scrapfury's {want['boot_file']}: it is another game"
            )
        # Sizes first: the SHA-1 of data of another size cannot match, so it is not computed.
        if disc.sector_count < volume.volume_sectors:
            raise _cut_short(disc, volume)
        if volume.volume_sectors != sectors:
            raise DiscError(
                f"the image's volume has {volume.volume_sectors} sectors where the USA disc has "
                f"{sectors}, so its SHA-1 cannot match: the copy is modified or damaged"
            )
        if disc.sector_count > sectors + EXTRA_SECTORS:
            raise DiscError(
                f"the image holds {disc.sector_count} sectors, far more than the USA disc's "
                f"{sectors}, so its SHA-1 cannot match: it is no plain copy of the disc"
            )
        sha1 = user_data_sha1(disc, sectors, progress)
        say(f"SHA-1 of the user data: {sha1}")
        if sha1 != want["user_data_sha1"]:
            raise DiscError(
                f"the SHA-1 of this copy's data is {sha1}, the USA disc's is "
                f"{want['user_data_sha1']}: the copy is modified or damaged"
            )
        return DiscInfo(path, disc.form, sectors, boot, sha1, volume.volume_id)
