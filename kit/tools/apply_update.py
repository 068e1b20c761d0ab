"""Installs a downloaded release over this release folder (the demo release's update installer).

    apply_update.py --zip ARCHIVE --sha256 CHECKSUM_FILE --version VERSION --install RELEASE_DIR
    apply_update.py --recover --install RELEASE_DIR

Install: steps, each announced by a "step <name>" line and followed by "progress <done> <total>"
lines: verify (the archive against its checksum file), extract (into RELEASE_DIR/update/staging),
install (the new files in, the old ones kept aside) and finish (the old ones deleted). It ends
with "done <version>" and exit code 0, or with one "error <sentence>" line and exit code 1 (2 for
a bad command line), the release folder then being as it was. The user's folders build/, game/,
user/ are never touched.

Whatever ends an install (a kill at any point, a power cut), the release folder holds the old
release or the new one once the next run has recovered it: the install step's journal,
update/journal.json, flushed before each change it describes, lets the next run undo an install
that had not finished or finish one that had. That recovery comes before anything else in every
run: announced by "step recover" and progress lines, it ends with "recovered <version>", the
version the release now holds. The install and the recovery never import modules from the
release while it is being replaced: before the first change the installer copies itself into
update/installer/, and a run that finds a journal runs that copy.

--recover does only that recovery (and clears what earlier runs left behind), silently when
there is nothing to recover; exit code 0 once the release is whole, 1 after an "error" line.
The launcher runs it at its start when it finds the journal.

One update of a release at a time: each run holds update/launcher-update.lock (created
exclusively, holding its process id; taken over from the launcher that started it, or from a
process that has ended). A run that finds the lock held answers with an error line and changes
nothing. The installer ignores hang-ups and a closed output: it goes on to the end.

For tests: ZA2D_DEMO_UPDATE_FAIL_AT=<n> stops the install step after n files,
ZA2D_DEMO_UPDATE_LOCKED=<path>[,<path>...] treats those old files (relative paths in the
release) as impossible to delete, as the running launcher is on Windows, and
ZA2D_DEMO_UPDATE_KILL_AT=<n> kills the installer outright right after its n-th output line.
"""

import os
import runpy
import sys

# The release folder stays as it was shipped: no __pycache__ beside the installer's modules.
sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))


def interrupted_install_copy(argv):
    """The installer copy an interrupted install took (update/installer, complete, with the
    journal beside it), or None. Its names are those of scf_update's constants, repeated here
    because the modules are only imported once it is known where from."""
    install = None
    for index, arg in enumerate(argv):
        if arg == "--install" and index + 1 < len(argv):
            install = argv[index + 1]
        elif arg.startswith("--install="):
            install = arg[len("--install="):]
    if not install:
        return None
    update = os.path.join(os.path.abspath(install), "update")
    copy = os.path.join(update, "installer")
    if os.path.isfile(os.path.join(update, "journal.json")) and os.path.isfile(
            os.path.join(copy, "complete")) and os.path.isfile(
            os.path.join(copy, "apply_update.py")):
        return copy
    return None


if __name__ == "__main__":
    COPY = interrupted_install_copy(sys.argv[1:])
    if COPY is not None and os.path.normcase(COPY) != os.path.normcase(HERE):
        # The release's own installer may be half replaced: the copy recovers, then goes on.
        sys.argv[0] = os.path.join(COPY, "apply_update.py")
        runpy.run_path(sys.argv[0], run_name="__main__")
        sys.exit(0)

sys.path.insert(0, HERE)

# Every module is imported now, before anything in the release changes.
try:
    import argparse
    import re
    import signal
    import stat
    import zipfile

    from scf_update import STAGING, UpdateError
    from scf_update import journal as journal_file
    from scf_update.checksum import expected_digest, file_digest, open_archive
    from scf_update.entries import release_entries, release_folder
    from scf_update.files import ini_value, read_small, reason, sync_folder
    from scf_update.install import Places, apply, finish, list_left_behind, plan, undo
    from scf_update.leftovers import (clear_old_entries, clear_update_folder, read_installer,
                                      remove_copy, remove_staging, take_copy)
    from scf_update.lock import Lock
    from scf_update.unpack import DAMAGE, check_free_space, fresh_folder, unpack
except ImportError:
    print("error The installer is incomplete: unpack the whole release again.", flush=True)
    sys.exit(1)

