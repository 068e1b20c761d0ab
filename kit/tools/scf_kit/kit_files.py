"""Where the kit's own files are, and what the release says about itself."""

import json
from pathlib import Path

from .disc_image import DiscError


def release_dir(script_path):
    """The release folder: the script lives at <release>/source/tools/scf_build.py."""
    return Path(script_path).resolve().parent.parent.parent


def load_manifest(kit_dir):
    path = Path(kit_dir) / "kit_manifest.json"
    try:
        return json.loads(path.read_text(encoding="utf-8"))
    except FileNotFoundError:
        raise DiscError(
            "the kit's manifest kit/kit_manifest.json is missing; unpack the whole release again"
        ) from None
    except (OSError, ValueError) as error:
        raise DiscError(f"the kit's manifest kit/kit_manifest.json cannot be read: {error}") from None


def ini_value(path, key):
    """The first value of key in a "key = value" file, empty when the file or key is missing."""
    try:
        lines = Path(path).read_text(encoding="utf-8", errors="replace").split("\n")
    except OSError:
        return ""
    for line in lines:
        line = line.removesuffix("\r")
        if "=" not in line or line.startswith("#"):
            continue
        name, value = line.split("=", 1)
        if name.rstrip(" \t") == key:
            return value.lstrip(" \t")
    return ""
