"""The demo game under a display: runs until SIGTERM, refuses missing files, crashes on request."""

import contextlib
import os
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import x_keys
from kit_support import make_disc

GAME = os.environ.get("SCF_DEMO_GAME", "")


@unittest.skipUnless(GAME and Path(GAME).is_file(), "SCF_DEMO_GAME names no built demo game")
@unittest.skipUnless(os.environ.get("DISPLAY"), "no display (run under xvfb-run)")
class DemoGameTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-game-test-")
        self.dir = Path(self.tmp.name)
        self.user = self.dir / "user"
        self.iso = self.dir / "disc.iso"
        self.iso.write_bytes(make_disc.iso_image("usa"))
        self.elf = self.dir / "SXUS_902.10"
        self.elf.write_bytes(b"\x7fELF" + bytes(60))
        self.env = dict(os.environ, ZA2D_USER_DIR=str(self.user), ZA2D_NO_DIALOGS="1",
                        LIBGL_ALWAYS_SOFTWARE="1")
        for name in ("ZA2D_TEST_CRASH", "ZA2D_CAPTURE_WINDOW_DIR", "ZA2D_WINDOW_SIZE",
                     "ZA2D_WINDOW_MODE"):
            self.env.pop(name, None)

    def tearDown(self):
        self.tmp.cleanup()

    def start(self, args=None, **env):
        args = args if args is not None else ["--elf", str(self.elf), "--iso", str(self.iso)]
        return subprocess.Popen([GAME] + args, cwd=self.dir, env=dict(self.env, **env),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)

    @contextlib.contextmanager
    def running(self, **env):
        """The game, started with valid files; killed if a test leaves it running."""
        game = self.start(**env)
        try:
            yield game
        finally:
            if game.poll() is None:
                game.kill()
                game.wait()

    def log(self):
        return (self.user / "logs" / "scf.log").read_text()

    def wait_for_log(self, text, process, seconds=60):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline and process.poll() is None:
            if (self.user / "logs" / "scf.log").exists() and text in self.log():
                return True
            time.sleep(0.1)
        return False

    def test_runs_until_asked_to_close(self):
        capture = self.dir / "captures"
        with self.running(ZA2D_CAPTURE_WINDOW_DIR=str(capture), ZA2D_WINDOW_SIZE="800x600") as game:
            self.assertTrue(self.wait_for_log("captured", game), "no capture logged")
            self.assertIsNone(game.poll())
            game.send_signal(signal.SIGTERM)
            self.assertEqual(game.wait(timeout=30), 0)
        log = self.log()
        self.assertIn("window: 800x600 windowed", log)
        self.assertIn("textures: 3 arenas, 4 cars", log)
        self.assertIn("SIGTERM", log)
        shots = sorted(capture.glob("*.png"))
        self.assertTrue(shots)
        self.assertEqual(shots[0].read_bytes()[:8], b"\x89PNG\r\n\x1a\n")

    def test_f2_saves_the_window_size_and_keeps_other_keys(self):
        self.user.mkdir()
        video = self.user / "video.ini"
        video.write_text("[video]\nsize = 640x448\nmode = windowed\nvsync = 1\n")
        with self.running() as game:
            self.assertTrue(self.wait_for_log("textures:", game))
            time.sleep(0.5)
            if not x_keys.press(x_keys.KEYSYM_F2):
                self.skipTest("XTest is not available")
            self.assertTrue(self.wait_for_log("F2: window 960x672, saved", game, 30), self.log())
            game.send_signal(signal.SIGTERM)
            self.assertEqual(game.wait(timeout=30), 0)
        text = video.read_text()
        self.assertIn("size = 960x672\n", text)
        self.assertIn("vsync = 1\n", text)

    def test_refuses_to_start_without_its_files(self):
        missing = str(self.dir / "missing")
        cases = [
            (["--elf", missing, "--iso", str(self.iso)], "does not exist"),
            (["--elf", str(self.elf), "--iso", missing], "does not exist"),
            (["--iso", str(self.iso)], "--elf"),
            ([], "--elf"),
        ]
        for args, words in cases:
            with self.subTest(args=args):
                game = self.start(args)
                self.assertEqual(game.wait(timeout=30), 2)
                self.assertIn(words, self.log())

    def test_test_crash_leaves_one_report(self):
        crashes = self.user / "crashes"
        crashes.mkdir(parents=True)
        (crashes / "old.txt").write_text("an earlier crash\n")
        game = self.start(ZA2D_TEST_CRASH="1")
        code = game.wait(timeout=60)
        self.assertNotEqual(code, 0)
        new = sorted(p.name for p in crashes.glob("*.txt") if p.name != "old.txt")
        self.assertEqual(len(new), 1, new)
        self.assertRegex(new[0], r"^crash-\d{8}-\d{6}\.txt$")
        self.assertIn("ZA2D_TEST_CRASH", (crashes / new[0]).read_text())
        self.assertEqual(list(self.dir.glob("core*")), [])


if __name__ == "__main__":
    unittest.main()
