#!/usr/bin/env python3
"""A scripted HTTP server for the Role tests: serves files of known content and, per
file, misbehaves on demand (ignores ranges, answers from the wrong byte, drops or stalls
the connection, chunked or HTTP/1.0 answers, redirects, Content-Disposition names,
closing after the head, fixed status codes).

Usage: http_fault_server.py CONFIG.json PORTFILE LOGFILE
CONFIG: {"files": {"/path": {"size": N, ...behaviour...}}}; "PORT_ABS" in a redirect's
location stands for this server's own "http://127.0.0.1:<port>".
The port it bound on 127.0.0.1 is written to PORTFILE; every request's head lines are
appended to LOGFILE, one request per line, lines joined with " | ".
"""
import json
import socket
import socketserver
import sys
import threading
import time


def content(size):
    return bytes(((i * 131) + (i >> 8)) & 0xFF for i in range(size))


class State:
    def __init__(self, config, log_path):
        self.files = config.get("files", {})
        self.log_path = log_path
        self.lock = threading.Lock()
        self.counts = {}
        self.cache = {}

    def body(self, size):
        if size not in self.cache:
            self.cache[size] = content(size)
        return self.cache[size]

    def hit(self, path):
        with self.lock:
            n = self.counts.get(path, 0)
            self.counts[path] = n + 1
            return n

    def log(self, lines):
        with self.lock:
            with open(self.log_path, "a") as f:
                f.write(" | ".join(lines) + "\n")


class Handler(socketserver.BaseRequestHandler):
    def read_head(self):
        data = b""
        self.request.settimeout(30)
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                return None
            data += chunk
            if len(data) > 65536:
                return None
        return data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")

    def send(self, data, rate=0):
        if not rate:
            self.request.sendall(data)
            return
        step = max(1, rate // 20)
        for i in range(0, len(data), step):
            self.request.sendall(data[i:i + step])
            time.sleep(0.05)

    def handle(self):
        st = self.server.state
        lines = self.read_head()
        if not lines:
            return
        st.log(lines)
        parts = lines[0].split(" ")
        path = parts[1] if len(parts) > 1 else "/"
        headers = {}
        for l in lines[1:]:
            if ":" in l:
                k, v = l.split(":", 1)
                headers[k.strip().lower()] = v.strip()
        entry = st.files.get(path)
        if entry is None:
            self.request.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            return
        n = st.hit(path)
        times = entry.get("times", 1 << 30)
        faulty = n < times
        version = "HTTP/1.0" if entry.get("http10") else "HTTP/1.1"
        if "status" in entry and faulty:
            extra = ""
            if "location" in entry:
                own = "http://127.0.0.1:%d" % self.server.server_address[1]
                extra = "Location: %s\r\n" % entry["location"].replace("PORT_ABS", own)
            self.request.sendall(("%s %d X\r\n%sContent-Length: 0\r\nConnection: close\r\n\r\n"
                                  % (version, entry["status"], extra)).encode())
            return
        size = entry.get("size", 0)
        served_size = entry.get("changed_size", size) if faulty else size
        data = st.body(size)
        if served_size != size:
            data = st.body(served_size)
        start = 0
        rng = headers.get("range")
        head = []
        if entry.get("chunked"):
            head.append("HTTP/1.1 200 OK")
            head.append("Transfer-Encoding: chunked")
        elif rng and not entry.get("http10") and not (entry.get("ignore_range") and faulty):
            start = int(rng.split("=")[1].split("-")[0])
            shown = start + (entry.get("range_start_shift", 0) if faulty else 0)
            total = served_size + (entry.get("total_shift", 0) if faulty else 0)
            head.append("HTTP/1.1 206 Partial Content")
            head.append("Content-Range: bytes %d-%d/%d" % (shown, served_size - 1, total))
            head.append("Content-Length: %d" % (served_size - start))
        else:
            head.append("%s 200 OK" % version)
            head.append("Content-Length: %d" % served_size)
        if "disposition" in entry:
            head.append('Content-Disposition: attachment; filename="%s"' % entry["disposition"])
        head.append("Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT")
        head.append("Connection: close")
        self.request.sendall(("\r\n".join(head) + "\r\n\r\n").encode())
        if entry.get("close_after_head") and faulty:
            return
        body = data[start:]
        if entry.get("chunked"):
            out = b""
            for i in range(0, len(body), 1000):
                piece = body[i:i + 1000]
                out += b"%x\r\n" % len(piece) + piece + b"\r\n"
            out += b"0\r\n\r\n"
            self.send(out, entry.get("rate", 0))
            return
        limit = len(body)
        if faulty and "drop_after" in entry:
            limit = min(limit, entry["drop_after"])
        if faulty and "stall_after" in entry:
            limit = min(limit, entry["stall_after"])
        self.send(body[:limit], entry.get("rate", 0))
        if faulty and "stall_after" in entry:
            time.sleep(entry.get("stall_ms", 5000) / 1000.0)
        try:
            self.request.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    config = json.load(open(sys.argv[1]))
    server = Server(("127.0.0.1", 0), Handler)
    server.state = State(config, sys.argv[3])
    with open(sys.argv[2] + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    import os
    os.rename(sys.argv[2] + ".tmp", sys.argv[2])
    server.serve_forever()


if __name__ == "__main__":
    main()
