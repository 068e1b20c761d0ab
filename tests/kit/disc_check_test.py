"""The kit's disc check over every demo disc and over files that are no disc."""

import unittest

from kit_support import KitFixture

KEY_WORDS = ("European", "boots", "SHA-1", "does not exist", "not an ISO9660 disc image")


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
                result = k.check(image)
                lines = result.stdout.splitlines()
                self.assertTrue(lines, result.stderr)
                self.assertEqual(result.stderr, "")
                *before, last = lines
                for line in before:
                    self.assertTrue(line.startswith("INFO "), line)
                if accepted:
                    self.assertEqual(result.returncode, 0)
                    self.assertTrue(last.startswith("OK "), last)
                    self.assertIn("SXUS-90210", last)
                else:
                    self.assertNotEqual(result.returncode, 0)
                    self.assertTrue(last.startswith("ERROR verify "), last)
                    for word in words:
                        self.assertIn(word, last)
                    # The launcher picks its verdict by these words: no other may appear.
                    for other in KEY_WORDS:
                        if other not in words:
                            self.assertNotIn(other, last)

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


if __name__ == "__main__":
    unittest.main()
