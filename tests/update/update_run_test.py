"""An update from end to end: the launcher of a demo release 0.8.0, whose game is built, finds
0.9.0 (signed with the build's demo key) on the local release host, downloads, checks and
installs it with --update-now, restarts itself with the same arguments and the tag it installed,
and the new start is the 0.9.0 release asking for a rebuild. Its launcher still reports 0.8.0,
so the host's 0.9.0 still reads as newer to it: it must not install it again."""

import os
import subprocess
import sys
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parent.parent
sys.path.insert(0, str(HERE.parent / "harness"))

from launcher_run import (ReleaseHost, Workspace, check_picture, demo_missing,  # noqa
                          find_in_order, log_texts)

NEW_COMMIT = "9" * 40
RUN_SECONDS = 200


def python():
    return [sys.executable, "-B", "-I", "-X", "utf8"]


class UpdateRunTest(unittest.TestCase):
    def setUp(self):
        if demo_missing():
            self.fail(demo_missing())
        if not os.environ.get("DISPLAY"):
            self.skipTest("needs a display (ctest runs this under xvfb-run)")
        self.work = Workspace("release 0.8.0 é")
        self.addCleanup(self.work.cleanup)

    def make_new_release(self, host_root):
        demo = Path(os.environ["SCF_DEMO_DIR"])
        build = demo.parent
        result = subprocess.run(
            python() + [str(SOURCE / "tools" / "make_release.py"),
                        "--launcher", str(build / "scf-launcher"),
                        "--game", str(build / "kit" / "scf"),
                        "--out", str(self.work.dir / "new release"), "--version", "0.9.0",
                        "--commit", NEW_COMMIT, "--archive", str(host_root / "v0.9.0"),
                        # Signed with the demo key the build's launcher trusts.
                        "--key", str(build / "demo" / "keys" / "demo.key")],
            capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        archive = host_root / "v0.9.0" / "ZER_Avudud-0.9.0-ravelin.zip"
        self.assertTrue(archive.with_name(archive.name + ".minisig").is_file(), "not signed")

    def test_update_now_installs_restarts_and_asks_for_a_rebuild(self):
        disc = self.work.discs / "scrapfury-usa.iso"
        self.work.build_game(disc)
        old_commit = (self.work.release / "game" / "built_from.ini").read_text(encoding="utf-8")
        host_root = self.work.dir / "host"
        self.make_new_release(host_root)
        # The host offers 0.9.0 to every start: the new one must not install it once more.
        host = ReleaseHost("--root", str(host_root), "--tag", "v0.9.0")
        self.addCleanup(host.stop)

        shots = self.work.dir / "shots"
        log = shots / "selftest.log"
        command = [str(self.work.release / "scf-launcher"), "--selftest", str(disc), "--screens",
                   "--shots", str(shots), "--ui-scale", "1",
                   "--update-url", host.base + "/repos/ZavUdedaved/ZER_Avudud/releases/latest",
                   "--download-prefix", host.base + "/ZavUdedaved/ZER_Avudud/releases/download/",
                   "--update-now"]
        first = subprocess.Popen(command, cwd=self.work.dir, env=self.work.environment(),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            _, err = first.communicate(timeout=RUN_SECONDS)
        except subprocess.TimeoutExpired:
            first.kill()
            first.communicate()
            self.fail("the old launcher neither restarted nor ended")
        # The old launcher has ended after starting the new one; the new one runs the screens
        # scenario to its end on its own.
        deadline = time.monotonic() + RUN_SECONDS
        texts = []
        while time.monotonic() < deadline:
            if log.is_file():
                texts = log_texts(log)
                # The new start's lines: the old start's were overwritten when it began.
                if texts and texts[-1] == "screens done" and any(NEW_COMMIT in t for t in texts):
                    break
            time.sleep(0.5)
        self.assertTrue(texts and texts[-1] == "screens done" and
                        any(NEW_COMMIT in t for t in texts),
                        "the new start did not finish its screens:\n" + "\n".join(texts)
                        + err.decode(errors="replace")[-2000:])

        release_ini = (self.work.release / "source" / "release.ini").read_text(encoding="utf-8")
        self.assertIn("0.9.0", release_ini)
        self.assertIn(NEW_COMMIT, release_ini)
        # The new start knows the new source and the game built from the old one: the Play tab
        # asks for a rebuild. It saw 0.9.0 offered again and did not install it: no third start
        # rewrites the log.
        source, built = find_in_order(texts, [
            r"update check: state 3, 0\.9\.0 .*",
            rf"source ({NEW_COMMIT}), built from ([0-9a-f]{{40}})"])[1].groups()
        time.sleep(3)
        self.assertEqual(log_texts(log), texts, "the new start installed 0.9.0 once more")
        update = self.work.release / "update"
        kept = sorted(p.name for p in update.iterdir()) if update.is_dir() else []
        self.assertEqual([name for name in kept if "ravelin" in name], [], "a download was kept")
        self.assertNotEqual(source, built)
        self.assertIn(built, old_commit)
        check_picture(self, shots / "s1-play.png")
        self.assertTrue((self.work.release / "game" / "scf").is_file(), "the built game is kept")

    def test_an_installer_outlives_its_launcher(self):
        """The launcher killed while its installer runs: the install still completes."""
        host_root = self.work.dir / "host"
        self.make_new_release(host_root)
        host = ReleaseHost("--root", str(host_root), "--tag", "v0.9.0")
        self.addCleanup(host.stop)
        # The old release's installer waits for a word from the test before it installs.
        tools = self.work.release / "source" / "tools"
        os.replace(tools / "apply_update.py", tools / "apply_update_real.py")
        started, go = self.work.dir / "installer-started", self.work.dir / "go"
        (tools / "apply_update.py").write_text(
            "import os, runpy, sys, time\n"
            f"open({str(started)!r}, 'w').close()\n"
            "for _ in range(6000):\n"
            f"    if os.path.exists({str(go)!r}): break\n"
            "    time.sleep(0.01)\n"
            "sys.argv[0] = os.path.join(os.path.dirname(os.path.abspath(__file__)), "
            "'apply_update_real.py')\n"
            "runpy.run_path(sys.argv[0], run_name='__main__')\n", encoding="utf-8")
        launcher = subprocess.Popen(
            [str(self.work.release / "scf-launcher"), "--ui-scale", "1", "--update-now",
             "--update-url", host.base + "/repos/ZavUdedaved/ZER_Avudud/releases/latest",
             "--download-prefix", host.base + "/ZavUdedaved/ZER_Avudud/releases/download/"],
            cwd=self.work.dir, env=self.work.environment(), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 60
            while not started.exists() and time.monotonic() < deadline and launcher.poll() is None:
                time.sleep(0.1)
            self.assertTrue(started.exists(), "the launcher did not start its installer")
        finally:
            launcher.kill()
            launcher.wait(timeout=10)
        go.touch()
        release_ini = self.work.release / "source" / "release.ini"
        deadline = time.monotonic() + 60
        while NEW_COMMIT not in release_ini.read_text(encoding="utf-8") and \
                time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertIn(NEW_COMMIT, release_ini.read_text(encoding="utf-8"),
                      "the install did not complete after the launcher was killed")
        self.assertIn("0.9.0", release_ini.read_text(encoding="utf-8"))

    def screens_run(self, host, shots, *extra, **env):
        """The launcher's screens scenario on the release, with the host's update offered."""
        command = [str(self.work.release / "scf-launcher"), "--selftest",
                   str(self.work.discs / "scrapfury-usa.iso"), "--screens", "--shots", str(shots),
                   "--ui-scale", "1",
                   "--update-url", host.base + "/repos/ZavUdedaved/ZER_Avudud/releases/latest",
                   "--download-prefix", host.base + "/ZavUdedaved/ZER_Avudud/releases/download/",
                   *extra]
        run = subprocess.run(command, cwd=self.work.dir, env=self.work.environment(**env),
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                             timeout=RUN_SECONDS)
        return log_texts(shots / "selftest.log"), run

    def test_an_install_cut_short_is_recovered_at_the_next_start(self):
        host_root = self.work.dir / "host"
        self.make_new_release(host_root)
        archive = host_root / "v0.9.0" / "ZER_Avudud-0.9.0-ravelin.zip"
        # Where the install step begins in the installer's output, from a run on a copy.
        trial = self.work.dir / "trial"
        subprocess.run(["cp", "-a", str(self.work.release), str(trial)], check=True, timeout=60)
        trial_run = subprocess.run(
            python() + [str(trial / "source" / "tools" / "apply_update.py"), "--zip", str(archive),
                        "--sha256", str(archive) + ".sha256", "--version", "0.9.0",
                        "--install", str(trial)],
            capture_output=True, text=True, timeout=120)
        lines = trial_run.stdout.splitlines()
        self.assertIn("step install", lines, trial_run.stdout + trial_run.stderr)
        kill_at = lines.index("step install") + 2

        host = ReleaseHost("--root", str(host_root), "--tag", "v0.9.0")
        self.addCleanup(host.stop)
        journal = self.work.release / "update" / "journal.json"
        texts, _ = self.screens_run(host, self.work.dir / "shots-1", "--update-now",
                                    ZA2D_DEMO_UPDATE_KILL_AT=str(kill_at))
        self.assertTrue(journal.is_file(), "the install was not cut short:\n" + "\n".join(texts))

        # The next start (no update now) finishes or undoes it before anything else.
        texts, run = self.screens_run(host, self.work.dir / "shots-2")
        self.assertEqual(texts[-1:], ["screens done"], run.stderr.decode(errors="replace"))
        self.assertFalse(journal.exists(), "the next start did not recover the release")
        ini = (self.work.release / "source" / "release.ini").read_text(encoding="utf-8")
        self.assertTrue(("version = 0.9.0" in ini and NEW_COMMIT in ini) or
                        ("version = 0.8.0" in ini and NEW_COMMIT not in ini), ini)


if __name__ == "__main__":
    unittest.main()
