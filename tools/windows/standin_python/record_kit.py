"""Records what the demo build kit answers, for the stand-in python.exe of the Windows tests.

    record_kit.py --out FOLDER

Under wine a Windows launcher cannot run Linux Python with its output, so the Windows test
release carries a stand-in kit/python/python.exe that replays these recordings. They are made
here from real runs of the demo kit (kit/tools) on the demo disc images, at every build, so the
replay stays what the kit says.

FOLDER/recording.txt, in lines:
    weights <stage> <share> ...    the kit's share of the build time per stage
    seconds <n>                    the kit's demo build length without ZA2D_DEMO_BUILD_SECONDS
    enhance_seconds <n>            the texture script's demo length without
                                   ZA2D_DEMO_ENHANCE_SECONDS
    run <check|build|enhance> <key> <exit code> <name>
    > <output line>                ... the run's lines, in order
    end
FOLDER/<name>/ holds the files a run left: for a build logs/<stage>.log and game/<file>, for a
texture run texture_pack/<file>.png.
For checks and builds <key> is the FNV-1a 64 hash of the disc image's bytes (16 hex digits),
"missing" for an image that does not exist, or "other" for the kit's answer to a file that is no
disc image; a build asked to fail by ZA2D_DEMO_FAIL_STAGE has "<hash>:fail:<stage>". Its lines
are those of the whole build up to its ERROR line, so a build run again without the variable
goes on from there. For texture runs <key> is "make" or "remove".
Paths and the commit in lines and text files are written as {DISC}, {OUT}, {GAME}, {RELEASE},
{USER} and {COMMIT}, the build length as {SECONDS}; the stand-in puts its own in their place.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(ROOT / "tools"))
sys.path.insert(0, str(ROOT / "kit" / "tools"))
sys.dont_write_bytecode = True

import make_disc  # noqa: E402
import make_release  # noqa: E402
from scf_enhance import pack as enhance_pack  # noqa: E402
from scf_kit import STAGES  # noqa: E402
from scf_kit import build_run  # noqa: E402

# Stands for the release's commit in what is recorded.
COMMIT = "c0ffee" * 6 + "c0ff"
TEXT_FILES = ("built_from.ini",)
# The build length the builds are recorded with: next to nothing, and a value no other text
# holds, so the line that names it can name the stand-in's own.
RECORD_SECONDS = "0.000123"
# The kit's own variables: an outer run's values must not change what is recorded.
CLEARED = ("ZA2D_DEMO_BUILD_SECONDS", "ZA2D_DEMO_FAIL_STAGE", "ZA2D_DEMO_FREE_SPACE_RESERVE",
           "ZA2D_DEMO_ENHANCE_SECONDS")


def fnv1a64(data):
    value = 0xCBF29CE484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return f"{value:016x}"


def disc_key(path):
    try:
        return fnv1a64(Path(path).read_bytes())
    except FileNotFoundError:
        return "missing"


class Tokens:
    def __init__(self, **places):
        # Longest first: the build and game folders lie inside the release.
        self.pairs = sorted(((str(v), "{" + k + "}") for k, v in places.items()),
                            key=lambda pair: -len(pair[0]))
        self.pairs.append((COMMIT, "{COMMIT}"))
        self.pairs.append((f"about {RECORD_SECONDS} s", "about {SECONDS} s"))

    def __call__(self, text):
        for value, token in self.pairs:
            text = text.replace(value, token)
        return text


def default_seconds():
    saved = os.environ.pop("ZA2D_DEMO_BUILD_SECONDS", None)
    try:
        return build_run.demo_seconds()
    finally:
        if saved is not None:
            os.environ["ZA2D_DEMO_BUILD_SECONDS"] = saved


def run_kit(release, args, env, script="scf_build.py"):
    result = subprocess.run(
        [sys.executable, "-B", "-I", "-X", "utf8",
         str(release / "source" / "tools" / script), *map(str, args)],
        cwd=release / "source", env=env, capture_output=True, timeout=300)
    if result.stderr:
        raise SystemExit(f"record_kit: the kit wrote to its error stream:\n"
                         f"{result.stderr.decode(errors='replace')}")
    return result.returncode, result.stdout.decode("utf-8").splitlines()


def record_texture_runs(release, disc, staging, env, number):
    """The texture script making the pack from a game built from disc, then removing it."""
    build_dir, game_dir = release / "build", release / "game"
    shutil.rmtree(build_dir, ignore_errors=True)
    shutil.rmtree(game_dir, ignore_errors=True)
    code, output = run_kit(release, ["--disc", disc, "--out", build_dir, "--game", game_dir],
                           dict(env, ZA2D_DEMO_BUILD_SECONDS=RECORD_SECONDS))
    if code != 0:
        raise SystemExit("record_kit: the build for the texture runs failed:\n"
                         + "\n".join(output))
    user = release.parent / "user"
    tokens = Tokens(USER=user, GAME=game_dir, RELEASE=release)
    lines = [f"enhance_seconds {enhance_pack.DEFAULT_SECONDS:g}"]
    fast = dict(env, ZA2D_DEMO_ENHANCE_SECONDS="0")
    for key, args in (("make", ["--game", game_dir, "--kit", release / "kit"]),
                      ("remove", ["--remove"])):
        code, output = run_kit(release, ["--user", user, *args], fast,
                               script="scf_texture_enhance.py")
        name = f"enhance-{number}"
        number += 1
        lines.append(f"run enhance {key} {code} {name}")
        lines += ["> " + tokens(line) for line in output]
        lines.append("end")
        pack = user / enhance_pack.PACK
        if key == "make":
            made = sorted(pack.glob("*.png"))
            if code != 0 or not made:
                raise SystemExit("record_kit: the texture script made no pack:\n"
                                 + "\n".join(output))
            (staging / name / enhance_pack.PACK).mkdir(parents=True)
            for picture in made:
                shutil.copyfile(picture, staging / name / enhance_pack.PACK / picture.name)
    return lines


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv)
    out = Path(args.out)
    env = {k: v for k, v in os.environ.items() if k not in CLEARED}
    with tempfile.TemporaryDirectory(prefix="scf-kit-recording-") as tmp:
        tmp = Path(tmp)
        (tmp / "game-program").write_bytes(b"replaced by the demo game")
        release = make_release.assemble(tmp / "release", None, tmp / "game-program", COMMIT)
        written = make_disc.write_all(tmp / "discs")
        no_disc = tmp / "notes.txt"
        no_disc.write_text("A text file, not a disc image.\n", encoding="utf-8")
        missing = tmp / "discs" / "vanished.iso"
        lines = ["weights " + " ".join(f"{s} {build_run.WEIGHTS[s]}" for s in STAGES),
                 f"seconds {default_seconds():g}"]
        staging = out.with_name(out.name + ".tmp")
        shutil.rmtree(staging, ignore_errors=True)
        staging.mkdir(parents=True)
        runs = [("check", disc, disc_key(disc)) for disc in written]
        runs += [("check", no_disc, "other"), ("check", missing, "missing")]
        builds = [d for d in written if d.suffix in (".iso", ".cue") and "usa" in d.name
                  and "damaged" not in d.name]
        runs += [("build", disc, disc_key(disc)) for disc in builds]
        runs += [("build", missing, "missing")]
        # The build failure demo: the USA image's build asked to fail at each stage in turn.
        usa = next(d for d in builds if d.suffix == ".iso")
        runs += [("build", usa, f"{disc_key(usa)}:fail:{stage}") for stage in STAGES]
        for number, (kind, disc, key) in enumerate(runs):
            build_dir, game_dir = release / "build", release / "game"
            shutil.rmtree(build_dir, ignore_errors=True)
            shutil.rmtree(game_dir, ignore_errors=True)
            tokens = Tokens(DISC=disc, OUT=build_dir, GAME=game_dir, RELEASE=release)
            if kind == "check":
                code, output = run_kit(release, ["--check", "--disc", disc], env)
            else:
                build_env = dict(env, ZA2D_DEMO_BUILD_SECONDS=RECORD_SECONDS)
                if ":fail:" in key:
                    build_env["ZA2D_DEMO_FAIL_STAGE"] = key.rsplit(":", 1)[1]
                code, output = run_kit(release, ["--disc", disc, "--out", build_dir,
                                                 "--game", game_dir], build_env)
            name = f"{kind}-{number}"
            lines.append(f"run {kind} {key} {code} {name}")
            lines += ["> " + tokens(line) for line in output]
            lines.append("end")
            files = staging / name
            for log in sorted((build_dir / "logs").glob("*.log")):
                (files / "logs").mkdir(parents=True, exist_ok=True)
                (files / "logs" / log.name).write_text(tokens(log.read_text(encoding="utf-8")),
                                                       encoding="utf-8")
            if game_dir.is_dir():
                (files / "game").mkdir(parents=True, exist_ok=True)
                for item in sorted(game_dir.iterdir()):
                    if item.name == "scf":  # the stand-in installs the release's own game
                        continue
                    if item.name in TEXT_FILES:
                        (files / "game" / item.name).write_text(
                            tokens(item.read_text(encoding="utf-8")), encoding="utf-8")
                    else:
                        shutil.copyfile(item, files / "game" / item.name)
        lines += record_texture_runs(release, usa, staging, env, len(runs))
        (staging / "recording.txt").write_text("\n".join(lines) + "\n", encoding="utf-8")
    shutil.rmtree(out, ignore_errors=True)
    os.replace(staging, out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
