#!/usr/bin/env python3
"""A small local HTTP/1.1 file server with byte ranges, for running the installer's
download against loopback only. It serves one folder; every request is logged to stderr.

Usage: local_server.py FOLDER [--port N] [--bind ADDR] [--port-file FILE]
"""
import argparse
import http.server
import os
import re
import socketserver
import sys


class RangeHandler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        # The address the client reached (spare addresses are 127.0.0.2 and 127.0.0.3).
        local = self.connection.getsockname()[0]
        sys.stderr.write("%s %s\n" % (local, fmt % args))

    def send_head(self):
        path = self.translate_path(self.path)
        if not os.path.isfile(path):
            self.send_error(404, "Not Found")
            return None
        size = os.path.getsize(path)
        f = open(path, "rb")
        rng = self.headers.get("Range")
        m = re.fullmatch(r"bytes=(\d*)-(\d*)", rng.strip()) if rng else None
        if m and (m.group(1) or m.group(2)):
            if m.group(1):
                start = int(m.group(1))
                end = int(m.group(2)) if m.group(2) else size - 1
            else:
                start = max(0, size - int(m.group(2)))
                end = size - 1
            end = min(end, size - 1)
            if start > end or start >= size:
                f.close()
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return None
            f.seek(start)
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
            self.send_header("Content-Length", str(end - start + 1))
            self._remaining = end - start + 1
        else:
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self._remaining = size
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Accept-Ranges", "bytes")
        self.end_headers()
        return f

    def copyfile(self, source, outputfile):
        left = getattr(self, "_remaining", None)
        while left is None or left > 0:
            chunk = source.read(65536 if left is None else min(65536, left))
            if not chunk:
                break
            outputfile.write(chunk)
            if left is not None:
                left -= len(chunk)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        body = self.rfile.read(length) if length else b""
        sys.stderr.write("POST %s %d bytes\n" % (self.path, len(body)))
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", "2")
        self.end_headers()
        self.wfile.write(b"{}")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("folder")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--bind", default="0.0.0.0")
    ap.add_argument("--port-file")
    a = ap.parse_args()
    os.chdir(a.folder)
    srv = Server((a.bind, a.port), RangeHandler)
    if a.port_file:
        with open(a.port_file + ".tmp", "w") as pf:
            pf.write(str(srv.server_address[1]))
        os.replace(a.port_file + ".tmp", a.port_file)
    srv.serve_forever()


if __name__ == "__main__":
    main()
