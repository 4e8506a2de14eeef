#!/usr/bin/env python3
"""An HTTPS server of feed files on 127.0.0.1 for the update tests.

    feed_server.py CERT KEY ROOT LOG

Listens on a free port, prints it as the first line of standard output and serves the files of
ROOT with an ETag and a Last-Modified, answering a matching If-None-Match or If-Modified-Since
with 304. A path may start with what the server does instead:

    /status/NNN/...   answers NNN with a short body
    /truncate/NAME    announces NAME's whole length but sends half of it, then closes
    /nolength/NAME    sends NAME without a Content-Length, ending with the connection
    /slow/NAME        sends NAME in 20 pieces, 0.1 s apart

LOG gets one line per request: "PATH STATUS BODY-BYTES-SENT". Ends when standard input closes.
"""
import email.utils
import hashlib
import http.server
import os
import ssl
import sys
import threading
import time

CERT, KEY, ROOT, LOG = sys.argv[1:5]
log_lock = threading.Lock()


def log(line):
    with log_lock:
        with open(LOG, "a") as out:
            out.write(line + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body, headers=(), length=True):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)
        log("%s %d %d" % (self.path, status, len(body)))

    def do_GET(self):
        parts = self.path.split("/")
        mode = parts[1] if len(parts) > 2 else ""
        if mode == "status":
            self.answer(int(parts[2]), b"no\n")
            return
        name = "/".join(parts[2:]) if mode in ("truncate", "nolength", "slow") else self.path[1:]
        path = os.path.join(ROOT, name)
        if not os.path.isfile(path):
            self.answer(404, b"not found\n")
            return
        body = open(path, "rb").read()
        etag = '"%s"' % hashlib.sha256(body).hexdigest()[:16]
        modified = email.utils.formatdate(os.stat(path).st_mtime, usegmt=True)
        headers = [("ETag", etag), ("Last-Modified", modified), ("Content-Type", "text/plain")]
        if self.headers.get("If-None-Match") == etag:
            self.send_response(304)
            self.send_header("ETag", etag)
            self.send_header("Content-Length", "0")
            self.end_headers()
            log("%s 304 0" % self.path)
            return
        if mode == "truncate":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            log("%s 200 %d" % (self.path, len(body) // 2))
            return
        if mode == "nolength":
            self.answer(200, body, headers, length=False)
            return
        if mode == "slow":
            self.send_response(200)
            for header in headers:
                self.send_header(*header)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            step = max(1, len(body) // 20 + 1)
            for at in range(0, len(body), step):
                if at:
                    time.sleep(0.1)
                self.wfile.write(body[at:at + step])
                self.wfile.flush()
            log("%s 200 %d" % (self.path, len(body)))
            return
        self.answer(200, body, headers)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(CERT, KEY)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()
    server.shutdown()


main()
