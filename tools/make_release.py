"""Assembles a release folder of the SCF Launcher with the demo build kit and demo game.

    make_release.py --launcher BUILD/scf-launcher --game BUILD/kit/scf --out OUT [--commit HEX]

The folder gets the launcher, source/tools/scf_build.py with its modules, source/release.ini,
CHANGELOG.md, kit/kit_manifest.json and the demo game as kit/game/scf. What a user made in it
(build/, game/, user/) is left alone, so a new release over an old one asks for a rebuild.
No Python interpreter is shipped: the launcher then uses python3 from PATH.
"""

import argparse
import hashlib
import json
import os
import shutil
import stat
import subprocess
import sys
from pathlib import Path

TOOLS = Path(__file__).resolve().parent
ROOT = TOOLS.parent
sys.path.insert(0, str(TOOLS))

import make_disc  # noqa: E402

VERSION = "0.8.0"
KIT_SOURCES = ROOT / "kit" / "tools"
MANIFEST_TEMPLATE = ROOT / "kit" / "kit_manifest.template.json"
CHANGELOG = TOOLS / "release_notes" / "CHANGELOG.md"


def source_commit():
    """The commit of this source tree, or 40 zeros when git cannot tell."""
    try:
        result = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "HEAD"], capture_output=True,
                                text=True, check=True, timeout=30)
        commit = result.stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return "0" * 40
    return commit if len(commit) == 40 else "0" * 40


def kit_manifest():
    """The manifest with the SHA-1 of the USA demo disc's 2048-byte user data."""
    manifest = json.loads(MANIFEST_TEMPLATE.read_text(encoding="utf-8"))
    image = make_disc.iso_image("usa")
    manifest["disc"]["sectors"] = len(image) // 2048
    manifest["disc"]["user_data_sha1"] = hashlib.sha1(image).hexdigest()
    manifest["version"] = VERSION
    return manifest


def write_text(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    tmp = path.with_name(path.name + ".tmp")
    tmp.write_text(text, encoding="utf-8", newline="\n")
    os.replace(tmp, path)


def copy_file(src, dest, executable=False):
    dest.parent.mkdir(parents=True, exist_ok=True)
    tmp = dest.with_name(dest.name + ".tmp")
    shutil.copyfile(src, tmp)
    if executable:
        os.chmod(tmp, os.stat(tmp).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    os.replace(tmp, dest)


def assemble(out, launcher, game, commit, version=VERSION):
    """Writes the release into out; launcher or game None leaves that file out (kit tests)."""
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    if launcher is not None:
        copy_file(launcher, out / Path(launcher).name, executable=True)
    tools = out / "source" / "tools"
    if (tools / "scf_kit").exists():
        shutil.rmtree(tools / "scf_kit")
    copy_file(KIT_SOURCES / "scf_build.py", tools / "scf_build.py")
    for module in sorted((KIT_SOURCES / "scf_kit").glob("*.py")):
        copy_file(module, tools / "scf_kit" / module.name)
    write_text(out / "source" / "release.ini", "# The source this release was made from.\n"
               f"version = {version}\ncommit = {commit}\n")
    copy_file(CHANGELOG, out / "CHANGELOG.md")
    write_text(out / "kit" / "kit_manifest.json", json.dumps(kit_manifest(), indent=2) + "\n")
    if game is not None:
        copy_file(game, out / "kit" / "game" / "scf", executable=True)
    return out


def main(argv=None):
    parser = argparse.ArgumentParser(description="Assembles a release folder with the demo kit.")
    parser.add_argument("--launcher", required=True, help="the built scf-launcher")
    parser.add_argument("--game", required=True, help="the built demo game (scf)")
    parser.add_argument("--out", required=True, help="the release folder to fill")
    parser.add_argument("--commit", help="the source commit (default: git's HEAD)")
    parser.add_argument("--version", default=VERSION)
    args = parser.parse_args(argv)
    for label, path in (("launcher", args.launcher), ("game", args.game)):
        if not Path(path).is_file():
            parser.error(f"the {label} {path} does not exist; build it first")
    commit = args.commit or source_commit()
    if len(commit) != 40 or any(c not in "0123456789abcdef" for c in commit):
        parser.error("--commit takes 40 lower-case hexadecimal digits")
    out = assemble(args.out, args.launcher, args.game, commit, args.version)
    print(out.resolve())
    return 0


if __name__ == "__main__":
    sys.exit(main())
