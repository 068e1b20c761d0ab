"""The launcher's scripted self-test run for real under a display, on a copy of the demo release
with the demo kit at a fast build speed: its exit code, selftest.log and every picture."""

import re
import shutil
import unittest
from pathlib import Path

from launcher_run import (ReleaseHost, Workspace, check_picture, demo_missing, find_in_order,
                          keep_picture, log_texts, read_png)
from weston import Weston

# Generous: a run takes about a minute under a software renderer on a busy machine.
RUN_SECONDS = 270
# The update check at start-up stays on this machine: a closed port answers at once.
NO_HOST = "http://127.0.0.1:9/repos/ZavUdedaved/ZER_Avudud/releases/latest"


class SelftestRunCase(unittest.TestCase):
    release_name = "release"
    # The run needs an X display (one of its own when there is none).
    x_display = True

    def setUp(self):
        if demo_missing():
            self.fail(demo_missing())
        self.work = Workspace(self.release_name)

    def tearDown(self):
        self.work.cleanup()

    def run_selftest(self, disc, shots, *options, build_seconds="12", **env):
        code, out, err = self.work.run(
            ["--selftest", disc, "--shots", shots, "--ui-scale", "1", "--update-url", NO_HOST,
             *options], RUN_SECONDS,
            gui=self.x_display, ZA2D_DEMO_BUILD_SECONDS=build_seconds,
            ZA2D_CAPTURE_WINDOW_DIR=str(self.work.dir / "captures"), **env)
        log = Path(shots) / "selftest.log"
        self.assertTrue(log.is_file(), f"no selftest.log; exit code {code}\n{err[-3000:]}")
        texts = log_texts(log)
        self.assertEqual(out, "", "the GUI mode prints nothing")
        return code, texts, err

    def check_pictures(self, shots, texts, extra=()):
        """Every picture a log line announces, and the extra ones, exist and show the window."""
        names = [m[len("screenshot "):] + ".png" for m in texts if m.startswith("screenshot ")]
        steps = [m[len("step "):] for m in texts if m.startswith("step ")]
        for key in steps:
            found = sorted(Path(shots).glob(f"06-build-*-{key}.png"))
            self.assertEqual(len(found), 1, f"the build stage {key} has {len(found)} pictures")
            names.append(found[0].name)
        for name in list(names) + list(extra):
            check_picture(self, Path(shots) / name)
        return names


class FullScenarioTest(SelftestRunCase):
    # Spaces and non-ASCII letters in the release folder, the shots folder and the disc image.
    release_name = "release folder é ü"
    video = "x11"

    def test_wrong_disc_cancel_and_crash(self):
        disc = self.work.dir / "disc images ß" / "Scrapfury copie é.iso"
        disc.parent.mkdir()
        shutil.copyfile(self.work.discs / "scrapfury-usa.iso", disc)
        shots = self.work.dir / "pictures ü ñ" / "run 1"
        code, texts, err = self.run_selftest(
            disc, shots, "--wrong", self.work.discs / "scrapfury-europe.iso", "--cancel",
            "--crash-seconds", "2", "--play-seconds", "2", build_seconds="16")
        self.assertNotIn("FAIL", "\n".join(texts))
        crashes = re.escape(str(self.work.user / "crashes")) + r"/[^/]+\.txt"
        found = find_in_order(texts, [
            re.escape(f"release {self.work.release}, user folder {self.work.user}"),
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
            r"game started to crash \(pid [1-9]\d*\)",
            r"game exited, code [1-9]\d*, crash report: " + crashes, "screenshot 16-crash",
            "selftest done"])
        self.assertGreaterEqual(int(found[8].group(1)), 40)
        self.assertEqual(texts[1], f"video {self.video}, scale 1.000000")
        self.assertEqual(texts[-1], "selftest done")
        self.assertEqual(code, 0, err[-3000:])
        # The stop was photographed after the stop line and before the build resumed.
        stop = texts.index(found[8].group(0))
        self.assertEqual(texts[stop + 1:texts.index("build resumed")], [],
                         "08-stopped is not logged; nothing may come between")
        self.check_pictures(shots, texts, extra=["07-build-compile-half.png", "08-stopped.png"])
        # The accepted image, its non-ASCII path included, and the video change were saved.
        settings = self.read_ini(self.work.user / "launcher.ini")
        self.assertEqual(settings.get("disc"), str(disc))
        video = self.read_ini(self.work.user / "video.ini")
        self.assertEqual((video.get("size"), video.get("mode")), ("1280x960", "windowed"))
        # Each game run got its own window-capture folder.
        for name in ("play", "crash"):
            self.assertTrue((self.work.dir / "captures" / name).is_dir(), name)

    @staticmethod
    def read_ini(path):
        values = {}
        for line in path.read_text(encoding="utf-8").splitlines():
            if "=" in line and not line.lstrip().startswith(("#", ";", "[")):
                key, value = line.split("=", 1)
                values[key.strip()] = value.strip()
        return values


