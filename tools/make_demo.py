"""Makes a runnable demo: the demo disc images and a release folder with the demo kit and game.

    make_demo.py --launcher BUILD/scf-launcher --game BUILD/kit/scf [--out out] [--commit HEX]
    make_demo.py --windows --launcher BUILD/scf-launcher.exe --game BUILD/kit/scf.exe
                 --python BUILD/standin_python/python.exe [--out out] [--commit HEX]

Writes OUT/discs/ (every demo disc) and OUT/release/ (see make_release.py), then prints where
they are.

With --windows the release is a Windows test release: the demo game is kit/game/scf.exe, the
demo upscaler kit/realesrgan/realesrgan-ncnn-vulkan.exe, and kit/python/python.exe is the given
program with the recording/ folder beside it. That is the
test stand-in which replays the demo kit's recorded answers under wine; a release for Windows
users ships a real Python interpreter there instead.
"""

import argparse
import contextlib
import io
import json
import os
import shutil
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
    parser.add_argument("--windows", action="store_true",
                        help="a Windows test release: the .exe programs and --python")
    parser.add_argument("--python", help="with --windows: the stand-in python.exe, with its "
                        "recording/ folder beside it")
    args = parser.parse_args(argv)
    if args.windows and not (args.python and Path(args.python).is_file()):
        parser.error("--windows needs --python naming the built stand-in python.exe")
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
    if args.windows:
        windows_release(out / "release", Path(args.python))
    discs = out / "discs"
    written = make_disc.write_all(discs)
    release = (out / "release").resolve()
    print(f"release: {release}")
    print(f"launcher: {release / Path(args.launcher).name}")
    print(f"demo disc images: {discs.resolve()}")
    for path in written:
        print(f"  {path.name}  ({NOTES.get(path.name, '')})")
    if args.windows:
        print("kit/python/python.exe is the test stand-in that replays the demo kit's recorded "
              "answers; a release for Windows users ships a real Python there")
    return 0


WINDOWS_PYTHON_NOTE = """\
This python.exe is a test stand-in, not Python: under wine it answers the build kit's
command lines with the demo kit's answers recorded on Linux (recording/), so the Windows
launcher can be tested there. A release for Windows users ships a real Python interpreter
(the embeddable distribution) in this folder instead.
"""


def windows_release(release, python):
    """Turns the assembled release into the Windows test release."""
    game = release / "kit" / "game"
    os.replace(game / "scf", game / "scf.exe")
    # Windows programs carry their extension, and so does the upscaler a Windows release ships.
    # The demo's stand-in is a Python script: the texture script runs it with the kit's Python
    # whatever its name says.
    upscaler = release / "kit" / "realesrgan" / make_release.UPSCALER.name
    os.replace(upscaler, upscaler.with_name(upscaler.name + ".exe"))
    manifest_path = release / "kit" / "kit_manifest.json"
    manifest = json.loads(manifest_path.read_text(encoding="utf-8"))
    manifest["game"] = "game/scf.exe"
    make_release.write_text(manifest_path, json.dumps(manifest, indent=2) + "\n")
    target = release / "kit" / "python"
    if target.exists():
        shutil.rmtree(target)
    make_release.copy_file(python, target / "python.exe", executable=True)
    shutil.copytree(python.parent / "recording", target / "recording")
    make_release.write_text(target / "README.txt", WINDOWS_PYTHON_NOTE)


if __name__ == "__main__":
    sys.exit(main())
