"""tools/make_release.py and tools/make_demo.py: the release folder's files and their contents."""

import hashlib
import json
import os
import subprocess
import tempfile
import unittest
from pathlib import Path

from kit_support import PYTHON, TOOLS, make_disc


class MakeReleaseTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-release-test-")
        self.dir = Path(self.tmp.name)
        self.launcher = self.dir / "scf-launcher"
        self.launcher.write_text("#!/bin/sh\n")
        self.game = self.dir / "scf"
        self.game.write_text("#!/bin/sh\n")

    def tearDown(self):
        self.tmp.cleanup()

    def make(self, *extra):
        return subprocess.run(
            PYTHON + [str(TOOLS / "make_release.py"), "--launcher", str(self.launcher),
                      "--game", str(self.game), "--out", str(self.dir / "release"), *extra],
            capture_output=True, text=True, timeout=120)

    def test_the_release_files(self):
        commit = "ab" * 20
        result = self.make("--commit", commit)
        self.assertEqual(result.returncode, 0, result.stderr)
        release = self.dir / "release"
        self.assertEqual(result.stdout.strip(), str(release.resolve()))
        for name in ("scf-launcher", "source/tools/scf_build.py",
                     "source/tools/scf_kit/build_run.py", "source/release.ini", "CHANGELOG.md",
                     "kit/kit_manifest.json", "kit/game/scf"):
            self.assertTrue((release / name).is_file(), name)
        for name in ("scf-launcher", "kit/game/scf"):
            self.assertTrue(os.access(release / name, os.X_OK), name)
        self.assertFalse((release / "kit" / "python").exists())
        self.assertEqual((release / "source" / "release.ini").read_text().splitlines()[1:],
                         ["version = 0.8.0", f"commit = {commit}"])
        manifest = json.loads((release / "kit" / "kit_manifest.json").read_text())
        usa = make_disc.iso_image("usa")
        self.assertEqual(manifest["disc"]["user_data_sha1"], hashlib.sha1(usa).hexdigest())
        self.assertEqual(manifest["disc"]["sectors"], len(usa) // 2048)
        changelog = (release / "CHANGELOG.md").read_text()
        self.assertRegex(changelog, r"(?m)^## \[0\.8\.0\] - \d{4}-\d{2}-\d{2}$")
        self.assertIn("### Added", changelog)

    def test_a_new_release_keeps_what_the_user_made(self):
        self.assertEqual(self.make("--commit", "1" * 40).returncode, 0)
        built = self.dir / "release" / "game" / "built_from.ini"
        built.parent.mkdir()
        built.write_text("commit = " + "1" * 40 + "\n")
        self.assertEqual(self.make("--commit", "2" * 40).returncode, 0)
        self.assertEqual(built.read_text(), "commit = " + "1" * 40 + "\n")
        self.assertIn("commit = " + "2" * 40,
                      (self.dir / "release" / "source" / "release.ini").read_text())

    def test_refusals(self):
        cases = [
            (["--commit", "xyz"], "40"),
            (["--launcher", str(self.dir / "nothing")], "does not exist"),
        ]
        for extra, words in cases:
            with self.subTest(extra=extra):
                result = self.make(*extra)
                self.assertEqual(result.returncode, 2)
                self.assertIn(words, result.stderr)

    def test_make_demo_makes_discs_and_release(self):
        result = subprocess.run(
            PYTHON + [str(TOOLS / "make_demo.py"), "--launcher", str(self.launcher), "--game",
                      str(self.game), "--out", str(self.dir / "out"), "--commit", "c" * 40],
            capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue((self.dir / "out" / "release" / "source" / "release.ini").is_file())
        for name in make_disc.FILE_NAMES.values():
            self.assertTrue((self.dir / "out" / "discs" / name).is_file(), name)
        self.assertIn(str((self.dir / "out" / "discs").resolve()), result.stdout)


if __name__ == "__main__":
    unittest.main()
