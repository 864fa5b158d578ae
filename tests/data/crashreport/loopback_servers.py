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
  http  an HTTP server (https: the same over TLS; ARGS: certificate and key files). Each POST is
        filed as request.txt (the request line, then the headers), body.bin, and each part of the
        multipart form parsed with the email package: field-<name> or file-<file name>. The path
        "/status/<code>" answers with that status, any other 200.
  ftp   an FTP server (ARGS: user and password it accepts) whose root is OUT_FOLDER itself.
  dns   a DNS server over UDP; ARGS are records "DOMAIN PREFERENCE EXCHANGER". A query for a domain
        starting with "wrong-id." is answered with another identifier, "late." with another
        identifier first and then its own, "refused." with REFUSED, "silent." not at all.
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
            if request.q.qtype == QTYPE.MX:
                for preference, exchanger in records.get(name, []):
                    reply.add_answer(RR(request.q.qname, QTYPE.MX, rdata=MX(exchanger, preference), ttl=60))
            if name.startswith("wrong-id.") or name.startswith("late."):
                reply.header.id = (request.header.id + 1) & 0xFFFF
                sock.sendto(reply.pack(), peer)
                if name.startswith("wrong-id."):
                    continue
                reply.header.id = request.header.id
            sock.sendto(reply.pack(), peer)

    threading.Thread(target=run, daemon=True).start()
    return sock.getsockname()[1]


def serve_http(outbox, args, tls=False):
    import http.server
    import ssl

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            path = outbox.next()
            write(os.path.join(path, "request.txt"), self.requestline + "\n" + str(self.headers))
            write(os.path.join(path, "body.bin"), body)
            form = BytesParser(policy=policy.HTTP).parsebytes(
                b"Content-Type: " + self.headers["Content-Type"].encode() + b"\r\n\r\n" + body)
            for part in form.iter_parts():
                name = part.get_filename()
                key = "file-" + name if name else "field-" + part.get_param("name", header="content-disposition")
                write(os.path.join(path, key), part.get_payload(decode=True))
            code = int(self.path.split("/")[2]) if self.path.startswith("/status/") else 200
            self.send_response(code)
            self.send_header("Content-Length", "2")
            self.end_headers()
            self.wfile.write(b"ok")

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    if tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args[0], args[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def serve_ftp(outbox, args):
    import logging
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import ThreadedFTPServer

    logging.basicConfig(level=logging.ERROR)
    logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args[0], args[1], outbox.folder, perm="elradfmwMT")

    class Handler(FTPHandler):
        auth_failed_timeout = 0  # a wrong password is answered at once

    Handler.authorizer = authorizer
    server = ThreadedFTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.address[1]


def main():
    kind, folder, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    outbox = Outbox(folder)
    servers = {"smtp": serve_smtp, "dns": serve_dns, "http": serve_http, "ftp": serve_ftp,
               "https": lambda outbox, args: serve_http(outbox, args, tls=True)}
    port = servers[kind](outbox, args)
    print(port, flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
