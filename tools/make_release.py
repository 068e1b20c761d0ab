"""Assembles a release folder of the SCF Launcher with the demo build kit and demo game.

    make_release.py --launcher BUILD/scf-launcher --game BUILD/kit/scf --out OUT [--commit HEX]
                    [--version X] [--archive DIR [--key MINISIGN_KEY]]
    make_release.py --out OUT --archive DIR [--key MINISIGN_KEY]

The folder gets the launcher, source/tools/scf_build.py with its modules, the update installer
source/tools/apply_update.py with its modules, the texture script
source/tools/scf_texture_enhance.py with its modules, source/release.ini, CHANGELOG.md,
kit/kit_manifest.json, the demo upscaler as kit/realesrgan/realesrgan-ncnn-vulkan and the demo
game as kit/game/scf. What a user made in it (build/, game/, user/, update/) is left alone, so a
new release over an old one asks for a rebuild.
No Python interpreter is shipped: the launcher then uses python3 from PATH.

With --archive, the release folder (assembled first, or as it stands when --launcher and --game
are not given) is also packed as DIR/ZER_Avudud-<version>-ravelin.zip, which holds the folder
ZER_Avudud-<version>/ with the release's files, beside its checksum file
DIR/ZER_Avudud-<version>-ravelin.zip.sha256 ("<sha256>  <archive name>", as sha256sum writes).

With --key (a minisign secret key without a password, made with `minisign -G -W`), the archive
is also signed with `minisign -S` (its prehashed form), the signature written beside it as
DIR/ZER_Avudud-<version>-ravelin.zip.minisig. The signature's trusted comment, which the
signature covers and the launcher checks, is exactly

    file:<archive name><TAB>version:<version>

for example "file:ZER_Avudud-0.9.0-ravelin.zip\tversion:0.9.0": the launcher refuses a signature
whose comment names another archive or version. Without --key no signature is written, and one
left beside an earlier archive of that name is deleted (it would not match the new archive).
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import stat
import subprocess
import sys
import zipfile
from pathlib import Path

TOOLS = Path(__file__).resolve().parent
ROOT = TOOLS.parent
sys.path.insert(0, str(TOOLS))

import make_disc  # noqa: E402

VERSION = "0.8.0"
KIT_SOURCES = ROOT / "kit" / "tools"
MANIFEST_TEMPLATE = ROOT / "kit" / "kit_manifest.template.json"
CHANGELOG = TOOLS / "release_notes" / "CHANGELOG.md"
PACKAGES = ("scf_kit", "scf_update", "scf_enhance")
UPSCALER = ROOT / "kit" / "realesrgan" / "realesrgan-ncnn-vulkan"
# What the user and the launcher make in a release folder: never part of a release archive.
USER_FOLDERS = ("build", "game", "user", "update")
# A fixed time stamp for every archive entry, so the same release packs to the same bytes.
ENTRY_TIME = (1980, 1, 1, 0, 0, 0)


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
    for package in PACKAGES:
        if (tools / package).exists():
            shutil.rmtree(tools / package)
    for script in ("scf_build.py", "apply_update.py", "scf_texture_enhance.py"):
        copy_file(KIT_SOURCES / script, tools / script)
    for package in PACKAGES:
        for module in sorted((KIT_SOURCES / package).glob("*.py")):
            copy_file(module, tools / package / module.name)
    write_text(out / "source" / "release.ini", "# The source this release was made from.\n"
               f"version = {version}\ncommit = {commit}\n")
    copy_file(CHANGELOG, out / "CHANGELOG.md")
    write_text(out / "kit" / "kit_manifest.json", json.dumps(kit_manifest(), indent=2) + "\n")
    copy_file(UPSCALER, out / "kit" / "realesrgan" / UPSCALER.name, executable=True)
    if game is not None:
        copy_file(game, out / "kit" / "game" / "scf", executable=True)
    return out


def release_version(folder):
    """The version named by the release folder's source/release.ini ("" when none)."""
    try:
        lines = (Path(folder) / "source" / "release.ini").read_text(encoding="utf-8").splitlines()
    except (OSError, UnicodeError):
        return ""
    for line in lines:
        if "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            if key.rstrip(" \t") == "version":
                return value.strip()
    return ""


def release_files(folder):
    """The release's own files below folder, as sorted relative paths: not the user's folders,
    not files an update left behind, not bytecode caches."""
    found = []
    for current, dirs, files in os.walk(folder):
        rel = Path(current).relative_to(folder)
        dirs[:] = sorted(d for d in dirs if d != "__pycache__" and not (
            rel == Path(".") and d in USER_FOLDERS))
        for name in dirs + files:
            path = Path(current) / name
            if path.is_symlink() or not (path.is_dir() or path.is_file()):
                raise ValueError(f"{path} is a link or a special file; a release holds none")
        found.extend(rel / name for name in files
                     if ".scf-old" not in name and not name.endswith(".tmp"))
    return sorted(found)


def archive_name(version):
    return f"ZER_Avudud-{version}-ravelin.zip"


