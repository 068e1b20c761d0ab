"""A headless Weston compositor of a test's own: a private runtime folder (mode 0700) and socket,
a bounded wait for the socket, and an end that always kills the compositor's whole group."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

# The launcher's window at scale 1 and its pictures fit on this output (options may change it).
OUTPUT = ("--width=1920", "--height=1080")
START_SECONDS = 20


class Weston:
    def __init__(self, *options):
        self.runtime = Path(tempfile.mkdtemp(prefix="scf-weston-"))
        os.chmod(self.runtime, 0o700)
        self.socket = f"scf-wayland-{os.getpid()}"
        self.log_path = self.runtime / "weston.log"
        env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "DISPLAY")}
        env["XDG_RUNTIME_DIR"] = str(self.runtime)
        self.process = None
        if shutil.which("weston") is None:
            self.stop()
            raise AssertionError("weston is not installed (scripts/setup-deps.sh installs it)")
        with open(self.log_path, "wb") as log:
            self.process = subprocess.Popen(
                ["weston", "--backend=headless-backend.so", "--no-config", "--idle-time=0",
                 f"--socket={self.socket}", *OUTPUT, *options],
                env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True)
        deadline = time.monotonic() + START_SECONDS
        while not (self.runtime / self.socket).is_socket():
            if self.process.poll() is not None or time.monotonic() > deadline:
                why = (f"exited with code {self.process.returncode}"
                       if self.process.poll() is not None else f"no socket after {START_SECONDS} s")
                log_text = self.log_text()
                self.stop()
                raise AssertionError(f"weston did not start: {why}\n{log_text[-3000:]}")
            time.sleep(0.05)

    def log_text(self):
        try:
            return self.log_path.read_text(errors="replace")
        except OSError:
            return ""

    def environment(self):
        """What a client needs to draw on this compositor, and only there."""
        return {"XDG_RUNTIME_DIR": str(self.runtime), "WAYLAND_DISPLAY": self.socket,
                "SDL_VIDEO_DRIVER": "wayland", "DISPLAY": ""}

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait(timeout=5)
            except ProcessLookupError:
                pass
        if self.process is not None:
            # Clients weston started (its shell, its keyboard) may outlive it in its group.
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except (ProcessLookupError, PermissionError):
                pass
        self.process = None
        shutil.rmtree(self.runtime, ignore_errors=True)
