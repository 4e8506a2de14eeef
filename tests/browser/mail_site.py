#!/usr/bin/env python3
"""A small web site for the page inspector's end-to-end tests, on 127.0.0.1 at a free port.

Usage: mail_site.py ROOT PORT_FILE. Serves the files of ROOT; /stall starts a page and never
ends it (a frame that never completes), /slow?ms=N answers after N milliseconds and
/redirect?to=PATH redirects to PATH of the same site. Writes the port to PORT_FILE once it listens
and runs until its standard input closes.
"""
import http.server
import os
import sys
import threading
import time
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        path = urllib.parse.urlparse(self.path)
        if path.path == "/stall":
            # The frame's document starts (its navigation commits) and never finishes.
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.end_headers()
            self.wfile.write(b"<!DOCTYPE html><html><body><p>Loading" + b" " * 4096)
            self.wfile.flush()
            time.sleep(600)  # the connection stays open until the server ends
            return
        if path.path == "/redirect":
            target = urllib.parse.parse_qs(path.query).get("to", ["/"])[0]
            self.send_response(302)
            self.send_header("Location", target if target.startswith("/") else "/")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if path.path == "/slow":
            query = urllib.parse.parse_qs(path.query)
            time.sleep(min(int(query.get("ms", ["500"])[0]), 10000) / 1000.0)
            body = b"<!DOCTYPE html><html><body><p>Late frame</p></body></html>\n"
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()

    def log_message(self, *args):
        pass


def main():
    root, port_file = sys.argv[1], sys.argv[2]
    handler = lambda *args, **kwargs: Handler(*args, directory=root, **kwargs)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    with open(port_file + ".new", "w") as out:
        out.write(str(server.server_address[1]))
    os.replace(port_file + ".new", port_file)
    sys.stdin.read()
    server.server_close()
    os._exit(0)  # stalled requests are not waited for


if __name__ == "__main__":
    main()