class FullScenarioOnWaylandTest(FullScenarioTest):
    """The same run drawn natively on Wayland: a headless Weston of the test's own, and no X
    server (the launcher and the game it starts find only the compositor)."""
    video = "wayland"
    x_display = False

    def setUp(self):
        # First: a compositor that does not start leaves nothing else behind.
        self.weston = Weston()
        self.addCleanup(self.weston.stop)
        super().setUp()

    def run_selftest(self, disc, shots, *options, **env):
        return super().run_selftest(disc, shots, *options, **self.weston.environment(), **env)


class ScaledWaylandTest(SelftestRunCase):
    """On a Wayland output of scale 2 the automatic UI scale is 2: the window is drawn at the
    output's own density, twice the size in pixels, not enlarged by the compositor."""
    x_display = False

    def test_screens_at_the_outputs_scale(self):
        weston = Weston("--width=2560", "--height=1600", "--scale=2")
        self.addCleanup(weston.stop)
        shots = self.work.dir / "screens"
        code, out, err = self.work.run(
            ["--selftest", self.work.discs / "scrapfury-usa.iso", "--shots", shots, "--screens",
             "--update-url", NO_HOST], RUN_SECONDS, **weston.environment())
        texts = log_texts(shots / "selftest.log")
        self.assertEqual(texts[1], "video wayland, scale 2.000000")
        self.assertEqual(texts[-1], "screens done")
        self.assertEqual(code, 0, err[-3000:])
        width, height, colours = read_png(shots / "s1-play.png")
        self.assertEqual((width, height), (2240, 1520))
        self.assertGreater(colours, 16)


