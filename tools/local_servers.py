#!/usr/bin/python3
"""The installer's servers on loopback, for local runs and the end-to-end tests.

One process plays three servers of the loopback deployment profile, each bound to 0.0.0.0 so
that the spare addresses 127.0.0.2, 127.0.0.3, ... reach them too:

  update port (default 80)
    GET  .../vrminiinstall.txt or /info   the installer information ([Install] INI, CRLF)
    GET  /files/vrinstaller.exe           the installer, with byte ranges (206)
    POST /                                the statistics server: [{"body":"<HEX>",...}],
                                          each body DES-ECB under the fixed key -> 11 fields
  DNS port (default 53, UDP)               every address lookup answered 127.0.0.1 at once
  report port (default 8080)
    POST /api/jf/data/rece_download_data  the download report: multipart "sign", "data";
                                          sign = md5(key + data) is checked

Every request is appended to the record file as one JSON line (kind info, file, stat, report,
other) with what was decoded. The served installer is built from the stand-in program
(padded with zeros to --pad bytes), or with --installer-kind broken from bytes that are no
program (same size), so that the MD5 matches but the start fails.

A control file (JSON, re-read at every request) changes the behaviour during a run:
  {"info": "ok" | "wrong-md5" | "empty-md5" | "fail" | "ssl",
   "info_delay_ms": n,     hold every info answer n ms
   "stat_delay_ms": n,     hold every statistics answer n ms (the request is recorded first)
   "rate": n,              installer bytes per second (0 = unthrottled)
   "file": "ok" | "fail"}  "fail" answers 500 to installer requests

Usage:
  local_servers.py serve --installer FILE [--installer-kind normal|broken] [--pad N]
                   [--update-port 80] [--report-port 8080] [--record FILE] [--control FILE]
                   [--ready FILE]
  local_servers.py summary RECORD      prints what the servers received
"""
import argparse
import hashlib
import http.server
import json
import os
import random
import re
import socketserver
import sys
import threading
import time
import urllib.parse

STAT_KEY = b"kelvo514"
SIGN_KEY = "Hq4Zp8Wn2Lc7Rv3B"
STAT_FIELDS = ["ftime", "logic_sevice_id", "logname", "title", "version", "mac", "package_id", "gate", "os",
               "count_dimension", "count_value"]
INSTALLER_PATH = "/files/vrinstaller.exe"
SSL_PATH = "/files/ssl/vrinstaller.exe"


def des_ecb_decrypt(key, data):
    from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
    # TripleDES with one 8-byte key is single DES (K1 = K2 = K3).
    d = Cipher(algorithms.TripleDES(key), modes.ECB()).decryptor()
    return d.update(data) + d.finalize()


def decode_text(raw):
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("gbk", errors="replace")


def decode_statistics(hex_body):
    raw = des_ecb_decrypt(STAT_KEY, bytes.fromhex(hex_body))
    pad = raw[-1] if raw else 0
    padding_ok = 1 <= pad <= 8 and raw.endswith(bytes([pad]) * pad)
    if padding_ok:
        raw = raw[:-pad]
    parts = raw.split(b"\t")
    fields = {}
    for i, name in enumerate(STAT_FIELDS):
        fields[name] = decode_text(parts[i]) if i < len(parts) else None
    return {"fields": fields, "field_count": len(parts), "padding_ok": padding_ok}


def parse_multipart(content_type, body):
    m = re.search(r'boundary="?([^";]+)"?', content_type or "")
    if not m:
        return []
    boundary = b"--" + m.group(1).encode()
    parts = []
    for chunk in body.split(boundary)[1:]:
        if chunk.startswith(b"--"):
            break
        chunk = chunk[2:] if chunk.startswith(b"\r\n") else chunk
        head, _, value = chunk.partition(b"\r\n\r\n")
        if value.endswith(b"\r\n"):
            value = value[:-2]
        nm = re.search(rb'name="([^"]*)"', head)
        parts.append((nm.group(1).decode() if nm else "", value))
    return parts


