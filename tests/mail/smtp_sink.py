"""The real mail server of the mail tests: aiosmtpd on a loopback port chosen
by the system. Prints the port, then saves each message it accepts as
last.json in the folder given: the envelope, the header block as received,
the headers as a mail reader decodes them, the date's offset from UTC and the
body (dot-stuffing undone).
Ends when its standard input closes, so it never outlives the test.
"""

import asyncio
import email
import email.policy
import json
import os
import sys
import threading
from datetime import timedelta

from aiosmtpd.smtp import SMTP


class SaveLast:
    def __init__(self, folder):
        self.path = os.path.join(folder, "last.json")

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content
        message = email.message_from_bytes(content, policy=email.policy.default)
        record = {
            "envelope": "%s -> %s" % (envelope.mail_from, ", ".join(envelope.rcpt_tos)),
            "raw_head": content.split(b"\r\n\r\n", 1)[0].decode("utf-8", "replace"),
            "headers": ["%s: %s" % item for item in message.items()],
            "date_offset": message["Date"].datetime.utcoffset() // timedelta(minutes=1),
            "body": message.get_content(),
        }
        with open(self.path + ".part", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.replace(self.path + ".part", self.path)
        return "250 Message accepted for delivery"


def end_when_stdin_closes():
    sys.stdin.read()
    os._exit(0)


async def serve(folder):
    server = await asyncio.get_running_loop().create_server(
        lambda: SMTP(SaveLast(folder), hostname="sink.test"), host="127.0.0.1", port=0)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    threading.Thread(target=end_when_stdin_closes, daemon=True).start()
    asyncio.run(serve(sys.argv[1]))
