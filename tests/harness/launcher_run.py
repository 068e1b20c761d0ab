"""Helpers of the harness's script tests: a private copy of the demo release, the launcher run
in it with bounded waits, and checks of selftest.log and the PNG pictures."""

import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

DEMO_DIR = Path(os.environ.get("SCF_DEMO_DIR", ""))
# The window's pixel size at UI scale 1: every picture of a run has it.
WINDOW_SIZE = (1120, 760)
XVFB = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24 -nolisten tcp"]
# Variables of an outer run that would change what the launcher, the kit or the game do.
CLEARED = ("ZA2D_DEMO_FAIL_STAGE", "ZA2D_DEMO_FREE_SPACE_RESERVE", "ZA2D_CAPTURE_WINDOW_DIR",
           "ZA2D_TEST_CRASH", "ZA2D_NO_DIALOGS", "ZA2D_WINDOW_SIZE", "ZA2D_WINDOW_MODE",
           "APPDATA", "LANG", "LC_MESSAGES", "SCF_DISC_PLACES", "SCF_SELFTEST_SWALLOW_PRESS")


def demo_missing():
    """Why the demo release cannot be used, or None."""
    if not (DEMO_DIR / "release" / "scf-launcher").is_file():
        return f"no demo release in {DEMO_DIR or '(SCF_DEMO_DIR unset)'}: build scf_demo_release"
    return None


class Workspace:
    """A temporary folder with its own copy of the demo release and its own user folder."""

    def __init__(self, release_name="release"):
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-harness-test-")
        self.dir = Path(self.tmp.name)
        self.release = self.dir / release_name
        shutil.copytree(DEMO_DIR / "release", self.release, symlinks=True)
        self.user = self.dir / "user"
        self.discs = DEMO_DIR / "discs"

    def cleanup(self):
        self.tmp.cleanup()

    def environment(self, **extra):
        env = {k: v for k, v in os.environ.items() if k not in CLEARED}
        env.update(ZA2D_USER_DIR=str(self.user), LC_ALL="C", LIBGL_ALWAYS_SOFTWARE="1")
        env.update(extra)
        return env

    def build_game(self, disc):
        """Builds the game in the copy with its kit at full speed and records the disc and the
        finished build in launcher.ini, as a launcher that prepared the game would have."""
        release = self.release
        result = subprocess.run(
            [sys.executable, "-B", "-I", "-X", "utf8",
             str(release / "source" / "tools" / "scf_build.py"), "--disc", str(disc),
             "--out", str(release / "build"), "--game", str(release / "game")],
            cwd=release / "source", env=self.environment(ZA2D_DEMO_BUILD_SECONDS="0"),
            capture_output=True, text=True, timeout=180)
        if result.returncode != 0:
            raise AssertionError("the demo build failed:\n" + result.stdout[-2000:]
                                 + result.stderr[-2000:])
        self.user.mkdir(parents=True, exist_ok=True)
        (self.user / "launcher.ini").write_text(f"disc = {disc}\nbuilt = 1\n", encoding="utf-8")

    def run(self, args, seconds, gui=False, **env):
        """Runs the launcher of the copy; returns (exit code, stdout, stderr). The whole process
        group is ended when it takes longer than seconds."""
        command = [str(self.release / "scf-launcher")] + [str(a) for a in args]
        if gui and not os.environ.get("DISPLAY"):
            command = XVFB + command
        process = subprocess.Popen(command, cwd=self.dir, env=self.environment(**env),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   start_new_session=True)
        try:
            out, err = process.communicate(timeout=seconds)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
            raise AssertionError(f"the launcher did not end within {seconds} s: {command}\n"
                                 f"{err.decode(errors='replace')[-2000:]}") from None
        return process.returncode, out.decode(errors="replace"), err.decode(errors="replace")


class ReleaseHost:
    """tools/release_host.py on a free port; ended with the test."""

    def __init__(self, *options):
        self.process = subprocess.Popen(
            [sys.executable, "-B", "-I", "-X", "utf8",
             str(Path(__file__).resolve().parents[2] / "tools" / "release_host.py"), *options],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("PORT "):
            self.stop()
            raise AssertionError(f"the release host did not start: {line!r}")
        self.base = "http://127.0.0.1:" + line.split()[1]

    def stop(self):
        self.process.kill()
        self.process.wait(timeout=10)


LOG_LINE = re.compile(r"^\[( {0,7}\d+\.\d)\] (.*)$")


def log_texts(path):
    """The lines of selftest.log without their time stamps; every line must carry one."""
    texts = []
    for line in Path(path).read_text(encoding="utf-8").split("\n")[:-1]:
        match = LOG_LINE.match(line)
        if not match or len(match.group(1)) != 8:
            raise AssertionError(f"a log line without its [%8.1f] stamp: {line!r}")
        texts.append(match.group(2))
    return texts


def find_in_order(texts, patterns):
    """Matches each regular expression against a later line than the one before; returns the
    match objects, or raises with the first pattern that has no line."""
    found, at = [], 0
    for pattern in patterns:
        regex = re.compile(pattern)
        while at < len(texts) and not regex.fullmatch(texts[at]):
            at += 1
        if at == len(texts):
            raise AssertionError(f"no line matching {pattern!r} in order; the log:\n"
                                 + "\n".join(texts))
        found.append(regex.fullmatch(texts[at]))
        at += 1
    return found


def read_png(path):
    """(width, height, distinct colours) of an 8-bit RGB PNG; raises on anything malformed."""
    data = Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError(f"{path}: not a PNG file")
    pos, idat, header, ended = 8, b"", None, False
    while pos + 12 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise AssertionError(f"{path}: bad CRC in {kind!r}")
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            ended = True
        pos += 12 + length
    if header is None or not ended:
        raise AssertionError(f"{path}: no IHDR or IEND chunk")
    width, height, depth, colour = header[:4]
    if (depth, colour) != (8, 2):
        raise AssertionError(f"{path}: bit depth {depth}, colour type {colour}, not 8-bit RGB")
    raw = zlib.decompress(idat)
    stride = 1 + width * 3
    if len(raw) != stride * height:
        raise AssertionError(f"{path}: {len(raw)} bytes of image data for {width}x{height}")
    colours = set()
    for y in range(0, height, 4):
        row = raw[y * stride + 1:(y + 1) * stride]
        for x in range(0, width * 3, 3 * 5):
            colours.add(row[x:x + 3])
    return width, height, len(colours)


def keep_picture(path, name):
    """Copies a picture into the build folder's artifacts/selftest/ for people to look at."""
    artifacts = DEMO_DIR.parent / "artifacts" / "selftest"
    artifacts.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(path, artifacts / name)


def check_picture(test, path):
    """A picture of the whole window that shows something: valid, window-sized, not blank."""
    test.assertTrue(Path(path).is_file(), f"missing picture {path}")
    width, height, colours = read_png(path)
    test.assertEqual((width, height), WINDOW_SIZE, f"{path} is {width}x{height}")
    test.assertGreater(colours, 16, f"{path} is blank: {colours} colours")
