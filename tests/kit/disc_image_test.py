"""The demo disc images: readable by a real ISO reader, deterministic, and sound as raw sectors."""

import shutil
import struct
import subprocess
import tempfile
import unittest
from pathlib import Path

from kit_support import make_disc

import demo_disc_content
import raw_sectors


class DiscImageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="scf-disc-test-")
        cls.dir = Path(cls.tmp.name)
        cls.paths = make_disc.write_all(cls.dir / "a")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_the_same_files_every_time(self):
        again = make_disc.write_all(self.dir / "b")
        self.assertEqual([p.name for p in self.paths], [p.name for p in again])
        for first, second in zip(self.paths, again):
            with self.subTest(image=first.name):
                self.assertEqual(first.read_bytes(), second.read_bytes())

    @unittest.skipUnless(shutil.which("xorriso"), "xorriso is not installed")
    def test_xorriso_reads_every_iso_variant(self):
        for variant in ("usa", "europe", "other", "damaged"):
            content = "usa" if variant == "damaged" else variant
            boot_file = demo_disc_content.VARIANTS[content][0]
            image = self.dir / "a" / make_disc.FILE_NAMES[variant]
            out = self.dir / f"extract-{variant}"
            with self.subTest(variant=variant):
                listing = subprocess.run(
                    ["xorriso", "-indev", str(image), "-find", "/", "-type", "f"],
                    capture_output=True, text=True, timeout=60)
                self.assertEqual(listing.returncode, 0, listing.stderr)
                found = sorted(line.strip("'") for line in listing.stdout.split())
                files = demo_disc_content.disc_files(content)
                expected = sorted("/" + name for name in files)
                self.assertEqual(found, expected)
                result = subprocess.run(
                    ["xorriso", "-osirrox", "on", "-indev", str(image), "-extract", "/", str(out)],
                    capture_output=True, text=True, timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                cnf = (out / "SYSTEM.CNF").read_text()
                self.assertIn(f"BOOT2 = cdrom0:\\{boot_file};1", cnf)
                self.assertEqual((out / boot_file).read_bytes()[:4], b"\x7fELF")
                if variant != "damaged":
                    for name, data in files.items():
                        self.assertEqual((out / name).read_bytes(), data, name)

    def test_path_tables_agree_with_the_folder_records(self):
        image = make_disc.iso_image("usa")
        pvd = image[16 * 2048 : 17 * 2048]
        size = struct.unpack_from("<I", pvd, 132)[0]

        def read_table(sector, order):
            table = image[sector * 2048 : sector * 2048 + size]
            entries, pos = [], 0
            while pos < size:
                length = table[pos]
                extent, parent = struct.unpack_from(order + "IH", table, pos + 2)
                entries.append((table[pos + 8 : pos + 8 + length], extent, parent))
                pos += 8 + length + (length & 1)
            return entries

        def folder_records(extent):
            data = image[extent * 2048 : (extent + 1) * 2048]
            records, pos = {}, 0
            while data[pos]:
                name = data[pos + 33 : pos + 33 + data[pos + 32]]
                records[name] = (struct.unpack_from("<I", data, pos + 2)[0], data[pos + 25] & 2)
                pos += data[pos]
            return records

        root_extent = struct.unpack_from("<I", pvd, 158)[0]
        little = read_table(struct.unpack_from("<I", pvd, 140)[0], "<")
        big = read_table(struct.unpack_from(">I", pvd, 148)[0], ">")
        self.assertEqual(little, big)
        self.assertEqual(little[0], (b"\x00", root_extent, 1))
        root = folder_records(root_extent)
        for name, extent, parent in little[1:]:
            self.assertEqual(root[name], (extent, 2), name)
            self.assertEqual(parent, 1)
            self.assertEqual(folder_records(extent)[b"\x01"][0], root_extent)
        self.assertEqual({n for n, _, _ in little[1:]}, {n for n, (_, d) in root.items()
                                                         if d and n not in (b"\x00", b"\x01")})

    def test_the_damaged_copy_differs_in_one_byte(self):
        usa = (self.dir / "a" / make_disc.FILE_NAMES["usa"]).read_bytes()
        damaged = (self.dir / "a" / make_disc.FILE_NAMES["damaged"]).read_bytes()
        self.assertEqual(len(usa), len(damaged))
        self.assertEqual(sum(a != b for a, b in zip(usa, damaged)), 1)

    def test_bin_sectors_carry_the_iso_and_check_out(self):
        usa = (self.dir / "a" / "scrapfury-usa.iso").read_bytes()
        raw = (self.dir / "a" / "scrapfury-usa.bin").read_bytes()
        cue = (self.dir / "a" / "scrapfury-usa.cue").read_text()
        self.assertIn('FILE "scrapfury-usa.bin" BINARY', cue)
        self.assertIn("TRACK 01 MODE2/2352", cue)
        self.assertEqual(len(raw), len(usa) // 2048 * 2352)
        for lba in range(len(usa) // 2048):
            sector = raw[lba * 2352 : (lba + 1) * 2352]
            self.assertEqual(sector[:12], raw_sectors.SYNC)
            self.assertEqual(sector[12:16], raw_sectors.msf(lba) + b"\x02")
            self.assertEqual(sector[24:2072], usa[lba * 2048 : (lba + 1) * 2048])
            self.assertEqual(struct.unpack_from("<I", sector, 2072)[0],
                             raw_sectors.edc(sector[16:2072]))
        # 00:02:00 is the first data sector's address after the pregap.
        self.assertEqual(raw_sectors.msf(0), bytes([0x00, 0x02, 0x00]))

    def test_edc_of_a_known_block(self):
        # The CD-ROM EDC of an all-zero block is zero; of one 0x01 byte, the table's entry 1.
        self.assertEqual(raw_sectors.edc(bytes(2056)), 0)
        self.assertEqual(raw_sectors.edc(b"\x01"), 0x90910101)


if __name__ == "__main__":
    unittest.main()
