#!/usr/bin/env python3
"""A small HTTPS server on 127.0.0.1 for the end-to-end tests.

    tls_server.py CERT KEY LOG [HOST]

Listens on a free port, prints it as the first line of standard output, and answers every
request with "hello", except that with HOST given "/six" is a page of six images from
https://HOST:<port>/, which a browser fetches over parallel connections. For every connection LOG gets one line when it ends:

    hello=<bytes of the ClientHello record> sni=<server name> <TLS version> <cipher>

or "nothing" when the client closed without sending a byte, or "failed <reason>" when the
handshake failed. Ends when standard input closes (the test is gone) or on SIGTERM.
"""
import socket
import socketserver
import ssl
import struct
import sys
import threading

CERT, KEY, LOG = sys.argv[1:4]
SIX_HOST = sys.argv[4] if len(sys.argv) > 4 else None
PORT = [0]
log_lock = threading.Lock()


def log(line):
    with log_lock:
        with open(LOG, "a") as out:
            out.write(line + "\n")


def peek_exactly(sock, size):
    """The first size bytes of the connection, left in place (fewer when it ends sooner)."""
    data = b""
    while len(data) < size:
        data = sock.recv(size, socket.MSG_PEEK)
        if not data:
            return b""
        if len(data) < size:
            more = sock.recv(size, socket.MSG_PEEK | socket.MSG_WAITALL)
            if len(more) == len(data):
                return data
            data = more
    return data


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        sock.settimeout(10)
        header = peek_exactly(sock, 5)
        if not header:
            log("nothing")
            return
        record = struct.unpack(">H", header[3:5])[0] if len(header) == 5 else 0
        names = []
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(CERT, KEY)
        context.sni_callback = lambda _sock, name, _ctx: names.append(name) and None
        try:
            tls = context.wrap_socket(sock, server_side=True)
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = tls.recv(4096)
                if not chunk:
                    break
                request += chunk
            body, kind = b"hello", b"text/plain"
            if SIX_HOST and request.startswith(b"GET /six "):
                images = "".join('<img src="https://%s:%d/%d.png">' % (SIX_HOST, PORT[0], i)
                                 for i in range(6))
                body, kind = ("<html><body><p>six</p>%s</body></html>" % images).encode(), b"text/html"
            tls.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: " + kind + b"\r\nContent-Length: " +
                        str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)
            log("hello=%d sni=%s %s %s" % (5 + record, names[0] if names else "", tls.version(),
                                           tls.cipher()[0]))
            tls.close()
        except (ssl.SSLError, OSError) as error:
            log("failed %s" % type(error).__name__)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    PORT[0] = server.server_address[1]
    print(PORT[0], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
