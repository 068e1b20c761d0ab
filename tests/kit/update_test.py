"""The update installer (kit/tools/apply_update.py, shipped as source/tools/apply_update.py) run
on a release folder with archives made by tools/make_release.py and with hostile ones."""

import base64
import hashlib
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request
import warnings
import zipfile
from pathlib import Path

from kit_support import TOOLS, make_release

OLD, NEW = "0.8.0", "0.9.0"
ROOT = f"ZER_Avudud-{NEW}"
ARCHIVE = f"ZER_Avudud-{NEW}-ravelin.zip"
USER_FOLDERS = ("build", "game", "user")
# How the launcher starts the installer: the interpreter options, no -B.
INSTALLER_PYTHON = [sys.executable, "-I", "-X", "utf8"]
LINE = re.compile(r"step [a-z]+|progress (\d+) (\d+)|error \S.*|done \S+|recovered \S+")


def tree(folder, skip=()):
    """Every entry below folder: kind, permission bits, and contents or link target."""
    found = {}
    for current, dirs, files in os.walk(folder):
        rel = Path(current).relative_to(folder)
        if rel == Path("."):
            dirs[:] = [d for d in dirs if d not in skip]
        for name in dirs + files:
            path = Path(current) / name
            info = path.lstat()
            if stat.S_ISLNK(info.st_mode):
                found[str(rel / name)] = ("link", os.readlink(path))
            elif stat.S_ISDIR(info.st_mode):
                found[str(rel / name)] = ("dir", stat.S_IMODE(info.st_mode))
            else:
                found[str(rel / name)] = ("file", stat.S_IMODE(info.st_mode),
                                          hashlib.sha256(path.read_bytes()).hexdigest())
    return found


def write_checksum(archive, text=None):
    digest = hashlib.sha256(Path(archive).read_bytes()).hexdigest()
    sha = Path(str(archive) + ".sha256")
    sha.write_text(f"{digest}  {Path(archive).name}\n" if text is None else text(digest),
                   newline="")
    return sha


