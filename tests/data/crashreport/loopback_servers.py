"""Loopback peers for the crash reporter's sending tests.

    loopback_servers.py KIND OUT_FOLDER [ARGS...]

Listens on 127.0.0.1 at a free port, prints the port on a line of its own, and serves until its
standard input ends (so it never outlives the test that started it). What it receives goes into
OUT_FOLDER, one numbered sub-folder for each message or request, as plain files the test reads back.

KIND is one of:
  smtp  an SMTP server (AUTH LOGIN allowed without TLS; ARGS: user and password it accepts). Each
        mail is parsed with the email package: envelope.txt (MAIL FROM, then each RCPT TO, then the
        user that logged in), raw.eml, subject.txt (decoded), text.txt (the text part decoded) and
        one file per attachment under its file name, with content-types.txt.
  dns   a DNS server over UDP; ARGS are records "DOMAIN PREFERENCE EXCHANGER". A query for a domain
        starting with "wrong-id." is answered with another identifier, "refused." with REFUSED,
        "silent." not at all.
"""

import asyncio
import os
import socket
import sys
import threading
from email import policy
from email.parser import BytesParser


def write(path, data):
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


class Outbox:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()

    def next(self):
        with self.lock:
            self.count += 1
            path = os.path.join(self.folder, str(self.count))
        os.makedirs(path)
        return path


def save_mail(path, raw):
    write(os.path.join(path, "raw.eml"), raw)
    message = BytesParser(policy=policy.default).parsebytes(raw)
    write(os.path.join(path, "subject.txt"), str(message["subject"]))
    types = []
    for part in message.walk():
        if part.is_multipart():
            continue
        name = part.get_filename()
        if name:
            write(os.path.join(path, "attachment-" + name), part.get_payload(decode=True))
            types.append(name + " " + part.get_content_type())
        else:
            write(os.path.join(path, "text.txt"), part.get_content())
    write(os.path.join(path, "content-types.txt"), "\n".join(types))


def serve_smtp(outbox, args):
    from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

    user, password = (args + ["", ""])[:2]

    def authenticator(server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and data.login.decode() == user and data.password.decode() == password
        return AuthResult(success=ok, handled=False, auth_data=data)

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            path = outbox.next()
            login = session.auth_data.login.decode() if session.auth_data else ""
            write(os.path.join(path, "envelope.txt"), "\n".join([envelope.mail_from] + envelope.rcpt_tos + [login]))
            save_mail(path, envelope.original_content)
            return "250 OK"

    loop = asyncio.new_event_loop()
    factory = lambda: SMTP(Handler(), authenticator=authenticator, auth_require_tls=False, loop=loop)
    server = loop.run_until_complete(loop.create_server(factory, "127.0.0.1", 0))
    threading.Thread(target=loop.run_forever, daemon=True).start()
    return server.sockets[0].getsockname()[1]


def serve_dns(outbox, args):
    from dnslib import DNSRecord, QTYPE, RCODE, RR, MX

    records = {}
    for arg in args:
        domain, preference, exchanger = arg.split()
        records.setdefault(domain.rstrip(".").lower(), []).append((int(preference), exchanger))
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))

    def run():
        while True:
            data, peer = sock.recvfrom(4096)
            request = DNSRecord.parse(data)
            name = str(request.q.qname).rstrip(".").lower()
            write(os.path.join(outbox.next(), "query.bin"), data)
            if name.startswith("silent."):
                continue
            reply = request.reply()
            if name.startswith("refused."):
                reply.header.rcode = RCODE.REFUSED
            if name.startswith("wrong-id."):
                reply.header.id = (request.header.id + 1) & 0xFFFF
            if request.q.qtype == QTYPE.MX:
                for preference, exchanger in records.get(name, []):
                    reply.add_answer(RR(request.q.qname, QTYPE.MX, rdata=MX(exchanger, preference), ttl=60))
            sock.sendto(reply.pack(), peer)

    threading.Thread(target=run, daemon=True).start()
    return sock.getsockname()[1]


def main():
    kind, folder, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    outbox = Outbox(folder)
    port = {"smtp": serve_smtp, "dns": serve_dns}[kind](outbox, args)
    print(port, flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
