"""Installs a downloaded release over this release folder (the demo release's update installer).

    apply_update.py --zip ARCHIVE --sha256 CHECKSUM_FILE --version VERSION --install RELEASE_DIR

Steps, each announced by a "step <name>" line and followed by "progress <done> <total>" lines:
verify (the archive against its checksum file), extract (into RELEASE_DIR/update/staging),
install (the new files in, the old ones aside) and finish (the old files deleted). It ends with
"done <version>" and exit code 0, or with one "error <sentence>" line and exit code 1 (2 for a
bad command line), the release folder then being as it was. The user's folders build/, game/,
user/ and update/ are never touched.

For tests: ZA2D_DEMO_UPDATE_FAIL_AT=<n> stops the install step after n files, and
ZA2D_DEMO_UPDATE_LOCKED=<path>[,<path>...] treats those old files (relative paths in the
release) as impossible to delete, as the running launcher is on Windows.
"""

import argparse
import os
import re
import signal
import stat
import sys
import zipfile
from pathlib import Path

# The release folder stays as it was shipped: no __pycache__ beside the installer's modules.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))

try:
    from scf_update import UpdateError
    from scf_update.checksum import expected_digest, file_digest, open_archive
    from scf_update.entries import release_entries, release_folder
    from scf_update.files import reason
    from scf_update.install import Installation, list_left_behind
    from scf_update.unpack import DAMAGE, check_free_space, fresh_folder, remove_folder, unpack
except ImportError:
    print("error The installer is incomplete: unpack the whole release again.", flush=True)
    sys.exit(1)

VERSION = re.compile(r"[0-9A-Za-z][0-9A-Za-z.+_-]{0,63}")


class Stopped(UpdateError):
    """The installer was asked to end (SIGTERM or Ctrl+C)."""


class Output:
    """The lines the launcher reads, flushed one by one; progress at most every half per cent."""

    def __init__(self):
        self.last = None

    def line(self, text):
        try:
            print(text, flush=True)
        except (OSError, ValueError):
            pass  # nobody is reading any more; the work goes on and ends the same way

    def step(self, name):
        self.last = None
        self.line(f"step {name}")

    def progress(self, done, total):
        key = (total, done * 200 // total if total else 0)
        if key != self.last or done == total:
            self.last = key
            self.line(f"progress {done} {total}")


class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise UpdateError(f"The installer's command line is wrong: {message}.")


def parse(argv):
    parser = Parser(description="Installs a downloaded release over this release folder.")
    parser.add_argument("--zip", required=True, help="the release archive")
    parser.add_argument("--sha256", required=True, help="its checksum file")
    parser.add_argument("--version", required=True, help="the version the archive must hold")
    parser.add_argument("--install", required=True, help="the release folder to update")
    args = parser.parse_args(argv)
    if not VERSION.fullmatch(args.version):
        raise UpdateError("The installer's command line is wrong: the version is not a release "
                          "version.")
    return args


def test_switches():
    fail_at = os.environ.get("ZA2D_DEMO_UPDATE_FAIL_AT", "")
    if fail_at and not (fail_at.isdigit() and int(fail_at) > 0):
        raise UpdateError("ZA2D_DEMO_UPDATE_FAIL_AT takes a whole number of files.")
    locked = [p for p in os.environ.get("ZA2D_DEMO_UPDATE_LOCKED", "").split(",") if p]
    return (int(fail_at) if fail_at else None), locked


def update_folder(install_dir):
    """RELEASE_DIR/update, created when missing; a link there could lead out of the release."""
    if not os.path.isdir(install_dir):
        raise UpdateError("The release folder to update does not exist.")
    folder = os.path.join(install_dir, "update")
    try:
        if not os.path.lexists(folder):
            os.mkdir(folder)
        if not stat.S_ISDIR(os.lstat(folder).st_mode):
            raise UpdateError("The release's update folder is not a folder.")
    except OSError as error:
        raise UpdateError(f"The release's update folder cannot be made: {reason(error)}.") from None
    return folder


def verify_and_unpack(args, out, update_dir, staging):
    """The verify and extract steps; returns the unpacked release folder."""
    out.step("verify")
    expected = expected_digest(args.sha256, os.path.basename(args.zip))
    archive, size = open_archive(args.zip)
    with archive:
        if file_digest(archive, size, out.progress) != expected:
            raise UpdateError("The download is damaged: it does not match its checksum.")
        archive.seek(0)
        out.step("extract")
        try:
            with zipfile.ZipFile(archive) as zipped:
                entries, total = release_entries(zipped, args.version, size)
                check_free_space(update_dir, total)
                fresh_folder(staging)
                root = os.path.join(staging, release_folder(args.version))
                fresh_folder(root)
                unpack(zipped, entries, root, total, out.progress)
        except DAMAGE:
            raise UpdateError("The download is not a readable zip archive.") from None
    return root


def install(installation, out):
    """The install step: all of it, or on any failure none of it."""
    out.step("install")
    installation.plan()
    try:
        installation.apply(out.progress)
    except BaseException as error:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)  # the undo itself is not interrupted
        failed = installation.undo()
        if failed:
            raise UpdateError(f"{message(error).rstrip('.')}, and {failed} changes could not be "
                              "undone: download the release again.") from None
        raise
    # The new release is in place: from here on a stop would only misreport it.
    signal.signal(signal.SIGTERM, signal.SIG_IGN)


def remove_download(path, update_dir):
    """Deletes the downloaded archive or checksum once installed, if it is in the update folder."""
    if os.path.dirname(os.path.abspath(path)) == update_dir:
        try:
            os.unlink(path)
        except OSError:
            pass


def run(args, out):
    fail_at, locked = test_switches()
    install_dir = os.path.abspath(args.install)
    update_dir = update_folder(install_dir)
    staging = os.path.join(update_dir, "staging")
    try:
        root = verify_and_unpack(args, out, update_dir, staging)
        installation = Installation(install_dir, root, fail_at, locked)
        install(installation, out)
        out.step("finish")
        left = installation.remove_old(out.progress)
        if left:
            try:
                list_left_behind(update_dir, left)
            except OSError:
                pass  # the new release is installed; the old files only take some room
        remove_download(args.zip, update_dir)
        remove_download(args.sha256, update_dir)
    finally:
        remove_folder(staging)
        try:
            os.rmdir(update_dir)  # only when nothing is left in it
        except OSError:
            pass
    out.line(f"done {args.version}")
    return 0


def message(error):
    if isinstance(error, UpdateError):
        return str(error)
    if isinstance(error, KeyboardInterrupt):
        return "The update was stopped."
    if isinstance(error, MemoryError):
        return "The installer ran out of memory."
    if isinstance(error, OSError):
        return f"The installer failed: {reason(error)}."
    return f"The installer failed unexpectedly ({type(error).__name__})."


def stop(signum, frame):
    raise Stopped("The update was stopped.")


def main(argv=None):
    out = Output()
    try:
        signal.signal(signal.SIGTERM, stop)
        args = parse(argv)
    except UpdateError as error:
        out.line(f"error {error}")
        return 2
    try:
        return run(args, out)
    except BaseException as error:  # noqa: BLE001 - every failure ends in one error line
        if isinstance(error, SystemExit):
            raise
        out.line(f"error {message(error)}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
