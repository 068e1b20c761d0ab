"""The work of each build stage. Every stage is idempotent: a resumed run may do it again.

The demo reads the disc and converts its textures for real; where the real kit would configure,
build its recompiler, recompile and compile the game, the demo writes notes of what would happen
and installs the kit's stand-in game instead.
"""

import os
import shutil
import stat
import struct
from pathlib import Path

from . import png
from .build_state import write_atomic
from .disc_check import check_disc
from .disc_image import DiscError, open_disc
from .failures import StageError, describe
from .iso9660 import Volume

TEXTURE_MAGIC = b"SCFTEX01"
GAME_FILES = ("scf", "SXUS_902.10", "disc.iso", "built_from.ini")


class BuildContext:
    def __init__(self, disc, out, game, kit_dir, manifest, commit, log):
        self.disc = Path(disc)
        self.out = Path(out)
        self.game = Path(game)
        self.kit_dir = Path(kit_dir)
        self.manifest = manifest
        self.commit = commit
        self.log = log  # log(text): a line in the running stage's log
        self.reserve = _env_int("ZA2D_DEMO_FREE_SPACE_RESERVE", 256 << 20)

    @property
    def boot_file(self):
        return self.manifest["disc"]["boot_file"]

    @property
    def places(self):
        """The folders a failure's file may lie in, with the words that name them."""
        return ((self.out, "in the build folder"), (self.game, "in the game folder"),
                (self.kit_dir, "in the kit"), (self.disc, "the disc image"))

    def disc_bytes(self):
        """The size of the disc's data."""
        return self.manifest["disc"]["sectors"] * 2048

    def need_free_space(self, folder, label, needed):
        folder.mkdir(parents=True, exist_ok=True)
        st = os.statvfs(folder)
        free = st.f_bavail * st.f_frsize
        needed += self.reserve
        self.log(f"free space on {folder}: {free} bytes, {needed} needed")
        if free < needed:
            raise StageError(
                f"not enough free space on the drive of the {label}: {free / 2**30:.2f} GB free, "
                f"{needed / 2**30:.2f} GB needed"
            )


def _env_int(name, default):
    try:
        return int(os.environ.get(name, ""))
    except ValueError:
        return default


def verify(ctx):
    try:
        info = check_disc(ctx.disc, ctx.manifest, ctx.log)
    except DiscError as error:
        raise StageError(str(error)) from None
    ctx.log(f"the disc is {ctx.manifest['disc']['title']} ({ctx.manifest['disc']['product']})")
    _mk(ctx.out / "verify")
    text = f"sha1 = {info.sha1}\nsectors = {info.sectors}\n"
    write_atomic(ctx.out / "verify" / "disc.ini", text.encode("ascii"))


def extract(ctx):
    ctx.need_free_space(ctx.out, "build folder", 2 * ctx.disc_bytes())
    target = ctx.out / "extract"
    try:
        with open_disc(ctx.disc) as disc:
            volume = Volume(disc)
            for path, entry in volume.walk():
                if any(part in ("", ".", "..") or "\\" in part or "\0" in part
                       for part in path.split("/")):
                    raise StageError("the disc holds a file name that cannot be extracted")
                dest = target / path
                dest.parent.mkdir(parents=True, exist_ok=True)
                _write_chunks(dest, volume.file_chunks(entry))
                ctx.log(f"read {path} ({entry.size} bytes)")
    except DiscError as error:
        raise StageError(f"the disc could not be read: {error}") from None


def configure(ctx):
    _mk(ctx.out / "configure")
    text = (
        "# Written by the demo build kit: what the real kit would configure its build with.\n"
        f"boot_file = {ctx.boot_file}\ncommit = {ctx.commit}\ndemo = 1\n"
    )
    write_atomic(ctx.out / "configure" / "build.ini", text.encode("utf-8"))
    ctx.log("demo: the real kit configures its compiler here; the demo only writes build.ini")


def tools(ctx):
    _mk(ctx.out / "tools")
    write_atomic(ctx.out / "tools" / "recompiler.txt",
                 b"The demo kit builds no recompiler; the real kit builds it at this stage.\n")
    ctx.log("demo: no recompiler is built")


