#!/usr/bin/env python3
"""A local stand-in for the release host, on 127.0.0.1.

It answers like the real host: the latest-release query, a page per release tag and the
release downloads, with the same paths. Under /test/ it also offers the failure cases the
launcher must survive (error statuses, missing lengths, stalled or endless bodies, absurd
lengths, redirects and redirect loops), and releases whose signature is missing or tampered with:
/test/unsigned/<tag>/<file> and /test/tampered-signature/<tag>/<file> serve the release files as
the download path does, except the signature <archive>.minisig, missing (404) under the first and
with one byte of its signature changed under the second; either is a download prefix of its own.

It prints "PORT <number>" on its first line of output once it listens, then serves until it
is ended. Release files are served from --root/<tag>/<file name>.
"""

import argparse
import base64
import json
import os
import socketserver
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

REPO = "/ZavUdedaved/ZER_Avudud"
LATEST = "/repos" + REPO + "/releases/latest"
TAG_PAGE = REPO + "/releases/tag/"
DOWNLOAD = REPO + "/releases/download/"

# A stalled or endless answer ends after this long even if the client never leaves.
MAX_HANG_SECONDS = 120


# /test/<case>/<tag>/<file>: the release files with their signature changed.
SIGNATURE_CASES = {"unsigned": "missing", "tampered-signature": "tampered"}


