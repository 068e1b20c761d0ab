"""The pack in USER_DIR/texture_pack and the work that leads to it.

The pack's textures are the "<FOLDER>_<NAME>.png" files right in the folder; the game reads
them when video.ini does not say "texture_pack = off". While a run goes on, its work lies in
the subfolder ".work": "source/" holds the disc's textures as PNG, "upscaled/" what Real-ESRGAN
made of them. A picture lands there only whole (a ".tmp" name first), so a stopped run finds
every finished picture and does only the rest. The last step copies the pack into place and
drops ".work".
"""

import os
import time
from pathlib import Path

from scf_kit import png

from . import lines, upscaler
from .files import read_or_none, remove_file, remove_tree, write_atomic
from .lines import EnhanceError

PACK = "texture_pack"
WORK = ".work"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
DEFAULT_SECONDS = 20.0


class Pack:
    def __init__(self, user_dir):
        self.folder = Path(user_dir) / PACK
        self.work = self.folder / WORK
        self.sources = self.work / "source"
        self.upscaled = self.work / "upscaled"

    def source(self, name):
        return self.sources / f"{name}.png"

    def result(self, name):
        return self.upscaled / f"{name}.png"


def demo_seconds():
    """How long the demo's upscaling takes at least, in all (ZA2D_DEMO_ENHANCE_SECONDS)."""
    try:
        seconds = float(os.environ.get("ZA2D_DEMO_ENHANCE_SECONDS", DEFAULT_SECONDS))
    except ValueError:
        return DEFAULT_SECONDS
    return min(max(seconds, 0.0), 3600.0) if seconds == seconds else DEFAULT_SECONDS


def dump(pack, textures):
    """Writes each texture as a PNG source. A source that changed (another disc, another game
    build) loses its upscaled picture; pictures of textures no longer there are dropped."""
    lines.step("dump")
    for folder in (pack.sources, pack.upscaled):
        folder.mkdir(parents=True, exist_ok=True)
    names = {t.name for t in textures}
    for folder in (pack.sources, pack.upscaled):
        for old in folder.iterdir():
            # Pictures of textures no longer on the disc, and what a stopped run half-wrote.
            if old.suffix == ".tmp" or (old.suffix == ".png" and old.stem not in names):
                remove_file(old)
    lines.progress(0, len(textures))
    # Reading the disc's textures takes a while with the real kit: a fifth of the demo's time.
    pause = demo_seconds() / 5 / max(1, len(textures))
    for count, texture in enumerate(textures, 1):
        data = png.encode_rgba(texture.width, texture.height, texture.pixels)
        if read_or_none(pack.source(texture.name)) != data:
            remove_file(pack.result(texture.name))
            write_atomic(pack.source(texture.name), data)
        time.sleep(pause)
        lines.progress(count, len(textures))


def _finished(path):
    head = read_or_none(path)
    return head is not None and head[:8] == PNG_SIGNATURE


def upscale(pack, textures, tool):
    lines.step("upscale")
    total = len(textures)
    todo = [t for t in textures if not _finished(pack.result(t.name))]
    done = total - len(todo)
    lines.progress(done, total)
    pause = demo_seconds() / total
    for texture in todo:
        # The tool's own output name ends in ".tmp.png" so that a half-written picture is never
        # taken for a finished one.
        partial = pack.upscaled / f"{texture.name}.tmp.png"
        remove_file(partial)
        upscaler.upscale(tool, pack.source(texture.name), partial)
        if not _finished(partial):
            raise EnhanceError(f"Real-ESRGAN wrote no PNG picture for {texture.name}")
        # The stand-in is instant; the pause shows the progress as the real tool would.
        time.sleep(pause)
        os.replace(partial, pack.result(texture.name))
        done += 1
        lines.progress(done, total)


def finish(pack, textures):
    lines.step("finish")
    total = len(textures)
    lines.progress(0, total)
    names = {f"{t.name}.png" for t in textures}
    for count, texture in enumerate(textures, 1):
        data = read_or_none(pack.result(texture.name))
        if data is None:
            raise EnhanceError(f"the upscaled picture of {texture.name} is gone; make the "
                               "textures again")
        write_atomic(pack.folder / f"{texture.name}.png", data)
        lines.progress(count, total)
    # Textures of an older pack that this disc no longer has.
    for old in pack.folder.glob("*.png"):
        if old.name not in names and not old.is_dir():
            remove_file(old)
    remove_tree(pack.work)


def remove(user_dir):
    remove_tree(Pack(user_dir).folder)
