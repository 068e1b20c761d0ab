"""Shared helpers of the kit's tests: paths, a release folder to run the kit from, the kit runs."""

import os
import resource
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
TOOLS = ROOT / "tools"
sys.path.insert(0, str(TOOLS))

import make_disc  # noqa: E402
import make_release  # noqa: E402

PYTHON = [sys.executable, "-B", "-I", "-X", "utf8"]
COMMIT = "0123456789abcdef0123456789abcdef01234567"
STAGES = ["verify", "extract", "configure", "tools", "recompile", "packs", "compile", "stage"]


def demo_game():
    """The built demo game when CMake passed it, else a small stand-in file."""
    return os.environ.get("SCF_DEMO_GAME") or None


class KitFixture:
    """A temporary folder with a release (kit, no launcher) and every demo disc."""

    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-kit-test-")
        self.dir = Path(self.tmp.name)
        self.release = self.dir / "release"
        self.discs = self.dir / "discs"
        game = demo_game()
        if game is None:
            game = self.dir / "stand-in-game"
            game.write_text("#!/bin/sh\nexit 0\n")
        make_release.assemble(self.release, None, game, COMMIT)
        make_disc.write_all(self.discs)
        self.script = self.release / "source" / "tools" / "scf_build.py"

    def disc(self, variant):
        return self.discs / make_disc.FILE_NAMES[variant]

    def cleanup(self):
        self.tmp.cleanup()

    def check(self, disc, memory_limit=None, timeout=120):
        """Runs the disc check; its output must be UTF-8. memory_limit caps its address space."""
        def limit():
            resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))

        return subprocess.run(PYTHON + [str(self.script), "--check", "--disc", str(disc)],
                              cwd=self.release / "source", capture_output=True, text=True,
                              encoding="utf-8", errors="strict", timeout=timeout,
                              stdin=subprocess.DEVNULL,
                              preexec_fn=limit if memory_limit else None)

    def build_command(self, disc, out, game):
        return PYTHON + [str(self.script), "--disc", str(disc), "--out", str(out), "--game",
                         str(game)]

    def build(self, disc, out, game, seconds="2", **env):
        environment = dict(os.environ, ZA2D_DEMO_BUILD_SECONDS=seconds)
        environment.pop("ZA2D_DEMO_FAIL_STAGE", None)
        environment.update(env)
        return subprocess.run(self.build_command(disc, out, game), cwd=self.release / "source",
                              capture_output=True, text=True, encoding="utf-8", errors="strict",
                              env=environment, timeout=300, stdin=subprocess.DEVNULL)
