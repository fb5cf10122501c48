#!/usr/bin/python3
"""Scripted FTP server for the FTP tests (pyftpdlib), on 127.0.0.1 or ::1.

Usage: ftp_fault_server.py PORT ROOT [bind=ADDRESS] [FAULT ...]
bind=ADDRESS listens on ADDRESS (default 127.0.0.1; ::1 for IPv6).
Faults:
  rest502        "REST" is answered 502
  rest501        "REST" is answered 501
  size-abs-550   "SIZE" of a path starting with "/" is answered 550
  size502        every "SIZE" is answered 502 (the size stays unknown)
  retr550        every "RETR" is answered 550
  epsv500        every "EPSV" is answered 500
  user230        "USER" logs in at once with 230 (no "PASS")
  multiline230   the login reply is a multi-line 230- reply
  mdtm-changed   "MDTM" reports a different date on every call
  drop=N         the data connection of "RETR" is closed after N bytes (reply 426)
  drop-once=N    as drop=N for the first "RETR" of the server's life only
  pasv-other     the 227 reply announces 10.255.255.1 instead of the real address
  rate=N         data connections send at most N bytes a second
  hostile-list   every "LIST" answers with names that climb out of the directory
                 or hold control bytes, beside one real file "ok.bin"
Prints "READY" once listening.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    port = int(sys.argv[1])
    root = sys.argv[2]
    faults = set(sys.argv[3:])
    address = "127.0.0.1"
    drop = None
    drop_once = None
    for f in list(faults):
        if f.startswith("drop="):
            drop = int(f.split("=", 1)[1])
        if f.startswith("drop-once="):
            drop_once = [int(f.split("=", 1)[1])]
        if f.startswith("bind="):
            address = f.split("=", 1)[1]

    authorizer = DummyAuthorizer()
    authorizer.add_user("tester", "secret", root, perm="elr")
    authorizer.add_anonymous(root, perm="elr")

    class Handler(FTPHandler):
        mdtm_calls = 0

        def ftp_REST(self, line):
            if "rest502" in faults:
                return self.respond("502 Command not implemented.")
            if "rest501" in faults:
                return self.respond("501 Syntax error.")
            return FTPHandler.ftp_REST(self, line)

        def ftp_SIZE(self, path):
            if "size502" in faults:
                return self.respond("502 Command not implemented.")
            if "size-abs-550" in faults and self._raw_arg.startswith("/"):
                return self.respond("550 No such file.")
            return FTPHandler.ftp_SIZE(self, path)

        def ftp_RETR(self, file):
            if "retr550" in faults:
                return self.respond("550 No such file.")
            if drop is not None:
                self._drop_after = drop
            elif drop_once:
                self._drop_after = drop_once.pop()
            return FTPHandler.ftp_RETR(self, file)

        def ftp_EPSV(self, line):
            if "epsv500" in faults:
                return self.respond("500 EPSV not understood.")
            return FTPHandler.ftp_EPSV(self, line)

        def ftp_USER(self, line):
            if "user230" in faults:
                self.username = "anonymous"
                self.authenticated = True
                self.fs = self.abstracted_fs(self.authorizer.get_home_dir("anonymous"), self)
                return self.respond("230 Logged in without a password.")
            return FTPHandler.ftp_USER(self, line)

        def handle_auth_success(self, home, password, msg_login):
            if "multiline230" in faults:
                self.push("230-Welcome to the test server.\r\n")
                self.push("230-  This reply has several lines.\r\n")
                msg_login = "Login successful."
            return FTPHandler.handle_auth_success(self, home, password, msg_login)

        def ftp_MDTM(self, path):
            if "mdtm-changed" in faults:
                Handler.mdtm_calls += 1
                return self.respond("213 2024013112%02d%02d" % (Handler.mdtm_calls, 0))
            return FTPHandler.ftp_MDTM(self, path)

        def ftp_LIST(self, path):
            if "hostile-list" in faults:
                stamp = " 1 ftp ftp %d Jan 10 12:30 %s"
                lines = ["-rw-r--r--" + stamp % (5, "../../x"),
                         "-rw-r--r--" + stamp % (5, "bad\x01name"),
                         "-rw-r--r--" + stamp % (5, "cr\rname"),
                         "-rw-r--r--" + stamp % (5, "/etc/passwd"),
                         "drwxr-xr-x" + stamp % (0, ".."),
                         "drwxr-xr-x" + stamp % (0, "../up"),
                         "drwxr-xr-x" + stamp % (0, "."),
                         "-rw-r--r--" + stamp % (5, "ok.bin")]
                data = "".join(l + "\r\n" for l in lines).encode("latin-1")
                self.push_dtp_data(data, isproducer=False, cmd="LIST")
                return path
            return FTPHandler.ftp_LIST(self, path)

        def pre_process_command(self, line, cmd, arg):
            self._raw_arg = arg or ""
            return FTPHandler.pre_process_command(self, line, cmd, arg)

        def push_dtp_data(self, data, isproducer=False, file=None, cmd=None):
            limit = getattr(self, "_drop_after", None)
            if limit is not None and file is not None:
                self._drop_after = None
                chunk = file.read(limit)
                if self._current_type == "a":
                    chunk = chunk.replace(b"\n", b"\r\n")
                file.close()
                channel = self.data_channel
                plain_close = channel.close

                def broken_close():
                    # The server reports the transfer as cut off, as pyftpdlib does for
                    # a data connection that ends before the file.
                    channel._resp = ("426 Connection closed; transfer aborted.",
                                     lambda *a, **k: None)
                    plain_close()
                channel.close = broken_close
                self.respond("125 Data connection already open. Transfer starting.")
                channel.push(chunk)
                channel.close_when_done()
                # Drop the whole session as a broken server would.
                self.ioloop.call_later(0.2, self.close)
                return
            return FTPHandler.push_dtp_data(self, data, isproducer, file, cmd)

    Handler.authorizer = authorizer
    for f in faults:
        if f.startswith("rate="):
            class Throttled(ThrottledDTPHandler):
                write_limit = int(f.split("=", 1)[1])
            Handler.dtp_handler = Throttled
    Handler.passive_ports = None
    if "pasv-other" in faults:
        Handler.masquerade_address = "10.255.255.1"
        Handler.permit_foreign_addresses = True
    Handler.permit_privileged_ports = False
    Handler.banner = "ready"

    server = FTPServer((address, port), Handler)
    print("READY", flush=True)
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    main()
