"""The Windows launcher under wine, on a copy of the Windows test release (<build>/demo/release,
made by make_demo.py --windows) in a folder whose path holds spaces and non-ASCII letters: the
text mode, the full self-test with its log and pictures, the build failure demo, the enhanced
textures made with the release's realesrgan-ncnn-vulkan.exe, and the build kit's process tree
ended when the launcher is killed. The kit's python.exe there is the stand-in that replays the
demo kit's and the texture script's recorded answers.

Needs wine and an X display; scripts/wine-tests.sh provides both, with a persistent server.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "harness"))

from launcher_run import WINDOW_SIZE, find_in_order, log_texts, read_png  # noqa: E402

DEMO_DIR = Path(os.environ.get("SCF_DEMO_DIR", ""))
RELEASE_NAME = "release folder é ü"
# The update check at start-up stays on this machine: a closed port answers at once.
NO_HOST = "http://127.0.0.1:9/repos/ZavUdedaved/ZER_Avudud/releases/latest"
CLEARED = ("ZA2D_DEMO_FAIL_STAGE", "ZA2D_DEMO_FREE_SPACE_RESERVE", "ZA2D_CAPTURE_WINDOW_DIR",
           "ZA2D_TEST_CRASH", "ZA2D_NO_DIALOGS", "ZA2D_WINDOW_SIZE", "ZA2D_WINDOW_MODE",
           "ZA2D_STANDIN_PID_DIR", "ZA2D_STANDIN_CHILD", "APPDATA", "LANG", "LC_MESSAGES")


def windows_path(path):
    """The path as a Windows program under wine sees it: drive Z: is the Linux root."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def wine_processes(needle):
    """Linux processes whose command line holds needle (a wine process shows its Windows
    program path there)."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            command = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(
                "utf-8", errors="replace")
        except OSError:
            continue
        if needle in command:
            found.append((int(entry.name), command.strip()))
    return found


class WineCase(unittest.TestCase):
    def setUp(self):
        launcher = DEMO_DIR / "release" / "scf-launcher.exe"
        if not launcher.is_file():
            self.fail(f"no Windows test release in {DEMO_DIR or '(SCF_DEMO_DIR unset)'}: "
                      "build scf_demo_release in the Windows cross build")
        if not shutil.which("wine"):
            self.fail("wine is not installed")
        if not os.environ.get("DISPLAY"):
            self.fail("no X display: run under xvfb-run (scripts/wine-tests.sh does)")
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-wine-test-")
        self.addCleanup(self.tmp.cleanup)
        self.dir = Path(self.tmp.name)
        self.release = self.dir / RELEASE_NAME
        shutil.copytree(DEMO_DIR / "release", self.release)
        self.user = self.dir / "user ß"
        self.discs = DEMO_DIR / "discs"
        self.launcher_processes = []
        self.addCleanup(self.end_launchers)

    def environment(self, **extra):
        # A UTF-8 locale: wine reads the Linux command line and paths in the locale's charset.
        env = {k: v for k, v in os.environ.items() if k not in CLEARED}
        env.update(ZA2D_USER_DIR=windows_path(self.user), LC_ALL="C.UTF-8", WINEDEBUG="-all",
                   LIBGL_ALWAYS_SOFTWARE="1")
        env.update(extra)
        return env

    def start(self, args, **env):
        command = ["wine", str(self.release / "scf-launcher.exe"), *map(str, args)]
        process = subprocess.Popen(command, cwd=self.dir, env=self.environment(**env),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   start_new_session=True)
        self.launcher_processes.append(process)
        return process

    def run_launcher(self, args, seconds, **env):
        process = self.start(args, **env)
        try:
            out, err = process.communicate(timeout=seconds)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
            raise AssertionError(f"the launcher did not end within {seconds} s\n"
                                 f"{err.decode(errors='replace')[-2000:]}") from None
        return process.returncode, out.decode(errors="replace"), err.decode(errors="replace")

    def end_launchers(self):
        for process in self.launcher_processes:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.communicate()
        # Whatever the test left of its release's programs goes too: found by this test's own
        # folder, never by the release's name, which the Linux launcher tests use as well.
        for pid, _ in wine_processes(self.dir.name):
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass


class TextModeTest(WineCase):
    def test_version_report(self):
        report = self.dir / "report é.txt"
        code, out, _ = self.run_launcher(["--version", "--report", windows_path(report)], 120)
        self.assertEqual(code, 0)
        self.assertEqual(out, "")
        text = report.read_bytes().decode("utf-8")
        self.assertRegex(text, r"\Aversion 0\.8\.0\ncommit [0-9a-f]{40}\n\Z")

    def test_version_on_standard_output(self):
        code, out, _ = self.run_launcher(["--version"], 120)
        self.assertEqual(code, 0)
        self.assertRegex(out, r"\Aversion 0\.8\.0\ncommit [0-9a-f]{40}\n\Z")

    def test_self_check_runs_the_kit(self):
        not_a_disc = self.dir / "notes ü.txt"
        not_a_disc.write_text("not a disc image\n", encoding="utf-8")
        report = self.dir / "self-check.txt"
        code, out, err = self.run_launcher(
            ["--self-check", windows_path(not_a_disc), "--report", windows_path(report)], 180)
        lines = report.read_text(encoding="utf-8").split("\n")
        self.assertEqual(lines[-1], "", "every line ends with a line feed")
        self.assertRegex(lines[0], r"^version 0\.8\.0$")
        self.assertRegex(lines[1], r"^commit [0-9a-f]{40}$")
        self.assertEqual(lines[2], "release " + windows_path(self.release))
        self.assertEqual(lines[3], "source version 0.8.0")
        self.assertRegex(lines[4], r"^whats_new [1-9]\d* bytes for ")
        self.assertRegex(lines[5], r"^disc check: .* / .*not an ISO9660 disc image")
        self.assertEqual(lines[6:], ["self-check OK", ""])
        self.assertEqual(code, 0, err[-2000:])

    def test_self_check_without_the_kit(self):
        shutil.rmtree(self.release / "kit")
        report = self.dir / "self-check.txt"
        code, _, _ = self.run_launcher(["--self-check", windows_path(self.dir / "x.txt"),
                                        "--report", windows_path(report)], 120)
        lines = report.read_text(encoding="utf-8").splitlines()
        self.assertIn("FAIL missing kit\\", lines)
        self.assertEqual(lines[-1], "self-check FAILED")
        self.assertFalse(any(line.startswith("disc check:") for line in lines))
        self.assertEqual(code, 1)


class SelftestTest(WineCase):
    def test_full_scenario(self):
        disc = self.dir / "disc images ß" / "Scrapfury copie é.iso"
        disc.parent.mkdir()
        shutil.copyfile(self.discs / "scrapfury-usa.iso", disc)
        shots = self.dir / "pictures ü ñ"
        code, out, err = self.run_launcher(
            ["--selftest", windows_path(disc), "--shots", windows_path(shots), "--ui-scale", "1",
             "--update-url", NO_HOST, "--wrong", windows_path(self.discs / "scrapfury-europe.iso"),
             "--cancel", "--play-seconds", "2"], 360,
            ZA2D_DEMO_BUILD_SECONDS="16", ZA2D_CAPTURE_WINDOW_DIR=windows_path(self.dir / "cap"))
        log = shots / "selftest.log"
        self.assertTrue(log.is_file(), f"no selftest.log; exit code {code}\n{err[-3000:]}")
        texts = log_texts(log)
        self.assertNotIn("FAIL", "\n".join(texts))
        found = find_in_order(texts, [
            re.escape(f"release {windows_path(self.release)}, user folder "
                      f"{windows_path(self.user)}"),
            "screenshot 01-welcome", "screenshot 02-welcome-fr", "screenshot 03-wrong-disc",
            "disc check: ok", "screenshot 05-ready", "build started", "step compile",
            r"stop at compile (\d+) %", "build resumed",
            r"  compile \d+\.\d{6} s", r"build ended after \d+\.\d{6} s: ready",
            r"notice: The game is ready\. Prepared in \d+:\d\d\. \(launcher\.ini "
            r"last_build_seconds \d+\.\d{6}\)",
            "screenshot 09-built", "screenshot 10-settings", "screenshot 11-settings-saved",
            "screenshot 12-maintenance", "screenshot 13-play-fr", "screenshot 14-settings-fr",
            r"game started \(pid [1-9]\d*\)", "asking the game to close",
            "game exited, code 0, crash report: none", "screenshot 15-after-play",
            "selftest done"])
        self.assertGreaterEqual(int(found[8].group(1)), 40)
        self.assertEqual(texts[1], "video windows, scale 1.000000")
        self.assertEqual(texts[-1], "selftest done")
        self.assertEqual(code, 0, err[-3000:])
        self.assertEqual(out, "", "the GUI mode prints nothing")
        # Every picture a log line announces is the whole window and shows something.
        names = [t[len("screenshot "):] + ".png" for t in texts if t.startswith("screenshot ")]
        for key in [t[len("step "):] for t in texts if t.startswith("step ")]:
            found_shots = sorted(shots.glob(f"06-build-*-{key}.png"))
            self.assertEqual(len(found_shots), 1, f"the build stage {key}")
            names.append(found_shots[0].name)
        names += ["07-build-compile-half.png", "08-stopped.png"]
        for name in names:
            self.assertTrue((shots / name).is_file(), f"missing picture {name}")
            width, height, colours = read_png(shots / name)
            self.assertEqual((width, height), WINDOW_SIZE, name)
            self.assertGreater(colours, 16, f"{name} is blank")
        # The built game and the settings, through paths with accents and spaces.
        game = self.release / "game"
        for name in ("scf.exe", "SXUS_902.10", "disc.iso", "built_from.ini"):
            self.assertTrue((game / name).is_file(), name)
        settings = (self.user / "launcher.ini").read_text(encoding="utf-8")
        self.assertIn(f"disc = {windows_path(disc)}\n", settings)
        video = (self.user / "video.ini").read_text(encoding="utf-8")
        self.assertRegex(video, r"(?m)^size = 1280x960$")


class ErrorDemoTest(WineCase):
    def test_vanishing_disc_then_a_stage_asked_to_fail(self):
        # The first build's disc is gone before it starts; the second is asked to fail at
        # compile, as ZA2D_DEMO_FAIL_STAGE=compile ./run.sh shows it.
        shots = self.dir / "pictures é"
        code, out, err = self.run_launcher(
            ["--selftest", windows_path(self.discs / "scrapfury-usa.iso"), "--shots",
             windows_path(shots), "--ui-scale", "1", "--update-url", NO_HOST, "--error-demo",
             "--play-seconds", "1"], 360,
            ZA2D_DEMO_BUILD_SECONDS="4", ZA2D_DEMO_FAIL_STAGE="compile")
        log = shots / "selftest.log"
        self.assertTrue(log.is_file(), f"no selftest.log; exit code {code}\n{err[-3000:]}")
        texts = log_texts(log)
        self.assertFalse([t for t in texts if t.startswith("FAIL")])
        find_in_order(texts, [
            "disc check: ok", "screenshot 04-build-error", "disc check: ok",
            "screenshot 05-ready", "build started",
            r"build ended after \d+\.\d{6} s: failed: the demo was asked to fail here "
            r"\(ZA2D_DEMO_FAIL_STAGE\)",
            "screenshot 09-built", "selftest done"])
        self.assertEqual(code, 0, err[-3000:])
        for name in ("04-build-error.png", "09-built.png"):
            width, height, colours = read_png(shots / name)
            self.assertEqual((width, height), WINDOW_SIZE, name)
            self.assertGreater(colours, 16, f"{name} is blank")
        # The stage's own log, which the stopped screen opens, says where it stopped.
        logs = self.release / "build" / "logs"
        compile_log = (logs / "compile.log").read_text(encoding="utf-8").splitlines()
        self.assertRegex(compile_log[-1], r"compile: failed: the demo was asked to fail here")
        self.assertFalse((self.release / "game" / "scf.exe").exists())


class TextureTest(WineCase):
    def build_game(self, disc):
        """The game built by the release's kit itself, as the launcher would run it."""
        source = self.release / "source"
        result = subprocess.run(
            ["wine", str(self.release / "kit" / "python" / "python.exe"), "-I", "-X", "utf8",
             windows_path(source / "tools" / "scf_build.py"), "--disc", windows_path(disc),
             "--out", windows_path(self.release / "build"), "--game",
             windows_path(self.release / "game")],
            cwd=source, env=self.environment(ZA2D_DEMO_BUILD_SECONDS="0"), capture_output=True,
            timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout.decode(errors="replace")[-2000:])
        self.assertTrue((self.release / "game" / "scf.exe").is_file())

    def test_textures_with_the_windows_upscaler(self):
        # What a Windows release ships: the upscaler with its extension, and only that.
        upscalers = sorted(p.name for p in (self.release / "kit" / "realesrgan").iterdir())
        self.assertEqual(upscalers, ["realesrgan-ncnn-vulkan.exe"])
        disc = self.discs / "scrapfury-usa.iso"
        self.build_game(disc)
        shots = self.dir / "textures ü"
        code, out, err = self.run_launcher(
            ["--selftest", windows_path(disc), "--shots", windows_path(shots), "--ui-scale",
             "1", "--update-url", NO_HOST, "--enhance"], 360, ZA2D_DEMO_ENHANCE_SECONDS="6")
        log = shots / "selftest.log"
        self.assertTrue(log.is_file(), f"no selftest.log; exit code {code}\n{err[-3000:]}")
        texts = log_texts(log)
        find_in_order(texts, ["screenshot e1-settings", "enhance started: yes",
                              "screenshot e2-dumping", "screenshot e3-upscaling",
                              "screenshot e4-done",
                              r"enhance: 7 textures, ok: Done\. The game uses them .*"])
        self.assertEqual(code, 0, err[-3000:])
        for name in ("e1-settings", "e2-dumping", "e3-upscaling", "e4-done"):
            width, height, colours = read_png(shots / f"{name}.png")
            self.assertEqual((width, height), WINDOW_SIZE, name)
            self.assertGreater(colours, 16, f"{name} is blank")
        self.assertEqual(len(list((self.user / "texture_pack").glob("*.png"))), 7)