class State:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        with open(args.installer, "rb") as f:
            program = f.read()
        size = max(len(program), args.pad)
        if args.installer_kind == "broken":
            rnd = random.Random(15)
            data = b"MZ\x90\x00" + bytes(rnd.getrandbits(8) for _ in range(size - 4))
        else:
            data = program + b"\0" * (size - len(program))
        self.installer = data
        self.md5 = hashlib.md5(data).hexdigest()

    def control(self):
        path = self.args.control
        if path and os.path.exists(path):
            try:
                with open(path) as f:
                    return json.load(f)
            except (OSError, ValueError):
                return {}
        return {}

    def record(self, entry):
        entry["time"] = round(time.time(), 3)
        line = json.dumps(entry, ensure_ascii=False)
        with self.lock:
            if self.args.record:
                with open(self.args.record, "a", encoding="utf-8") as f:
                    f.write(line + "\n")
            else:
                sys.stderr.write(line + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "jflocal/1.0"

    def log_message(self, fmt, *args):
        pass

    @property
    def state(self):
        return self.server.state

    def base(self, kind):
        return {"kind": kind, "method": self.command, "path": self.path, "local": self.connection.getsockname()[0],
                "port": self.connection.getsockname()[1], "headers": dict(self.headers.items())}

    def send_bytes(self, status, body, ctype="text/plain; charset=utf-8", extra=None):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def read_body(self):
        n = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(n) if n > 0 else b""

    # --- update server -------------------------------------------------------------------
    def info(self):
        ctl = self.state.control()
        mode = ctl.get("info", self.state.args.info)
        entry = self.base("info")
        entry["mode"] = mode
        delay = int(ctl.get("info_delay_ms", 0))
        if delay:
            time.sleep(delay / 1000.0)
        if mode == "fail":
            entry["status"] = 500
            self.state.record(entry)
            self.send_bytes(500, b"server failure")
            return
        host = "127.0.0.1:%d" % self.server.server_address[1]
        md5 = self.state.md5.upper()
        if mode == "wrong-md5":
            md5 = "0123456789abcdef0123456789abcdef"
        elif mode == "empty-md5":
            md5 = ""
        url = "http://%s%s" % (host, INSTALLER_PATH)
        ssl_url = "http://%s%s" % (host, SSL_PATH) if mode == "ssl" else ""
        lines = ["[Install]", "Url=%s" % ("http://%s/files/not-this-one.exe" % host if ssl_url else url), "murl=",
                 "Size=%d" % len(self.state.installer), "Md5=%s" % md5, "Version=1.0.0", "ThirdCDNHost=",
                 "ThirdCDNMinSpeed=0", "SSLUrl=%s" % ssl_url]
        body = ("\r\n".join(lines) + "\r\n").encode()
        entry["status"] = 200
        entry["answer"] = lines
        self.state.record(entry)
        self.send_bytes(200, body)

    def installer(self):
        ctl = self.state.control()
        entry = self.base("file")
        data = self.state.installer
        if ctl.get("file") == "fail":
            entry["status"] = 500
            self.state.record(entry)
            self.send_bytes(500, b"server failure")
            return
        size = len(data)
        rng = self.headers.get("Range")
        m = re.fullmatch(r"bytes=(\d*)-(\d*)", rng.strip()) if rng else None
        if m and (m.group(1) or m.group(2)):
            if m.group(1):
                start = int(m.group(1))
                end = int(m.group(2)) if m.group(2) else size - 1
            else:
                start, end = max(0, size - int(m.group(2))), size - 1
            end = min(end, size - 1)
            if start > end:
                entry["status"] = 416
                self.state.record(entry)
                self.send_bytes(416, b"", extra={"Content-Range": "bytes */%d" % size})
                return
            status, extra = 206, {"Content-Range": "bytes %d-%d/%d" % (start, end, size)}
        else:
            start, end, status, extra = 0, size - 1, 200, {}
        entry.update(status=status, start=start, end=end)
        self.state.record(entry)
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(end - start + 1))
        self.send_header("Accept-Ranges", "bytes")
        for k, v in extra.items():
            self.send_header(k, v)
        self.end_headers()
        if self.command == "HEAD":
            return
        pos = start
        chunk = 64 * 1024
        while pos <= end:
            rate = int(self.state.control().get("rate", self.state.args.rate))
            n = min(chunk if not rate else max(1024, min(chunk, rate // 20)), end - pos + 1)
            try:
                self.wfile.write(data[pos:pos + n])
            except (BrokenPipeError, ConnectionResetError):
                return
            pos += n
            if rate:
                time.sleep(n / float(rate))

    def statistics(self):
        body = self.read_body()
        entry = self.base("stat")
        records = []
        try:
            for item in json.loads(body.decode("utf-8")):
                try:
                    records.append(decode_statistics(item.get("body", "")))
                except Exception as e:  # a body that does not decode is recorded as such
                    records.append({"error": str(e), "body": item.get("body")})
        except ValueError as e:
            entry["error"] = "not JSON: %s" % e
        entry["records"] = records
        entry["status"] = 200
        self.state.record(entry)
        delay = int(self.state.control().get("stat_delay_ms", 0))
        if delay:
            time.sleep(delay / 1000.0)
        self.send_bytes(200, b'{"code":0}', "application/json")

    # --- report server -------------------------------------------------------------------
    def report(self):
        body = self.read_body()
        entry = self.base("report")
        parts = parse_multipart(self.headers.get("Content-Type"), body)
        entry["part_names"] = [n for n, _ in parts]
        values = {n: v for n, v in parts}
        sign = values.get("sign", b"").decode("utf-8", "replace")
        data = values.get("data", b"").decode("utf-8", "replace")
        expected = hashlib.md5((SIGN_KEY + data).encode("utf-8")).hexdigest()
        entry["sign"] = sign
        entry["sign_expected"] = expected
        entry["sign_ok"] = sign.lower() == expected
        try:
            entry["data"] = json.loads(data)
        except ValueError:
            entry["data_text"] = data
        entry["status"] = 200
        self.state.record(entry)
        self.send_bytes(200, b'{"code":0}', "application/json")

    def dispatch(self):
        path = urllib.parse.urlsplit(self.path).path
        role = self.server.role
        if role == "update" and self.command in ("GET", "HEAD"):
            if path.endswith("vrminiinstall.txt") or path == "/info":
                return self.info()
            if path in (INSTALLER_PATH, SSL_PATH):
                return self.installer()
        if role == "update" and self.command == "POST" and path == "/":
            return self.statistics()
        if role == "report" and self.command == "POST" and path == "/api/jf/data/rece_download_data":
            return self.report()
        body = self.read_body() if self.command == "POST" else b""
        entry = self.base("other")
        entry["status"] = 404
        entry["body_size"] = len(body)
        self.state.record(entry)
        self.send_bytes(404, b"not found")

    do_GET = do_HEAD = do_POST = dispatch


class DnsHandler(socketserver.BaseRequestHandler):
    """Answers every address query at once with the servers' loopback address.

    A resolver takes only an answer with at least one record; it waits out its time-out on
    "no such name", and the installer asks four resolvers in turn, so a refusal would cost
    seconds per lookup where a real resolver answers in milliseconds.
    """

    def handle(self):
        data, sock = self.request
        if len(data) < 12:
            return
        pos = 12
        while pos < len(data) and data[pos] != 0:
            pos += 1 + data[pos]
        if pos + 5 > len(data):
            return
        question = data[12:pos + 5]
        qtype = int.from_bytes(data[pos + 1:pos + 3], "big")
        if qtype == 1:
            flags = 0x8180  # response, recursion desired and available, no error
            record = b"\xc0\x0c\x00\x01\x00\x01" + (60).to_bytes(4, "big") + b"\x00\x04" + bytes([127, 0, 0, 1])
            counts = b"\x00\x01\x00\x01\x00\x00\x00\x00"
        else:
            flags = 0x8183  # no such name
            record = b""
            counts = b"\x00\x01\x00\x00\x00\x00\x00\x00"
        sock.sendto(data[:2] + flags.to_bytes(2, "big") + counts + question + record, self.client_address)
        self.server.state.record({"kind": "dns", "local": sock.getsockname()[0], "qtype": qtype, "bytes": len(data)})


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(args):
    state = State(args)
    des_ecb_decrypt(STAT_KEY, bytes(8))  # the cipher's import, so that no answer waits for it
    servers = []
    for role, port in (("update", args.update_port), ("report", args.report_port)):
        s = Server((args.bind, port), Handler)
        s.state, s.role = state, role
        servers.append(s)
        threading.Thread(target=s.serve_forever, daemon=True).start()
    if args.dns_port:
        try:
            dns = socketserver.ThreadingUDPServer((args.bind, args.dns_port), DnsHandler)
            dns.state = state
            threading.Thread(target=dns.serve_forever, daemon=True).start()
        except OSError as e:
            sys.stderr.write("no DNS responder on port %d: %s\n" % (args.dns_port, e))
    ready = {"update_port": servers[0].server_address[1], "report_port": servers[1].server_address[1],
             "installer_size": len(state.installer), "installer_md5": state.md5}
    if args.ready:
        tmp = args.ready + ".tmp"
        with open(tmp, "w") as f:
            json.dump(ready, f)
        os.replace(tmp, args.ready)
    sys.stdout.write(json.dumps(ready) + "\n")
    sys.stdout.flush()
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass


def summary(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line:
                entries.append(json.loads(line))
    files = [e for e in entries if e["kind"] == "file"]
    for e in entries:
        if e["kind"] == "info":
            print("info request  %s %s (User-Agent %s) -> %s" % (e["method"], e["path"],
                                                                 e["headers"].get("User-Agent"), e["status"]))
    if files:
        by_addr = {}
        for e in files:
            by_addr[e["local"]] = by_addr.get(e["local"], 0) + 1
        total = sum(e.get("end", 0) - e.get("start", 0) + 1 for e in files if e["status"] in (200, 206))
        print("installer     %d range requests, %d bytes asked, per address reached: %s" % (
            len(files), total, ", ".join("%s x%d" % kv for kv in sorted(by_addr.items()))))
    for e in entries:
        if e["kind"] == "stat":
            for r in e["records"]:
                if "fields" in r:
                    fl = r["fields"]
                    print("statistics    %s" % "  ".join("%s=%s" % (k, fl[k]) for k in STAT_FIELDS
                                                         if k not in ("ftime", "logic_sevice_id")))
                else:
                    print("statistics    undecodable record: %s" % r.get("error"))
    for e in entries:
        if e["kind"] == "report":
            print("report        sign %s (%s)" % ("verified" if e["sign_ok"] else "WRONG", e["sign"]))
    for e in entries:
        if e["kind"] == "other":
            print("unexpected    %s %s -> 404" % (e["method"], e["path"]))


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="cmd", required=True)
    s = sub.add_parser("serve")
    s.add_argument("--installer", required=True)
    s.add_argument("--installer-kind", choices=["normal", "broken"], default="normal")
    s.add_argument("--pad", type=int, default=3 * 1024 * 1024 + 12345)
    s.add_argument("--bind", default="0.0.0.0")
    s.add_argument("--update-port", type=int, default=80)
    s.add_argument("--report-port", type=int, default=8080)
    s.add_argument("--dns-port", type=int, default=53, help="0: no DNS responder")
    s.add_argument("--info", default="ok")
    s.add_argument("--rate", type=int, default=0)
    s.add_argument("--record")
    s.add_argument("--control")
    s.add_argument("--ready")
    m = sub.add_parser("summary")
    m.add_argument("record")
    args = p.parse_args()
    if args.cmd == "serve":
        serve(args)
    else:
        summary(args.record)


if __name__ == "__main__":
    main()
