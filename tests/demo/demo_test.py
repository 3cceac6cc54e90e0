#!/usr/bin/env python3
"""Tests of the demo mailbox, its POP3 server and the demo account script.

    python3 tests/demo/demo_test.py [TestClass ...]
"""
import email
import email.header
import filecmp
import glob
import hashlib
import importlib.machinery
import os
import poplib
import socket
import subprocess
import sys
import tempfile
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER = os.path.join(TOP, "demo", "demo-pop3-server.py")
GENERATOR = os.path.join(TOP, "demo", "make-demo-mail.py")
MAIL_DIR = os.path.join(TOP, "demo", "mail")
MAIL_FILES = sorted(glob.glob(os.path.join(MAIL_DIR, "*.eml")))


def load_script(name, path):
    return importlib.machinery.SourceFileLoader(name, path).load_module()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def wire_bytes(path):
    return read(path).replace(b"\n", b"\r\n")


class DemoServer:
    """The server as a child process on a free port."""

    def __enter__(self):
        self.process = subprocess.Popen([sys.executable, SERVER], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.port = int(self.process.stdout.readline())
        return self

    def __exit__(self, *_):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()

    def pop(self):
        return poplib.POP3("127.0.0.1", self.port, timeout=10)

    def raw(self):
        """A bare socket, for checking the exact bytes on the wire; returns (socket, greeting)."""
        s = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        f = s.makefile("rb")
        return s, f, f.readline()


def send(sock, f, line):
    sock.sendall(line + b"\r\n")
    return f.readline()


def read_block(f):
    lines = []
    while True:
        line = f.readline()
        if line == b".\r\n" or not line:
            return lines
        lines.append(line)


class LoginTest(unittest.TestCase):
    def test_logins(self):
        with DemoServer() as server:
            cases = [  # (how, user, secret, accepted)
                ("user", "demo", "prunebox", True),
                ("user", "demo", "wrong", False),
                ("user", "other", "prunebox", False),
                ("apop", "demo", "prunebox", True),
                ("apop", "demo", "wrong", False),
            ]
            for how, user, secret, accepted in cases:
                with self.subTest(how=how, user=user, secret=secret):
                    p = server.pop()
                    try:
                        if how == "user":
                            p.user(user)
                            p.pass_(secret)
                        else:
                            p.apop(user, secret)
                        self.assertTrue(accepted, "login should have been refused")
                        self.assertEqual(p.stat()[0], len(MAIL_FILES))
                    except poplib.error_proto as e:
                        self.assertFalse(accepted, str(e))
                    finally:
                        p.quit()

    def test_greeting_stamp_and_commands_before_login(self):
        with DemoServer() as server:
            sock, f, greeting = server.raw()
            with sock, f:
                self.assertRegex(greeting, rb"^\+OK .*<[^<>@]+@[^<>]+>\r\n$")
                for command in (b"STAT", b"LIST 1", b"TOP 1 0", b"DELE 1", b"PASS prunebox"):
                    with self.subTest(command=command):
                        self.assertTrue(send(sock, f, command).startswith(b"-ERR"))
                self.assertTrue(send(sock, f, b"QUIT").startswith(b"+OK"))


class ListingTest(unittest.TestCase):
    def test_stat_list_uidl_match_the_files(self):
        with DemoServer() as server:
            p = server.pop()
            p.user("demo")
            p.pass_("prunebox")
            sizes = [len(wire_bytes(path)) for path in MAIL_FILES]
            self.assertEqual(p.stat(), (len(sizes), sum(sizes)))
            uids = set()
            for n, size in enumerate(sizes, 1):
                self.assertEqual(p.list(n), b"+OK %d %d" % (n, size))
                status = p.uidl(n).split()
                self.assertEqual(status[:2], [b"+OK", b"%d" % n])
                uids.add(status[2])
            self.assertEqual(len(uids), len(sizes), "unique ids must differ")
            for bad in (b"0", b"%d" % (len(sizes) + 1), b"x", b""):
                with self.subTest(bad=bad):
                    with self.assertRaises(poplib.error_proto):
                        p._shortcmd("LIST " + bad.decode() if bad else "TOP")
            p.quit()
            q = server.pop()
            q.user("demo")
            q.pass_("prunebox")
            self.assertEqual({q.uidl(n).split()[2] for n in range(1, len(sizes) + 1)}, uids,
                             "unique ids must stay the same across connections")
            q.quit()

    def test_top_zero_sends_the_header_and_the_empty_line_only(self):
        with DemoServer() as server:
            sock, f, _ = server.raw()
            with sock, f:
                send(sock, f, b"USER demo")
                send(sock, f, b"PASS prunebox")
                for n, path in enumerate(MAIL_FILES, 1):
                    with self.subTest(message=os.path.basename(path)):
                        self.assertTrue(send(sock, f, b"TOP %d 0" % n).startswith(b"+OK"))
                        header = wire_bytes(path).split(b"\r\n\r\n")[0]
                        expected = [line + b"\r\n" for line in header.split(b"\r\n")] + [b"\r\n"]
                        self.assertEqual(read_block(f), expected)
                send(sock, f, b"QUIT")

    def test_dot_stuffing(self):
        with DemoServer() as server:
            dotted = [n for n, path in enumerate(MAIL_FILES, 1)
                      if any(l.startswith(b".") for l in read(path).split(b"\n"))]
            self.assertTrue(dotted, "the demo mail must hold a body line that starts with a dot")
            sock, f, _ = server.raw()
            with sock, f:
                send(sock, f, b"USER demo")
                send(sock, f, b"PASS prunebox")
                for n in dotted:
                    self.assertTrue(send(sock, f, b"RETR %d" % n).startswith(b"+OK"))
                    wire = read_block(f)
                    unstuffed = b"".join(l[1:] if l.startswith(b".") else l for l in wire)
                    self.assertEqual(unstuffed, wire_bytes(MAIL_FILES[n - 1]))
                    self.assertTrue(all(l.startswith(b"..") for l in wire if l.startswith(b".")))
                send(sock, f, b"QUIT")


class DeleteTest(unittest.TestCase):
    def login(self, server):
        p = server.pop()
        p.user("demo")
        p.pass_("prunebox")
        return p

    def uids(self, p):
        return [line.split()[1] for line in p.uidl()[1]]

    def test_dele_takes_effect_at_quit_only(self):
        before = {path: hashlib.md5(read(path)).hexdigest() for path in MAIL_FILES}
        with DemoServer() as server:
            p = self.login(server)
            all_uids = self.uids(p)
            p.dele(2)
            p.dele(5)
            self.assertEqual(p.stat()[0], len(all_uids) - 2)
            for n in (2, 5):
                with self.assertRaises(poplib.error_proto):
                    p.list(n)
                with self.assertRaises(poplib.error_proto):
                    p.dele(n)
            p.rset()
            self.assertEqual(p.stat()[0], len(all_uids))
            p.dele(3)
            p.close()  # dropped without QUIT: nothing is deleted

            p = self.login(server)
            self.assertEqual(self.uids(p), all_uids)
            p.dele(1)
            p.dele(len(all_uids))
            p.quit()

            p = self.login(server)
            self.assertEqual(self.uids(p), all_uids[1:-1])
            p.quit()
        after = {path: hashlib.md5(read(path)).hexdigest() for path in MAIL_FILES}
        self.assertEqual(before, after, "the bundled files must stay intact")

    def test_restart_brings_the_mailbox_back(self):
        with DemoServer() as server:
            p = self.login(server)
            for n in range(1, len(MAIL_FILES) + 1):
                p.dele(n)
            p.quit()
            p = self.login(server)
            self.assertEqual(p.stat(), (0, 0))
            p.quit()
        with DemoServer() as server:
            p = self.login(server)
            self.assertEqual(p.stat()[0], len(MAIL_FILES))
            p.quit()


def decoded(value):
    """The header value as a reader decodes it; raw JIS too."""
    if "\x1b" in value:
        return value.encode("latin-1").decode("iso2022_jp")
    return str(email.header.make_header(email.header.decode_header(value)))


class DemoMailTest(unittest.TestCase):
    def test_generator_reproduces_the_bundled_files(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.check_call([sys.executable, GENERATOR, out])
            names = sorted(os.listdir(out))
            self.assertEqual(names, [os.path.basename(p) for p in MAIL_FILES])
            _, mismatch, errors = filecmp.cmpfiles(out, MAIL_DIR, names, shallow=False)
            self.assertEqual(mismatch + errors, [])

    def test_the_mailbox_shows_every_kind_of_mail(self):
        raw_headers = [read(p).split(b"\n\n")[0] for p in MAIL_FILES]
        messages = [email.message_from_bytes(h + b"\n\n") for h in raw_headers]
        subjects = [decoded(m["Subject"]) if m["Subject"] else "" for m in messages]
        kinds = {
            "upper-case encoded subject": any(b"Subject: =?ISO-2022-JP?B?" in h for h in raw_headers),
            "lower-case encoded subject": any(b"Subject: =?iso-2022-jp?B?" in h for h in raw_headers),
            "raw JIS subject": any(b"\nSubject: " in h and b"\x1b$B" in h.split(b"\nSubject: ")[1].split(b"\n")[0]
                                   for h in raw_headers),
            "folded subject": any(b"\nSubject:" in h and h.split(b"\nSubject:")[1].split(b"\n")[1][:1] in b"\t "
                                  for h in raw_headers),
            "multipart/mixed": any(m.get_content_type() == "multipart/mixed" for m in messages),
            "html": any(m.get_content_type() in ("text/html", "multipart/alternative") for m in messages),
            "pet mail": any(m.get_content_type() == "multipart/mixed" and "PostPet" in m.get("X-Mailer", "")
                            for m in messages),
            "unsolicited ads": sum("未承諾広告" in s for s in subjects) >= 3,
            "UTF-8 subject": any(b"Subject: =?UTF-8?B?" in h for h in raw_headers),
            "Shift_JIS subject": any(b"Subject: =?Shift_JIS?B?" in h for h in raw_headers),
            "EUC-JP subject": any(b"Subject: =?EUC-JP?B?" in h for h in raw_headers),
            "Q-encoded subject": any(b"Subject: =?utf-8?Q?" in h for h in raw_headers),
            "no subject": "" in subjects,
            # One message for each spam check of the demo account.
            "provider's dmarc=fail": any(h.startswith(b"Authentication-Results: mx.prunebox.example;")
                                         and b"dmarc=fail" in h for h in raw_headers),
            "GB2312 subject": any(b"Subject: =?GB2312?B?" in h for h in raw_headers),
            "address in the display name": any(b'From: "support@' in h for h in raw_headers),
            "larger than 100 KB": any(os.path.getsize(p) > 100 * 1024 for p in MAIL_FILES),
        }
        self.assertEqual([k for k, present in kinds.items() if not present], [])
        for path, message in zip(MAIL_FILES, messages):
            with self.subTest(message=os.path.basename(path)):
                self.assertIsNotNone(message["Date"])
                self.assertIsNotNone(message["From"])
                self.assertTrue(all(ord(c) < 128 for c in read(path).decode("latin-1")),
                                "mail travels as 7-bit text")


class DemoAccountTest(unittest.TestCase):
    def setUp(self):
        self.script = load_script("demo_account", os.path.join(TOP, "scripts", "demo-account"))

    def test_scramble_matches_the_stored_form(self):
        self.assertEqual(self.script.scramble_password("abc"), bytes.fromhex("3EBC3C"))
        # Unscrambling as the program reads it back: bit 0 to 6, 1 to 1, 2 to 4, 3 to 2, 4 to 7,
        # 5 to 3, 6 to 5, 7 to 0, then the complement.
        to = (6, 1, 4, 2, 7, 3, 5, 0)
        for b in range(256):
            c = self.script.scramble_byte(b)
            s = sum(1 << to[i] for i in range(8) if c & (1 << i))
            self.assertEqual(~s & 0xFF, b)
        with self.assertRaises(ValueError):
            self.script.scramble_password("x" * 64)

    def test_account_values_follow_the_registry_layout(self):
        for port, host_name in ((40110, "127.0.0.1:40110"), (110, "127.0.0.1")):
            values = {(k.rsplit("\\", 1)[-1], n): (t, d) for k, n, t, d in
                      self.script.account_values(port, apop=False)}
            with self.subTest(port=port):
                self.assertEqual(values[("demo@127.0.0.1", "HostName")], ("REG_SZ", host_name))
                self.assertEqual(values[("demo@127.0.0.1", "PassWord")][0], "REG_BINARY")
                self.assertEqual(values[("AutoDel", "Enable")], ("REG_DWORD", "1"))
                self.assertEqual(values[("AutoDel", "Mode")], ("REG_DWORD", "0"))
                self.assertEqual(values[("AutoDel", "Rule0")][0], "REG_SZ")

    def test_an_earlier_demo_account_only_follows_the_port(self):
        cases = (
            ([], "all"),
            (["demo@127.0.0.1"], "port"),
            (["Demo@127.0.0.1"], "port"),  # the registry folds the case of key names
            (["me@example.jp"], None),
            (["demo@127.0.0.1", "me@example.jp"], None),
        )
        for accounts, expected in cases:
            with self.subTest(accounts=accounts):
                values = self.script.values_to_write(accounts, 40110, apop=False)
                if expected is None:
                    self.assertIsNone(values)
                elif expected == "port":
                    self.assertEqual([(n, d) for _, n, _, d in values],
                                     [("HostName", "127.0.0.1:40110")])
                else:
                    self.assertEqual(values, self.script.account_values(40110, apop=False))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[1:])
