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
        manifest = json.loads(path.read_text(encoding="utf-8"))
    except FileNotFoundError:
        raise DiscError(
            "the kit's manifest kit/kit_manifest.json is missing; unpack the whole release again"
        ) from None
    except OSError as error:
        raise DiscError("the kit's manifest kit/kit_manifest.json cannot be read: "
                        f"{error.strerror or 'unknown error'}") from None
    except ValueError as error:
        raise DiscError(f"the kit's manifest kit/kit_manifest.json is damaged: {error}") from None
    if not _manifest_sound(manifest):
        raise DiscError("the kit's manifest kit/kit_manifest.json lacks the disc's description; "
                        "unpack the whole release again")
    return manifest


def _manifest_sound(manifest):
    """Whether the manifest holds every value the kit reads, of the right type."""
    if not isinstance(manifest, dict) or not isinstance(manifest.get("disc"), dict):
        return False
    disc = manifest["disc"]
    sectors = disc.get("sectors")
    if type(sectors) is not int or sectors <= 16:
        return False
    texts = ("title", "region", "product", "boot_file", "user_data_sha1")
    if not all(isinstance(disc.get(key), str) for key in texts):
        return False
    others = manifest.get("other_releases", {})
    if not isinstance(others, dict) or not all(isinstance(v, str) for v in others.values()):
        return False
    return all(isinstance(manifest.get(key, ""), str) for key in ("game", "version"))


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
