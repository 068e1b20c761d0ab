"""The launcher's text-mode self-check on copies of the demo release: the exact lines, where they
go, and the exit code."""

import re
import shutil
import unittest

from launcher_run import Workspace, demo_missing

SECONDS = 150  # the self-check's own bound for the kit is 120 s


class SelfCheckRunTest(unittest.TestCase):
    def setUp(self):
        if demo_missing():
            self.fail(demo_missing())
        self.work = Workspace("release é ü")
        self.text_file = self.work.dir / "notes é.txt"
        self.text_file.write_text("not a disc image\n", encoding="utf-8")

    def tearDown(self):
        self.work.cleanup()

    def check(self, check_file, *extra):
        return self.work.run(["--self-check", check_file, *extra], SECONDS)

    def lines(self, *tail):
        """The expected output: the version lines, the release line, then tail."""
        return ["version 0.8.0", re.compile(r"commit [0-9a-f]{40}"),
                f"release {self.work.release}", *tail]

    def assert_lines(self, text, expected):
        self.assertTrue(text.endswith("\n"), repr(text[-80:]))
        got = text.split("\n")[:-1]
        self.assertEqual(len(got), len(expected), "\n".join(got))
        for line, want in zip(got, expected):
            if isinstance(want, re.Pattern):
                self.assertRegex(line, want)
            else:
                self.assertEqual(line, want, "\n".join(got))

    def test_cases(self):
        whats_new = re.compile(r"whats_new [1-9]\d* bytes for 0\.8\.0")
        rejection = re.compile(r"disc check: This file is not a PS2 disc image\. / "
                               r".*not an ISO9660 disc image.*")
        usa = self.work.discs / "scrapfury-usa.iso"
        cases = [
            ("complete", self.text_file, None, 0,
             ["source version 0.8.0", whats_new, rejection, "self-check OK"]),
            ("demo disc", usa, None, 1,
             ["source version 0.8.0", whats_new, "disc check: accepted / ",
              "FAIL expected scf_build's \"not an ISO9660 disc image\"", "self-check FAILED"]),
            ("release.ini disagrees", self.text_file, self.say_version("0.7.0"), 1,
             ["source version 0.7.0", "whats_new 0 bytes for 0.7.0",
              "FAIL CHANGELOG.md has no section for 0.7.0",
              "FAIL source/release.ini says 0.7.0, the launcher 0.8.0", rejection,
              "self-check FAILED"]),
            ("kit removed", self.text_file, self.remove_kit, 1,
             ["source version 0.8.0", "FAIL missing kit/", whats_new, "self-check FAILED"]),
        ]
        for name, check_file, change, code, tail in cases:
            with self.subTest(name):
                if change:
                    change()
                got, out, err = self.check(check_file)
                self.assert_lines(out, self.lines(*tail))
                self.assertEqual(got, code, err)
                self.assertNotIn("disc check", out if name == "kit removed" else "")

    def say_version(self, version):
        def change():
            ini = self.work.release / "source" / "release.ini"
            ini.write_text(re.sub(r"(?m)^version = .*$", f"version = {version}",
                                  ini.read_text(encoding="utf-8")), encoding="utf-8")
        return change

    def remove_kit(self):
        self.say_version("0.8.0")()
        shutil.rmtree(self.work.release / "kit")

    def test_report_file_gets_everything_and_stdout_nothing(self):
        _, printed, _ = self.check(self.text_file)
        report = self.work.dir / "report ü" / "self check.txt"
        report.parent.mkdir()
        report.write_text("an older, longer report\n" * 20)
        code, out, err = self.check(self.text_file, "--report", report)
        self.assertEqual(out, "")
        self.assertEqual(code, 0, err)
        self.assertEqual(report.read_bytes(), printed.encode("utf-8"))
        self.assertTrue(printed.endswith("self-check OK\n"))
        self.assertNotIn(b"\r", report.read_bytes())

    def test_failed_check_with_report_still_exits_one(self):
        report = self.work.dir / "r.txt"
        code, out, _ = self.check(self.work.discs / "scrapfury-usa.iso", "--report", report)
        self.assertEqual((code, out), (1, ""))
        self.assertTrue(report.read_text(encoding="utf-8").endswith("self-check FAILED\n"))


if __name__ == "__main__":
    unittest.main()
