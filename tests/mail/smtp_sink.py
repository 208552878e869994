"""A mail server for the mail tests.

Listens on a loopback port chosen by the system, prints that port on the first
line of its output, and saves every message it accepts as <n>.json in the
folder given as its only argument: the envelope, the HELO name, the data as
received (after the server has undone the dot-stuffing) and what Python's own
mail parser reads from it. Ends on SIGTERM or when its standard input closes,
so it never outlives the test that started it.
"""

import asyncio
import base64
import email
import email.policy
import email.utils
import json
import os
import sys
import threading

from aiosmtpd.smtp import SMTP


class SaveToFolder:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content
        message = email.message_from_bytes(content, policy=email.policy.default)
        head = content.split(b"\r\n\r\n", 1)[0]
        sender = message["From"]
        record = {
            "helo": session.host_name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "data_base64": base64.b64encode(content).decode("ascii"),
            "header_lines": head.decode("utf-8", "replace").split("\r\n"),
            "from_name": sender.addresses[0].display_name if sender else None,
            "from_address": sender.addresses[0].addr_spec if sender else None,
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "date_offset_minutes": int(
                email.utils.parsedate_to_datetime(message["Date"]).utcoffset().total_seconds()
                // 60),
            "body": message.get_content(),
        }
        path = os.path.join(self.folder, "%d.json" % self.count)
        with open(path + ".part", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.replace(path + ".part", path)
        self.count += 1
        return "250 Message accepted for delivery"


def end_when_stdin_closes():
    sys.stdin.read()
    os._exit(0)


async def serve(folder):
    loop = asyncio.get_running_loop()
    handler = SaveToFolder(folder)
    server = await loop.create_server(lambda: SMTP(handler, hostname="sink.test"),
                                      host="127.0.0.1", port=0)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    threading.Thread(target=end_when_stdin_closes, daemon=True).start()
    asyncio.run(serve(sys.argv[1]))
