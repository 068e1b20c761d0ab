"""Makes the demo disc images that stand in for a user's copy of Scrapfury.

    make_disc.py --variant usa --out scrapfury-usa.iso
    make_disc.py --all DIR        every variant into DIR, one path per line on standard output

Variants: usa (the supported disc), europe, other (another game), damaged (the USA disc with one
byte changed), usa-bin (the USA disc as raw 2352-byte sectors, written with its .cue).
"""

import argparse
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import demo_disc_content  # noqa: E402
import iso_writer  # noqa: E402
import raw_sectors  # noqa: E402

# Variant -> file name written by --all.
FILE_NAMES = {
    "usa": "scrapfury-usa.iso",
    "europe": "scrapfury-europe.iso",
    "other": "other-game.iso",
    "damaged": "scrapfury-usa-damaged.iso",
    "usa-bin": "scrapfury-usa.bin",
}


def iso_image(variant):
    """The 2048-byte-sector image of a variant (for usa-bin, the data its sectors carry)."""
    base = {"damaged": "usa", "usa-bin": "usa"}.get(variant, variant)
    _, _, volume_id = demo_disc_content.VARIANTS[base]
    image = iso_writer.build_iso(
        demo_disc_content.disc_files(base), volume_id, application_id="SCF LAUNCHER DEMO DISC"
    )
    if variant == "damaged":
        # One byte inside the last car texture, as a scratch or a bad copy would leave it.
        damaged = bytearray(image)
        damaged[len(image) - 3 * iso_writer.SECTOR + 500] ^= 0x5A
        image = bytes(damaged)
    return image


def write_atomic(path, data):
    tmp = path.with_name(path.name + ".tmp")
    tmp.write_bytes(data)
    os.replace(tmp, path)


def write_variant(variant, out):
    """Writes the variant to out; returns the paths written (the .cue first for usa-bin)."""
    out = Path(out)
    out.parent.mkdir(parents=True, exist_ok=True)
    image = iso_image(variant)
    if variant != "usa-bin":
        write_atomic(out, image)
        return [out]
    bin_path = out.with_suffix(".bin")
    cue_path = out.with_suffix(".cue")
    write_atomic(bin_path, raw_sectors.to_raw(image))
    write_atomic(cue_path, raw_sectors.cue_sheet(bin_path.name).encode("ascii"))
    return [cue_path, bin_path]


def write_all(folder):
    written = []
    for variant, name in FILE_NAMES.items():
        written += write_variant(variant, Path(folder) / name)
    return written


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--variant", choices=sorted(FILE_NAMES))
    group.add_argument("--all", metavar="DIR", help="write every variant into DIR")
    parser.add_argument("--out", help="the image to write (with --variant)")
    args = parser.parse_args(argv)
    if args.variant and not args.out:
        parser.error("--variant needs --out")
    paths = write_all(args.all) if args.all else write_variant(args.variant, args.out)
    for path in paths:
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