def tampered_signature(data):
    """A minisign signature file with the last byte of its signature changed: still well formed,
    no longer matching its archive."""
    lines = data.split(b"\n")
    if len(lines) < 2:
        return data + b"x"
    try:
        blob = bytearray(base64.b64decode(lines[1].strip(), validate=True))
    except ValueError:
        return data + b"x"
    if blob:
        blob[-1] ^= 0x01
    lines[1] = base64.b64encode(bytes(blob))
    return b"\n".join(lines)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "scf-release-host"

    def log_message(self, fmt, *args):  # quiet unless asked
        if self.server.verbose:
            sys.stderr.write("release_host: " + (fmt % args) + "\n")

    # --- helpers -----------------------------------------------------------------------
    def send_body(self, status, body, content_type="application/octet-stream", length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, target):
        self.send_response(302)
        self.send_header("Location", target)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def base_url(self):
        return "http://127.0.0.1:%d" % self.server.server_address[1]

    def hang(self):
        """Keeps the connection open without sending, until the client leaves or time is up."""
        deadline = time.monotonic() + MAX_HANG_SECONDS
        self.connection.settimeout(0.2)
        while time.monotonic() < deadline:
            try:
                if self.connection.recv(1) == b"":
                    return
            except OSError as error:
                if "timed out" not in str(error):
                    return

    # --- routes ------------------------------------------------------------------------
    def do_GET(self):
        path = self.path.split("?", 1)[0]
        query = self.path.split("?", 1)[1] if "?" in self.path else ""
        try:
            if path == LATEST:
                return self.latest()
            if path.startswith(TAG_PAGE):
                tag = path[len(TAG_PAGE):]
                page = "<html><body><h1>Release %s</h1></body></html>" % tag
                return self.send_body(200, page.encode(), "text/html")
            if path.startswith(DOWNLOAD):
                return self.download(path[len(DOWNLOAD):])
            if path.startswith("/test/"):
                return self.test_case(path[len("/test/"):], query)
            self.send_body(404, b'{"message": "Not Found"}', "application/json")
        except (BrokenPipeError, ConnectionResetError):
            pass

    def latest(self):
        with self.server.lock:
            self.server.latest_answers += 1
            answered_before = self.server.latest_answers > 1
        if self.server.latest_once and answered_before:
            return self.send_body(404, b'{"message": "Not Found"}', "application/json")
        if self.server.latest_status != 200:
            body = json.dumps({"message": "status %d" % self.server.latest_status}).encode()
            return self.send_body(self.server.latest_status, body, "application/json")
        if self.server.latest_body is not None:
            return self.send_body(200, self.server.latest_body, "application/json")
        if not self.server.tag:
            return self.send_body(404, b'{"message": "Not Found"}', "application/json")
        tag = self.server.tag
        body = {
            "tag_name": tag,
            "name": tag,
            "html_url": self.base_url() + TAG_PAGE + tag,
            "draft": False,
            "prerelease": False,
            "assets": self.assets(tag),
        }
        self.send_body(200, json.dumps(body, indent=2).encode(), "application/json")

    def assets(self, tag):
        """The release's files as GitHub lists them: name, size and download address."""
        folder = os.path.join(self.server.root, tag) if self.server.root else ""
        if not folder or not os.path.isdir(folder):
            return []
        return [{"name": name, "size": os.path.getsize(os.path.join(folder, name)),
                 "browser_download_url": self.base_url() + DOWNLOAD + tag + "/" + name}
                for name in sorted(os.listdir(folder))
                if os.path.isfile(os.path.join(folder, name))]

    def download(self, rest, signature=None):
        """Serves root/<tag>/<file>; signature ("missing" or "tampered") changes .minisig files."""
        parts = rest.split("/")
        root = self.server.root
        if (not root or len(parts) != 2 or any(p in ("", ".", "..") for p in parts)):
            return self.send_body(404, b"Not Found", "text/plain")
        file_path = os.path.join(root, parts[0], parts[1])
        if not os.path.isfile(file_path):
            return self.send_body(404, b"Not Found", "text/plain")
        if signature and parts[1].endswith(".minisig"):
            if signature == "missing":
                return self.send_body(404, b"Not Found", "text/plain")
            with open(file_path, "rb") as source:
                return self.send_body(200, tampered_signature(source.read(1 << 16)))
        size = os.path.getsize(file_path)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        throttle = self.server.throttle
        with open(file_path, "rb") as source:
            while True:
                chunk = source.read(min(1 << 20, throttle) if throttle else 1 << 20)
                if not chunk:
                    break
                self.wfile.write(chunk)
                if throttle:  # about throttle bytes per second
                    self.wfile.flush()
                    time.sleep(1.0)

    def test_case(self, case, query):
        name, _, arg = case.partition("/")
        number = int(arg) if arg.isdigit() else 0
        if name in SIGNATURE_CASES:
            return self.download(arg, SIGNATURE_CASES[name])
        if name == "status":
            return self.send_body(number, b"status %d" % number, "text/plain")
        if name == "bytes":  # number bytes with a length
            return self.send_body(200, b"x" * number)
        if name == "json":  # a body of exactly number bytes
            return self.send_body(200, (b'{"a":"' + b"y" * max(0, number - 8) + b'"}')[:number]
                                  if number >= 8 else b" " * number, "application/json")
        if name == "no-length":
            return self.send_body(200, b"z" * number, length=False)
        if name == "stall-after-headers":
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            self.wfile.write(b"partial")
            self.wfile.flush()
            return self.hang()
        if name == "stall-before-headers":
            return self.hang()
        if name == "slow":  # number bytes, one every 10 ms
            self.send_response(200)
            self.send_header("Content-Length", str(number))
            self.end_headers()
            for _ in range(number):
                self.wfile.write(b"s")
                self.wfile.flush()
                time.sleep(0.01)
            return None
        if name == "endless":
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            deadline = time.monotonic() + MAX_HANG_SECONDS
            chunk = b"e" * 65536
            while time.monotonic() < deadline:
                self.wfile.write(chunk)
            return None
        if name == "huge-length":
            self.send_response(200)
            self.send_header("Content-Length", str(2 ** 63))
            self.end_headers()
            self.wfile.write(b"h" * 1024)
            self.wfile.flush()
            self.close_connection = True
            return None
        if name == "redirect":  # /test/redirect?to=<url>
            target = query[3:] if query.startswith("to=") else "/"
            return self.redirect(target)
        if name == "loop":
            return self.redirect("/test/loop/%d" % (number + 1))
        return self.send_body(404, b"no such test case", "text/plain")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default="", help="folder holding <tag>/<file> downloads")
    parser.add_argument("--tag", default="", help="the latest release's tag (none: 404)")
    parser.add_argument("--latest-status", type=int, default=200,
                        help="answer the latest-release query with this status")
    parser.add_argument("--latest-body", default=None,
                        help="a file whose bytes answer the latest-release query")
    parser.add_argument("--latest-once", action="store_true",
                        help="offer the latest release to the first query only, then 404")
    parser.add_argument("--throttle", type=int, default=0,
                        help="send downloads at about this many bytes per second")
    parser.add_argument("--port", type=int, default=0, help="0: any free port")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args(argv)

    server = Server(("127.0.0.1", args.port), Handler)
    server.root = os.path.abspath(args.root) if args.root else ""
    server.tag = args.tag
    server.latest_status = args.latest_status
    server.latest_body = None
    if args.latest_body:
        with open(args.latest_body, "rb") as body:
            server.latest_body = body.read(1 << 22)
    server.verbose = args.verbose
    server.throttle = max(0, args.throttle)
    server.latest_once = args.latest_once
    server.latest_answers = 0
    server.lock = threading.Lock()
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
