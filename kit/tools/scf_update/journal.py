"""The install's journal: what the install step is about to change in the release folder, on disk
before the first change, so that whatever ends the installer the next run can undo an install
that had not finished, or finish one that had.

It is JOURNAL in the update folder, UTF-8 JSON, replaced whole and flushed at each change of
state:

    {"format": 1, "state": "installing" or "committed", "version": new version,
     "old_version": the release's version before, "staging": the unpacked release's folder name
     in update/staging, "operations": [[kind, path, aside], ...]}

kind is "folder" (a folder made, what stood there moved aside first), "file" (a new file moved
in, the old one kept aside) or "obsolete" (an old file moved aside); path is relative to the
release folder with "/" between names; aside is the name the old entry gets in the same folder
(carrying OLD_MARKER), or null when there was none. "installing" means the release may be a mix:
a recovery puts the old release back. "committed" means the new release is whole: a recovery
deletes what was moved aside.
"""

import json
import os

from . import JOURNAL, KEPT_FOLDERS, OLD_MARKER, RELEASE_PREFIX, UpdateError
from .files import read_small, write_synced

FORMAT = 1
LIMIT = 16 << 20
KINDS = ("folder", "file", "obsolete")
STATES = ("installing", "committed")


def path_of(update_dir):
    return os.path.join(update_dir, JOURNAL)


def exists(update_dir):
    return os.path.lexists(path_of(update_dir))


def write(update_dir, journal):
    """Writes the journal whole and flushes it before anything it describes is done."""
    write_synced(path_of(update_dir), json.dumps(journal, separators=(",", ":")).encode("utf-8"))


def remove(update_dir):
    try:
        os.unlink(path_of(update_dir))
    except FileNotFoundError:
        pass


def _damaged():
    return UpdateError("The journal of the interrupted update is damaged, so the update cannot be "
                       "finished: unpack the whole release again.")


def safe_name(name):
    """Whether name can stand in a journal path: one plain name."""
    return isinstance(name, str) and name not in ("", ".", "..") and not any(
        c in name for c in "/\\:\0") and len(name) <= 255


def _name(name):
    if not safe_name(name):
        raise _damaged()
    return name


def parts_of(path):
    """The checked parts of a journal path: inside the release, outside the user's folders."""
    if not isinstance(path, str) or len(path) > 4096:
        raise _damaged()
    parts = tuple(_name(part) for part in path.split("/"))
    if parts[0].casefold() in KEPT_FOLDERS:
        raise _damaged()
    return parts


def read(update_dir):
    """The journal with its paths checked; UpdateError when it cannot be trusted."""
    data = read_small(path_of(update_dir), LIMIT, "journal of the interrupted update")
    try:
        journal = json.loads(data.decode("utf-8"))
    except (UnicodeDecodeError, ValueError, RecursionError):
        raise _damaged() from None
    if not isinstance(journal, dict) or journal.get("format") != FORMAT or journal.get(
            "state") not in STATES or not isinstance(journal.get("operations"), list):
        raise _damaged()
    for key in ("version", "old_version"):
        if not isinstance(journal.get(key), str) or len(journal[key]) > 64:
            raise _damaged()
    staging = _name(journal.get("staging"))
    if not staging.startswith(RELEASE_PREFIX):
        raise _damaged()
    operations = []
    for operation in journal["operations"]:
        if not isinstance(operation, list) or len(operation) != 3 or operation[0] not in KINDS:
            raise _damaged()
        kind, path, aside = operation
        if aside is not None and OLD_MARKER not in _name(aside):
            raise _damaged()
        if kind == "obsolete" and aside is None:
            raise _damaged()
        operations.append((kind, parts_of(path), aside))
    journal["operations"] = operations
    return journal
