"""Runs the kit's Real-ESRGAN on one picture, with the real tool's command line."""

import os
import subprocess
import sys
from pathlib import Path

from .lines import EnhanceError

NAME = "realesrgan-ncnn-vulkan.exe" if os.name == "nt" else "realesrgan-ncnn-vulkan"
SCALE = 4
# One picture takes seconds on a graphics card (a minute on a weak one); five is a hung tool.
TIME_LIMIT = 300


def find(kit_dir):
    path = Path(kit_dir) / "realesrgan" / NAME
    if not path.is_file():
        raise EnhanceError("the build kit has no Real-ESRGAN (realesrgan/" + NAME + ")")
    return path


def _command(tool):
    """The tool itself, or the interpreter running it when the kit's tool is a Python script
    (the demo's stand-in), so no python3 on the PATH is needed."""
    try:
        with open(tool, "rb") as f:
            first = f.readline(200)
    except OSError as error:
        raise EnhanceError(f"Real-ESRGAN cannot be read: {error.strerror or error}") from None
    if first.startswith(b"#!") and b"python" in first:
        return [sys.executable, "-I", str(tool)]
    return [str(tool)]


def upscale(tool, source, dest):
    """Writes source upscaled SCALE times into dest; EnhanceError when the tool fails."""
    command = _command(tool) + ["-i", str(source), "-o", str(dest), "-s", str(SCALE)]
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=TIME_LIMIT)
    except subprocess.TimeoutExpired:
        raise EnhanceError(f"Real-ESRGAN did not finish within {TIME_LIMIT} s") from None
    except OSError as error:
        raise EnhanceError(f"Real-ESRGAN cannot be started: {error.strerror or error}") from None
    said = result.stdout.decode("utf-8", "replace").strip().splitlines()
    if result.returncode != 0:
        last = said[-1] if said else f"exit code {result.returncode}"
        raise EnhanceError(f"Real-ESRGAN failed on {Path(source).stem}: {last}")
    if not Path(dest).is_file():
        raise EnhanceError(f"Real-ESRGAN wrote no picture for {Path(source).stem}")