class DrivenScenarioCase(SelftestRunCase):
    """The full road walked with one device's presses only: both images picked from the
    in-window list, the build stopped and resumed, the game played and crashed."""
    option = None
    names = None       # the device's buttons as the log names them
    crash_press = None  # the press that starts the crash run
    activate = None

    def run_driven(self, shots, **env):
        discs = self.work.discs
        return self.run_selftest(
            discs / "scrapfury-usa.iso", shots, self.option, "--wrong",
            discs / "scrapfury-europe.iso", "--cancel", "--crash-seconds", "2", "--play-seconds",
            "2", build_seconds="12", SCF_DISC_PLACES=str(discs), **env)

    def press(self, effect):
        return re.escape(f"press {self.activate}: {effect}")

    def test_whole_road(self):
        if self.option is None:
            self.skipTest("the device is chosen by the subclasses")
        shots = self.work.dir / "shots"
        code, texts, err = self.run_driven(shots)
        self.assertNotIn("FAIL", "\n".join(texts))
        crashes = re.escape(str(self.work.user / "crashes")) + r"/[^/]+\.txt"
        activated = 'activated "{}"'.format
        found = find_in_order(texts, [
            "input: " + self.option[2:], "screenshot 01-welcome", "screenshot 02-welcome-fr",
            self.press(activated("Find disc images")),
            r"disc list: \d+ images, scrapfury-europe\.iso among them",
            self.press(activated("scrapfury-europe.iso")), "screenshot 03-wrong-disc",
            self.press(activated("Find disc images")),
            self.press(activated("scrapfury-usa.iso")), "disc check: ok",
            "screenshot 05-ready", self.press(activated("Prepare the game")), "build started",
            r"stop at compile (\d+) %", self.press(activated("Stop")),
            self.press(activated("Continue preparing")), "build resumed",
            r"build ended after \d+\.\d{6} s: ready", "screenshot 09-built",
            re.escape(f"press {self.names['next tab']}: Settings tab"),
            "screenshot 10-settings", "screenshot 11-settings-saved",
            re.escape(f"press {self.names['next tab']}: Maintenance tab"),
            "screenshot 12-maintenance",
            re.escape(f"press {self.names['previous tab']}: Settings tab"),
            re.escape(f"press {self.names['previous tab']}: Play tab"), "screenshot 13-play-fr",
            re.escape(f"press {self.names['next tab']}: Settings tab"),
            "screenshot 14-settings-fr",
            re.escape(f"press {self.names['previous tab']}: Play tab"),
            self.press(activated("Play")), r"game started \(pid [1-9]\d*\)",
            "game exited, code 0, crash report: none", "screenshot 15-after-play",
            re.escape(self.crash_press), r"game started to crash \(pid [1-9]\d*\)",
            r"game exited, code [1-9]\d*, crash report: " + crashes, "screenshot 16-crash",
            "selftest done"])
        self.assertGreaterEqual(int(found[13].group(1)), 40)
        self.assertEqual(texts[-1], "selftest done")
        self.assertEqual(code, 0, err[-3000:])
        # Every press is one of this device's buttons, and says what it did.
        buttons = "|".join(re.escape(name) for name in self.names.values())
        effect = r'(focus on|focus ring on|activated) ".+"(, game running)?|\w+ tab'
        presses = [t for t in texts if t.startswith("press ")]
        self.assertGreater(len(presses), 15)
        for line in presses:
            self.assertRegex(line, rf"^press ({buttons}): ({effect})$")
        self.check_pictures(shots, texts, extra=["07-build-compile-half.png", "08-stopped.png"])
        # The focus ring on Stop, for people to look at.
        keep_picture(shots / "07-build-compile-half.png",
                     f"{self.option[2:]}-07-build-compile-half.png")
        # The image picked in the list is the one the game was built from.
        self.assertIn(f"disc = {self.work.discs / 'scrapfury-usa.iso'}\n",
                      (self.work.user / "launcher.ini").read_text(encoding="utf-8"))

    def test_press_without_effect_fails(self):
        if self.option is None:
            self.skipTest("the device is chosen by the subclasses")
        shots = self.work.dir / "lost"
        # The first press of the activating button is lost on its way.
        code, texts, err = self.run_driven(shots, SCF_SELFTEST_SWALLOW_PRESS=self.activate)
        self.assertEqual(code, 1, err[-3000:])
        self.assertEqual(texts[-1], f"FAIL press {self.activate} had no effect: nothing was "
                         'activated (focus on "Find disc images")')
        self.assertNotIn("selftest done", texts)
        self.assertNotIn("disc check: ok", texts)


class GamepadScenarioTest(DrivenScenarioCase):
    option = "--gamepad"
    activate = "A"
    names = {"activate": "A", "start": "Start", "next tab": "RB", "previous tab": "LB",
             "up": "D-pad up", "down": "D-pad down", "left": "D-pad left",
             "right": "D-pad right"}
    crash_press = 'press Start: activated "Play", game running'


