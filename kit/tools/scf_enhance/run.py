"""The texture script's command line and its two runs: make the pack, or remove it."""

import argparse
from pathlib import Path

from . import lines, pack, upscaler
from .disc_textures import read_textures
from .lines import EnhanceError


class Parser(argparse.ArgumentParser):
    """Reports a bad command line as an error line, like every other failure."""

    def error(self, message):
        raise EnhanceError(f"bad command line: {message}")


def parse(argv):
    parser = Parser(description="Makes or removes the enhanced texture pack.", add_help=False)
    parser.add_argument("--user", required=True)
    parser.add_argument("--game")
    parser.add_argument("--kit")
    parser.add_argument("--remove", action="store_true")
    args = parser.parse_args(argv)
    if not args.remove and (not args.game or not args.kit):
        raise EnhanceError("bad command line: --game and --kit are needed to make the pack")
    return args


def disc_data(game_dir):
    game = Path(game_dir)
    if not game.is_dir():
        raise EnhanceError("the game folder does not exist; prepare the game first")
    disc = game / "disc.iso"
    if not disc.exists():
        raise EnhanceError("the game folder has no disc data (disc.iso); prepare the game again")
    return disc


def make(args):
    tool = upscaler.find(args.kit)
    textures = read_textures(disc_data(args.game))
    where = pack.Pack(args.user)
    pack.dump(where, textures)
    pack.upscale(where, textures, tool)
    pack.finish(where, textures)
    lines.done(f"{len(textures)} textures")


def main(argv):
    try:
        args = parse(argv)
        if args.remove:
            pack.remove(args.user)
            lines.done("removed")
        else:
            make(args)
    except EnhanceError as error:
        lines.error(error)
        return 1
    except OSError as error:
        name = f": {error.filename}" if error.filename else ""
        lines.error(f"a file could not be written or read ({error.strerror or error}{name})")
        return 1
    except MemoryError:
        lines.error("the texture script ran out of memory")
        return 1
    except Exception as error:  # noqa: BLE001 - one error line, never a traceback
        lines.error(f"internal error of the texture script ({type(error).__name__})")
        return 1
    return 0
