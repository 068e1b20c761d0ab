"""Scrapfury enhanced textures (demo edition).

    scf_texture_enhance.py --user USER_DIR --game GAME_DIR --kit KIT_DIR
        Reads every arena and car texture from the built game's disc data (GAME_DIR/disc.iso),
        upscales each four times with the kit's Real-ESRGAN (KIT_DIR/realesrgan/), and writes
        the pack as PNG files into USER_DIR/texture_pack. A stopped run goes on where it stopped.
    scf_texture_enhance.py --user USER_DIR --remove
        Deletes USER_DIR/texture_pack.

Output lines: "step <dump|upscale|finish>", "progress <done> <total>", "error <one sentence>"
(then exit code 1) and, last, "done <what was done>" with exit code 0.
ZA2D_DEMO_ENHANCE_SECONDS sets how long the demo's upscaling takes at least (20 s by default).
"""

import sys
from pathlib import Path

# The release folder stays as it was shipped: no __pycache__ beside the kit's modules.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))

from scf_enhance.run import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
