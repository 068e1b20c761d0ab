"""File helpers of the texture script: whole-file writes through a ".tmp" sibling, and removal
that never follows a symbolic link out of the folder it clears."""

import os
import shutil
from pathlib import Path


def write_atomic(path, data):
    path = Path(path)
    tmp = path.with_name(path.name + ".tmp")
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def read_or_none(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def remove_tree(path):
    """Removes path and everything below it; a link is removed, never what it points at."""
    path = Path(path)
    if path.is_symlink() or (path.exists() and not path.is_dir()):
        path.unlink()
    elif path.exists():
        shutil.rmtree(path)


def remove_file(path):
    try:
        Path(path).unlink()
    except FileNotFoundError:
        pass