def pack(folder, dest):
    """Packs the release folder as dest/ZER_Avudud-<version>-ravelin.zip with its .sha256 file;
    returns the archive's path."""
    folder, dest = Path(folder), Path(dest)
    version = release_version(folder)
    if not re.fullmatch(r"[0-9A-Za-z][0-9A-Za-z.+_-]{0,63}", version):
        raise ValueError(f"{folder} holds no source/release.ini naming a version")
    if dest.resolve().is_relative_to(folder.resolve()):
        raise ValueError("the archive cannot be written inside the release it packs")
    dest.mkdir(parents=True, exist_ok=True)
    archive = dest / archive_name(version)
    tmp = archive.with_name(archive.name + ".tmp")
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as zipped:
        for rel in release_files(folder):
            source = folder / rel
            info = zipfile.ZipInfo(f"ZER_Avudud-{version}/{rel.as_posix()}", ENTRY_TIME)
            info.create_system = 3  # Unix: the mode below is read by unzip and the installer
            mode = 0o755 if os.access(source, os.X_OK) else 0o644
            info.external_attr = (stat.S_IFREG | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(source, "rb") as data, zipped.open(info, "w") as entry:
                shutil.copyfileobj(data, entry, 1 << 20)
    digest = hashlib.sha256()
    with open(tmp, "rb") as data:
        for chunk in iter(lambda: data.read(1 << 20), b""):
            digest.update(chunk)
    os.replace(tmp, archive)
    checksum = f"{digest.hexdigest()}  {archive.name}\n"
    write_text(archive.with_name(archive.name + ".sha256"), checksum)
    return archive


def trusted_comment(archive, version):
    """The signature's trusted comment: the archive's name and the version, tab-separated."""
    return f"file:{Path(archive).name}\tversion:{version}"


def sign(archive, key, version):
    """Signs the archive with minisign and the secret key; returns the signature's path."""
    archive = Path(archive)
    signature = archive.with_name(archive.name + ".minisig")
    minisign = shutil.which("minisign")
    if minisign is None:
        raise ValueError("minisign is not installed (Debian: apt-get install minisign)")
    if not Path(key).is_file():
        raise ValueError(f"the signing key {key} does not exist")
    tmp = signature.with_name(signature.name + ".tmp")
    try:
        # No terminal to ask on: a key with a password fails instead of waiting for one.
        result = subprocess.run(
            [minisign, "-S", "-s", str(key), "-m", str(archive), "-x", str(tmp),
             "-c", f"signature of {archive.name}", "-t", trusted_comment(archive, version)],
            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    except (OSError, subprocess.SubprocessError) as error:
        raise ValueError(f"minisign could not sign the archive: {error}") from None
    if result.returncode != 0 or not tmp.is_file():
        for left in (tmp, signature):  # an earlier signature would not match this archive
            if left.exists():
                left.unlink()
        said = (result.stderr or result.stdout).strip().splitlines()
        raise ValueError("minisign could not sign the archive (a key made with `minisign -G -W` "
                         "has no password)" + (f": {said[-1]}" if said else ""))
    os.replace(tmp, signature)
    return signature


def pack_and_sign(folder, dest, key):
    """pack(), then the signature with key, or no signature at all without one."""
    if key and shutil.which("minisign") is None:
        raise ValueError("minisign is not installed (Debian: apt-get install minisign)")
    if key and not Path(key).is_file():
        raise ValueError(f"the signing key {key} does not exist")
    archive = pack(folder, dest)
    if key:
        sign(archive, key, release_version(folder))
    else:
        stale = archive.with_name(archive.name + ".minisig")
        if stale.exists():
            stale.unlink()
    return archive


def main(argv=None):
    parser = argparse.ArgumentParser(description="Assembles a release folder with the demo kit.")
    parser.add_argument("--launcher", help="the built scf-launcher")
    parser.add_argument("--game", help="the built demo game (scf)")
    parser.add_argument("--out", required=True, help="the release folder to fill")
    parser.add_argument("--commit", help="the source commit (default: git's HEAD)")
    parser.add_argument("--version", default=VERSION)
    parser.add_argument("--archive", help="also pack the release folder into this folder")
    parser.add_argument("--key", "--sign-key", dest="key",
                        help="sign the archive with this minisign secret key (no password)")
    args = parser.parse_args(argv)
    if args.key and not args.archive:
        parser.error("--key signs the archive: give --archive too")
    if args.archive and args.launcher is None and args.game is None:
        try:
            print(pack_and_sign(args.out, args.archive, args.key).resolve())
        except (OSError, ValueError) as error:
            parser.error(f"the release cannot be packed: {error}")
        return 0
    for option in ("launcher", "game"):
        if getattr(args, option) is None:
            parser.error(f"--{option} is required to assemble a release")
    for label, path in (("launcher", args.launcher), ("game", args.game)):
        if not Path(path).is_file():
            parser.error(f"the {label} {path} does not exist; build it first")
    commit = args.commit or source_commit()
    if len(commit) != 40 or any(c not in "0123456789abcdef" for c in commit):
        parser.error("--commit takes 40 lower-case hexadecimal digits")
    out = assemble(args.out, args.launcher, args.game, commit, args.version)
    print(out.resolve())
    if args.archive:
        try:
            print(pack_and_sign(out, args.archive, args.key).resolve())
        except (OSError, ValueError) as error:
            parser.error(f"the release cannot be packed: {error}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