def make_zip(path, entries):
    """entries: (name, data, mode) with mode None for a plain file."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # duplicate names are on purpose
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as zipped:
            for name, data, mode in entries:
                info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
                info.compress_type = zipfile.ZIP_DEFLATED
                if mode is not None:
                    info.create_system = 3
                    info.external_attr = mode << 16
                zipped.writestr(info, data)
    return path


def release_ini(version=NEW):
    return f"version = {version}\ncommit = {'2' * 40}\n"


def good_entries(version=NEW):
    return [(f"{ROOT}/source/release.ini", release_ini(version), None),
            (f"{ROOT}/scf-launcher", "#!/bin/sh\n", stat.S_IFREG | 0o755)]


def with_sizes(data, prefix, size):
    """The zip bytes with the sizes its directory gives for names under prefix replaced."""
    out = bytearray(data)
    pos = out.find(b"PK\x01\x02")
    while pos >= 0:
        name_length = int.from_bytes(out[pos + 28:pos + 30], "little")
        if bytes(out[pos + 46:pos + 46 + name_length]).startswith(prefix.encode()):
            out[pos + 24:pos + 28] = size.to_bytes(4, "little")
        pos = out.find(b"PK\x01\x02", pos + 46)
    return bytes(out)


class UpdateTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="scf-update-test-")
        base = Path(cls.tmp.name)
        for version, commit in ((OLD, "1" * 40), (NEW, "2" * 40)):
            stand_in = base / version / "scf-launcher"
            stand_in.parent.mkdir()
            stand_in.write_text(f"#!/bin/sh\necho launcher {version}\n")
            game = base / version / "scf"
            game.write_text(f"#!/bin/sh\necho game {version}\n")
            make_release.assemble(base / f"release-{version}", stand_in, game, commit, version)
        cls.old = base / f"release-{OLD}"
        cls.new = base / f"release-{NEW}"
        # The old release gained a kit module that the new one no longer has.
        (cls.old / "source" / "tools" / "scf_kit" / "gone.py").write_text("x = 1\n")
        made = subprocess.run(
            [sys.executable, "-B", "-I", "-X", "utf8", str(TOOLS / "make_release.py"), "--out",
             str(cls.new), "--archive", str(base / "host")],
            capture_output=True, text=True, timeout=120)
        assert made.returncode == 0, made.stderr
        cls.archive = base / "host" / ARCHIVE

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.work = tempfile.TemporaryDirectory(prefix="scf-update-case-")
        self.dir = Path(self.work.name)
        self.release = self.dir / "release"
        shutil.copytree(self.old, self.release, symlinks=True)
        (self.release / "game").mkdir()
        (self.release / "game" / "scf").write_text("built game\n")
        (self.release / "game" / "built_from.ini").write_text("commit = " + "1" * 40 + "\n")
        (self.release / "build" / "logs").mkdir(parents=True)
        (self.release / "build" / "logs" / "verify.log").write_text("log\n")
        (self.release / "user").mkdir()
        (self.release / "user" / "launcher.ini").write_text("disc = /x.iso\n")

    def tearDown(self):
        self.work.cleanup()

    def download(self, archive=None):
        """The archive and its checksum file in the update folder, as the launcher leaves them."""
        update = self.release / "update"
        update.mkdir(exist_ok=True)
        archive = Path(archive or self.archive)
        shutil.copyfile(archive, update / archive.name)
        shutil.copyfile(str(archive) + ".sha256", update / (archive.name + ".sha256"))
        return update / archive.name

    def install(self, archive, sha=None, version=NEW, **env):
        environment = {k: v for k, v in os.environ.items() if not k.startswith("ZA2D_DEMO_UPDATE")}
        environment.update(env)
        result = subprocess.run(
            INSTALLER_PYTHON + [str(self.release / "source" / "tools" / "apply_update.py"),
                                "--zip", str(archive), "--sha256", str(sha or f"{archive}.sha256"),
                                "--version", version, "--install", str(self.release)],
            cwd=self.release, capture_output=True, text=True, env=environment, timeout=120,
            stdin=subprocess.DEVNULL)
        lines = result.stdout.splitlines()
        self.assertEqual(result.stderr, "")
        for line in lines:
            self.assertRegex(line, LINE)
        return result.returncode, lines

    def assert_refused(self, code, lines, words):
        self.assertNotEqual(code, 0)
        errors = [line for line in lines if line.startswith("error ")]
        self.assertEqual(len(errors), 1, lines)
        self.assertEqual(lines[-1], errors[0])
        self.assertIn(words, errors[0])
        self.assertNotIn("done", " ".join(lines))

    def assert_unchanged(self, before):
        """The release as it was, and the refused download gone with the update folder."""
        self.assertEqual(tree(self.release, ("update",)), before)
        self.assertFalse((self.release / "update").exists())

    def assert_new_release(self):
        self.assertEqual(tree(self.release, USER_FOLDERS + ("update",)), tree(self.new))
        self.assertEqual((self.release / "scf-launcher").read_text(),
                         f"#!/bin/sh\necho launcher {NEW}\n")

    def test_a_good_archive_installs_the_new_release(self):
        kept = {name: tree(self.release / name) for name in USER_FOLDERS}
        code, lines = self.install(self.download())
        self.assertEqual(code, 0, lines)
        self.assertEqual([line for line in lines if line.startswith("step ")],
                         ["step verify", "step extract", "step install", "step finish"])
        self.assertEqual(lines[-1], f"done {NEW}")
        # Each step's progress starts at 0, never goes back and ends complete.
        steps = "\n".join(lines).split("step ")[1:]
        for step in steps:
            numbers = [tuple(map(int, line.split()[1:])) for line in step.splitlines()
                       if line.startswith("progress ")]
            self.assertTrue(numbers, step)
            self.assertEqual(numbers[0][0], 0)
            self.assertEqual(numbers[-1][0], numbers[-1][1])
            self.assertEqual(numbers, sorted(numbers, key=lambda pair: pair[0]))
            self.assertTrue(all(done <= total for done, total in numbers))
        self.assert_new_release()
        self.assertEqual({name: tree(self.release / name) for name in USER_FOLDERS}, kept)
        # Nothing is left behind: no old files, no staging, no download, no bytecode.
        self.assertFalse((self.release / "update").exists())
        self.assertFalse(any(".scf-old" in str(p) or "__pycache__" in str(p)
                             for p in self.release.rglob("*")))

    def test_links_and_files_in_the_way_are_moved_aside_not_followed(self):
        outside = self.dir / "outside"
        shutil.copytree(self.release / "source" / "tools" / "scf_kit", outside / "scf_kit")
        (outside / "CHANGELOG.md").write_text("someone else's file\n")
        shutil.rmtree(self.release / "source" / "tools" / "scf_kit")
        (self.release / "source" / "tools" / "scf_kit").symlink_to(outside / "scf_kit")
        (self.release / "CHANGELOG.md").unlink()
        (self.release / "CHANGELOG.md").symlink_to(outside / "CHANGELOG.md")
        # A file where the new release has a folder.
        shutil.rmtree(self.release / "kit" / "game")
        (self.release / "kit" / "game").write_text("not a folder\n")
        before = tree(outside)
        code, lines = self.install(self.download())
        self.assertEqual(code, 0, lines)
        self.assertEqual(tree(outside), before)
        self.assert_new_release()

    def test_an_old_file_whose_name_no_release_has_is_left_alone(self):
        odd = self.release / "source" / "tools" / "scf_kit" / "odd:name\\x.py"
        odd.write_text("x = 1\n")
        code, lines = self.install(self.download())
        self.assertEqual(lines[-1], f"done {NEW}", lines)
        self.assertEqual(odd.read_text(), "x = 1\n")
        odd.unlink()
        self.assert_new_release()
        self.assertFalse((self.release / "update").exists())

    def test_files_that_cannot_be_deleted_are_listed_for_the_launcher(self):
        update = self.release / "update"
        gone = f"{self.release}/kit/python/old.dll.scf-old"
        archive = self.download()
        (update / "old_files.txt").write_text(gone + "\n")
        # Left by earlier installs: deleted now, unless it still cannot be.
        stuck = self.release / "scf-launcher.scf-old"
        stuck.write_text("left by an earlier update\n")
        (self.release / "kit" / "game" / "scf.2.scf-old").write_text("left too\n")
        code, lines = self.install(archive, ZA2D_DEMO_UPDATE_LOCKED="scf-launcher,CHANGELOG.md")
        self.assertEqual(code, 0, lines)
        self.assertEqual(lines[-1], f"done {NEW}")
        left = [str(self.release / "CHANGELOG.md.scf-old"),
                str(self.release / "scf-launcher.1.scf-old")]
        self.assertEqual((update / "old_files.txt").read_text().splitlines(),
                         [str(stuck)] + left)
        self.assertEqual(Path(left[1]).read_text(), f"#!/bin/sh\necho launcher {OLD}\n")
        self.assertEqual(sorted(p.name for p in update.iterdir()), ["old_files.txt"])
        self.assertEqual(stuck.read_text(), "left by an earlier update\n")
        for path in left + [str(stuck)]:
            os.unlink(path)
        self.assert_new_release()
        # Once they can be deleted, the next run deletes them and the list goes.
        for path in left:
            Path(path).write_text("still here\n")
        result = subprocess.run(
            INSTALLER_PYTHON + [str(self.release / "source" / "tools" / "apply_update.py"),
                                "--recover", "--install", str(self.release)],
            capture_output=True, text=True, timeout=60, stdin=subprocess.DEVNULL)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))
        self.assertFalse(update.exists())
        self.assert_new_release()

    def test_checksum_files(self):
        name = ARCHIVE
        cases = [  # (checksum file text from the digest, refusal words or None when accepted)
            (lambda d: d + "\n", None),
            (lambda d: f"{d.upper()} *{name}\r\n", None),
            (lambda d: f"{d}  ./dist/{name}", None),
            (lambda d: "0" * 64 + f"  {name}\n", "does not match its checksum"),
            (lambda d: d[:-1] + f"  {name}\n", "64 hexadecimal digits"),
            (lambda d: f"sha256:{d}\n", "64 hexadecimal digits"),
            (lambda d: "", "exactly one line"),
            (lambda d: f"{d}  {name}\n{d}  {name}\n", "exactly one line"),
            (lambda d: f"{d}  other.zip\n", "another archive"),
            (lambda d: f"{d}  {name}\n" + "\n" * 5000, "larger than 4096 bytes"),
            (lambda d: b"\xff\xfe".decode("latin-1") + d, "64 hexadecimal digits"),
        ]
        for text, words in cases:
            with self.subTest(text=text(".")[:80]):
                self.tearDown()
                self.setUp()
                archive = self.download()
                write_checksum(archive, text)
                before = tree(self.release, ("update",))
                code, lines = self.install(archive)
                if words is None:
                    self.assertEqual(code, 0, lines)
                    self.assert_new_release()
                else:
                    self.assert_refused(code, lines, words)
                    self.assert_unchanged(before)
        archive = self.download()
        before = tree(self.release, ("update",))
        code, lines = self.install(archive, sha=self.dir / "missing.sha256")
        self.assert_refused(code, lines, "checksum file does not exist")
        self.assert_unchanged(before)

    def hostile_cases(self):
        """(case, zip entries or raw bytes, refusal words)."""
        escape = str(self.dir / "evil-absolute.txt")
        bomb = b"\0" * (50 << 20)
        data = bytes(range(256)) * 64
        with zipfile.ZipFile(self.dir / "damaged.zip", "w") as zipped:
            zipped.writestr(f"{ROOT}/source/release.ini", release_ini())
            zipped.writestr(f"{ROOT}/kit/data.bin", data)
        damaged = bytearray((self.dir / "damaged.zip").read_bytes())
        damaged[damaged.find(data) + 1000] ^= 0xFF  # stored as is: one byte of the file
        huge = with_sizes(Path(make_zip(self.dir / "huge.zip", good_entries() + [
            (f"{ROOT}/big/{n}.bin", b"x" * 100, None) for n in range(2)])).read_bytes(),
            f"{ROOT}/big/", 0xFFFFFFF0)
        return [
            ("parent", [("../evil.txt", "x", None)], "leads out of its folder"),
            ("parent inside", [(f"{ROOT}/../../evil.txt", "x", None)], "leads out of its folder"),
            ("absolute", [(escape, "x", None)], "absolute path"),
            ("drive", [("C:/evil.txt", "x", None)], "not allowed"),
            ("drive relative", [("C:evil.txt", "x", None)], "not allowed"),
            ("backslash", [(f"{ROOT}\\..\\..\\evil.txt", "x", None)], "not allowed"),
            ("control character", [(f"{ROOT}/evil\n.txt", "x", None)], "not allowed"),
            ("device name", [(f"{ROOT}/source/aux.txt", "x", None)], "not allowed"),
            ("symbolic link", [(f"{ROOT}/source/evil", "../../../evil.txt",
                                stat.S_IFLNK | 0o777)], "symbolic link"),
            ("fifo", [(f"{ROOT}/source/evil", "", stat.S_IFIFO | 0o644)], "special file"),
            ("outside the folder", [("other/evil.txt", "x", None)], "outside its folder"),
            ("user folder", [(f"{ROOT}/game/scf", "x", None)], "user's game and settings"),
            ("user folder, other case", [(f"{ROOT}/User/video.ini", "x", None)],
             "user's game and settings"),
            ("left-behind name", [(f"{ROOT}/scf-launcher.scf-old", "x", None)], ".scf-old"),
            ("twice", [(f"{ROOT}/scf-launcher", "x", None)], "same file twice"),
            ("twice by case", [(f"{ROOT}/SCF-launcher", "x", None)], "same file twice"),
            ("file and folder", [(f"{ROOT}/scf-launcher/x", "x", None)], "file and a folder"),
            ("bomb", [(f"{ROOT}/kit/zeros.bin", bomb, None)], "more than 200 times"),
            ("over 4 GiB", huge, "more than 4 GiB"),
            ("damaged", bytes(damaged), "damaged"),
            ("not a zip", b"PK\x03\x04 but nothing more" * 10, "not a readable zip"),
        ]

    def test_hostile_archives_are_refused_before_anything_is_written(self):
        for case, contents, words in self.hostile_cases():
            with self.subTest(case=case):
                archive = self.dir / "downloads" / ARCHIVE
                archive.parent.mkdir(exist_ok=True)
                if isinstance(contents, bytes):
                    archive.write_bytes(contents)
                else:
                    make_zip(archive, good_entries() + contents)
                write_checksum(archive)
                before = tree(self.dir, ("downloads",))
                code, lines = self.install(archive)
                self.assert_refused(code, lines, words)
                self.assertEqual(tree(self.dir, ("downloads",)), before)

    def test_archives_that_are_not_this_release(self):
        cases = [
            ("no release.ini", [(f"{ROOT}/scf-launcher", "x", None)], "no source/release.ini"),
            ("another version inside",
             [(f"{ROOT}/source/release.ini", release_ini("0.9.1"), None)],
             "holds version 0.9.1, not version 0.9.0"),
            ("another folder", [(f"ZER_Avudud-0.9.1/source/release.ini", release_ini(), None)],
             "outside its folder ZER_Avudud-0.9.0"),
            ("only a folder", [(f"{ROOT}/", "", None)], "no files"),
        ]
        for case, entries, words in cases:
            with self.subTest(case=case):
                archive = make_zip(self.dir / ARCHIVE, entries)
                write_checksum(archive)
                before = tree(self.release)
                code, lines = self.install(archive)
                self.assert_refused(code, lines, words)
                self.assertEqual(tree(self.release), before)

    def test_a_folder_where_the_new_release_has_a_file_is_refused_before_any_change(self):
        (self.release / "CHANGELOG.md").unlink()
        (self.release / "CHANGELOG.md").mkdir()
        (self.release / "CHANGELOG.md" / "notes.txt").write_text("x\n")
        archive = self.download()
        before = tree(self.release, ("update",))
        code, lines = self.install(archive)
        self.assert_refused(code, lines, "has the folder CHANGELOG.md")
        self.assert_unchanged(before)

    def test_a_failure_midway_puts_the_old_release_back(self):
        files = sum(1 for p in self.new.rglob("*") if p.is_file())
        for fail_at in (1, files // 2, files):
            with self.subTest(fail_at=fail_at):
                archive = self.download()
                before = tree(self.release, ("update",))
                code, lines = self.install(archive, ZA2D_DEMO_UPDATE_FAIL_AT=str(fail_at))
                self.assert_refused(code, lines, f"stopped on request after {fail_at} files")
                self.assertIn("step install", lines)
                self.assertIn("step undo", lines)
                self.assert_unchanged(before)

    def test_command_line_mistakes(self):
        archive = self.download()
        sha = f"{archive}.sha256"
        cases = [
            ([], "command line is wrong"),
            (["--zip", str(archive), "--sha256", sha, "--version", "../../x", "--install",
              str(self.release)], "not a release version"),
            (["--zip", str(archive), "--sha256", sha, "--version", NEW, "--install",
              str(self.dir / "nowhere")], "release folder to update does not exist"),
        ]
        before = tree(self.release)
        for arguments, words in cases:
            with self.subTest(arguments=arguments):
                result = subprocess.run(
                    INSTALLER_PYTHON + [str(self.release / "source" / "tools" /
                                            "apply_update.py")] + arguments,
                    capture_output=True, text=True, timeout=60, stdin=subprocess.DEVNULL)
                self.assert_refused(result.returncode, result.stdout.splitlines(), words)
                self.assertEqual(result.stderr, "")
        code, lines = self.install(archive, ZA2D_DEMO_UPDATE_FAIL_AT="many")
        self.assert_refused(code, lines, "whole number")
        self.assertEqual(tree(self.release), before)


class ReleaseArchiveTest(unittest.TestCase):
    """make_release.py --archive: the folder ZER_Avudud-<version>/ and a sha256sum line."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-archive-test-")
        self.dir = Path(self.tmp.name)

    def tearDown(self):
        self.tmp.cleanup()

    def make(self, *arguments):
        return subprocess.run([sys.executable, "-B", "-I", "-X", "utf8",
                               str(TOOLS / "make_release.py"), *arguments],
                              capture_output=True, text=True, timeout=120)

    def test_the_archive_holds_the_release_and_nothing_the_user_made(self):
        launcher = self.dir / "scf-launcher"
        launcher.write_text("#!/bin/sh\n")
        release = self.dir / "release"
        result = self.make("--launcher", str(launcher), "--game", str(launcher), "--out",
                           str(release), "--version", "1.2.3", "--commit", "3" * 40)
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in ("game/scf", "build/logs/a.log", "user/launcher.ini", "update/old_files.txt",
                     "scf-launcher.scf-old", "source/tools/scf_kit/__pycache__/x.pyc"):
            (release / name).parent.mkdir(parents=True, exist_ok=True)
            (release / name).write_text("made by the user or the launcher\n")
        host = self.dir / "host" / "v1.2.3"
        result = self.make("--out", str(release), "--archive", str(host))
        self.assertEqual(result.returncode, 0, result.stderr)
        archive = host / "ZER_Avudud-1.2.3-ravelin.zip"
        self.assertEqual(result.stdout.strip(), str(archive.resolve()))
        digest = hashlib.sha256(archive.read_bytes()).hexdigest()
        self.assertEqual(Path(f"{archive}.sha256").read_text(),
                         f"{digest}  ZER_Avudud-1.2.3-ravelin.zip\n")
        with zipfile.ZipFile(archive) as zipped:
            infos = {info.filename: info for info in zipped.infolist()}
        expected = {f"ZER_Avudud-1.2.3/{p.relative_to(release).as_posix()}"
                    for p in release.rglob("*") if p.is_file()
                    and p.relative_to(release).parts[0] not in ("game", "build", "user", "update")
                    and "__pycache__" not in p.parts and ".scf-old" not in p.name}
        self.assertEqual(set(infos), expected)
        self.assertIn("ZER_Avudud-1.2.3/source/tools/apply_update.py", infos)
        self.assertIn("ZER_Avudud-1.2.3/source/tools/scf_update/install.py", infos)
        modes = {name: (info.external_attr >> 16) for name, info in infos.items()}
        self.assertEqual(modes["ZER_Avudud-1.2.3/scf-launcher"], stat.S_IFREG | 0o755)
        self.assertEqual(modes["ZER_Avudud-1.2.3/source/release.ini"], stat.S_IFREG | 0o644)

    def test_refusals(self):
        (self.dir / "empty").mkdir()
        (self.dir / "release" / "source").mkdir(parents=True)
        (self.dir / "release" / "source" / "release.ini").write_text("version = 1.0.0\n")
        cases = [
            (["--out", str(self.dir / "empty"), "--archive", str(self.dir / "host")],
             "naming a version"),
            (["--out", str(self.dir / "release"), "--archive", str(self.dir / "release" / "d")],
             "inside the release"),
            (["--out", str(self.dir / "empty")], "--launcher is required"),
        ]
        for arguments, words in cases:
            with self.subTest(arguments=arguments):
                result = self.make(*arguments)
                self.assertEqual(result.returncode, 2)
                self.assertIn(words, result.stderr)


