#!/usr/bin/env python3
"""A small POP3 server on 127.0.0.1 that serves the demo mailbox (Python standard library only).

    python3 demo/demo-pop3-server.py [port] [--mail DIR] [--user NAME] [--password TEXT] [--verbose]

The first line written to stdout is the port it listens on (a free one when port is 0 or missing).
Log in with USER/PASS or APOP (the greeting carries a time stamp). DELE takes effect at QUIT, in the
server's memory only: the files under --mail are never changed, and a restart brings every message back.
"""
import argparse
import hashlib
import os
import signal
import socket
import socketserver
import sys
import threading
import time

MAX_COMMAND_LINE = 512      # RFC 1939 allows 255 octets of arguments; be generous, not unbounded
IDLE_TIMEOUT_SECONDS = 600  # RFC 1939's autologout timer must be at least ten minutes


class Message:
    def __init__(self, uid, data):
        self.uid = uid
        self.data = data  # the message with CR LF line ends, ending in CR LF

    @property
    def size(self):
        return len(self.data)

    def lines(self):
        return self.data[:-2].split(b"\r\n")

    def top(self, body_lines):
        """Header lines, the empty separator line, then at most body_lines lines of the body."""
        lines = self.lines()
        try:
            split = lines.index(b"")
        except ValueError:
            return lines + [b""]
        return lines[:split + 1 + body_lines]


def to_crlf(raw):
    text = raw.replace(b"\r\n", b"\n").replace(b"\r", b"\n")
    if not text.endswith(b"\n"):
        text += b"\n"
    return text.replace(b"\n", b"\r\n")


def load_messages(mail_dir):
    names = sorted(n for n in os.listdir(mail_dir) if n.endswith(".eml"))
    messages = []
    for name in names:
        with open(os.path.join(mail_dir, name), "rb") as f:
            data = to_crlf(f.read())
        # A stable unique id: the same file always gets the same id, across restarts.
        messages.append(Message(hashlib.md5(data).hexdigest(), data))
    return messages


class Mailbox:
    """The messages as the server holds them; sessions work on a snapshot taken at login."""

    def __init__(self, messages):
        self._lock = threading.Lock()
        self._messages = list(messages)

    def snapshot(self):
        with self._lock:
            return list(self._messages)

    def remove(self, doomed):
        with self._lock:
            self._messages = [m for m in self._messages if not any(m is d for d in doomed)]


