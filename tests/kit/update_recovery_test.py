"""The update installer cut short, the hard way: killed at every output line of its install and
finish steps (and of its own recovery), by itself and from outside, then recovered, the release
compared file by file with the pristine old and new trees; two installers at once; the lock; a
closed output; a damaged journal."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

import update_test as base
from kit_support import TOOLS, make_release

OLD, NEW = base.OLD, base.NEW
USER_FOLDERS = base.USER_FOLDERS
KILLED = -signal.SIGKILL


class Run:
    """One installer run's exit code and output lines."""

    def __init__(self, code, lines):
        self.code = code
        self.lines = lines

    def __repr__(self):
        return f"exit {self.code}: " + " | ".join(self.lines[-6:])


class RecoveryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="scf-recovery-test-")
        top = Path(cls.tmp.name)
        for version, commit in ((OLD, "1" * 40), (NEW, "2" * 40)):
            stand_in = top / version / "scf-launcher"
            stand_in.parent.mkdir()
            stand_in.write_text(f"#!/bin/sh\necho launcher {version}\n")
            game = top / version / "scf"
            game.write_text(f"#!/bin/sh\necho game {version}\n")
            make_release.assemble(top / f"release-{version}", stand_in, game, commit, version)
        cls.old = top / f"release-{OLD}"
        cls.new = top / f"release-{NEW}"
        # A small release keeps the loops short: the installer with its modules, release.ini,
        # a kit module, the launcher, the game and a few more files.
        for release in (cls.old, cls.new):
            tools = release / "source" / "tools"
            for name in ("scf_build.py", "scf_texture_enhance.py", "scf_enhance"):
                shutil.rmtree(tools / name) if (tools / name).is_dir() else (tools / name).unlink()
            for module in (tools / "scf_kit").iterdir():
                if module.name != "__init__.py":
                    module.unlink()
            shutil.rmtree(release / "kit" / "realesrgan")
        # Every kind of change: a kit module the new release drops, a file standing where the new
        # release has a folder, a new folder with a file.
        (cls.old / "source" / "tools" / "scf_kit" / "gone.py").write_text("x = 1\n")
        (cls.old / "kit" / "extra").write_text("a file where a folder comes\n")
        (cls.new / "kit" / "extra" / "deeper").mkdir(parents=True)
        (cls.new / "kit" / "extra" / "deeper" / "notes.txt").write_text("new\n")
        # The user's own folders, and the download in the update folder as the launcher leaves it.
        (cls.old / "game").mkdir()
        (cls.old / "game" / "scf").write_text("built game\n")
        (cls.old / "user").mkdir()
        (cls.old / "user" / "launcher.ini").write_text("disc = /x.iso\n")
        made = subprocess.run(
            [sys.executable, "-B", "-I", "-X", "utf8", str(TOOLS / "make_release.py"), "--out",
             str(cls.new), "--archive", str(top / "host")],
            capture_output=True, text=True, timeout=120)
        assert made.returncode == 0, made.stderr
        cls.archive = top / "host" / base.ARCHIVE
        cls.old_tree = base.tree(cls.old, USER_FOLDERS)
        cls.new_tree = base.tree(cls.new)
        cls.user_tree = {name: base.tree(cls.old / name) for name in ("game", "user")}
        assert cls.old_tree != cls.new_tree

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.work = tempfile.TemporaryDirectory(prefix="scf-recovery-case-")
        self.dir = Path(self.work.name)
        self.release = self.dir / "release"
        self.fresh()

    def tearDown(self):
        self.work.cleanup()

    def fresh(self):
        """The old release again, with the download in its update folder."""
        if self.release.exists():
            shutil.rmtree(self.release)
        shutil.copytree(self.old, self.release, symlinks=True)
        update = self.release / "update"
        update.mkdir()
        shutil.copyfile(self.archive, update / self.archive.name)
        shutil.copyfile(f"{self.archive}.sha256", update / f"{self.archive.name}.sha256")
        (update / f"{self.archive.name}.minisig").write_text("the launcher's signature\n")

    def command(self, *arguments, recover=False):
        script = str(self.release / "source" / "tools" / "apply_update.py")
        if recover:
            return base.INSTALLER_PYTHON + [script, "--recover", "--install", str(self.release)]
        archive = self.release / "update" / self.archive.name
        return base.INSTALLER_PYTHON + [script, "--zip", str(archive), "--sha256",
                                        f"{archive}.sha256", "--version", NEW, "--install",
                                        str(self.release), *arguments]

    def environment(self, **extra):
        environment = {k: v for k, v in os.environ.items() if not k.startswith("ZA2D_DEMO_UPDATE")}
        environment.update(extra)
        return environment

    def run_installer(self, recover=False, **extra):
        result = subprocess.run(self.command(recover=recover), cwd=self.release,
                                capture_output=True, text=True, env=self.environment(**extra),
                                timeout=60, stdin=subprocess.DEVNULL)
        self.assertEqual(result.stderr, "")
        lines = result.stdout.splitlines()
        for line in lines:
            self.assertRegex(line, base.LINE)
        return Run(result.returncode, lines)

    def assert_whole(self, tree, what):
        """The release is exactly tree, the user's folders untouched, nothing left over."""
        self.assertEqual(base.tree(self.release, USER_FOLDERS + ("update",)), tree, what)
        self.assertEqual({name: base.tree(self.release / name) for name in ("game", "user")},
                         self.user_tree, what)
        self.assertFalse((self.release / "update").exists(), what)
        self.assertFalse((self.release / "build").exists(), what)

    def full_run(self):
        """A whole install's output: the line numbers of the install and finish steps."""
        run = self.run_installer()
        self.assertEqual(run.code, 0, run)
        self.assertEqual(run.lines[-1], f"done {NEW}")
        install = run.lines.index("step install")
        finish = run.lines.index("step finish")
        self.assert_whole(self.new_tree, "an install that was not cut short")
        return install, finish, len(run.lines)

    def recover(self, expected, what, **extra):
        run = self.run_installer(recover=True, **extra)
        self.assertEqual(run.code, 0, f"{what}: {run}")
        self.assertEqual(run.lines[0], "step recover", what)
        self.assertEqual(run.lines[-1], f"recovered {expected}", what)
        return run

    def test_killed_at_every_line_of_install_and_finish_then_recovered(self):
        install, finish, count = self.full_run()
        self.assertGreater(finish - install, 20)
        for line in range(install + 1, count):
            what = f"killed at line {line + 1} of {count}"
            self.fresh()
            run = self.run_installer(ZA2D_DEMO_UPDATE_KILL_AT=str(line + 1))
            self.assertEqual(run.code, KILLED, what)
            committed = line >= finish
            if line == count - 1:
                self.assert_whole(self.new_tree, what)  # killed after its last word: all done
            elif line % 4:
                self.recover(NEW if committed else OLD, what)
                self.assert_whole(self.new_tree if committed else self.old_tree, what)
            else:
                # The installer run again recovers first, then installs.
                again = self.run_installer()
                self.assertEqual(again.code, 0, f"{what}: {again}")
                self.assertEqual(again.lines[:1], ["step recover"], what)
                self.assertIn(f"recovered {NEW if committed else OLD}", again.lines, what)
                self.assertEqual(again.lines[-1], f"done {NEW}", what)
                self.assert_whole(self.new_tree, what)

    def test_a_recovery_killed_at_every_line_is_recovered_again(self):
        install, finish, _ = self.full_run()
        for killed_at, expected, tree in ((install + (finish - install) // 2, OLD, self.old_tree),
                                          (finish + 3, NEW, self.new_tree)):
            self.fresh()
            self.assertEqual(self.run_installer(ZA2D_DEMO_UPDATE_KILL_AT=str(killed_at)).code,
                             KILLED)
            saved = self.dir / "saved"
            shutil.copytree(self.release, saved, symlinks=True)
            count = len(self.recover(expected, "a first recovery").lines)
            for line in range(1, count, 4):
                what = f"install killed at {killed_at}, recovery killed at {line}"
                shutil.rmtree(self.release)
                shutil.copytree(saved, self.release, symlinks=True)
                run = self.run_installer(recover=True, ZA2D_DEMO_UPDATE_KILL_AT=str(line))
                self.assertEqual(run.code, KILLED, what)
                self.recover(expected, what)
                self.assert_whole(tree, what)
            shutil.rmtree(saved)

    def test_killed_from_outside_midway(self):
        install, finish, count = self.full_run()
        for line in range(install + 2, count, 13):
            what = f"killed from outside after line {line + 1}"
            self.fresh()
            installer = subprocess.Popen(self.command(), cwd=self.release, env=self.environment(),
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                         stdin=subprocess.DEVNULL, text=True)
            seen = [installer.stdout.readline() for _ in range(line + 1)]
            installer.kill()
            rest = installer.communicate(timeout=30)[0]
            if installer.returncode == 0 or f"done {NEW}\n" in seen:
                # It ran to its end before the kill came.
                self.assertIn(f"done {NEW}", "".join(seen) + rest, what)
                self.assert_whole(self.new_tree, what)
                continue
            self.assertEqual(installer.returncode, KILLED, what)
            committed = "step finish\n" in seen
            self.recover(NEW if committed else OLD, what)
            self.assert_whole(self.new_tree if committed else self.old_tree, what)

    def test_the_recovery_runs_from_the_installer_copy(self):
        """The release's own installer modules, half replaced when the install was cut short,
        are never imported by the recovery: it runs the copy taken before the first change."""
        install, finish, _ = self.full_run()
        for rerun in (False, True):
            with self.subTest(rerun=rerun):
                self.fresh()
                self.assertEqual(
                    self.run_installer(ZA2D_DEMO_UPDATE_KILL_AT=str(finish)).code, KILLED)
                self.assertTrue((self.release / "update" / "installer" / "complete").is_file())
                planted = self.dir / "imported"
                broken = self.release / "source" / "tools" / "scf_update" / "broken.tmp"
                broken.write_text(f"open({str(planted)!r}, 'w').close()\nraise ImportError\n")
                os.replace(broken, broken.with_name("__init__.py"))
                if rerun:
                    run = self.run_installer()
                    self.assertEqual(run.lines[-1], f"done {NEW}", run)
                else:
                    self.recover(OLD, "a recovery")
                self.assertFalse(planted.exists(), "the release's installer module was imported")
                self.assert_whole(self.new_tree if rerun else self.old_tree, "recovered")

    def test_two_installers_at_once_install_once(self):
        go = self.dir / "go"
        wrapper = ("import os, runpy, sys, time\n"
                   "while not os.path.exists(sys.argv[1]): time.sleep(0.001)\n"
                   "sys.argv = sys.argv[2:]\n"
                   "runpy.run_path(sys.argv[0], run_name='__main__')\n")
        refused = 0
        for attempt in range(6):
            self.fresh()
            if go.exists():
                go.unlink()
            command = self.command()
            installers = [subprocess.Popen(command[:4] + ["-c", wrapper, str(go)] + command[4:],
                                           cwd=self.release, env=self.environment(),
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                           stdin=subprocess.DEVNULL, text=True)
                          for _ in range(2)]
            time.sleep(0.3)
            go.touch()
            runs = []
            for installer in installers:
                out, err = installer.communicate(timeout=60)
                self.assertEqual(err, "")
                runs.append(Run(installer.returncode, out.splitlines()))
            done = [run for run in runs if run.code == 0 and run.lines[-1] == f"done {NEW}"]
            self.assertEqual(len(done), 1, runs)
            other = runs[1 - runs.index(done[0])]
            self.assertEqual(other.code, 1, other)
            self.assertEqual(len(other.lines), 1 if "under way" in other.lines[-1] else
                             len(other.lines), other)
            self.assertRegex(other.lines[-1], r"^error (Another update of this release is under "
                             r"way \(process \d+\); this one changes nothing\.|The downloaded "
                             r"archive does not exist\.)$")
            refused += "under way" in other.lines[-1]
            self.assert_whole(self.new_tree, f"attempt {attempt}")
        self.assertGreater(refused, 0, "the two installers never met")

    def test_the_lock(self):
        lock = self.release / "update" / "launcher-update.lock"
        ended = subprocess.Popen(["true"])
        ended.wait()
        sleeper = subprocess.Popen(["sleep", "60"])
        self.addCleanup(sleeper.wait)
        self.addCleanup(sleeper.kill)
        cases = [  # (lock text, installs)
            (f"{ended.pid}\n", True),  # its process has ended
            ("", True),  # empty and old: its maker died while writing it
            ("garbage\n", True),
            (f"{os.getpid()}\n", True),  # this test started the installer: handed over
            (f"{sleeper.pid}\n", False),  # someone else's update runs
        ]
        for text, installs in cases:
            with self.subTest(lock=text):
                self.fresh()
                lock.write_text(text)
                old = time.time() - 60
                os.utime(lock, (old, old))
                before = base.tree(self.release)
                run = self.run_installer()
                if installs:
                    self.assertEqual(run.lines[-1], f"done {NEW}", run)
                    self.assert_whole(self.new_tree, text)
                else:
                    self.assertEqual(run.code, 1)
                    self.assertEqual(run.lines, [
                        f"error Another update of this release is under way (process "
                        f"{sleeper.pid}); this one changes nothing."])
                    self.assertEqual(base.tree(self.release), before)
                    recovery = self.run_installer(recover=True)
                    self.assertEqual(recovery.code, 1)
                    self.assertIn("under way", recovery.lines[-1])
                    self.assertEqual(base.tree(self.release), before)

    def test_a_closed_output_and_a_hang_up_do_not_stop_the_install(self):
        installer = subprocess.Popen(self.command(), cwd=self.release, env=self.environment(),
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     stdin=subprocess.DEVNULL)
        self.assertEqual(installer.stdout.readline(), b"step verify\n")
        installer.stdout.close()  # the reader is gone: its next line meets a broken pipe
        installer.send_signal(signal.SIGHUP)
        err = installer.stderr.read()
        installer.stderr.close()
        self.assertEqual(installer.wait(timeout=60), 0)
        self.assertEqual(err, b"")
        self.assert_whole(self.new_tree, "installed with nobody reading")

    def test_nothing_to_recover(self):
        for update in ("none", "empty", "leftovers"):
            with self.subTest(update=update):
                self.fresh()
                folder = self.release / "update"
                shutil.rmtree(folder)
                if update != "none":
                    folder.mkdir()
                if update == "leftovers":
                    (folder / "staging" / "ZER_Avudud-0.9.0").mkdir(parents=True)
                    (folder / "installer").mkdir()
                    (folder / "ZER_Avudud-0.7.0-ravelin.zip").write_text("refused earlier\n")
                    (folder / "journal.json.tmp").write_text("{")
                    (self.release / "kit" / "kit_manifest.json.scf-old").write_text("old\n")
                run = self.run_installer(recover=True)
                self.assertEqual((run.code, run.lines), (0, []))
                self.assert_whole(self.old_tree, update)

    def test_a_damaged_journal_is_refused_in_one_sentence(self):
        good = {"format": 1, "state": "installing", "version": NEW, "old_version": OLD,
                "staging": "ZER_Avudud-0.9.0", "operations": [["file", "CHANGELOG.md", None]]}
        cases = [
            ("not json", b"{"),
            ("not utf-8", b"\xff\xfe"),
            ("a list", b"[]"),
            ("deep", b"[" * 100000),
            ("format", dict(good, format=2)),
            ("state", dict(good, state="done")),
            ("climbing", dict(good, operations=[["file", "../outside", None]])),
            ("absolute", dict(good, operations=[["file", "/etc/passwd", None]])),
            ("user folder", dict(good, operations=[["obsolete", "game/scf", "scf.scf-old"]])),
            ("aside unmarked", dict(good, operations=[["file", "CHANGELOG.md", "../x"]])),
            ("obsolete without aside", dict(good, operations=[["obsolete", "CHANGELOG.md", None]])),
            ("staging", dict(good, staging="..")),
            ("kind", dict(good, operations=[["link", "CHANGELOG.md", None]])),
        ]
        for case, journal in cases:
            with self.subTest(case=case):
                self.fresh()
                data = journal if isinstance(journal, bytes) else json.dumps(journal).encode()
                (self.release / "update" / "journal.json").write_bytes(data)
                before = base.tree(self.release)
                run = self.run_installer(recover=True)
                self.assertEqual(run.code, 1, run)
                self.assertEqual(run.lines, ["error The journal of the interrupted update is "
                                             "damaged, so the update cannot be finished: unpack "
                                             "the whole release again."])
                self.assertEqual(base.tree(self.release), before)


if __name__ == "__main__":
    unittest.main()