VERSION = re.compile(r"[0-9A-Za-z][0-9A-Za-z.+_-]{0,63}")


class Stopped(UpdateError):
    """The installer was asked to end (SIGTERM or Ctrl+C)."""


class Output:
    """The lines the launcher reads, flushed one by one; progress at most every half per cent.
    A reader that went away (a broken pipe) does not stop the installer: the rest of its
    output goes nowhere."""

    def __init__(self, kill_at=None):
        self.last = None
        self.lines = 0
        self.kill_at = kill_at
        self.broken = False

    def line(self, text):
        if not self.broken:
            try:
                print(text, flush=True)
            except (OSError, ValueError):
                self.broken = True
                try:
                    devnull = os.open(os.devnull, os.O_WRONLY)
                    os.dup2(devnull, sys.stdout.fileno())
                    os.close(devnull)
                except (OSError, ValueError):
                    pass
        self.lines += 1
        if self.kill_at is not None and self.lines >= self.kill_at:
            os.kill(os.getpid(), getattr(signal, "SIGKILL", signal.SIGTERM))

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
    parser.add_argument("--zip", help="the release archive")
    parser.add_argument("--sha256", help="its checksum file")
    parser.add_argument("--version", help="the version the archive must hold")
    parser.add_argument("--install", required=True, help="the release folder to update")
    parser.add_argument("--recover", action="store_true",
                        help="only finish or undo an install that was cut short")
    args = parser.parse_args(argv)
    if args.recover:
        if args.zip or args.sha256 or args.version:
            raise UpdateError("The installer's command line is wrong: --recover takes only "
                              "--install.")
        return args
    missing = [f"--{name}" for name in ("zip", "sha256", "version") if getattr(args, name) is None]
    if missing:
        raise UpdateError("The installer's command line is wrong: the following arguments are "
                          f"required: {', '.join(missing)}.")
    if not VERSION.fullmatch(args.version):
        raise UpdateError("The installer's command line is wrong: the version is not a release "
                          "version.")
    return args


def test_switches():
    def whole(name, what):
        value = os.environ.get(name, "")
        if value and not (value.isdigit() and int(value) > 0):
            raise UpdateError(f"{name} takes a whole number of {what}.")
        return int(value) if value else None

    locked = [p for p in os.environ.get("ZA2D_DEMO_UPDATE_LOCKED", "").split(",") if p]
    return whole("ZA2D_DEMO_UPDATE_FAIL_AT", "files"), locked, whole("ZA2D_DEMO_UPDATE_KILL_AT",
                                                                       "lines")


def update_folder(install_dir, create):
    """RELEASE_DIR/update, created when missing if create (else None); a link there could lead
    out of the release."""
    if not os.path.isdir(install_dir):
        raise UpdateError("The release folder to update does not exist.")
    folder = os.path.join(install_dir, "update")
    try:
        if not os.path.lexists(folder):
            if not create:
                return None
            os.mkdir(folder)
        if not stat.S_ISDIR(os.lstat(folder).st_mode):
            raise UpdateError("The release's update folder is not a folder.")
    except OSError as error:
        raise UpdateError(f"The release's update folder cannot be made: {reason(error)}.") from None
    return folder


def release_version(install_dir):
    try:
        data = read_small(os.path.join(install_dir, "source", "release.ini"), 65536, "release.ini")
    except UpdateError:
        return ""
    found = ini_value(data.decode("utf-8", errors="replace"), "version").strip()
    return found if VERSION.fullmatch(found) else ""


def tidy(update_dir):
    """The installer's own files go; the journal last, since it alone says that all is done."""
    remove_staging(update_dir)
    remove_copy(update_dir)
    journal_file.remove(update_dir)
    sync_folder(update_dir)


def recover(install_dir, update_dir, out, locked):
    """Finishes or undoes an install that was cut short; False when there was none."""
    if not journal_file.exists(update_dir):
        return False
    journal = journal_file.read(update_dir)
    out.step("recover")
    places = Places(install_dir, os.path.join(update_dir, STAGING, journal["staging"]))
    operations = journal["operations"]
    if journal["state"] == "committed":
        left = finish(places, operations, out.progress, locked)
        if left:
            list_left_behind(update_dir, left)
        version = journal["version"]
    else:
        failed = undo(places, operations, out.progress)
        if failed:
            raise UpdateError(f"The interrupted update could not be undone ({failed} changes "
                              "failed): unpack the whole release again.")
        version = journal["old_version"]
    tidy(update_dir)
    out.line(f"recovered {version or 'unknown'}")
    return True


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
    sync_folder(staging)
    sync_folder(update_dir)
    return root