def recompile(ctx):
    boot = ctx.out / "extract" / ctx.boot_file
    try:
        data = boot.read_bytes()
    except OSError as error:
        raise StageError(f"the extracted boot file cannot be read: {describe(error)}") from None
    if data[:4] != b"\x7fELF" or len(data) < 52:
        raise StageError(f"the boot file {ctx.boot_file} is not an ELF executable")
    entry, phoff = struct.unpack_from("<II", data, 24)
    phnum = struct.unpack_from("<H", data, 44)[0]
    lines = [f"entry 0x{entry:08x}", f"segments {phnum}"]
    for i in range(phnum):
        at = phoff + 32 * i
        if at + 32 > len(data):
            raise StageError(f"the boot file {ctx.boot_file} is cut short")
        kind, offset, vaddr, _, filesz, memsz = struct.unpack_from("<6I", data, at)
        lines.append(f"segment {i}: type {kind}, 0x{vaddr:08x}, {filesz} bytes in the file, "
                     f"{memsz} in memory")
    _mk(ctx.out / "recompile")
    write_atomic(ctx.out / "recompile" / "program.txt", ("\n".join(lines) + "\n").encode("ascii"))
    for line in lines:
        ctx.log(line)
    ctx.log("demo: the code is not translated; the stand-in game does not run it")


def packs(ctx):
    source = ctx.out / "extract"
    target = ctx.out / "packs"
    count = 0
    for tex in sorted(source.rglob("*.TEX")):
        with open(tex, "rb") as f:
            head = f.read(16)
            if head[:8] != TEXTURE_MAGIC or len(head) < 16:
                ctx.log(f"skipped {tex.relative_to(source)}: not a texture")
                continue
            width, height = struct.unpack_from("<II", head, 8)
            # The sizes come from the disc: never read more than the file holds.
            if os.fstat(f.fileno()).st_size - 16 < width * height * 4:
                raise StageError("a texture of the disc is cut short")
            pixels = f.read(width * height * 4)
        if len(pixels) != width * height * 4:
            raise StageError("a texture of the disc is cut short")
        dest = target / tex.relative_to(source).with_suffix(".png")
        dest.parent.mkdir(parents=True, exist_ok=True)
        write_atomic(dest, png.encode_rgba(width, height, pixels), durable=False)
        count += 1
    ctx.log(f"converted {count} textures to PNG")


def compile_game(ctx):
    game = ctx.kit_dir / ctx.manifest.get("game", "game/scf")
    if not game.is_file():
        raise StageError(
            "the kit's game program (kit/game/scf) is missing; unpack the whole release again")
    _mk(ctx.out / "compile")
    _copy(ctx, game, ctx.out / "compile" / "scf", executable=True)
    ctx.log("demo: the real kit compiles the recompiled code here; "
            "the demo takes its stand-in game")


def stage(ctx):
    ctx.need_free_space(ctx.game, "game folder", ctx.disc_bytes())
    _copy(ctx, ctx.out / "compile" / "scf", ctx.game / "scf", executable=True)
    _copy(ctx, ctx.out / "extract" / ctx.boot_file, ctx.game / ctx.boot_file)
    try:
        with open_disc(ctx.disc) as disc:
            _write_chunks(ctx.game / "disc.iso", disc.user_data(ctx.manifest["disc"]["sectors"]),
                          durable=True)
    except DiscError as error:
        raise StageError(f"the disc could not be read: {error}") from None
    text = (
        "# What this game folder was built from (written by the build kit).\n"
        f"commit = {ctx.commit}\nkit = demo {ctx.manifest.get('version', '')}\n"
        f"disc = {ctx.manifest['disc']['product']}\n"
    )
    write_atomic(ctx.game / "built_from.ini", text.encode("utf-8"))
    for name in GAME_FILES:
        ctx.log(f"placed {ctx.game / name}")


def outputs_present(ctx, stage_name):
    """Whether the files a finished stage left are still there (a removed game is rebuilt)."""
    if stage_name == "extract":
        return (ctx.out / "extract" / ctx.boot_file).is_file()
    if stage_name == "compile":
        return (ctx.out / "compile" / "scf").is_file()
    if stage_name == "stage":
        return all((ctx.game / name).is_file() for name in GAME_FILES)
    return True


WORK = {
    "verify": verify,
    "extract": extract,
    "configure": configure,
    "tools": tools,
    "recompile": recompile,
    "packs": packs,
    "compile": compile_game,
    "stage": stage,
}


def _mk(folder):
    Path(folder).mkdir(parents=True, exist_ok=True)


def _write_chunks(dest, chunks, durable=False):
    """Writes the chunks to dest through a ".tmp" sibling and a rename, never all in memory."""
    tmp = dest.with_name(dest.name + ".tmp")
    with open(tmp, "wb") as f:
        for block in chunks:
            f.write(block)
        if durable:
            f.flush()
            os.fsync(f.fileno())
    os.replace(tmp, dest)


def _copy(ctx, src, dest, executable=False):
    dest.parent.mkdir(parents=True, exist_ok=True)
    tmp = dest.with_name(dest.name + ".tmp")
    try:
        shutil.copyfile(src, tmp)
    except OSError as error:
        raise StageError(f"a file could not be copied: {describe(error, ctx.places)}") from None
    if executable:
        mode = os.stat(tmp).st_mode
        os.chmod(tmp, mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    os.replace(tmp, dest)
