"""What an earlier run already did, kept in <out>/state.json so a killed build resumes.

Every write replaces the file whole through a rename, so a run killed at any moment leaves
either the old state or the new one, never a torn file.
"""

import fcntl
import json
import os
from pathlib import Path

FORMAT = 1


def write_atomic(path, data, durable=True):
    """Writes bytes to path through a ".tmp" sibling and a rename."""
    path = Path(path)
    tmp = path.with_name(path.name + ".tmp")
    with open(tmp, "wb") as f:
        f.write(data)
        if durable:
            f.flush()
            os.fsync(f.fileno())
    os.replace(tmp, path)


class BuildState:
    def __init__(self, out_dir):
        self.path = Path(out_dir) / "state.json"
        self.data = {"format": FORMAT, "disc": None, "commit": "", "done": {}, "percent": {},
                     "seconds": {}}
        try:
            loaded = json.loads(self.path.read_text(encoding="utf-8"))
        except (OSError, ValueError):
            return
        # A state of another shape is no state: the build then starts over.
        if isinstance(loaded, dict) and loaded.get("format") == FORMAT and all(
                isinstance(loaded.get(table), dict) for table in ("done", "percent", "seconds")):
            self.data.update(loaded)

    def save(self, durable=True):
        text = json.dumps(self.data, indent=1, sort_keys=True) + "\n"
        write_atomic(self.path, text.encode("utf-8"), durable)

    def forget(self, stages):
        for stage in stages:
            for table in ("done", "percent", "seconds"):
                self.data[table].pop(stage, None)

    def is_done(self, stage):
        return stage in self.data["done"]

    def percent(self, stage):
        return int(self.data["percent"].get(stage, 0))

    def seconds(self, stage):
        return float(self.data["seconds"].get(stage, 0.0))

    def record(self, stage, percent, seconds, durable=False):
        self.data["percent"][stage] = percent
        self.data["seconds"][stage] = round(seconds, 3)
        self.save(durable)

    def finish(self, stage, seconds):
        self.data["done"][stage] = True
        self.data["percent"][stage] = 100
        self.data["seconds"][stage] = round(seconds, 3)
        self.save()


class OutLock:
    """Holds an exclusive lock on the output folder; the system drops it when the run dies."""

    def __init__(self, out_dir):
        self.file = open(Path(out_dir) / ".lock", "a+")

    def acquire(self):
        try:
            fcntl.flock(self.file.fileno(), fcntl.LOCK_EX | fcntl.LOCK_NB)
            return True
        except OSError:
            return False
