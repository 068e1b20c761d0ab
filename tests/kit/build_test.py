"""The demo kit's build: line grammar, stage order, game files, resume after a kill, failures."""

import os
import re
import signal
import subprocess
import unittest

from kit_support import COMMIT, PYTHON, STAGES, KitFixture

GAME_FILES = {"scf", "SXUS_902.10", "disc.iso", "built_from.ini"}
LINE = re.compile(
    r"^(?:INFO .+"
    r"|PROGRESS (?P<progress>\w+)"
    r"|PERCENT (?P<percent>\w+) (?P<n>\d{1,3})"
    r"|DONE (?P<done>\w+) in \d+\.\d"
    r"|SKIP (?P<skip>\w+)"
    r"|ERROR (?P<error>\w+) .+"
    r"|RESULT .+)$")


def events(stdout):
    """(verb, stage, number) of each contract line; fails on any other line."""
    out = []
    for line in stdout.splitlines():
        match = LINE.match(line)
        if not match:
            raise AssertionError(f"not a kit line: {line!r}")
        verb = line.split(" ", 1)[0]
        if verb in ("INFO", "RESULT"):
            out.append((verb, None, None))
            continue
        stage = line.split(" ")[1]
        if stage not in STAGES:
            raise AssertionError(f"unknown stage in {line!r}")
        number = int(match.group("n")) if verb == "PERCENT" else None
        out.append((verb, stage, number))
    return out


class BuildTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.kit = KitFixture()
        # One uninterrupted build, the reference for the others.
        cls.out = cls.kit.dir / "ref-build"
        cls.game = cls.kit.dir / "ref-game"
        cls.result = cls.kit.build(cls.kit.disc("usa"), cls.out, cls.game)

    @classmethod
    def tearDownClass(cls):
        cls.kit.cleanup()

    def game_files(self, folder):
        return {p.name: p.read_bytes() for p in folder.iterdir()}

    def test_a_whole_build(self):
        self.assertEqual(self.result.returncode, 0, self.result.stdout + self.result.stderr)
        seen = events(self.result.stdout)
        self.assertEqual(seen[-1][0], "RESULT")
        self.assertEqual([s for v, s, _ in seen if v == "PROGRESS"], STAGES)
        self.assertEqual([s for v, s, _ in seen if v == "DONE"], STAGES)
        # Within a stage: PROGRESS, rising percents up to 100, then DONE.
        for stage in STAGES:
            own = [(v, n) for v, s, n in seen if s == stage]
            self.assertEqual(own[0][0], "PROGRESS")
            self.assertEqual(own[-1][0], "DONE")
            percents = [n for v, n in own if v == "PERCENT"]
            self.assertEqual(percents, sorted(percents))
            self.assertEqual(percents[-1], 100)
        self.assertEqual(set(os.listdir(self.game)), GAME_FILES)
        self.assertTrue(os.access(self.game / "scf", os.X_OK))
        self.assertEqual((self.game / "SXUS_902.10").read_bytes()[:4], b"\x7fELF")
        self.assertEqual((self.game / "disc.iso").read_bytes(), self.kit.disc("usa").read_bytes())
        self.assertIn(f"commit = {COMMIT}\n", (self.game / "built_from.ini").read_text())
        self.assertEqual(sorted(p.name for p in (self.out / "logs").iterdir()),
                         sorted(f"{s}.log" for s in STAGES))

    def test_a_second_run_skips_every_stage(self):
        again = self.kit.build(self.kit.disc("usa"), self.out, self.game)
        self.assertEqual(again.returncode, 0, again.stdout)
        seen = events(again.stdout)
        self.assertEqual([s for v, s, _ in seen if v == "SKIP"], STAGES)
        self.assertEqual(seen[-1][0], "RESULT")

    def test_a_build_from_the_cue_sheet_gives_the_same_game(self):
        game = self.kit.dir / "cue-game"
        result = self.kit.build(self.kit.discs / "scrapfury-usa.cue", self.kit.dir / "cue-build",
                                game, seconds="0.5")
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual(self.game_files(game), self.game_files(self.game))

    def kill_during(self, stage, at_percent, seconds, out, game):
        """Runs a build and kills its whole tree once stage reaches at_percent; the last percent."""
        env = dict(os.environ, ZA2D_DEMO_BUILD_SECONDS=seconds)
        env.pop("ZA2D_DEMO_FAIL_STAGE", None)
        first = subprocess.Popen(self.kit.build_command(self.kit.disc("usa"), out, game),
                                 cwd=self.kit.release / "source", stdout=subprocess.PIPE,
                                 text=True, env=env, start_new_session=True)
        before = []
        last_percent = None
        try:
            for line in first.stdout:
                before.append(line.rstrip("\n"))
                if line.startswith(f"PERCENT {stage} "):
                    last_percent = int(line.split()[2])
                    if last_percent >= at_percent:
                        os.killpg(first.pid, signal.SIGKILL)
                        break
        finally:
            first.stdout.close()
            first.wait(timeout=60)
        self.assertEqual(first.returncode, -signal.SIGKILL, "\n".join(before))
        self.assertIsNotNone(last_percent, "\n".join(before))
        return last_percent

    def test_killed_then_resumed(self):
        # (stage to kill in, its percent, demo length of the killed run)
        cases = [("compile", 40, "6"), ("verify", 20, "60"), ("packs", 10, "6")]
        for stage, at_percent, seconds in cases:
            with self.subTest(stage=stage):
                out = self.kit.dir / f"killed-build-{stage}"
                game = self.kit.dir / f"killed-game-{stage}"
                last_percent = self.kill_during(stage, at_percent, seconds, out, game)

                second = self.kit.build(self.kit.disc("usa"), out, game)
                self.assertEqual(second.returncode, 0, second.stdout)
                seen = events(second.stdout)
                skipped = [s for v, s, _ in seen if v == "SKIP"]
                started = [s for v, s, _ in seen if v == "PROGRESS"]
                # Finished stages are skipped, the killed one continues, the rest follow.
                self.assertEqual(skipped, STAGES[:STAGES.index(stage)])
                self.assertEqual(skipped + started, STAGES)
                percents = [n for v, s, n in seen if v == "PERCENT" and s == stage]
                self.assertGreaterEqual(percents[0], last_percent)
                self.assertEqual(percents[-1], 100)
                self.assertIn("continuing from", (out / "logs" / f"{stage}.log").read_text())
                self.assertEqual(self.game_files(game), self.game_files(self.game))

    def test_forced_failures(self):
        # (stage asked to fail, extra environment, words of the message)
        cases = [
            ("packs", {"ZA2D_DEMO_FAIL_STAGE": "packs"}, ["ZA2D_DEMO_FAIL_STAGE"]),
            ("verify", {"ZA2D_DEMO_FAIL_STAGE": "verify"}, ["ZA2D_DEMO_FAIL_STAGE"]),
            ("extract", {"ZA2D_DEMO_FREE_SPACE_RESERVE": str(1 << 62)}, ["free space"]),
        ]
        for n, (stage, env, words) in enumerate(cases):
            with self.subTest(stage=stage):
                out = self.kit.dir / f"failing-build-{n}"
                result = self.kit.build(self.kit.disc("usa"), out, self.kit.dir / f"failing-{n}",
                                        seconds="0.5", **env)
                self.assertNotEqual(result.returncode, 0)
                seen = events(result.stdout)
                self.assertEqual(seen[-1][:2], ("ERROR", stage))
                self.assertNotIn("RESULT", [v for v, _, _ in seen])
                last = result.stdout.splitlines()[-1]
                for word in words:
                    self.assertIn(word, last)
                self.assertIn(last.split(" ", 2)[2], (out / "logs" / f"{stage}.log").read_text())

    def test_a_damaged_build_folder(self):
        # (what is put in the build folder first, the stage of the ERROR line or None for a
        # build that succeeds): a stage's log that cannot be written fails that stage with an
        # ERROR line; a state file of another shape is ignored.
        def log_is_a_folder(out, stage):
            (out / "logs" / f"{stage}.log").mkdir(parents=True)

        def state(text):
            return lambda out, _: (out.mkdir(parents=True), (out / "state.json").write_text(text))

        cases = [
            ("verify log", log_is_a_folder, "verify"),
            ("tools log", log_is_a_folder, "tools"),
            ("state list", state('{"format": 1, "done": [], "percent": [], "seconds": {}}'), None),
            ("state array", state("[1, 2]"), None),
            ("state numbers", state('{"format": 1, "done": 3, "percent": {}, "seconds": {}}'), None),
        ]
        for n, (name, damage, stage) in enumerate(cases):
            with self.subTest(case=name):
                out = self.kit.dir / f"damaged-build-{n}"
                damage(out, stage)
                result = self.kit.build(self.kit.disc("usa"), out, self.kit.dir / f"damaged-{n}",
                                        seconds="0.2")
                seen = events(result.stdout)
                if stage is None:
                    self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                    self.assertEqual(seen[-1][0], "RESULT")
                else:
                    self.assertNotEqual(result.returncode, 0)
                    self.assertEqual(seen[-1][:2], ("ERROR", stage), result.stdout)
                    self.assertIn("Is a directory", result.stdout.splitlines()[-1])
                self.assertNotIn("Traceback", result.stderr)

    def test_a_vanished_disc_fails_in_verify(self):
        # (image given to the kit, file then removed): the image itself, or a cue sheet's track.
        cases = [("scrapfury-usa.iso", "scrapfury-usa.iso"),
                 ("scrapfury-usa.cue", "scrapfury-usa.bin")]
        for n, (given, removed) in enumerate(cases):
            with self.subTest(given=given):
                folder = self.kit.dir / f"vanishing-{n}"
                folder.mkdir()
                for name in {given, removed}:
                    (folder / name).write_bytes((self.kit.discs / name).read_bytes())
                out = self.kit.dir / f"vanish-build-{n}"
                game = self.kit.dir / f"vanish-game-{n}"
                self.assertEqual(self.kit.build(folder / given, out, game, "0.2").returncode, 0)
                (folder / removed).unlink()
                result = self.kit.build(folder / given, out, game, seconds="0.2")
                self.assertNotEqual(result.returncode, 0)
                last = result.stdout.splitlines()[-1]
                self.assertTrue(last.startswith("ERROR verify "), last)
                self.assertIn("does not exist", last)

    def test_a_new_commit_rebuilds_from_recompile(self):
        out = self.kit.dir / "commit-build"
        game = self.kit.dir / "commit-game"
        first = self.kit.build(self.kit.disc("usa"), out, game, seconds="0.2")
        self.assertEqual(first.returncode, 0)
        release_ini = self.kit.release / "source" / "release.ini"
        saved = release_ini.read_text()
        newer = "f" * 40
        release_ini.write_text(saved.replace(COMMIT, newer))
        try:
            result = self.kit.build(self.kit.disc("usa"), out, game, seconds="0.2")
        finally:
            release_ini.write_text(saved)
        self.assertEqual(result.returncode, 0, result.stdout)
        seen = events(result.stdout)
        self.assertEqual([s for v, s, _ in seen if v == "SKIP"], STAGES[:STAGES.index("recompile")])
        self.assertEqual([s for v, s, _ in seen if v == "DONE"], STAGES[STAGES.index("recompile"):])
        self.assertIn(f"commit = {newer}\n", (game / "built_from.ini").read_text())

    def test_a_build_needs_out_and_game(self):
        command = PYTHON + [str(self.kit.script), "--disc", str(self.kit.disc("usa"))]
        refused = subprocess.run(command, capture_output=True, text=True, timeout=60)
        self.assertEqual(refused.returncode, 2)
        self.assertIn("--out", refused.stderr)

if __name__ == "__main__":
    unittest.main()
