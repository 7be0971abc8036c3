#!/usr/bin/env python3
"""Serves a folder over HTTPS on 127.0.0.1 for the update checks.

Usage: https_server.py PORT CERT KEY FOLDER   (PORT 0 picks a free one)
Prints "port N" once it listens; logs each request to standard error.
"""
import functools
import http.server
import ssl
import sys


def main():
    port, cert, key, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("port", server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