class Pop3Session(socketserver.StreamRequestHandler):
    timeout = IDLE_TIMEOUT_SECONDS

    def setup(self):
        super().setup()
        self.greeting_stamp = "<%d.%d@prunebox-demo>" % (os.getpid(), time.time_ns())
        self.user = None
        self.messages = None  # set at login: the snapshot this session numbers from 1
        self.deleted = set()

    # --- wire ----------------------------------------------------------------------------------

    def send(self, line):
        self.wfile.write(line.encode("ascii") + b"\r\n")
        self.server.note("S: " + line)

    def send_block(self, status, lines):
        out = [("+OK " + status).rstrip().encode("ascii")]
        # Dot-stuffing: a line that starts with "." gets one more in front of it.
        out += [(b"." + l) if l.startswith(b".") else l for l in lines]
        out.append(b".")
        self.wfile.write(b"\r\n".join(out) + b"\r\n")
        self.server.note("S: +OK %s (%d lines)" % (status, len(lines)))

    def read_command(self):
        line = self.rfile.readline(MAX_COMMAND_LINE + 1)
        if not line:
            return None
        if len(line) > MAX_COMMAND_LINE and not line.endswith(b"\n"):
            self.rfile.readline(1 << 16)  # drop the rest of the oversized line
            return ""
        return line.rstrip(b"\r\n").decode("latin-1")

    # --- session -------------------------------------------------------------------------------

    def handle(self):
        self.send("+OK Prunebox demo POP3 server ready " + self.greeting_stamp)
        try:
            while True:
                line = self.read_command()
                if line is None:
                    return
                keyword, _, argument = line.partition(" ")
                keyword = keyword.upper()
                self.server.note("C: " + ("%s ****" % keyword if keyword in ("PASS", "APOP") else line))
                if line == "":
                    self.send("-ERR command line too long or empty")
                    continue
                handler = getattr(self, ("do_" if self.messages is not None else "auth_") + keyword, None)
                if handler is None:
                    self.send("-ERR unknown command or wrong state")
                    continue
                if handler(argument) == "quit":
                    return
        except (socket.timeout, ConnectionError):
            return  # a session that ends without QUIT deletes nothing

    # AUTHORIZATION state

    def auth_CAPA(self, _):
        self.send_block("capability list follows", [b"TOP", b"UIDL", b"USER"])

    def auth_USER(self, argument):
        self.user = argument
        self.send("+OK send your password")

    def auth_PASS(self, argument):
        if self.user is None:
            self.send("-ERR USER first")
        elif self.user == self.server.user and argument == self.server.password:
            self.login()
        else:
            self.user = None
            self.send("-ERR authentication failed")

    def auth_APOP(self, argument):
        name, _, digest = argument.partition(" ")
        expected = hashlib.md5((self.greeting_stamp + self.server.password).encode("latin-1")).hexdigest()
        if name == self.server.user and digest.strip().lower() == expected:
            self.login()
        else:
            self.send("-ERR authentication failed")

    def auth_QUIT(self, _):
        self.send("+OK bye")
        return "quit"

    def login(self):
        self.messages = self.server.mailbox.snapshot()
        count, size = self.totals()
        self.send("+OK %d messages (%d octets)" % (count, size))

    # TRANSACTION state

    def totals(self):
        live = [m for i, m in enumerate(self.messages, 1) if i not in self.deleted]
        return len(live), sum(m.size for m in live)

    def message_number(self, text):
        """The message number given, or None after an -ERR has been sent."""
        try:
            n = int(text.split()[0]) if text.split() else None
        except ValueError:
            n = None
        if n is None or not 1 <= n <= len(self.messages) or n in self.deleted:
            self.send("-ERR no such message")
            return None
        return n

    def do_CAPA(self, argument):
        self.auth_CAPA(argument)

    def do_STAT(self, _):
        self.send("+OK %d %d" % self.totals())

    def do_LIST(self, argument):
        if argument.strip():
            n = self.message_number(argument)
            if n:
                self.send("+OK %d %d" % (n, self.messages[n - 1].size))
            return
        count, size = self.totals()
        self.send_block("%d messages (%d octets)" % (count, size),
                        [b"%d %d" % (i, m.size) for i, m in enumerate(self.messages, 1)
                         if i not in self.deleted])

    def do_UIDL(self, argument):
        if argument.strip():
            n = self.message_number(argument)
            if n:
                self.send("+OK %d %s" % (n, self.messages[n - 1].uid))
            return
        self.send_block("", [b"%d %s" % (i, m.uid.encode("ascii"))
                             for i, m in enumerate(self.messages, 1) if i not in self.deleted])

    def do_TOP(self, argument):
        parts = argument.split()
        if len(parts) != 2 or not parts[1].isdigit():
            self.send("-ERR usage: TOP message lines")
            return
        n = self.message_number(parts[0])
        if n:
            self.send_block("top of message follows", self.messages[n - 1].top(int(parts[1])))

    def do_RETR(self, argument):
        n = self.message_number(argument)
        if n:
            m = self.messages[n - 1]
            self.send_block("%d octets" % m.size, m.lines())

    def do_DELE(self, argument):
        n = self.message_number(argument)
        if n:
            self.deleted.add(n)
            self.send("+OK message %d deleted" % n)

    def do_NOOP(self, _):
        self.send("+OK")

    def do_RSET(self, _):
        self.deleted.clear()
        self.send("+OK %d messages" % self.totals()[0])

    def do_QUIT(self, _):
        doomed = [self.messages[n - 1] for n in sorted(self.deleted)]
        self.server.mailbox.remove(doomed)
        self.send("+OK bye (%d messages deleted)" % len(doomed))
        return "quit"


class Pop3Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, mailbox, user, password, verbose):
        super().__init__(("127.0.0.1", port), Pop3Session)
        self.mailbox = mailbox
        self.user = user
        self.password = password
        self.verbose = verbose

    def note(self, text):
        if self.verbose:
            print(text, file=sys.stderr, flush=True)


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="POP3 server for the Prunebox demo mailbox")
    parser.add_argument("port", nargs="?", type=int, default=0, help="0 or missing: a free port")
    parser.add_argument("--mail", default=os.path.join(here, "mail"), help="folder of .eml files")
    parser.add_argument("--user", default="demo")
    parser.add_argument("--password", default="prunebox")
    parser.add_argument("--verbose", action="store_true", help="log the dialogue on stderr")
    args = parser.parse_args(argv)

    server = Pop3Server(args.port, Mailbox(load_messages(args.mail)), args.user, args.password,
                        args.verbose)
    print(server.server_address[1], flush=True)
    # SIGTERM ends the server like Ctrl+C; shutdown must run outside the serving thread.
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
