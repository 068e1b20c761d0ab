#!/usr/bin/env python3
"""A test-only https host on 127.0.0.1, with a plain-http trap beside it.

It makes a certificate authority of its own and a certificate for 127.0.0.1 and localhost
signed by it, with openssl, into the --certs folder (ca.pem is what a test trusts; the keys stay
there and belong to that run only). It then serves the release host's paths (release_host.py)
over TLS with that certificate, and a plain-http trap that answers every request with 200 and
counts them: a client that follows an https answer's redirect to the trap shows in the count.
GET /test/trap-hits on the https host answers that count.

It prints "TRAP <port>" and then "PORT <port>" (the https one) once both listen, and serves
until it is ended.
"""

import argparse
import os
import ssl
import subprocess
import sys
import threading
from http.server import BaseHTTPRequestHandler

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import release_host  # noqa: E402

SERVER_EXTENSIONS = """\
subjectAltName = IP:127.0.0.1, DNS:localhost
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
"""


def make_certificates(folder):
    """A fresh authority and server certificate in folder; returns (server.pem, server.key)."""
    os.makedirs(folder, exist_ok=True)

    def openssl(*arguments):
        subprocess.run(["openssl"] + list(arguments), cwd=folder, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
            "-out", "ca.pem", "-days", "2", "-subj", "/CN=SCF test authority",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key",
            "-out", "server.csr", "-subj", "/CN=127.0.0.1")
    with open(os.path.join(folder, "server.ext"), "w", encoding="ascii") as extensions:
        extensions.write(SERVER_EXTENSIONS)
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext")
    return os.path.join(folder, "server.pem"), os.path.join(folder, "server.key")


class TrapHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        with self.server.counter_lock:
            self.server.hits += 1
        body = b"trap"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class SecureHandler(release_host.Handler):
    def base_url(self):
        return "https://127.0.0.1:%d" % self.server.server_address[1]

    def do_GET(self):
        if self.path == "/test/trap-hits":
            with self.server.trap.counter_lock:
                hits = self.server.trap.hits
            return self.send_body(200, str(hits).encode(), "text/plain")
        return super().do_GET()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--certs", required=True, help="folder for the test certificates")
    parser.add_argument("--tag", default="v0.9.0", help="the latest release's tag")
    args = parser.parse_args(argv)

    try:
        certificate, key = make_certificates(args.certs)
    except (OSError, subprocess.SubprocessError) as error:
        sys.stderr.write("https_test_host: the certificates could not be made: %s\n" % error)
        return 1

    trap = release_host.Server(("127.0.0.1", 0), TrapHandler)
    trap.hits = 0
    trap.counter_lock = threading.Lock()

    server = release_host.Server(("127.0.0.1", 0), SecureHandler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    # The handshake runs in the request's thread, so a client that never finishes it holds
    # only its own connection.
    server.socket = context.wrap_socket(server.socket, server_side=True,
                                        do_handshake_on_connect=False)
    server.trap = trap
    server.root = ""
    server.tag = args.tag
    server.latest_status = 200
    server.latest_body = None
    server.verbose = False
    server.throttle = 0
    server.latest_once = False
    server.latest_answers = 0
    server.lock = threading.Lock()

    threading.Thread(target=trap.serve_forever, kwargs={"poll_interval": 0.2},
                     daemon=True).start()
    print("TRAP %d" % trap.server_address[1], flush=True)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