def install(args, out, install_dir, update_dir, root, switches, installer):
    """The install and finish steps."""
    fail_at, locked, _ = switches
    out.step("install")
    places = Places(install_dir, root)
    operations = plan(install_dir, root)
    journal = {"format": journal_file.FORMAT, "state": "installing", "version": args.version,
               "old_version": release_version(install_dir), "staging": os.path.basename(root),
               "operations": operations}
    steps = [(kind, journal_file.parts_of(path), aside) for kind, path, aside in operations]
    try:
        take_copy(update_dir, installer)
        journal_file.write(update_dir, journal)
    except OSError as error:
        raise UpdateError(f"The update cannot be prepared: {reason(error)}.") from None
    try:
        apply(places, steps, out.progress, fail_at)
    except BaseException as error:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)  # the undo itself is not interrupted
        out.step("undo")
        failed = undo(places, steps, out.progress)
        if failed:
            raise UpdateError(f"{message(error).rstrip('.')}, and {failed} changes could not be "
                              "undone: download the release again.") from None
        tidy(update_dir)
        raise
    # The new release is in place: from here on a stop would only misreport it.
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    journal["state"] = "committed"
    journal_file.write(update_dir, journal)
    out.step("finish")
    left = finish(places, steps, out.progress, locked)
    try:
        if left:
            list_left_behind(update_dir, left)
        tidy(update_dir)
    except OSError:
        pass  # the new release is installed; what is left only takes some room until next time


def downloads(args, update_dir):
    """The downloaded archive, checksum and signature, when they lie in the update folder."""
    if args.recover:
        return []
    found = []
    for path in (args.zip, args.sha256, args.zip + ".minisig"):
        path = os.path.abspath(path)
        if os.path.normcase(os.path.dirname(path)) == os.path.normcase(update_dir):
            found.append(path)
    return found


def remove_files(paths):
    for path in paths:
        try:
            os.unlink(path)
        except OSError:
            pass


def run(args, out, switches, installer):
    install_dir = os.path.abspath(args.install)
    update_dir = update_folder(install_dir, create=not args.recover)
    if update_dir is None:
        return 0  # nothing was ever installed here
    lock = Lock(update_dir)
    try:
        holder = lock.take()
    except OSError as error:
        raise UpdateError(f"The update cannot be locked: {reason(error)}.") from None
    if holder:
        shown = f" (process {holder})" if holder > 0 else ""
        raise UpdateError(f"Another update of this release is under way{shown}; this one "
                          "changes nothing.")
    # Whatever happens next, the download is not kept: a new attempt downloads it again.
    downloaded = downloads(args, update_dir)
    try:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)  # a recovery always runs to its end
        recover(install_dir, update_dir, out, switches[1])
        clear_update_folder(update_dir, keep=downloaded)
        clear_old_entries(install_dir, update_dir, switches[1])
        if args.recover:
            return 0
        signal.signal(signal.SIGTERM, stop)
        staging = os.path.join(update_dir, STAGING)
        try:
            root = verify_and_unpack(args, out, update_dir, staging)
            install(args, out, install_dir, update_dir, root, switches, installer)
        except BaseException:
            if not journal_file.exists(update_dir):  # else the next run needs them
                remove_staging(update_dir)
                remove_copy(update_dir)
            raise
    finally:
        remove_files(downloaded)
        lock.release()
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
        for name in ("SIGHUP", "SIGPIPE"):  # the launcher's end or a closed output: go on
            if hasattr(signal, name):
                signal.signal(getattr(signal, name), signal.SIG_IGN)
        signal.signal(signal.SIGTERM, stop)
        switches = test_switches()
        out.kill_at = switches[2]
        args = parse(argv)
        installer = read_installer(os.path.abspath(__file__))
    except UpdateError as error:
        out.line(f"error {error}")
        return 2
    except OSError as error:
        out.line(f"error The installer cannot read itself: {reason(error)}.")
        return 1
    try:
        return run(args, out, switches, installer)
    except BaseException as error:  # noqa: BLE001 - every failure ends in one error line
        if isinstance(error, SystemExit):
            raise
        out.line(f"error {message(error)}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
