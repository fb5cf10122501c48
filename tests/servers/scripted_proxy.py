#!/usr/bin/env python3
"""A proxy that misbehaves on demand, for the connection tests.

Usage: scripted_proxy.py PORT MODE [ARG] [--record FILE]

Modes:
  socks5-code N     SOCKS5: accept method 00, answer the connect with reply code N
                    (IPv4 bound address); after a success send "TUNNEL-OK".
  socks5-domain     SOCKS5: success with a domain bound address of length 7, then
                    "TUNNEL-OK".
  socks5-auth       SOCKS5: choose method 02, accept any login, success, "TUNNEL-OK".
  socks5-noauth     SOCKS5: choose method FF (nothing acceptable).
  socks4-code N     SOCKS4: answer with status byte N (90 = granted), then "TUNNEL-OK".
  connect-spill N   HTTP CONNECT: "200" head followed at once by N bytes of 'x'.
  connect-status N  HTTP CONNECT: answer status N with an empty head.
  connect-lf        HTTP CONNECT: "200" head with bare LF line ends, then "TUNNEL-OK".
  connect-endless   HTTP CONNECT: header lines that never end the head.
  silent            accept and never answer.
  garbage           send a line of plain text (not TLS) and close.
--record FILE appends every received request block as hex, one line per read.
Serves connections until killed.
"""
import socket
import sys
import threading

port = int(sys.argv[1])
mode = sys.argv[2]
arg = sys.argv[3] if len(sys.argv) > 3 and not sys.argv[3].startswith("--") else None
record = None
if "--record" in sys.argv:
    record = sys.argv[sys.argv.index("--record") + 1]
lock = threading.Lock()


def note(data):
    if record:
        with lock, open(record, "a") as f:
            f.write(data.hex() + "\n")


def recv_exact(c, n):
    data = b""
    while len(data) < n:
        part = c.recv(n - len(data))
        if not part:
            raise EOFError
        data += part
    return data


def socks5_request(c):
    head = recv_exact(c, 4)
    if head[3] == 1:
        rest = recv_exact(c, 4 + 2)
    elif head[3] == 3:
        ln = recv_exact(c, 1)
        rest = ln + recv_exact(c, ln[0] + 2)
    else:
        raise EOFError
    note(head + rest)


def serve(c):
    try:
        if mode == "garbage":
            c.sendall(b"220 plain text, not TLS\r\n")
            return
        if mode == "silent":
            while c.recv(4096):
                pass
            return
        if mode.startswith("socks5"):
            offer = recv_exact(c, 2)
            offer += recv_exact(c, offer[1])
            note(offer)
            if mode == "socks5-noauth":
                c.sendall(b"\x05\xff")
                return
            if mode == "socks5-auth":
                c.sendall(b"\x05\x02")
                ver_ulen = recv_exact(c, 2)
                user = recv_exact(c, ver_ulen[1])
                plen = recv_exact(c, 1)
                pw = recv_exact(c, plen[0])
                note(ver_ulen + user + plen + pw)
                c.sendall(b"\x01\x00")
            else:
                c.sendall(b"\x05\x00")
            socks5_request(c)
            if mode == "socks5-domain":
                c.sendall(b"\x05\x00\x00\x03\x07bound.x\x1f\x90TUNNEL-OK")
            else:
                code = int(arg or "0")
                c.sendall(bytes([5, code, 0, 1, 127, 0, 0, 1, 0x1F, 0x90]))
                if code == 0:
                    c.sendall(b"TUNNEL-OK")
        elif mode == "socks4-code":
            req = recv_exact(c, 8)
            while not req.endswith(b"\x00") or len(req) == 8:
                req += recv_exact(c, 1)
                if req.endswith(b"\x00"):
                    break
            note(req)
            c.sendall(bytes([0, int(arg), 0x1F, 0x90, 127, 0, 0, 1]))
            if int(arg) == 90:
                c.sendall(b"TUNNEL-OK")
        elif mode.startswith("connect"):
            data = b""
            while b"\r\n\r\n" not in data:
                part = c.recv(4096)
                if not part:
                    return
                data += part
            note(data)
            if mode == "connect-spill":
                c.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n" + b"x" * int(arg))
            elif mode == "connect-lf":
                c.sendall(b"HTTP/1.0 200 OK\nVia: scripted\n\nTUNNEL-OK")
            elif mode == "connect-endless":
                c.sendall(b"HTTP/1.1 200 OK\r\n")
                for i in range(2000):
                    c.sendall(b"X-Filler-%04d: %s\r\n" % (i, b"f" * 40))
            else:
                c.sendall(b"HTTP/1.1 %d Refused\r\nProxy-Agent: scripted\r\n\r\n" % int(arg))
        # Keep the connection until the client closes it.
        while c.recv(4096):
            pass
    except (EOFError, OSError):
        pass
    finally:
        c.close()


srv = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", port))
srv.listen(16)
while True:
    conn, _ = srv.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
