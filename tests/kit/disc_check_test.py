"""The kit's disc check over every demo disc and over files that are no disc."""

import os
import struct
import subprocess
import sys
import unittest

from kit_support import PYTHON, KitFixture

KEY_WORDS = ("European", "boots", "SHA-1", "does not exist", "not an ISO9660 disc image")
SECTOR = 2048
# A folder whose name holds every word the launcher sorts reasons by.
TRICKY = "European boots SHA-1 does not exist No space free space"
# The hostile images are checked in an address space this small: no read may follow a size the
# image claims (a 4 GB record) instead of the size it has.
MEMORY_LIMIT = 1 << 30
HUGE = 8 << 30


def patched(image, offset, fmt, *values):
    data = bytearray(image)
    struct.pack_into(fmt, data, offset, *values)
    return bytes(data)


def both_endian(image, offset, value):
    """An ISO 9660 both-byte-order 32-bit field set to value."""
    return patched(patched(image, offset, "<I", value), offset + 4, ">I", value)


def record_offset(image, name):
    """Where the folder record of name (e.g. b"SYSTEM.CNF;1") starts in the image."""
    at = image.find(name)
    assert at > 33, name
    return at - 33


def expect_output(test, result, accepted, words):
    """The check's output: INFO lines, then an OK or ERROR verify line holding words only."""
    lines = result.stdout.splitlines()
    test.assertTrue(lines, result.stderr)
    test.assertEqual(result.stderr, "")
    *before, last = lines
    for line in before:
        test.assertTrue(line.startswith("INFO "), line)
    if accepted:
        test.assertEqual(result.returncode, 0)
        test.assertTrue(last.startswith("OK "), last)
        test.assertIn("SXUS-90210", last)
        return
    test.assertNotEqual(result.returncode, 0)
    test.assertTrue(last.startswith("ERROR verify "), last)
    for word in words:
        test.assertIn(word, last)
    # The launcher picks its verdict by these words: no other may appear.
    for other in KEY_WORDS:
        if other not in words:
            test.assertNotIn(other, last)


class DiscCheckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.kit = KitFixture()
        text = cls.kit.dir / "notes.txt"
        text.write_text("These are not the discs you are looking for.\n" * 2000)
        (cls.kit.dir / "empty.iso").write_bytes(b"")
        usa = cls.kit.disc("usa").read_bytes()
        # Cut before the volume descriptor, and cut after it (the data then cannot match).
        (cls.kit.dir / "head-only.iso").write_bytes(usa[: 10 * 2048])
        (cls.kit.dir / "half.iso").write_bytes(usa[: len(usa) // 2])
        # A cue sheet whose track file is gone.
        (cls.kit.dir / "lonely.cue").write_text('FILE "gone.bin" BINARY\n  TRACK 01 MODE2/2352\n')
        # Names and cue sheet texts holding the words the launcher sorts reasons by: they must
        # not reach the reason and change the verdict.
        cls.tricky = cls.kit.dir / "European boots SHA-1"
        cls.tricky.mkdir()
        (cls.tricky / "notes European boots SHA-1.txt").write_bytes(text.read_bytes())
        (cls.tricky / "European SHA-1 boots.cue").write_text(
            'FILE "European boots SHA-1 does not exist.bin" BINARY\n  TRACK 01 MODE2/2352\n')
        (cls.tricky / "SHA-1 audio.cue").write_text(
            'FILE "notes European boots SHA-1.txt" BINARY\n  TRACK 01 SHA-1\n')

    @classmethod
    def tearDownClass(cls):
        cls.kit.cleanup()

    def test_verdicts(self):
        k = self.kit
        # (image, accepted, words the reason must hold)
        cases = [
            (k.disc("usa"), True, []),
            (k.discs / "scrapfury-usa.cue", True, []),
            (k.discs / "scrapfury-usa.bin", True, []),
            (k.disc("europe"), False, ["European"]),
            (k.disc("other"), False, ["boots", "SLUS_123.45"]),
            (k.disc("damaged"), False, ["SHA-1"]),
            (k.dir / "notes.txt", False, ["not an ISO9660 disc image"]),
            (k.dir / "missing.iso", False, ["does not exist"]),
            (k.dir / "empty.iso", False, ["not an ISO9660 disc image"]),
            (k.dir / "head-only.iso", False, ["not an ISO9660 disc image"]),
            (k.dir / "half.iso", False, ["SHA-1"]),
            (k.dir / "lonely.cue", False, ["does not exist"]),
            (self.tricky / "notes European boots SHA-1.txt", False, ["not an ISO9660 disc image"]),
            (self.tricky / "European SHA-1 boots.iso", False, ["does not exist"]),
            (self.tricky / "European SHA-1 boots.cue", False, ["does not exist"]),
            (self.tricky / "SHA-1 audio.cue", False, ["not an ISO9660 disc image"]),
        ]
        for image, accepted, words in cases:
            with self.subTest(image=image.name):
                expect_output(self, k.check(image), accepted, words)

    def test_hostile_images(self):
        """Files that are no plain disc, or whose sizes lie, are refused at once and unread."""
        k = self.kit
        usa = k.disc("usa").read_bytes()
        root_extent = struct.unpack_from("<I", usa, 16 * SECTOR + 156 + 2)[0]
        cnf = record_offset(usa, b"SYSTEM.CNF;1")
        boot = record_offset(usa, b"SXUS_902.10;1")
        folder = k.dir / "hostile" / TRICKY
        folder.mkdir(parents=True)

        def write(name, data, size=None):
            path = folder / name
            path.write_bytes(data)
            if size:
                os.truncate(path, size)  # sparse: no disc space used
            return path

        def cue(name, track, mode="MODE1/2048"):
            return write(name, f'FILE "{track}" BINARY\n  TRACK 01 {mode}\n'.encode())

        def fifo(name):
            os.mkfifo(folder / name)
            return folder / name

        def folder_named(name):
            (folder / name).mkdir()
            return folder / name

        def link(name, target):
            os.symlink(target, folder / name)
            return folder / name

        def loop(name):
            link(name + ".b", name)
            return link(name, name + ".b")

        odd = ["not a regular file", "not an ISO9660 disc image"]
        damaged = ["not an ISO9660 disc image", "damaged"]
        outside = ["not an ISO9660 disc image", "past the end"]
        # (case, makes the image, words the reason holds)
        cases = [
            ("pipe", lambda: fifo("pipe.iso"), odd),
            ("pipe by a cue sheet", lambda: cue("pipe-track.cue", "pipe2.bin", "MODE2/2352")
             and fifo("pipe2.bin") and folder / "pipe-track.cue", odd),
            ("pipe named .cue", lambda: fifo("sheet.cue"), odd),
            ("folder", lambda: folder_named("folder.iso"), odd),
            ("folder by a cue sheet", lambda: folder_named("track-folder")
             and cue("folder.cue", "track-folder"), odd),
            ("/dev/null", lambda: "/dev/null", odd),
            ("link to /dev/zero", lambda: link("zero.iso", "/dev/zero"), odd),
            ("/dev/zero by a cue sheet", lambda: cue("zero.cue", "/dev/zero"), odd),
            ("loop of links", lambda: loop("loop.iso"), odd),
            ("loop of links by a cue sheet",
             lambda: loop("loop.bin") and cue("loop.cue", "loop.bin"), odd),
            ("cut short before the root folder",
             lambda: write("cut.iso", usa[: root_extent * SECTOR]), ["cut short", "SHA-1"]),
            ("8 GB: the disc then zeros", lambda: write("huge.iso", usa, HUGE),
             ["SHA-1", "far more than"]),
            ("8 GB volume", lambda: write("huge-volume.iso",
                                          both_endian(usa, 16 * SECTOR + 80, HUGE // SECTOR), HUGE),
             ["SHA-1", "volume has"]),
            ("4 GB root folder", lambda: write("root.iso", both_endian(
                usa, 16 * SECTOR + 156 + 10, 0xFFFFF800)), damaged),
            ("4 GB root folder in 8 GB", lambda: write("root-huge.iso", both_endian(
                usa, 16 * SECTOR + 156 + 10, 0xFFFFF800), HUGE), damaged),
            ("4 GB SYSTEM.CNF", lambda: write("cnf.iso", both_endian(usa, cnf + 10, 0xFFFFFFFF)),
             outside),
            ("4 GB SYSTEM.CNF in 8 GB", lambda: write("cnf-huge.iso", both_endian(
                usa, cnf + 10, 0xFFFFFFFF), HUGE), ["SHA-1", "far more than"]),
            ("SYSTEM.CNF past 4 GB", lambda: write("cnf-far.iso", both_endian(
                usa, cnf + 2, 0xFFFFFFF0)), outside),
            ("4 GB boot file in 8 GB", lambda: write("boot-huge.iso", both_endian(
                usa, boot + 10, 0xFFFFFFFF), HUGE), ["SHA-1", "far more than"]),
        ]
        for name, make, words in cases:
            with self.subTest(case=name):
                image = make()
                result = k.check(image, memory_limit=MEMORY_LIMIT, timeout=60)
                expect_output(self, result, False, words)
                self.assertNotIn(TRICKY, result.stdout.splitlines()[-1])
                self.assertNotIn("SHA-1 of the user data", result.stdout)

    def test_names_that_are_not_utf8(self):
        """A path of bytes that are no UTF-8 reaches the same verdicts; the output stays UTF-8."""
        k = self.kit
        folder = k.dir / os.fsdecode(b"odd-\xff\xfe")
        folder.mkdir()
        iso = folder / os.fsdecode(b"usa-\xe9.iso")
        iso.write_bytes(k.disc("usa").read_bytes())
        track = folder / os.fsdecode(b"usa-\xe9.bin")
        track.write_bytes((k.discs / "scrapfury-usa.bin").read_bytes())
        sheet = folder / "usa.cue"
        sheet.write_bytes(b'FILE "usa-\xe9.bin" BINARY\n  TRACK 01 MODE2/2352\n')
        cases = [(iso, True, []), (sheet, True, []),
                 (folder / os.fsdecode(b"gone-\xff.iso"), False, ["does not exist"])]
        for image, accepted, words in cases:
            with self.subTest(image=os.fsencode(image.name)):
                expect_output(self, k.check(image), accepted, words)

    def test_an_unexpected_failure_is_one_error_line(self):
        """Whatever the check raises ends in one ERROR verify line, never a traceback."""
        tools = self.kit.script.parent
        usa = self.kit.disc("usa")
        # (exception raised by the check, words of the reason)
        cases = [
            ("RuntimeError('European boots /tmp/SHA-1 does not exist')", ["RuntimeError"]),
            ("MemoryError()", ["memory"]),
            ("RecursionError('maximum recursion depth exceeded')", ["RecursionError"]),
            ("UnicodeEncodeError('utf-8', '\\udcff', 0, 1, 'surrogates not allowed')",
             ["UnicodeEncodeError"]),
            ("PermissionError(13, 'Permission denied', '/tmp/European boots SHA-1')",
             ["Permission denied"]),
        ]
        for raised, words in cases:
            with self.subTest(raised=raised):
                code = (f"import sys; sys.path.insert(0, {str(tools)!r}); import scf_build\n"
                        f"def fail(*args, **kwargs): raise {raised}\n"
                        "scf_build.check_disc = fail\n"
                        f"sys.exit(scf_build.main(['--check', '--disc', {str(usa)!r}]))")
                result = subprocess.run(PYTHON + ["-c", code], capture_output=True, text=True,
                                        encoding="utf-8", timeout=60, stdin=subprocess.DEVNULL)
                expect_output(self, result, False, words)
                self.assertEqual(sum(line.startswith("ERROR") for line in
                                     result.stdout.splitlines()), 1)
                self.assertEqual(result.returncode, 1)

    def test_a_kit_without_its_manifest_says_so(self):
        manifest = self.kit.release / "kit" / "kit_manifest.json"
        saved = manifest.read_bytes()
        manifest.unlink()
        try:
            result = self.kit.check(self.kit.disc("usa"))
        finally:
            manifest.write_bytes(saved)
        self.assertNotEqual(result.returncode, 0)
        last = result.stdout.splitlines()[-1]
        self.assertTrue(last.startswith("ERROR verify "), last)
        self.assertIn("kit_manifest.json", last)
        self.assertNotIn("does not exist", last)

    def test_a_folder_that_contains_itself_is_walked_once(self):
        """Extracting every file stops at a folder record that leads back to its parent."""
        sys.path.insert(0, str(self.kit.script.parent))
        try:
            from scf_kit.disc_image import DiscError, open_disc
            from scf_kit.iso9660 import Volume
        finally:
            sys.path.pop(0)
        usa = self.kit.disc("usa").read_bytes()
        root_extent = struct.unpack_from("<I", usa, 16 * SECTOR + 156 + 2)[0]
        # The folder's record in the root folder (the path tables name it too).
        cars = usa.index(b"\x04CARS", root_extent * SECTOR) - 32
        # (case, image, the error's words or None for a clean walk)
        cases = [
            ("the disc", usa, None),
            ("CARS is the root folder", both_endian(usa, cars + 2, root_extent), "contains itself"),
        ]
        for name, image, words in cases:
            with self.subTest(case=name):
                path = self.kit.dir / "walk.iso"
                path.write_bytes(image)
                with open_disc(path) as disc:
                    volume = Volume(disc)
                    if words is None:
                        self.assertIn("CARS/", "".join(p for p, _ in volume.walk()))
                        continue
                    with self.assertRaises(DiscError) as caught:
                        list(volume.walk())
                    self.assertIn(words, str(caught.exception))


if __name__ == "__main__":
    unittest.main()
