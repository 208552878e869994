"""smtp_peer.py FOLDER: the real mail servers of the mail tests, aiosmtpd
instances of each kind in kinds() on loopback ports, with a throw-away
certificate authority FOLDER/ca.pem. Prints the ports as one JSON line, then
saves the last message each server takes as FOLDER/KIND.json, as Python's
email package reads it. Ends when its standard input closes."""

import asyncio
import email
import email.policy
import json
import logging
import os
import ssl
import subprocess
import sys
import threading
import warnings
from datetime import timedelta

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class SaveLast:
    def __init__(self, folder, name):
        self.path = os.path.join(folder, name + ".json")

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content
        message = email.message_from_bytes(content, policy=email.policy.default)
        record = {
            "envelope": "%s -> %s" % (envelope.mail_from, ", ".join(envelope.rcpt_tos)),
            "mail_options": " ".join(envelope.mail_options),
            "tls": server.transport.get_extra_info("ssl_object") is not None,
            "login": session.auth_data.login.decode() if session.authenticated else None,
            "raw_head": content.split(b"\r\n\r\n", 1)[0].decode("utf-8", "replace"),
            "longest_line": max(len(line) for line in content.split(b"\r\n")),
            # Date and Message-ID change with every send.
            "headers": ["%s: %s" % item for item in message.items()
                        if item[0] not in ("Date", "Message-ID")],
            "message_id": message["Message-ID"],
            "date_offset": message["Date"].datetime.utcoffset() // timedelta(minutes=1),
            "body": message.get_content(),
        }
        # Whole before the client hears the 250.
        with open(self.path, "w", encoding="utf-8") as f:
            json.dump(record, f)
        return "250 Message accepted for delivery"


def check_login(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and (auth_data.login, auth_data.password) == (
        b"ann", b"s3cret")
    return AuthResult(success=ok, handled=False, auth_data=auth_data)


def certificate(folder, name, alt_names=None):
    """name.pem and name.key, signed by the authority "ca" (made first)."""
    command = ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
               "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj", "/CN=" + name,
               "-keyout", name + ".key", "-out", name + ".pem"]
    if alt_names:
        command += ["-CA", "ca.pem", "-CAkey", "ca.key", "-addext",
                    "subjectAltName=" + alt_names, "-addext", "basicConstraints=critical,CA:FALSE"]
    made = subprocess.run(command, cwd=folder, capture_output=True, text=True)
    if made.returncode:
        sys.exit("openssl: " + made.stderr)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(os.path.join(folder, name + ".pem"),
                            os.path.join(folder, name + ".key"))
    return context


def kinds(folder):
    certificate(folder, "ca")
    good = certificate(folder, "server", "IP:127.0.0.1,DNS:localhost")
    login = dict(authenticator=check_login, auth_required=True)
    # Each kind: the server's options, and the TLS its socket has from the
    # first byte (aiosmtpd itself knows TLS only from STARTTLS).
    return {
        "plain": ({}, None),  # 8BITMIME, no SMTPUTF8, lines of 1,000 octets at most
        "utf8": (dict(enable_SMTPUTF8=True), None),
        "starttls": (dict(tls_context=good, require_starttls=True, **login), None),
        "loginonly": (dict(tls_context=good, require_starttls=True,
                           auth_exclude_mechanism=["PLAIN"], **login), None),
        "implicit": (dict(auth_require_tls=False, **login), good),
        "wrongname": (dict(tls_context=certificate(folder, "wrongname", "DNS:other.test"),
                           require_starttls=True), None),
    }


async def serve(folder):
    loop = asyncio.get_running_loop()
    servers = {}
    for name, (options, socket_tls) in kinds(folder).items():
        def factory(name=name, options=options):
            return SMTP(SaveLast(folder, name), hostname=name + ".test", **options)
        servers[name] = await loop.create_server(factory, host="127.0.0.1", port=0,
                                                 ssl=socket_tls)
    print(json.dumps({name: server.sockets[0].getsockname()[1]
                      for name, server in servers.items()}), flush=True)
    await asyncio.gather(*(server.serve_forever() for server in servers.values()))


if __name__ == "__main__":
    # Nor aiosmtpd's warnings, nor the handshakes the tests of bad
    # certificates break off, are the test's business.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    asyncio.run(serve(sys.argv[1]))
