"""The session ends during a build (SIGTERM, as a logout or a shutdown sends it): the launcher
stops the build, banks its time and exits at once, leaving no process of the kit behind."""

import os
import signal
import subprocess
import time
import unittest
from pathlib import Path

from launcher_run import XVFB, Workspace, demo_missing

NO_HOST = "http://127.0.0.1:9/repos/none/none/releases/latest"


def processes_naming(text):
    """Pids of the processes whose command line holds text."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            line = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue
        if text in line:
            found.append(int(entry.name))
    return found


def launcher_pids(exe):
    """The launcher's own process: the one running exe whose parent does not (the launcher may
    hold helper processes of its own, started from the same program)."""
    running = {}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if os.readlink(entry / "exe") == str(exe):
                running[int(entry.name)] = int((entry / "stat").read_text().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
    return [pid for pid, parent in running.items() if parent not in running]


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


class SessionEndTest(unittest.TestCase):
    def setUp(self):
        if demo_missing():
            self.fail(demo_missing())
        self.work = Workspace("release session")

    def tearDown(self):
        for pid in processes_naming(str(self.work.dir)):
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        self.work.cleanup()

    def test_sigterm_during_a_build_stops_it_banks_its_time_and_exits(self):
        shots = self.work.dir / "shots"
        command = [str(self.work.release / "scf-launcher"), "--selftest",
                   str(self.work.discs / "scrapfury-usa.iso"), "--shots", str(shots),
                   "--ui-scale", "1", "--update-url", NO_HOST]
        env = self.work.environment(ZA2D_DEMO_BUILD_SECONDS="120")
        display = [] if os.environ.get("DISPLAY") else XVFB
        outer = subprocess.Popen(display + command, cwd=self.work.dir, env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                 start_new_session=True)
        try:
            launcher = []
            building = lambda: processes_naming("--out " + str(self.work.release / "build"))
            self.assertTrue(wait_until(building, 120), "the self-test's build never started")
            launcher = launcher_pids(self.work.release / "scf-launcher")
            self.assertEqual(len(launcher), 1, launcher)
            time.sleep(1.5)  # the build has run a while: there is time to bank
            signalled = time.monotonic()
            os.kill(launcher[0], signal.SIGTERM)
            ended = wait_until(lambda: not Path(f"/proc/{launcher[0]}").exists()
                               or Path(f"/proc/{launcher[0]}/stat").read_text().split()[2] == "Z",
                               10)
            took = time.monotonic() - signalled
            self.assertTrue(ended, "the launcher did not end")
            self.assertLess(took, 3.0, "the launcher took too long to end")
            self.assertTrue(wait_until(lambda: not building(), 3), "the kit outlived the launcher")
            settings = (self.work.user / "launcher.ini").read_text(encoding="utf-8")
            pending = [line for line in settings.splitlines()
                       if line.startswith("pending_build_seconds")]
            self.assertEqual(len(pending), 1, settings)
            self.assertGreater(float(pending[0].split("=")[1]), 1.0, settings)
            self.assertIn("build_pending = 1", settings)
        finally:
            try:
                os.killpg(outer.pid, signal.SIGKILL)
            except OSError:
                pass
            outer.communicate(timeout=30)


if __name__ == "__main__":
    unittest.main()
