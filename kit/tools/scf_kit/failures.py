"""Turns any failure into the one-line message of an ERROR line.

The launcher shows the message and sorts it by the words it contains ("European", "boots",
"SHA-1", "does not exist", "No space", "free space"), so a message never quotes a path the user
chose: a folder named "European" must not change the diagnosis. Paths go to the logs instead.
"""

import os
import traceback

from .disc_image import DiscError


class StageError(Exception):
    """The stage failed; the text goes on the ERROR line."""


def one_line(text):
    return " ".join(str(text).split()) or "unknown error"


def _place(filename, places):
    """The label of the first (folder, label) of places that holds filename, or ""."""
    try:
        name = os.fsdecode(filename)
    except (TypeError, ValueError):
        return ""
    for folder, label in places:
        root = os.fsdecode(os.fspath(folder)).rstrip("/")
        if root and (name == root or name.startswith(root + "/")):
            return label
    return ""


def describe(error, places=()):
    """The message of an ERROR line for error; places: (folder, label) pairs naming its files."""
    if isinstance(error, (DiscError, StageError)):
        return one_line(error)
    if isinstance(error, OSError):
        text = error.strerror or type(error).__name__
        label = _place(error.filename, places) if error.filename else ""
        return one_line(f"{text} ({label})" if label else text)
    if isinstance(error, MemoryError):
        return "internal error of the kit: it ran out of memory"
    # The exception's own text may quote a path; it goes to the log, the type name is enough here.
    return f"internal error of the kit ({type(error).__name__})"


def details(error):
    """The whole story of an unexpected failure, for a log."""
    return "".join(traceback.format_exception(type(error), error, error.__traceback__))


def summary(error):
    """An unexpected failure in one line, with the place in the kit where it happened."""
    frames = traceback.extract_tb(error.__traceback__)
    where = f" at {os.path.basename(frames[-1].filename)}:{frames[-1].lineno}" if frames else ""
    return one_line(f"{type(error).__name__}: {error}{where}")