class KillOnCloseTest(WineCase):
    def test_killing_the_launcher_ends_the_kit_tree(self):
        pids = self.dir / "pids"
        pids.mkdir()
        shots = self.dir / "shots"
        process = self.start(
            ["--selftest", windows_path(self.discs / "scrapfury-usa.iso"), "--shots",
             windows_path(shots), "--ui-scale", "1", "--update-url", NO_HOST],
            ZA2D_DEMO_BUILD_SECONDS="300", ZA2D_STANDIN_PID_DIR=windows_path(pids),
            ZA2D_STANDIN_CHILD="1")
        # The build's stand-in and the child it started are both running.
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            started = [p.read_text(encoding="utf-8") for p in pids.glob("python-*.txt")]
            if any("--out" in text for text in started) and any(
                    "--standin-wait" in text for text in started):
                break
            if process.poll() is not None:
                self.fail(f"the launcher ended first: {process.communicate()[1][-2000:]}")
            time.sleep(0.2)
        else:
            self.fail(f"the build did not start within 120 s: {sorted(os.listdir(pids))}")
        # wine's tasklist lists nothing: the processes are looked for on the Linux side, where a
        # wine process shows its program's path.
        self.assertGreaterEqual(len(self.kit_processes()), 2, wine_processes("python.exe"))

        kill = subprocess.run(["wine", "taskkill", "/F", "/IM", "scf-launcher.exe"],
                              env=self.environment(), capture_output=True, timeout=60)
        self.assertEqual(kill.returncode, 0, kill.stderr.decode(errors="replace"))
        process.communicate(timeout=60)
        # The job ends every process of the kit's tree with the launcher.
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            left = self.kit_processes()
            if not left:
                break
            time.sleep(0.5)
        else:
            self.fail(f"the kit's processes outlived the launcher: {left}")

    @staticmethod
    def kit_processes():
        return [c for _, c in wine_processes("python.exe") if RELEASE_NAME in c]


if __name__ == "__main__":
    unittest.main()
