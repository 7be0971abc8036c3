#!/usr/bin/env python3
"""Serves a folder over HTTPS on 127.0.0.1 for the update checks.

Usage: https_server.py PORT CERT KEY FOLDER [--trickle | --drip-version | --silent]
  (PORT 0 picks a free one)
  --trickle       the program file (Q9XZ/Q9XZ.exe) goes out a byte every 0.2 s
  --drip-version  the version answer (Q9XZ/version.txt) goes out a byte every 0.2 s
  --silent   every connection is accepted and never answered, not even its TLS greeting
Prints "port N" once it listens; logs each request to standard error.
"""
import functools
import http.server
import socket
import ssl
import sys
import time


class TricklingHandler(http.server.SimpleHTTPRequestHandler):
    trickled = "/Q9XZ.exe"

    def do_GET(self):
        if not self.path.endswith(self.trickled):
            return super().do_GET()
        with open(self.translate_path(self.path), "rb") as program:
            body = program.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            for i in range(len(body)):
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
                time.sleep(0.2)
        except OSError:
            pass


def silent(port):
    listener = socket.create_server(("127.0.0.1", port))
    print("port", listener.getsockname()[1], flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)


def main():
    port, cert, key, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    mode = sys.argv[5] if len(sys.argv) > 5 else ""
    if mode == "--silent":
        return silent(port)
    handler_class = http.server.SimpleHTTPRequestHandler
    if mode == "--trickle":
        handler_class = TricklingHandler
    elif mode == "--drip-version":
        handler_class = type("DrippingHandler", (TricklingHandler,), {"trickled": "/version.txt"})
    handler = functools.partial(handler_class, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("port", server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
