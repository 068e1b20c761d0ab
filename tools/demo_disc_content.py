"""The files of the demo discs: SYSTEM.CNF, a boot executable with a real ELF header, and small
arena and car textures that the demo game draws.

Texture files ("*.TEX") hold a 16-byte header, b"SCFTEX01", width and height (little-endian
32-bit each), then width x height RGBA pixels, row by row from the top.
"""

import struct

TEXTURE_MAGIC = b"SCFTEX01"

# name -> (boot file, region text, video mode, volume id)
VARIANTS = {
    "usa": ("SXUS_902.10", "NTSC", "SCRAPFURY"),
    "europe": ("SXES_902.10", "PAL", "SCRAPFURY"),
    "other": ("SLUS_123.45", "NTSC", "GRAVEL_TRAIL"),
}


def system_cnf(boot_file, video_mode):
    return (
        f"BOOT2 = cdrom0:\\{boot_file};1\r\nVER = 1.00\r\nVMODE = {video_mode}\r\n"
    ).encode("ascii")


def boot_elf(boot_file):
    """A small 32-bit little-endian MIPS executable: one loadable segment of code and a text."""
    text = f"{boot_file} demo executable, made by tools/make_disc.py for the launcher's tests.\0"
    # A few MIPS instructions: an endless loop with a delay slot ("j ." / "nop").
    code = struct.pack("<4I", 0x0804_0002, 0x0000_0000, 0x0000_0000, 0x0000_0000)
    payload = code + text.encode("ascii")
    payload += bytes(-len(payload) % 16)
    entry = 0x0010_0008
    header_size = 52
    ph_size = 32
    offset = header_size + ph_size
    ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)
    header = ident + struct.pack(
        "<HHIIIIIHHHHHH",
        2,  # executable
        8,  # MIPS
        1,
        entry,
        header_size,  # program headers follow the header
        0,
        0x20924001,  # R5900 flags as PS2 tools set them
        header_size,
        ph_size,
        1,
        40,
        0,
        0,
    )
    program = struct.pack(
        "<8I", 1, offset, entry, entry, len(payload), len(payload), 7, 16
    )
    return header + program + payload


def texture(width, height, seed, kind):
    """A deterministic picture: arenas are tiled floors, cars are round-cornered bodies."""
    pixels = bytearray(width * height * 4)
    r0 = (seed * 73) % 200 + 40
    g0 = (seed * 151) % 200 + 40
    b0 = (seed * 37) % 200 + 40
    for y in range(height):
        for x in range(width):
            i = (y * width + x) * 4
            if kind == "arena":
                tile = ((x // 8) + (y // 8)) % 2
                shade = 0.55 + 0.25 * tile + 0.2 * ((x * y + seed) % 7) / 7
                pixels[i : i + 4] = bytes(
                    [int(r0 * shade) & 255, int(g0 * shade) & 255, int(b0 * shade) & 255, 255]
                )
            else:
                dx = min(x, width - 1 - x)
                dy = min(y, height - 1 - y)
                corner = dx < 4 and dy < 4 and (4 - dx) ** 2 + (4 - dy) ** 2 > 16
                window = height // 4 < y < height // 2 and width // 5 < x < width * 4 // 5
                if corner:
                    pixels[i : i + 4] = bytes([0, 0, 0, 0])
                elif window:
                    pixels[i : i + 4] = bytes([40, 60, 90, 255])
                else:
                    pixels[i : i + 4] = bytes([r0, g0, b0, 255])
    return TEXTURE_MAGIC + struct.pack("<II", width, height) + bytes(pixels)


def disc_files(variant):
    boot_file, video_mode, _ = VARIANTS[variant]
    files = {
        "SYSTEM.CNF": system_cnf(boot_file, video_mode),
        boot_file: boot_elf(boot_file),
    }
    for n in range(1, 4):
        files[f"ARENAS/ARENA{n:02d}.TEX"] = texture(64, 64, n, "arena")
    for n in range(1, 5):
        files[f"CARS/CAR{n:02d}.TEX"] = texture(32, 32, n + 10, "car")
    return files
