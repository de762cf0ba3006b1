#!/usr/bin/python3
"""A real SMTP server for the tests, on a free loopback port.

Prints "PORT <n>" once it listens. Every message received is stored in the store folder as
<n>.eml (the data as received, dot-stuffing undone) and <n>.json (envelope, connection number
and what Python's email package makes of it, the To header's addresses among it). connections.txt holds the number of connections.
Ends when its standard input closes, or after --lifetime seconds at the latest.
With --tls-cert and --tls-key it offers STARTTLS, or with --implicit-tls speaks TLS from the first
byte; --quit-without-reply closes the connection on QUIT without its 221.
"""
import argparse
import asyncio
import email
import email.policy
import json
import logging
import os
import ssl
import sys
import threading
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.connections = 0
        self.messages = 0

    def connection_made(self):
        self.connections += 1
        self._write("connections.txt", str(self.connections).encode())
        return self.connections

    def _write(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)

    async def handle_DATA(self, server, session, envelope):
        self.messages += 1
        data = envelope.original_content
        parsed = email.message_from_bytes(data, policy=email.policy.default)
        body = parsed.get_body(preferencelist=("plain", "html"))
        info = {
            "connection": session.connection_number,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "subject": str(parsed["subject"]),
            "to": [a.addr_spec for a in parsed["to"].addresses] if parsed["to"] else [],
            "to_defects": [type(d).__name__ for d in parsed["to"].defects] if parsed["to"] else [],
            "defects": [type(d).__name__ for d in parsed.defects],
            "body": body.get_content() if body is not None else None,
        }
        self._write("%d.eml" % self.messages, data)
        self._write("%d.json" % self.messages, json.dumps(info).encode())
        return "250 OK stored"


class CountingSMTP(SMTP):
    quit_without_reply = False

    def __init__(self, store, *args, **kwargs):
        super().__init__(store, *args, **kwargs)
        self.store = store

    def connection_made(self, transport):
        super().connection_made(transport)
        self.session.connection_number = self.store.connection_made()

    async def smtp_QUIT(self, arg):
        if not self.quit_without_reply:
            return await super().smtp_QUIT(arg)
        self._handler_coroutine.cancel()
        self.transport.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--store", required=True)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--require-auth", action="store_true")
    parser.add_argument("--lifetime", type=float, default=300)
    parser.add_argument("--tls-cert", default="")
    parser.add_argument("--tls-key", default="")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--quit-without-reply", action="store_true")
    args = parser.parse_args()
    CountingSMTP.quit_without_reply = args.quit_without_reply
    context = None
    if args.tls_cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.tls_cert, args.tls_key)

    # The tests speak without TLS on loopback; the server's warnings about that are noise here.
    warnings.filterwarnings("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    store = Store(args.store)

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        # handled=False lets the server answer a refusal with its 535.
        return AuthResult(success=ok, handled=False)

    def factory():
        return CountingSMTP(store, hostname="sink.test", decode_data=False,
                            authenticator=authenticate if args.user else None,
                            auth_required=args.require_auth, auth_require_tls=False,
                            tls_context=None if args.implicit_tls else context)

    loop = asyncio.new_event_loop()
    server = loop.run_until_complete(loop.create_server(
        factory, "127.0.0.1", 0, ssl=context if args.implicit_tls else None))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)

    def wait_for_stdin():
        sys.stdin.read()
        loop.call_soon_threadsafe(loop.stop)

    threading.Thread(target=wait_for_stdin, daemon=True).start()
    loop.call_later(args.lifetime, loop.stop)
    loop.run_forever()
    server.close()


if __name__ == "__main__":
    main()