class KeyboardScenarioTest(DrivenScenarioCase):
    option = "--keyboard"
    activate = "Enter"
    names = {"activate": "Enter", "next": "Tab", "previous": "Shift+Tab",
             "next tab": "Ctrl+Tab", "previous tab": "Ctrl+Shift+Tab", "up": "Up",
             "down": "Down", "left": "Left", "right": "Right"}
    crash_press = 'press Enter: activated "Play"'


class ErrorDemoTest(SelftestRunCase):
    def test_vanishing_disc(self):
        shots = self.work.dir / "shots"
        code, texts, err = self.run_selftest(self.work.discs / "scrapfury-usa.iso", shots,
                                             "--error-demo", "--play-seconds", "1",
                                             build_seconds="8")
        find_in_order(texts, [
            "screenshot 01-welcome", "screenshot 02-welcome-fr", "disc check: ok",
            "screenshot 04-build-error", "disc check: ok", "screenshot 05-ready",
            "build started", r"build ended after \d+\.\d{6} s: ready", "screenshot 09-built",
            "screenshot 14-settings-fr", r"game started \(pid [1-9]\d*\)",
            r"game exited, code \d+, crash report: .*", "screenshot 15-after-play",
            "selftest done"])
        self.assertNotIn("FAIL", "\n".join(texts))
        self.assertFalse(any(t.startswith("game started to crash") for t in texts))
        self.assertEqual(code, 0, err[-3000:])
        self.check_pictures(shots, texts)
        # The copy was checked, then deleted before its build started; the image the game was
        # built from is the one checked after it.
        self.assertFalse((shots / "vanishing-disc.iso").exists())
        self.assertIn(f"disc = {self.work.discs / 'scrapfury-usa.iso'}\n",
                      (self.work.user / "launcher.ini").read_text(encoding="utf-8"))


class ScreensAndTextureTest(SelftestRunCase):
    def test_screens(self):
        shots = self.work.dir / "screens"
        host = ReleaseHost("--tag", "v0.9.0")
        self.addCleanup(host.stop)
        latest = host.base + "/repos/ZavUdedaved/ZER_Avudud/releases/latest"
        code, texts, err = self.run_selftest(self.work.discs / "scrapfury-usa.iso", shots,
                                             "--screens", "--enhance", "--update-url", latest)
        commit = (self.work.release / "source" / "release.ini").read_text(encoding="utf-8")
        commit = re.search(r"(?m)^commit = (\w+)$", commit).group(1)
        pictures = ["s1-play", "s2-settings", "s3-maintenance", "s4-play-fr",
                    "s5-maintenance-fr", "s6-whats-new"]
        # The local release host offers a newer release.
        self.assertEqual(texts[1], "video x11, scale 1.000000")
        self.assertEqual(texts[2:8], [f"screenshot {name}" for name in pictures])
        self.assertEqual(texts[8], "update check: state 3, 0.9.0 " + host.base
                         + "/ZavUdedaved/ZER_Avudud/releases/tag/v0.9.0 ")
        self.assertEqual(texts[9:], [f"source {commit}, built from ", "screens done"])
        self.assertEqual(code, 0, err[-3000:])
        self.check_pictures(shots, texts)

    def test_textures(self):
        disc = self.work.discs / "scrapfury-usa.iso"
        self.work.build_game(disc)
        shots = self.work.dir / "enhance"
        code, texts, err = self.run_selftest(disc, shots, "--enhance",
                                             ZA2D_DEMO_ENHANCE_SECONDS="6")
        find_in_order(texts, ["screenshot e1-settings", "enhance started: yes",
                              "screenshot e2-dumping", "screenshot e3-upscaling",
                              "screenshot e4-done", r"enhance: 7 textures, ok: .*"])
        self.assertEqual(code, 0, err[-3000:])
        self.check_pictures(shots, texts)
        self.assertEqual(len(list((self.work.user / "texture_pack").glob("*.png"))), 7)
        keep_picture(shots / "e2-dumping.png", "texture-panel-mid-run.png")


if __name__ == "__main__":
    unittest.main()
