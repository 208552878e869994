"""The real mail servers of the mail tests: aiosmtpd instances on loopback
ports chosen by the system, one per kind of server a user may have:

  plain      no TLS, no login; 8BITMIME but no SMTPUTF8
  utf8       as plain, and SMTPUTF8
  starttls   STARTTLS required, then a login (PLAIN or LOGIN)
  loginonly  as starttls, but LOGIN is the only way to log in
  implicit   TLS from the first byte, then a login
  wrongname  STARTTLS with a certificate for another host name

Usage: smtp_peer.py FOLDER CERTIFICATE_FOLDER. Prints the ports as one JSON
line, then saves each message a server accepts as NAME.json in FOLDER: the
envelope and its options, whether TLS carried it and who logged in, the
header block as received, the longest line, and the headers and body as
Python's email package reads them. Every server accepts only the user "ann"
with the password "s3cret".
Ends when its standard input closes, so it never outlives the test.
"""

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
from datetime import timedelta

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

USER = b"ann"
PASSWORD = b"s3cret"


class SaveLast:
    def __init__(self, folder, name):
        self.path = os.path.join(folder, name + ".json")

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content
        message = email.message_from_bytes(content, policy=email.policy.default)
        login = session.auth_data.login.decode() if session.authenticated else None
        record = {
            "envelope": "%s -> %s" % (envelope.mail_from, ", ".join(envelope.rcpt_tos)),
            "mail_options": envelope.mail_options,
            "tls": server.transport.get_extra_info("ssl_object") is not None,
            "login": login,
            "raw_head": content.split(b"\r\n\r\n", 1)[0].decode("utf-8", "replace"),
            "longest_line": max(len(line) for line in content.split(b"\r\n")),
            "headers": ["%s: %s" % item for item in message.items()],
            "date_offset": message["Date"].datetime.utcoffset() // timedelta(minutes=1),
            "body": message.get_content(),
        }
        with open(self.path + ".part", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.replace(self.path + ".part", self.path)
        return "250 Message accepted for delivery"


def check_login(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and (auth_data.login, auth_data.password) == (
        USER, PASSWORD)
    return AuthResult(success=ok, handled=False, auth_data=auth_data)


def tls_context(certificates, name):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(os.path.join(certificates, name + ".pem"),
                            os.path.join(certificates, name + ".key"))
    return context


def kinds(certificates):
    good = tls_context(certificates, "server")
    login = dict(authenticator=check_login, auth_required=True)
    return {
        "plain": ({}, None),
        "utf8": (dict(enable_SMTPUTF8=True), None),
        "starttls": (dict(tls_context=good, require_starttls=True, **login), None),
        "loginonly": (dict(tls_context=good, require_starttls=True,
                           auth_exclude_mechanism=["PLAIN"], **login), None),
        # aiosmtpd knows TLS only from STARTTLS; here the socket has it from
        # the first byte.
        "implicit": (dict(auth_require_tls=False, **login), good),
        "wrongname": (dict(tls_context=tls_context(certificates, "wrongname"),
                           require_starttls=True), None),
    }


def end_when_stdin_closes():
    sys.stdin.read()
    os._exit(0)


async def serve(folder, certificates):
    loop = asyncio.get_running_loop()
    servers = {}
    for name, (options, socket_tls) in kinds(certificates).items():
        def factory(name=name, options=options):
            return SMTP(SaveLast(folder, name), hostname=name + ".test", **options)
        servers[name] = await loop.create_server(factory, host="127.0.0.1", port=0,
                                                 ssl=socket_tls)
    print(json.dumps({name: server.sockets[0].getsockname()[1]
                      for name, server in servers.items()}), flush=True)
    await asyncio.gather(*(server.serve_forever() for server in servers.values()))


if __name__ == "__main__":
    # aiosmtpd warns about the implicit-TLS server's settings and its own
    # deprecations, and logs every handshake a client breaks off, as the tests
    # of bad certificates do; none of it is the test's business.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    threading.Thread(target=end_when_stdin_closes, daemon=True).start()
    asyncio.run(serve(sys.argv[1], sys.argv[2]))
