"""What the launcher benchmarks share: a private copy of the demo release (built, so the Play
tab is ready to play), the launcher started in it with its own user folder and no network, and
the lines of the file shim (bench/file_shim.c) read back."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

NO_NETWORK = ["--update-url", "http://127.0.0.1:9/x"]


def build_folder():
    return Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / "build")


def need_display(name):
    if not os.environ.get("DISPLAY"):
        raise SystemExit(f"{name} needs an X display: LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a {name}")


class Workspace:
    """A temporary folder holding a copy of build/demo/release and a user folder."""

    def __init__(self, build):
        self.build = Path(build).resolve()
        demo = self.build / "demo"
        if not (demo / "release" / "scf-launcher").is_file():
            raise SystemExit(f"no demo release in {demo}: build the scf_demo_release target")
        self.tmp = tempfile.TemporaryDirectory(prefix="scf-bench-")
        self.dir = Path(self.tmp.name)
        self.release = self.dir / "release"
        shutil.copytree(demo / "release", self.release, symlinks=True)
        self.user = self.dir / "user"
        self.user.mkdir()
        # The disc is copied in, so it is on the same (maybe slowed) disk as the rest.
        self.disc = self.dir / "scrapfury-usa.iso"
        shutil.copyfile(demo / "discs" / "scrapfury-usa.iso", self.disc)
        self.shim = self.build / "bench" / "libbench_file_shim.so"

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.tmp.cleanup()

    def environment(self, **extra):
        env = {k: v for k, v in os.environ.items() if not k.startswith("ZA2D_")}
        env.update(ZA2D_USER_DIR=str(self.user), LC_ALL="C")
        env.setdefault("LIBGL_ALWAYS_SOFTWARE", "1")
        env.update({k: str(v) for k, v in extra.items()})
        return env

    def write_settings(self, **keys):
        keys.setdefault("update_check", 0)
        text = "".join(f"{k} = {v}\n" for k, v in keys.items())
        (self.user / "launcher.ini").write_text("[launcher]\n" + text, encoding="utf-8")

    def build_game(self):
        """Builds the game in the copy with its kit at full speed, and records the disc and the
        finished build, as a launcher that prepared the game would have."""
        result = subprocess.run(
            [sys.executable, "-B", "-I", "-X", "utf8",
             str(self.release / "source" / "tools" / "scf_build.py"), "--disc", str(self.disc),
             "--out", str(self.release / "build"), "--game", str(self.release / "game")],
            cwd=self.release / "source", env=self.environment(ZA2D_DEMO_BUILD_SECONDS="0"),
            capture_output=True, text=True, timeout=180)
        if result.returncode != 0:
            raise SystemExit("the demo build failed:\n" + result.stdout[-2000:] + result.stderr[-2000:])
        self.write_settings(disc=self.disc, built=1)

    def start(self, args=(), shim_log=None, slow_ms=0, program=None, **env):
        """Starts the launcher of the copy (or another program given its arguments)."""
        extra = dict(env)
        if shim_log:
            extra.update(LD_PRELOAD=self.shim, SCF_SHIM_LOG=shim_log, SCF_SHIM_SLOW_MS=slow_ms,
                         SCF_SHIM_SLOW_UNDER=self.dir)
        command = [str(program or self.release / "scf-launcher"), *map(str, args), *NO_NETWORK]
        return subprocess.Popen(command, cwd=self.dir, env=self.environment(**extra),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)


def stop(process, seconds=10):
    """Asks the launcher to end (as a logout would), then ends it."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(seconds)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def wait_exit(process, seconds):
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        stop(process)
        return None


def shim_lines(path):
    """The shim's lines as lists of fields: ["file", time, main, call, path], ["write", time,
    main, path], ["span", start, milliseconds, file calls], ["wait", start, end]."""
    lines = []
    if not os.path.exists(path):
        return lines
    with open(path, encoding="utf-8", errors="replace") as log:
        for text in log:
            kind, _, rest = text.rstrip("\n").partition(" ")
            if kind == "file":
                t, main, call, name = rest.split(" ", 3)
                lines.append(["file", float(t), main == "1", call, name])
            elif kind == "write":
                t, main, name = rest.split(" ", 2)
                lines.append(["write", float(t), main == "1", name])
            elif kind == "span":
                start, ms, calls = rest.split(" ")
                lines.append(["span", float(start), float(ms), int(calls)])
            elif kind == "wait":
                start, end = rest.split(" ")
                lines.append(["wait", float(start), float(end)])
    return lines


def wait_for_frames(process, log, seconds):
    """Waits until the launcher's frame loop runs (the shim has timed a frame); False when it
    ended or the time ran out first."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and process.poll() is None:
        if sum(1 for line in shim_lines(log) if line[0] == "span") >= 2:
            return True
        time.sleep(0.2)
    return False


def now():
    return time.monotonic()
