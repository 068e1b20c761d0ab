"""Makes a runnable demo: the demo disc images and a release folder with the demo kit and game.

    make_demo.py --launcher BUILD/scf-launcher --game BUILD/kit/scf [--out out] [--commit HEX]

Writes OUT/discs/ (every demo disc) and OUT/release/ (see make_release.py), then prints where
they are.
"""

import argparse
import contextlib
import io
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import make_disc  # noqa: E402
import make_release  # noqa: E402

# What the launcher makes of each demo disc.
NOTES = {
    "scrapfury-usa.iso": "the supported disc: accepted",
    "scrapfury-usa.cue": "the same disc as raw sectors: accepted",
    "scrapfury-usa.bin": "the sectors the .cue names",
    "scrapfury-europe.iso": "refused: the European disc",
    "other-game.iso": "refused: another game",
    "scrapfury-usa-damaged.iso": "refused: one byte changed",
}


def main(argv=None):
    parser = argparse.ArgumentParser(description="Makes the demo discs and a demo release.")
    parser.add_argument("--launcher", required=True, help="the built scf-launcher")
    parser.add_argument("--game", required=True, help="the built demo game (scf)")
    parser.add_argument("--out", default="out", help="where to put discs/ and release/")
    parser.add_argument("--commit", help="the source commit (default: git's HEAD)")
    args = parser.parse_args(argv)
    out = Path(args.out)
    release_args = ["--launcher", args.launcher, "--game", args.game,
                    "--out", str(out / "release")]
    if args.commit:
        release_args += ["--commit", args.commit]
    # The release first: it refuses a missing launcher or game before any disc is written.
    with contextlib.redirect_stdout(io.StringIO()):
        code = make_release.main(release_args)
    if code:
        return code
    discs = out / "discs"
    written = make_disc.write_all(discs)
    release = (out / "release").resolve()
    print(f"release: {release}")
    print(f"launcher: {release / Path(args.launcher).name}")
    print(f"demo disc images: {discs.resolve()}")
    for path in written:
        print(f"  {path.name}  ({NOTES.get(path.name, '')})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
