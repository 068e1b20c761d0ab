"""Scrapfury build kit (demo edition).

    scf_build.py --check --disc IMAGE
        Checks that IMAGE (.iso, .bin or .cue) is the USA disc SXUS-90210: INFO lines, then
        "OK ..." with exit code 0, or "ERROR verify <reason>" with exit code 1.
    scf_build.py --disc IMAGE --out BUILD_DIR --game GAME_DIR
        Builds the game in eight stages, resuming an earlier run in BUILD_DIR.

This demo checks and reads the disc for real but does not recompile Scrapfury: it installs a
small stand-in game. ZA2D_DEMO_BUILD_SECONDS sets how long a demo build takes (60 s by default);
ZA2D_DEMO_FAIL_STAGE=<stage> makes that stage fail, for tests.
"""

import argparse
import sys
from pathlib import Path

# The release folder stays as it was shipped: no __pycache__ beside the kit's modules.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))

from scf_kit import KIT_VERSION  # noqa: E402
from scf_kit.build_run import Runner  # noqa: E402
from scf_kit.disc_check import check_disc  # noqa: E402
from scf_kit.disc_image import DiscError  # noqa: E402
from scf_kit.failures import describe, summary  # noqa: E402
from scf_kit.kit_files import ini_value, load_manifest, release_dir  # noqa: E402


def emit(line):
    print(line, flush=True)


def run_check(disc, kit_dir):
    emit(f"INFO Scrapfury build kit {KIT_VERSION} (demo): checking that the image is the "
         "USA disc of Scrapfury")
    try:
        manifest = load_manifest(kit_dir)
        info = check_disc(disc, manifest, lambda text: emit("INFO " + text))
    except DiscError as error:
        emit(f"ERROR verify {describe(error)}")
        return 1
    except OSError as error:
        emit(f"ERROR verify the image cannot be read: {describe(error)}")
        return 1
    want = manifest["disc"]
    emit(f"OK {want['title']}, {want['region']} disc ({want['product']}), {info.sectors} sectors, "
         f"{info.form}")
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(description="Scrapfury build kit (demo edition)")
    parser.add_argument("--check", action="store_true", help="only check the disc image")
    parser.add_argument("--disc", required=True, help="the disc image: .iso, .bin or .cue")
    parser.add_argument("--out", help="the build folder (kept between runs)")
    parser.add_argument("--game", help="the game folder to fill")
    args = parser.parse_args(argv)
    # The launcher reads UTF-8 lines: a path that is not UTF-8 (kept by Python as escaped
    # bytes) is printed with its odd bytes as \xNN rather than as bytes that break a line.
    sys.stdout.reconfigure(line_buffering=True, errors="backslashreplace")
    if args.check or (args.out and args.game):
        # An unexpected failure still ends in the one ERROR line the launcher reads.
        try:
            return run(args, parser)
        except Exception as error:  # noqa: BLE001
            try:
                emit(f"INFO internal error: {summary(error)}")
                emit(f"ERROR verify {describe(error)}")
            except OSError:  # the reader is gone: nobody is left to tell
                pass
            return 1
    return run(args, parser)


def run(args, parser):
    release = release_dir(__file__)
    kit_dir = release / "kit"
    if args.check:
        return run_check(args.disc, kit_dir)
    if not args.out or not args.game:
        parser.error("a build needs --out and --game")
    commit = ini_value(release / "source" / "release.ini", "commit")
    return Runner(args.disc, args.out, args.game, kit_dir, commit).run()


if __name__ == "__main__":
    sys.exit(main())
