"""The lines the launcher reads from the texture script, one per call, flushed at once."""


class EnhanceError(Exception):
    """The run cannot go on; the text becomes the error line the launcher shows."""


def emit(line):
    print(line, flush=True)


def step(name):
    emit(f"step {name}")


def progress(done, total):
    emit(f"progress {done} {total}")


def error(text):
    # One line, whatever the text held: the launcher reads the output line by line.
    emit("error " + (" ".join(str(text).split()) or "unknown error"))


def done(what):
    emit(f"done {what}")
