"""A real SMTP server on 127.0.0.1 for the mail tests: prints "port N", then
keeps each accepted mail as a folder OUT/mail-K of fields decoded by Python's
own mail parser. Ends when its input ends."""

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
    def __init__(self, args):
        self.args = args
        self.count = 0
        self.held = 0

    async def handle_DATA(self, server, session, envelope):
        await asyncio.sleep(self.args.delay_ms / 1000.0)
        if self.args.hold > 0:
            # Never answers: the client's leaving cancels this, and the mail
            # is not kept.
            self.args.hold -= 1
            self.held += 1
            open(os.path.join(self.args.out, "held-%d" % self.held), "w").close()
            await asyncio.sleep(3600)
        if self.args.refuse > 0:
            self.args.refuse -= 1
            return "554 5.7.1 refused for the test"
        self.count += 1
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        sender = message["From"].addresses[0]
        fields = {
            "rcpt_to": "\n".join(envelope.rcpt_tos),
            "from_name": sender.display_name,
            "from_address": sender.addr_spec,
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "content_type": message.get_content_type() + ";" + str(message.get_content_charset()),
            "date": str(message["Date"] or ""),
            "message_id": str(message["Message-ID"] or ""),
            "body": message.get_content().replace("\r\n", "\n"),
            "login": session.auth_data.login.decode() if session.authenticated else "",
            "raw": envelope.original_content.decode("utf-8", "replace"),
        }
        staging = os.path.join(self.args.out, ".staging-%d" % self.count)
        os.makedirs(staging)
        for name, value in fields.items():
            with open(os.path.join(staging, name), "w", encoding="utf-8", newline="") as f:
                f.write(value)
        os.rename(staging, os.path.join(self.args.out, "mail-%d" % self.count))
        return "250 OK"


def check_login(args):
    def check(server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and data == (args.user.encode(), args.password.encode())
        # handled=False lets the server answer a failed login with 535.
        return AuthResult(success=ok, handled=ok, auth_data=data if ok else None)
    return check


async def serve(args):
    # The login case runs without TLS on purpose.
    options = dict(auth_required=True, auth_require_tls=False, authenticator=check_login(args)) if args.user else {}
    loop = asyncio.get_running_loop()
    keeper = Keeper(args)
    server = await loop.create_server(lambda: SMTP(keeper, hostname="zelmora-test", **options), host="127.0.0.1", port=args.port)
    print("port %d" % server.sockets[0].getsockname()[1], flush=True)
    await loop.run_in_executor(None, sys.stdin.read)


if __name__ == "__main__":
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--refuse", type=int, default=0, help="refuse this many mails first")
    parser.add_argument("--delay-ms", type=int, default=0, help="answer each mail this late")
    parser.add_argument("--hold", type=int, default=0, help="never answer the data of this many mails first")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    asyncio.run(serve(parser.parse_args()))
