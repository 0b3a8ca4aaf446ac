#!/usr/bin/python3
"""FTP server on 127.0.0.1 for the publishing tests.

Modes: "plain" serves a folder with one account; "tls" does the same but refuses USER and
PASS before AUTH TLS, so a login that succeeds proves the password crossed the wire
encrypted; "stall" logs in and then stops
answering as soon as a file is stored; "stall-data" stops answering after the first
64 KiB of a file. Prints the port on standard output once it
listens, then serves until it is killed.
"""
import argparse
import logging
import sys
import time

from OpenSSL import SSL
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


class StallingHandler(FTPHandler):
    def ftp_STOR(self, file, mode="w"):
        time.sleep(10**6)


class StallingDTP(DTPHandler):
    """Takes the first bytes of a file, then stops answering altogether."""
    def handle_read(self):
        super().handle_read()
        if self.tot_bytes_received > 65536:
            time.sleep(10**6)

    handle_read_event = handle_read  # the base class calls its own under this name


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--mode", default="plain", choices=["plain", "tls", "stall", "stall-data"])
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", default="user")
    ap.add_argument("--password", default="secret")
    ap.add_argument("--cert")
    args = ap.parse_args()
    logging.basicConfig(level=logging.ERROR)

    auth = DummyAuthorizer()
    auth.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    if args.mode == "tls":
        class Handler(TLS_FTPHandler):
            # pyftpdlib drops a TLS data connection that is opened before the
            # transfer command, as libcurl does; the data therefore stays in clear
            # while the control connection, which carries the password, is encrypted.
            def ftp_PROT(self, line):
                self.respond("536 PROT P is not available here.")
        # libcurl resumes the control connection's TLS session on the data
        # connection; OpenSSL refuses that unless the context has a session id.
        ctx = SSL.Context(SSL.SSLv23_METHOD)
        ctx.use_certificate_chain_file(args.cert)
        ctx.use_privatekey_file(args.cert)
        ctx.set_session_id(b"chronava-test")
        Handler.ssl_context = ctx
        Handler.tls_control_required = True
    elif args.mode == "stall":
        class Handler(StallingHandler):
            pass
    elif args.mode == "stall-data":
        class Handler(FTPHandler):
            dtp_handler = StallingDTP
    else:
        class Handler(FTPHandler):
            pass
    Handler.authorizer = auth
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
