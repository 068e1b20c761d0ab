"""The arena and car textures of the built game's disc data, as the game itself reads them:
"ARENAS/*.TEX" and "CARS/*.TEX", each a 16-byte header (b"SCFTEX01", width, height) and RGBA
pixels. Every size comes from the disc, so none is trusted."""

import re
import struct

from scf_kit.disc_image import DiscError, open_disc
from scf_kit.iso9660 import Volume

from .lines import EnhanceError

TEXTURE_MAGIC = b"SCFTEX01"
FOLDERS = ("ARENAS", "CARS")
# Past this a texture is no PS2 texture, and its upscaled copy would not fit in memory.
MAX_SIDE = 1024
# Pack names become file names: only plain letters, digits, "_" and "-" from the disc.
SAFE_NAME = re.compile(r"[A-Za-z0-9_-]{1,64}")


class Texture:
    def __init__(self, name, width, height, pixels):
        self.name = name  # the pack's file name without ".png", e.g. "ARENAS_ARENA01"
        self.width = width
        self.height = height
        self.pixels = pixels


def _decode(name, data):
    """The texture in data, or None when it is not one (the game skips those too)."""
    if len(data) < 16 or data[:8] != TEXTURE_MAGIC:
        return None
    width, height = struct.unpack_from("<II", data, 8)
    if width == 0 or height == 0 or width * height * 4 > len(data) - 16:
        return None
    if width > MAX_SIDE or height > MAX_SIDE:
        raise EnhanceError(f"the texture {name} of the disc data is {width} x {height}, larger "
                           f"than a texture can be; prepare the game again")
    return Texture(name, width, height, data[16:16 + width * height * 4])


def read_textures(disc_path):
    """Every arena and car texture of the disc data at disc_path, in the disc's order."""
    try:
        with open_disc(disc_path) as disc:
            volume = Volume(disc)
            textures = []
            seen = set()
            for folder in FOLDERS:
                entry = volume.find(folder)
                if entry is None or not entry.is_dir:
                    continue
                for file in volume.list_dir(entry):
                    stem = file.name.rsplit(".", 1)[0]
                    if file.is_dir or not file.name.upper().endswith(".TEX"):
                        continue
                    if not SAFE_NAME.fullmatch(stem) or f"{folder}_{stem}" in seen:
                        continue
                    seen.add(f"{folder}_{stem}")
                    # A texture file claiming more than the largest texture holds is damaged.
                    limit = 16 + MAX_SIDE * MAX_SIDE * 4
                    texture = _decode(f"{folder}_{stem}", volume.read_file(file, limit))
                    if texture is not None:
                        textures.append(texture)
    except DiscError as error:
        raise EnhanceError(f"the game's disc data cannot be read ({error}); prepare the game "
                           "again") from None
    if not textures:
        raise EnhanceError("the game's disc data holds no arena or car textures; prepare the "
                           "game again")
    return textures
