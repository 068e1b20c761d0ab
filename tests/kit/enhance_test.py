"""The texture script (source/tools/scf_texture_enhance.py) and the demo upscaler
(kit/realesrgan/realesrgan-ncnn-vulkan) on their own, as a release ships them."""

import importlib.machinery
import os
import re
import signal
import struct
import subprocess
import tempfile
import time
import types
import unittest
import zlib
from pathlib import Path

from kit_support import COMMIT, PYTHON, TOOLS, make_disc, make_release

import demo_disc_content  # noqa: E402  (tools/ is on the path through kit_support)
import iso_writer  # noqa: E402

LINE = re.compile(r"step (dump|upscale|finish)|progress \d+ \d+|error \S.*|done \S.*")
UPSCALER_LINE = re.compile(r"realesrgan-ncnn-vulkan: \S.*")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def load_upscaler(path):
    """The upscaler as a module, for its PNG decoder (the test's reference reader)."""
    loader = importlib.machinery.SourceFileLoader("demo_upscaler", str(path))
    module = types.ModuleType(loader.name)
    module.__file__ = str(path)
    loader.exec_module(module)
    return module


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def filtered_png(width, height, pixels, bpp, colour):
    """A PNG whose rows use the filters 0 to 4 in turn, as other encoders write them."""
    stride = width * bpp
    previous = bytes(stride)
    rows = b""
    for y in range(height):
        line = pixels[y * stride:(y + 1) * stride]
        kind = y % 5
        out = bytearray()
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = previous[i]
            up_left = previous[i - bpp] if i >= bpp else 0
            if kind == 0:
                pred = 0
            elif kind == 1:
                pred = left
            elif kind == 2:
                pred = up
            elif kind == 3:
                pred = (left + up) >> 1
            else:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else up_left)
            out.append((line[i] - pred) & 0xFF)
        rows += bytes([kind]) + bytes(out)
        previous = line
    header = struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0)
    return (PNG_SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def nearest(width, height, rgba, scale):
    out = bytearray()
    for y in range(height * scale):
        for x in range(width * scale):
            i = ((y // scale) * width + x // scale) * 4
            out += rgba[i:i + 4]
    return bytes(out)


def disc_textures():
    """The USA demo disc's textures as the pack names them: name -> (width, height, pixels)."""
    found = {}
    for path, data in demo_disc_content.disc_files("usa").items():
        if path.endswith(".TEX"):
            width, height = struct.unpack_from("<II", data, 8)
            name = path.replace("/", "_")[:-4]
            found[name] = (width, height, data[16:16 + width * height * 4])
    return found


class Fixture(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-enhance-test-")
        self.dir = Path(self.tmp.name)
        self.release = self.dir / "release"
        make_release.assemble(self.release, None, None, COMMIT)
        self.script = self.release / "source" / "tools" / "scf_texture_enhance.py"
        self.kit = self.release / "kit"
        self.upscaler = self.kit / "realesrgan" / "realesrgan-ncnn-vulkan"
        self.game = self.release / "game"
        self.game.mkdir()
        (self.game / "disc.iso").write_bytes(make_disc.iso_image("usa"))
        self.user = self.dir / "user"
        self.pack = self.user / "texture_pack"

    def tearDown(self):
        self.tmp.cleanup()

    def command(self, *extra, game=None, kit=None):
        if extra == ("--remove",):
            return PYTHON + [str(self.script), "--user", str(self.user), "--remove"]
        if extra:
            return PYTHON + [str(self.script), *extra]
        return PYTHON + [str(self.script), "--user", str(self.user), "--game",
                         str(game or self.game), "--kit", str(kit or self.kit)]

    def run_script(self, *extra, seconds="0", **places):
        env = dict(os.environ, ZA2D_DEMO_ENHANCE_SECONDS=seconds)
        result = subprocess.run(self.command(*extra, **places), cwd=self.release / "source",
                                capture_output=True, text=True, encoding="utf-8", env=env,
                                stdin=subprocess.DEVNULL, timeout=120)
        lines = result.stdout.splitlines()
        for line in lines:
            self.assertRegex(line, LINE)
        self.assertNotIn("Traceback", result.stdout + result.stderr)
        return result.returncode, lines

    def pack_pictures(self):
        upscaler = load_upscaler(self.upscaler)
        found = {}
        for path in self.pack.glob("*.png"):
            width, height, pixels = upscaler.decode(path.read_bytes())
            found[path.stem] = (width, height, pixels)
        return found


class MakeTest(Fixture):
    def test_make_writes_every_texture_four_times_larger(self):
        code, lines = self.run_script()
        self.assertEqual(code, 0, lines)
        steps = [line for line in lines if line.startswith("step ")]
        self.assertEqual(steps, ["step dump", "step upscale", "step finish"])
        self.assertEqual(lines[-1], "done 7 textures")
        expected = disc_textures()
        self.assertEqual(len(expected), 7)
        for line in lines:
            if line.startswith("progress "):
                done, total = map(int, line.split()[1:])
                self.assertEqual(total, 7)
                self.assertLessEqual(done, total)
        self.assertIn("progress 7 7", lines)
        pictures = self.pack_pictures()
        self.assertEqual(sorted(pictures), sorted(expected))
        for name, (width, height, pixels) in expected.items():
            self.assertEqual(pictures[name], (width * 4, height * 4,
                                              nearest(width, height, pixels, 4)), name)
        # The work files go once the pack is whole.
        self.assertEqual(sorted(p.name for p in self.pack.iterdir()),
                         sorted(f"{name}.png" for name in expected))

    def test_a_stopped_run_goes_on_where_it_stopped(self):
        env = dict(os.environ, ZA2D_DEMO_ENHANCE_SECONDS="14")
        process = subprocess.Popen(self.command(), cwd=self.release / "source", env=env,
                                   stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True,
                                   start_new_session=True)
        try:
            upscaling = False
            deadline = time.monotonic() + 60
            for line in process.stdout:
                upscaling = upscaling or line.strip() == "step upscale"
                if upscaling and line.strip() == "progress 2 7":
                    break
                self.assertLess(time.monotonic(), deadline)
        finally:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait(timeout=30)
            process.stdout.close()
        self.assertTrue(upscaling)
        self.assertEqual(list(self.pack.glob("*.png")), [])
        code, lines = self.run_script()
        self.assertEqual(code, 0, lines)
        first = lines.index("step upscale") + 1
        done = int(lines[first].split()[1])
        self.assertGreaterEqual(done, 2, lines)
        self.assertLess(done, 7, lines)
        self.assertEqual(len(self.pack_pictures()), 7)
        self.assertFalse((self.pack / ".work").exists())

    def test_make_again_replaces_an_older_pack_and_keeps_other_files(self):
        self.pack.mkdir(parents=True)
        (self.pack / "ARENAS_GONE.png").write_bytes(b"old")
        (self.pack / "notes.txt").write_text("mine")
        code, lines = self.run_script()
        self.assertEqual(code, 0, lines)
        self.assertFalse((self.pack / "ARENAS_GONE.png").exists())
        self.assertEqual((self.pack / "notes.txt").read_text(), "mine")
        self.assertEqual(len(self.pack_pictures()), 7)

    def test_a_cue_sheet_or_raw_disc_data_is_read_too(self):
        make_disc.write_variant("usa-bin", self.dir / "raw" / "disc.iso")
        (self.game / "disc.iso").write_bytes((self.dir / "raw" / "disc.bin").read_bytes())
        code, lines = self.run_script()
        self.assertEqual((code, lines[-1]), (0, "done 7 textures"))


class RemoveTest(Fixture):
    def test_remove(self):
        cases = {
            "a pack with work files": lambda: [
                (self.pack / ".work" / "source").mkdir(parents=True),
                (self.pack / "A.png").write_bytes(b"x"),
                (self.pack / ".work" / "source" / "A.png").write_bytes(b"x")],
            "no pack at all": lambda: None,
            "a pack that is a file": lambda: [self.user.mkdir(), self.pack.write_text("x")],
        }
        for name, make in cases.items():
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                make()
                code, lines = self.run_script("--remove")
                self.assertEqual((code, lines), (0, ["done removed"]))
                self.assertFalse(self.pack.exists() or self.pack.is_symlink())

    def test_a_linked_pack_loses_the_link_only(self):
        elsewhere = self.dir / "elsewhere"
        elsewhere.mkdir()
        (elsewhere / "keep.png").write_bytes(b"x")
        self.user.mkdir()
        self.pack.symlink_to(elsewhere)
        self.assertEqual(self.run_script("--remove"), (0, ["done removed"]))
        self.assertFalse(self.pack.is_symlink())
        self.assertTrue((elsewhere / "keep.png").is_file())


def custom_disc(textures):
    files = {"SYSTEM.CNF": b"BOOT2 = cdrom0:\\SXUS_902.10;1\r\n"}
    files.update(textures)
    return iso_writer.build_iso(files, "SCRAPFURY")


def tex(width, height, data_bytes=None):
    size = width * height * 4 if data_bytes is None else data_bytes
    return b"SCFTEX01" + struct.pack("<II", width, height) + bytes(size)


class HostileInputTest(Fixture):
    def game_with(self, disc):
        game = self.dir / "hostile-game"
        game.mkdir(exist_ok=True)
        target = game / "disc.iso"
        if target.is_dir():
            target.rmdir()
        elif target.exists() or target.is_symlink():
            target.unlink()
        disc(target)
        return game

    def test_a_bad_game_folder_gives_one_error_line(self):
        usa = make_disc.iso_image("usa")
        cases = {
            "no game folder": (lambda t: None, "game folder does not exist"),
            "no disc data": (lambda t: None, "no disc data"),
            "an empty disc": (lambda t: t.write_bytes(b""), "cannot be read"),
            "noise": (lambda t: t.write_bytes(os.urandom(200 * 1024)), "cannot be read"),
            "a disc cut in half": (lambda t: t.write_bytes(usa[:len(usa) // 2]), "cannot be read"),
            "a folder": (lambda t: t.mkdir(), "cannot be read"),
            "a named pipe": (lambda t: os.mkfifo(t), "cannot be read"),
            "no texture folders": (lambda t: t.write_bytes(custom_disc({})),
                                   "no arena or car textures"),
            "textures cut short or not textures": (
                lambda t: t.write_bytes(custom_disc({"ARENAS/A.TEX": tex(64, 64, 100),
                                                     "CARS/B.TEX": b"not a texture"})),
                "no arena or car textures"),
            "a texture larger than any": (
                lambda t: t.write_bytes(custom_disc({"ARENAS/HUGE.TEX": tex(2048, 1)})),
                "larger than a texture can be"),
        }
        for name, (disc, words) in cases.items():
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                if name == "no game folder":
                    game = self.dir / "missing"
                elif name == "no disc data":
                    game = self.dir / "empty-game"
                    game.mkdir()
                else:
                    game = self.game_with(disc)
                code, lines = self.run_script(game=game)
                self.assertEqual(code, 1, lines)
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith("error "), lines)
                self.assertIn(words, lines[0])
                self.assertFalse(any(self.pack.glob("*.png")))

    def write_upscaler(self, body):
        self.upscaler.write_text("#!/bin/sh\n" + body + "\n")
        self.upscaler.chmod(0o755)

    def test_a_bad_kit_or_user_folder_ends_with_one_error_line(self):
        cases = {
            "no Real-ESRGAN": (lambda: self.upscaler.unlink(), "has no Real-ESRGAN"),
            "an upscaler that fails": (
                lambda: self.write_upscaler("echo 'vkCreateInstance failed -9'; exit 255"),
                "Real-ESRGAN failed on ARENAS_ARENA01: vkCreateInstance failed -9"),
            "an upscaler that writes nothing": (lambda: self.write_upscaler("exit 0"),
                                                "wrote no picture"),
            "an upscaler that writes no PNG": (
                lambda: self.write_upscaler('while [ "$1" != -o ]; do shift; done; echo x >"$2"'),
                "wrote no PNG picture"),
            "a user folder that is a file": (lambda: self.user.write_text("x"),
                                             "could not be written"),
        }
        for name, (spoil, words) in cases.items():
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                spoil()
                code, lines = self.run_script()
                self.assertEqual(code, 1, lines)
                errors = [line for line in lines if line.startswith("error ")]
                self.assertEqual(errors, [lines[-1]], lines)
                self.assertIn(words, lines[-1])
                self.assertNotIn("done 7 textures", lines)

    def test_a_bad_command_line_gives_one_error_line(self):
        for args in (["--game", "g", "--kit", "k"], ["--user", "u", "--game", "g"],
                     ["--user", "u", "--bogus"], ["--user"]):
            with self.subTest(args=args):
                code, lines = self.run_script(*args)
                self.assertEqual(code, 1)
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith("error bad command line: "), lines)


class UpscalerTest(Fixture):
    def run_upscaler(self, *args):
        result = subprocess.run([str(self.upscaler), *map(str, args)], capture_output=True,
                                text=True, timeout=60, stdin=subprocess.DEVNULL)
        self.assertNotIn("Traceback", result.stdout + result.stderr)
        return result

    def test_the_release_ships_it_executable_beside_the_script(self):
        self.assertTrue(os.access(self.upscaler, os.X_OK))
        self.assertTrue(self.script.is_file())
        self.assertTrue((self.script.parent / "scf_enhance" / "pack.py").is_file())

    def test_every_row_filter_and_colour_type(self):
        upscaler = load_upscaler(self.upscaler)
        width, height = 5, 7
        for colour, bpp in ((6, 4), (2, 3), (0, 1), (4, 2)):
            pixels = bytes((x * 37 + y * 11 + c * 70) & 0xFF for y in range(height)
                           for x in range(width) for c in range(bpp))
            rgba = bytearray()
            for i in range(width * height):
                p = pixels[i * bpp:(i + 1) * bpp]
                rgb = p[:3] if bpp >= 3 else bytes([p[0]] * 3)
                rgba += rgb + bytes([p[3] if bpp == 4 else (p[1] if bpp == 2 else 255)])
            for scale in (2, 3, 4):
                with self.subTest(colour=colour, scale=scale):
                    source = self.dir / f"in{colour}.png"
                    dest = self.dir / f"out{colour}-{scale}.png"
                    source.write_bytes(filtered_png(width, height, pixels, bpp, colour))
                    result = self.run_upscaler("-i", source, "-o", dest, "-s", scale, "-n",
                                               "realesrgan-x4plus", "-f", "png")
                    self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertEqual(upscaler.decode(dest.read_bytes()),
                                     (width * scale, height * scale,
                                      nearest(width, height, bytes(rgba), scale)))

    def test_scale_four_without_the_option(self):
        upscaler = load_upscaler(self.upscaler)
        source = self.dir / "in.png"
        source.write_bytes(filtered_png(1, 1, b"\x01\x02\x03\x04", 4, 6))
        dest = self.dir / "out.png"
        self.assertEqual(self.run_upscaler("-i", source, "-o", dest).returncode, 0)
        self.assertEqual(upscaler.decode(dest.read_bytes()), (4, 4, b"\x01\x02\x03\x04" * 16))

    def test_hostile_input_gives_one_line_and_no_picture(self):
        good = filtered_png(2, 2, bytes(16), 4, 6)
        huge = PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", 100000, 1, 8, 6, 0, 0, 0))
        sixteen = PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 16, 6, 0, 0, 0))
        cases = {
            "a missing picture": (None, []),
            "not a PNG": (b"GIF89a", []),
            "a cut PNG": (good[:40], []),
            "a huge size": (huge + chunk(b"IEND", b""), []),
            "16-bit samples": (sixteen + chunk(b"IEND", b""), []),
            "a bad scale": (good, ["-s", "5"]),
            "an unknown option": (good, ["--tile-size"]),
            "no output": (good, None),
        }
        for name, (data, extra) in cases.items():
            with self.subTest(name):
                source = self.dir / "hostile.png"
                dest = self.dir / "hostile-out.png"
                for old in (source, dest):
                    if old.exists():
                        old.unlink()
                if data is not None:
                    source.write_bytes(data)
                args = ["-i", source] + (["-o", dest] + extra if extra is not None else [])
                result = self.run_upscaler(*args)
                self.assertEqual(result.returncode, 1)
                self.assertRegex(result.stderr.strip(), UPSCALER_LINE)
                self.assertEqual(len(result.stderr.strip().splitlines()), 1)
                self.assertFalse(dest.exists())


if __name__ == "__main__":
    unittest.main()
