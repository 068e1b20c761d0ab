"""Runs the eight build stages in order, printing the lines the launcher reads.

Lines: "PROGRESS <stage>", "PERCENT <stage> <n>", "DONE <stage> in <seconds>", "SKIP <stage>",
"ERROR <stage> <message>", "RESULT <text>", and "INFO <text>" for people. Each stage also writes
<out>/logs/<stage>.log. Progress is saved at every percent, so a run killed at any moment
continues from there: finished stages are skipped, a half-done one goes on from its percent.
"""

import math
import os
import time
from pathlib import Path

from . import KIT_VERSION, STAGES
from .build_state import BuildState, OutLock
from .disc_image import DiscError, open_disc
from .failures import StageError, describe, details
from .kit_files import load_manifest
from .stages import WORK, BuildContext, outputs_present

# Expected share of each stage in the whole build (the same proportions the launcher assumes).
WEIGHTS = {"verify": 1, "extract": 2, "configure": 60, "tools": 7, "recompile": 2, "packs": 32,
           "compile": 55, "stage": 1}
# Stages after which the recompiled code depends on the source: redone when the commit changes.
CODE_STAGES = STAGES[STAGES.index("recompile"):]
# Where a stage asked to fail by ZA2D_DEMO_FAIL_STAGE stops.
FAIL_PERCENT = 30


def emit(line):
    print(line, flush=True)


def demo_seconds():
    try:
        seconds = float(os.environ.get("ZA2D_DEMO_BUILD_SECONDS", "60"))
    except ValueError:
        return 60.0
    return max(0.0, seconds) if math.isfinite(seconds) else 60.0


def disc_fingerprint(disc):
    """Identifies the image (and a cue sheet's track file): a change means a new build."""
    try:
        with open_disc(disc) as image:
            files = [Path(disc), Path(image.data_path)]
        found = []
        for path in dict.fromkeys(files):
            st = path.stat()
            found.append({"path": str(path.resolve()), "size": st.st_size,
                          "mtime_ns": st.st_mtime_ns})
    except (DiscError, OSError, RuntimeError):  # RuntimeError: a loop of symbolic links
        return None
    return found


class StageLog:
    def __init__(self, path, append):
        # A path that is not UTF-8 is logged with its odd bytes as \xNN: the log stays UTF-8.
        self.file = open(path, "a" if append else "w", encoding="utf-8",
                         errors="backslashreplace")

    def __call__(self, text):
        self.file.write(time.strftime("%H:%M:%S ") + text + "\n")
        self.file.flush()

    def close(self):
        self.file.close()


class Runner:
    def __init__(self, disc, out, game, kit_dir, commit):
        self.disc = Path(disc)
        self.out = Path(out)
        self.game = Path(game)
        self.kit_dir = Path(kit_dir)
        self.commit = commit
        self.total = demo_seconds()
        self.fail_stage = os.environ.get("ZA2D_DEMO_FAIL_STAGE", "")
        self.log = None
        self.stage = "verify"  # the stage a failure is reported in
        self.places = ((self.out, "in the build folder"), (self.game, "in the game folder"),
                       (self.kit_dir, "in the kit"), (self.disc, "the disc image"))

    def run(self):
        # Whatever goes wrong, the launcher gets an ERROR line naming the stage, not a traceback.
        try:
            return self._run()
        except Exception as error:  # noqa: BLE001
            self.fail_with(self.stage, error)
            return 1

    def _run(self):
        emit(f"INFO Scrapfury build kit {KIT_VERSION} (demo): it checks and reads your disc for "
             "real, then installs a small stand-in game instead of recompiling Scrapfury")
        emit(f"INFO demo build length about {self.total:g} s (ZA2D_DEMO_BUILD_SECONDS)")
        try:
            (self.out / "logs").mkdir(parents=True, exist_ok=True)
            lock = OutLock(self.out)
        except OSError as error:
            emit(f"ERROR verify the build folder cannot be made: {describe(error)}")
            return 1
        if not lock.acquire():
            emit("ERROR verify another build is already running in the build folder")
            return 1
        try:
            manifest = load_manifest(self.kit_dir)
        except DiscError as error:
            emit(f"ERROR verify {error}")
            return 1
        state = BuildState(self.out)
        fingerprint = disc_fingerprint(self.disc)
        if state.data["disc"] != fingerprint:
            state.forget(STAGES)
            state.data["disc"] = fingerprint
        if state.data["commit"] != self.commit:
            state.forget(CODE_STAGES)
            state.data["commit"] = self.commit
        state.save()
        ctx = BuildContext(self.disc, self.out, self.game, self.kit_dir, manifest, self.commit,
                           self._log)
        for name in STAGES:
            if state.is_done(name) and outputs_present(ctx, name):
                emit(f"SKIP {name}")
                continue
            if state.is_done(name):
                state.forget([name])
            if not self.run_stage(name, state, ctx):
                return 1
        emit(f"RESULT the game is ready in {self.game} (demo build: a stand-in game, "
             f"built from commit {self.commit or 'unknown'})")
        return 0

    def _log(self, text):
        if self.log:
            self.log(text)

    def run_stage(self, name, state, ctx):
        self.stage = name
        start_percent = state.percent(name)
        resumed = start_percent > 0
        base_seconds = state.seconds(name) if resumed else 0.0
        self.log = StageLog(self.out / "logs" / f"{name}.log", append=resumed)
        emit(f"PROGRESS {name}")
        if resumed:
            emit(f"PERCENT {name} {start_percent}")
            self._log(f"{name}: continuing from {start_percent} %")
        else:
            self._log(f"{name}: started (demo build kit {KIT_VERSION})")
        began = time.monotonic()
        step = self.total * WEIGHTS[name] / sum(WEIGHTS.values()) / 100
        try:
            WORK[name](ctx)
            stop_at = 101
            if self.fail_stage == name:
                stop_at = max(start_percent, FAIL_PERCENT) + 1
            for percent in range(start_percent + 1, min(stop_at, 101)):
                due = began + (percent - start_percent) * step
                delay = due - time.monotonic()
                if delay > 0:
                    time.sleep(delay)
                state.record(name, percent, base_seconds + time.monotonic() - began)
                emit(f"PERCENT {name} {percent}")
            if self.fail_stage == name:
                raise StageError("the demo was asked to fail here (ZA2D_DEMO_FAIL_STAGE)")
        except Exception as error:  # noqa: BLE001 - the launcher must get an ERROR line
            return self.fail_with(name, error)
        seconds = base_seconds + time.monotonic() - began
        state.finish(name, seconds)
        self._log(f"{name}: done in {seconds:.1f} s")
        self.log.close()
        self.log = None
        emit(f"DONE {name} in {seconds:.1f}")
        return True

    def fail_with(self, name, error):
        """Reports error as the failure of stage name; returns False (the run's end)."""
        message = describe(error, self.places)
        if self.log:
            try:
                if not isinstance(error, (StageError, DiscError)):
                    self._log(details(error).rstrip("\n"))
                self._log(f"{name}: failed: {message}")
                self.log.close()
            except Exception:  # noqa: BLE001 - the log is already failing; the ERROR line is not
                pass
            self.log = None
        emit(f"ERROR {name} {message}")
        return False
