"""A real SMTP server on 127.0.0.1 for the mail tests.

Prints "port N" once it listens, then keeps every accepted mail as a folder
OUT/mail-K holding the envelope, the raw message and the fields the tests
check, decoded by Python's own mail parser.
"""

import argparse
import asyncio
import email
import email.policy
import logging
import os
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Keeper:
    def __init__(self, out, refuse, delay):
        self.out = out
        self.refuse = refuse
        self.delay = delay
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        if self.delay:
            await asyncio.sleep(self.delay)
        if self.refuse > 0:
            self.refuse -= 1
            return "554 5.7.1 refused for the test"
        self.count += 1
        self.keep(self.count, session, envelope)
        return "250 OK"

    def keep(self, number, session, envelope):
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        sender = message["From"]
        login = session.auth_data.login.decode() if session.authenticated else ""
        fields = {
            "mail_from": envelope.mail_from,
            "rcpt_to": "\n".join(envelope.rcpt_tos),
            "from_name": sender.addresses[0].display_name,
            "from_address": sender.addresses[0].addr_spec,
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "content_type": message.get_content_type() + ";" + str(message.get_content_charset()),
            "date": str(message["Date"]),
            "message_id": str(message["Message-ID"]),
            "body": message.get_content().replace("\r\n", "\n"),
            "login": login,
            "raw": envelope.original_content.decode("utf-8", "replace"),
        }
        staging = os.path.join(self.out, ".staging-%d" % number)
        os.makedirs(staging)
        for name, value in fields.items():
            with open(os.path.join(staging, name), "w", encoding="utf-8", newline="") as f:
                f.write(value)
        os.rename(staging, os.path.join(self.out, "mail-%d" % number))


def authenticator(user, password):
    def check(server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and data.login == user.encode() and data.password == password.encode()
        # handled=False lets the server answer a failed login with 535.
        return AuthResult(success=ok, handled=ok, auth_data=data if ok else None)
    return check


async def serve(args):
    keeper = Keeper(args.out, args.refuse, args.delay_ms / 1000.0)
    options = {}
    if args.user:
        options = dict(auth_required=True, auth_require_tls=False,
                       authenticator=authenticator(args.user, args.password))
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(keeper, hostname="zelmora-test", **options),
                                      host="127.0.0.1", port=0)
    print("port %d" % server.sockets[0].getsockname()[1], flush=True)
    # Ends when the test closes our stdin or ends us.
    await loop.run_in_executor(None, sys.stdin.read)


def main():
    # The login case runs without TLS on purpose.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--refuse", type=int, default=0, help="refuse this many mails first")
    parser.add_argument("--delay-ms", type=int, default=0, help="answer each mail this late")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
