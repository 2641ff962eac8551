"""A throwaway SMTP server for the mailer tests (Debian python3-aiosmtpd).

smtp_sink.py DIR [--refuse ADDRESS] [--stall] [--login USER:PASSWORD] [--cert PEM --key PEM]

Listens on 127.0.0.1, a free port, which it writes to DIR/port once ready.
Every message received goes, as the raw bytes of its DATA (dot-stuffing
undone, nothing else changed), to DIR/msg-<n>.eml; the envelope commands go
to DIR/log, one per line: "MAIL <address>", "RCPT <address>", "DATA <n>",
"RSET". --refuse answers 550 to that recipient; --stall never answers the
end of DATA; --login requires AUTH with that login (over plain text: the
tests have no other way); --cert/--key offer STARTTLS.
"""
import argparse
import asyncio
import os
import ssl

from aiosmtpd.smtp import SMTP, AuthResult


class Sink:
    def __init__(self, folder, refuse, stall):
        self.folder = folder
        self.refuse = refuse
        self.stall = stall
        self.count = 0

    def log(self, line):
        with open(os.path.join(self.folder, "log"), "a", encoding="utf-8", errors="backslashreplace") as f:
            f.write(line + "\n")

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.log("MAIL " + address)
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        self.log("RCPT " + address)
        if address == self.refuse:
            return "550 5.1.1 no such mailbox"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.stall:
            await asyncio.sleep(3600)
        self.count += 1
        name = os.path.join(self.folder, "msg-%d.eml" % self.count)
        with open(name + ".part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(name + ".part", name)
        self.log("DATA %d" % self.count)
        return "250 OK"

    async def handle_RSET(self, server, session, envelope):
        self.log("RSET")
        return "250 OK"


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dir")
    parser.add_argument("--refuse")
    parser.add_argument("--stall", action="store_true")
    parser.add_argument("--login")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    a = parser.parse_args()
    sink = Sink(a.dir, a.refuse, a.stall)
    options = {"decode_data": False}
    if a.login:
        def check(server, session, envelope, mechanism, data):
            ok = (data.login + b":" + data.password).decode() == a.login
            return AuthResult(success=ok, handled=False)
        options.update(authenticator=check, auth_required=True, auth_require_tls=False)
    if a.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(a.cert, a.key)
        options.update(tls_context=context, require_starttls=True)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(sink, **options), "127.0.0.1", 0)
    port = os.path.join(a.dir, "port")
    with open(port + ".part", "w") as f:
        f.write(str(server.sockets[0].getsockname()[1]))
    os.rename(port + ".part", port)
    await server.serve_forever()


asyncio.run(main())