class SignedReleaseTest(unittest.TestCase):
    """make_release.py --archive --key signs with minisign; release_host.py serves the signature
    beside the archive, and under /test/ without it or tampered with."""

    def setUp(self):
        self.minisign = shutil.which("minisign")
        if self.minisign is None:
            self.skipTest("minisign is not installed")
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-signed-test-")
        self.addCleanup(self.tmp.cleanup)
        self.dir = Path(self.tmp.name)
        subprocess.run([self.minisign, "-G", "-W", "-p", str(self.dir / "demo.pub"), "-s",
                        str(self.dir / "demo.key")], check=True, capture_output=True, timeout=60,
                       stdin=subprocess.DEVNULL)
        launcher = self.dir / "scf-launcher"
        launcher.write_text("#!/bin/sh\n")
        self.release = self.dir / "release"
        self.host = self.dir / "host"
        self.archive = self.host / "v0.9.0" / ARCHIVE
        self.signature = Path(f"{self.archive}.minisig")
        result = self.make("--launcher", str(launcher), "--game", str(launcher), "--version",
                           NEW, "--archive", str(self.archive.parent), "--key",
                           str(self.dir / "demo.key"))
        self.assertEqual(result.returncode, 0, result.stderr)

    def make(self, *arguments):
        return subprocess.run([sys.executable, "-B", "-I", "-X", "utf8",
                               str(TOOLS / "make_release.py"), "--out", str(self.release),
                               *arguments], capture_output=True, text=True, timeout=120,
                              stdin=subprocess.DEVNULL)

    def verify(self, signature):
        return subprocess.run([self.minisign, "-V", "-p", str(self.dir / "demo.pub"), "-m",
                               str(self.archive), "-x", str(signature)],
                              capture_output=True, text=True, timeout=60)

    def test_the_archive_is_signed_with_the_key(self):
        verified = self.verify(self.signature)
        self.assertEqual(verified.returncode, 0, verified.stderr)
        lines = self.signature.read_text().splitlines()
        self.assertEqual(lines[2], f"trusted comment: file:{ARCHIVE}\tversion:{NEW}")
        self.assertEqual(base64.b64decode(lines[1])[:2], b"ED")  # prehashed, never legacy
        # Packed again without a key: the old signature goes, it would not match.
        result = self.make("--archive", str(self.archive.parent))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(self.signature.exists())

    def test_refusals(self):
        cases = [
            (["--key", str(self.dir / "demo.key")], "give --archive too"),
            (["--archive", str(self.archive.parent), "--key", str(self.dir / "none.key")],
             "does not exist"),
            (["--archive", str(self.archive.parent), "--key", str(self.dir / "demo.pub")],
             "minisign could not sign the archive"),
        ]
        for arguments, words in cases:
            with self.subTest(arguments=arguments):
                result = self.make(*arguments)
                self.assertEqual(result.returncode, 2)
                self.assertIn(words, result.stderr)
                self.assertEqual(len(result.stderr.strip().splitlines()[-1:]), 1)
        self.assertFalse(self.signature.exists(), "a signature that no longer matches was kept")

    def test_the_host_serves_the_signature(self):
        host = subprocess.Popen([sys.executable, "-B", "-I", str(TOOLS / "release_host.py"),
                                 "--root", str(self.host), "--tag", "v0.9.0"],
                                stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
        self.addCleanup(host.wait, 10)
        self.addCleanup(host.kill)
        self.addCleanup(host.stdout.close)
        port = int(host.stdout.readline().split()[1])

        def get(path):
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=30) as got:
                    return got.status, got.read()
            except urllib.error.HTTPError as error:
                return error.code, b""

        download = "/ZavUdedaved/ZER_Avudud/releases/download/v0.9.0/"
        signature = self.signature.read_bytes()
        for prefix in (download, "/test/unsigned/v0.9.0/", "/test/tampered-signature/v0.9.0/"):
            with self.subTest(prefix=prefix):
                self.assertEqual(get(prefix + ARCHIVE), (200, self.archive.read_bytes()))
                self.assertEqual(get(prefix + ARCHIVE + ".sha256")[0], 200)
        self.assertEqual(get(download + ARCHIVE + ".minisig"), (200, signature))
        self.assertEqual(get("/test/unsigned/v0.9.0/" + ARCHIVE + ".minisig")[0], 404)
        status, tampered = get("/test/tampered-signature/v0.9.0/" + ARCHIVE + ".minisig")
        self.assertEqual(status, 200)
        self.assertEqual(len(tampered), len(signature))
        (self.dir / "tampered.minisig").write_bytes(tampered)
        self.assertEqual(self.verify(self.dir / "tampered.minisig").returncode, 1)
        self.assertEqual(get("/test/unsigned/v0.9.0/../x")[0], 404)


if __name__ == "__main__":
    unittest.main()
