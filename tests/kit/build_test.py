"""The demo kit's build: line grammar, stage order, game files, resume after a kill, failures."""

import fcntl
import os
import re
import shutil
import signal
import subprocess
import unittest

from kit_support import COMMIT, PYTHON, STAGES, KitFixture

GAME_FILES = {"scf", "SXUS_902.10", "disc.iso", "built_from.ini"}
TRICKY = "European boots SHA-1 does not exist No space free space"
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

    def test_forced_failures_then_resumed(self):
        # (stage that fails, extra environment, words of the message): each stage asked to fail
        # by the demo's switch, and a drive without the free space; the build is then run again.
        cases = [(stage, {"ZA2D_DEMO_FAIL_STAGE": stage}, ["ZA2D_DEMO_FAIL_STAGE"])
                 for stage in STAGES]
        cases.append(("extract", {"ZA2D_DEMO_FREE_SPACE_RESERVE": str(1 << 62)}, ["free space"]))
        for n, (stage, env, words) in enumerate(cases):
            with self.subTest(stage=stage, env=env):
                out = self.kit.dir / f"failing-build-{n}"
                game = self.kit.dir / f"failing-{n}"
                result = self.kit.build(self.kit.disc("usa"), out, game, seconds="0.2", **env)
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stderr, "")
                seen = events(result.stdout)
                self.assertEqual(seen[-1][:2], ("ERROR", stage))
                self.assertEqual([v for v, _, _ in seen].count("ERROR"), 1)
                self.assertNotIn("RESULT", [v for v, _, _ in seen])
                self.assertEqual([s for v, s, _ in seen if v == "DONE"],
                                 STAGES[:STAGES.index(stage)])
                last = result.stdout.splitlines()[-1]
                for word in words:
                    self.assertIn(word, last)
                self.assertIn(last.split(" ", 2)[2], (out / "logs" / f"{stage}.log").read_text())

                again = self.kit.build(self.kit.disc("usa"), out, game, seconds="0.2")
                self.assertEqual(again.returncode, 0, again.stdout)
                seen = events(again.stdout)
                self.assertEqual([s for v, s, _ in seen if v == "SKIP"],
                                 STAGES[:STAGES.index(stage)])
                self.assertEqual([s for v, s, _ in seen if v == "DONE"],
                                 STAGES[STAGES.index(stage):])
                self.assertEqual(seen[-1][0], "RESULT")
                self.assertEqual(self.game_files(game), self.game_files(self.game))

    def test_messages_quote_no_path(self):
        # The launcher sorts a failure by the words of its message: folders named with those
        # words must not reach it. (case, prepares the folders, stage, words of the message)
        tricky = self.kit.dir / "quoting" / TRICKY
        tricky.mkdir(parents=True)
        release = tricky / "release"
        shutil.copytree(self.kit.release, release, symlinks=True)
        script = release / "source" / "tools" / "scf_build.py"

        def nothing(out, game):
            return None

        def out_below_a_file(out, game):
            out.parent.mkdir(parents=True)
            out.write_text("")  # the build folder goes below it
            return None

        def locked(out, game):
            out.mkdir(parents=True)
            lock = open(out / ".lock", "a+")
            fcntl.flock(lock.fileno(), fcntl.LOCK_EX)
            return lock

        def game_is_a_file(out, game):
            game.parent.mkdir(parents=True)
            game.write_text("")
            return None

        def no_kit_game(out, game):
            (release / "kit" / "game" / "scf").rename(release / "kit" / "game" / "scf.away")
            return None

        cases = [
            ("build folder below a file", out_below_a_file, "verify", ["cannot be made"]),
            ("build folder in use", locked, "verify", ["already running"]),
            ("no free space", nothing, "extract", ["free space"]),
            ("game folder is a file", game_is_a_file, "stage", ["File exists"]),
            ("the kit lacks its game", no_kit_game, "compile", ["kit/game/scf"]),
        ]
        for n, (name, prepare, stage, words) in enumerate(cases):
            with self.subTest(case=name):
                out = tricky / f"build-{n}" / "European build"
                game = tricky / f"game-{n}" / "SHA-1 game"
                held = prepare(out, game)
                if prepare is out_below_a_file:
                    out = out / "below"
                env = dict(os.environ, ZA2D_DEMO_BUILD_SECONDS="0.2")
                env.pop("ZA2D_DEMO_FAIL_STAGE", None)
                if name == "no free space":
                    env["ZA2D_DEMO_FREE_SPACE_RESERVE"] = str(1 << 62)
                command = PYTHON + [str(script), "--disc", str(self.kit.disc("usa")), "--out",
                                    str(out), "--game", str(game)]
                try:
                    result = subprocess.run(command, cwd=release / "source", capture_output=True,
                                            text=True, encoding="utf-8", env=env, timeout=300,
                                            stdin=subprocess.DEVNULL)
                finally:
                    if held:
                        held.close()
                    if prepare is no_kit_game:
                        (release / "kit" / "game" / "scf.away").rename(
                            release / "kit" / "game" / "scf")
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stderr, "")
                seen = events(result.stdout)
                self.assertEqual(seen[-1][:2], ("ERROR", stage), result.stdout)
                message = result.stdout.splitlines()[-1].split(" ", 2)[2]
                for word in words:
                    self.assertIn(word, message)
                for word in ("European", "boots", "SHA-1", "does not exist", "No space",
                             "free space"):
                    if word not in words:
                        self.assertNotIn(word, message)

    def test_an_unexpected_failure_is_one_error_line(self):
        # (what is made to fail, in which stage the ERROR line comes): before the stages run,
        # while the build state is read, and inside a stage.
        cases = [
            ("scf_build.ini_value", "verify"),
            ("scf_kit.build_run.BuildState", "verify"),
            ("scf_kit.stages.WORK['packs']", "packs"),
        ]
        tools = self.kit.script.parent
        for n, (target, stage) in enumerate(cases):
            with self.subTest(target=target):
                out = self.kit.dir / f"unexpected-build-{n}"
                args = ["--disc", str(self.kit.disc("usa")), "--out", str(out), "--game",
                        str(self.kit.dir / f"unexpected-game-{n}")]
                code = (f"import sys; sys.path.insert(0, {str(tools)!r})\n"
                        "import scf_build, scf_kit.build_run, scf_kit.stages\n"
                        "def fail(*args, **kwargs): raise KeyError('/tmp/European SHA-1')\n"
                        f"{target} = fail\n"
                        f"sys.exit(scf_build.main({args!r}))")
                env = dict(os.environ, ZA2D_DEMO_BUILD_SECONDS="0.2")
                env.pop("ZA2D_DEMO_FAIL_STAGE", None)
                result = subprocess.run(PYTHON + ["-c", code], capture_output=True, text=True,
                                        encoding="utf-8", env=env, timeout=300,
                                        stdin=subprocess.DEVNULL)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stderr, "")
                seen = events(result.stdout)
                self.assertEqual(seen[-1][:2], ("ERROR", stage), result.stdout)
                self.assertEqual([v for v, _, _ in seen].count("ERROR"), 1)
                last = result.stdout.splitlines()[-1]
                self.assertIn("internal error of the kit (KeyError)", last)
                self.assertNotIn("European", last)

    def test_folders_that_are_not_utf8(self):
        # A disc, build folder and game folder whose names are bytes that are no UTF-8: the
        # build runs to its end and every line and log stays UTF-8.
        folder = self.kit.dir / os.fsdecode(b"odd-\xff\xfe")
        folder.mkdir()
        disc = folder / os.fsdecode(b"usa-\xe9.iso")
        disc.write_bytes(self.kit.disc("usa").read_bytes())
        out = folder / os.fsdecode(b"build-\xff")
        game = folder / os.fsdecode(b"game-\xff")
        result = self.kit.build(disc, out, game, seconds="0.2")
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertEqual(events(result.stdout)[-1][0], "RESULT")
        self.assertEqual(self.game_files(game), self.game_files(self.game))
        for stage in STAGES:
            (out / "logs" / f"{stage}.log").read_text(encoding="utf-8")
        again = self.kit.build(disc, out, game, seconds="0.2")
        self.assertEqual([s for v, s, _ in events(again.stdout) if v == "SKIP"], STAGES)

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
