"""Makes the release signature cases the update tests check: releases signed with the minisign
tool (never by the launcher's own code), then tampered with one way each.

    make_signature_cases.py --minisign PATH --out DIR

DIR/trusted.pub is the key the launcher is to trust (other.pub is not trusted). Each case is a
folder DIR/<case>/ holding release 0.9.0's ZER_Avudud-0.9.0-ravelin.zip, its .sha256 and (except
when unsigned) its .minisig: served by tools/release_host.py --root DIR, the case's name is the
release tag. DIR/cases.txt lists "<case> <expected verdict>" lines.
"""

import argparse
import base64
import hashlib
import shutil
import subprocess
import sys
from pathlib import Path

VERSION = "0.9.0"
ASSET = f"ZER_Avudud-{VERSION}-ravelin.zip"
COMMENT = f"timestamp:1765400000\tfile:{ASSET}\tversion:{VERSION}"


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                   timeout=60)


def flip(data, at):
    data = bytearray(data)
    data[at] ^= 0x01
    return bytes(data)


def signature_lines(text):
    lines = text.decode().splitlines()
    assert len(lines) == 4 and lines[2].startswith("trusted comment: "), lines
    return lines


def with_line(text, index, value):
    lines = signature_lines(text)
    lines[index] = value
    return ("\n".join(lines) + "\n").encode()


def blob_changed(text, at):
    """The signature line with one byte of its decoded blob changed (at 2..9: the key id)."""
    blob = base64.b64decode(signature_lines(text)[1])
    return with_line(text, 1, base64.b64encode(flip(blob, at)).decode())


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--minisign", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv)
    out = Path(args.out)
    if out.exists():
        shutil.rmtree(out)
    work = out / "work"
    work.mkdir(parents=True)
    for name in ("trusted", "other"):
        run(args.minisign, "-G", "-W", "-p", str(out / f"{name}.pub"), "-s",
            str(work / f"{name}.key"))

    # A little over one read piece of the launcher's, so the hash goes through several.
    archive = bytes((i * 7 + i // 251) & 0xFF for i in range((1 << 20) + 4099))
    source = work / ASSET
    source.write_bytes(archive)

    def sign(key="trusted", comment=COMMENT, legacy=False):
        target = work / "sig.minisig"
        target.unlink(missing_ok=True)
        run(args.minisign, "-S", *(["-l"] if legacy else []), "-s", str(work / f"{key}.key"),
            "-m", str(source), "-x", str(target), "-t", comment)
        return target.read_bytes()

    good = sign()
    cases = [
        ("signed", "valid", archive, good),
        ("unsigned", "missing", archive, None),
        ("empty-signature", "missing", archive, b""),
        ("other-key", "unknownKey", archive, sign("other")),
        ("key-id-changed", "unknownKey", archive, blob_changed(good, 5)),
        ("archive-byte-changed", "badSignature", flip(archive, len(archive) // 2), good),
        ("archive-truncated", "badSignature", archive[:-1], good),
        ("signature-byte-changed", "badSignature", archive, blob_changed(good, 40)),
        ("comment-byte-changed", "badComment", archive,
         with_line(good, 2, "trusted comment: " + COMMENT.replace("0.9.0", "0.9.1", 1))),
        ("signature-truncated", "malformed", archive, good[:len(good) // 2]),
        ("two-lines", "malformed", archive, b"\n".join(good.split(b"\n")[:2]) + b"\n"),
        ("base64-junk", "malformed", archive,
         with_line(good, 1, signature_lines(good)[1][:20] + "!" + signature_lines(good)[1][20:])),
        ("base64-trailing-junk", "malformed", archive,
         with_line(good, 3, signature_lines(good)[3] + "AAAA")),
        ("legacy-algorithm", "legacyAlgorithm", archive, sign(legacy=True)),
        ("other-version", "otherRelease", archive,
         sign(comment=f"timestamp:1765400000\tfile:{ASSET}\tversion:0.9.1")),
        ("other-file", "otherRelease", archive,
         sign(comment="timestamp:1765400000\tfile:ZER_Avudud-0.9.1-ravelin.zip\t"
                      f"version:{VERSION}")),
        ("no-release-named", "otherRelease", archive, sign(comment="timestamp:1765400000")),
    ]
    table = []
    for name, verdict, data, signature in cases:
        folder = out / name
        folder.mkdir(parents=True)
        (folder / ASSET).write_bytes(data)
        digest = hashlib.sha256(data).hexdigest()
        (folder / (ASSET + ".sha256")).write_text(f"{digest}  {ASSET}\n", encoding="utf-8")
        if signature is not None:
            (folder / (ASSET + ".minisig")).write_bytes(signature)
        table.append(f"{name} {verdict}\n")
    shutil.rmtree(work)
    (out / "cases.txt").write_text("".join(table), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
