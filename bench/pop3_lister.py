#!/usr/bin/env python3
"""Python's poplib listing a mailbox like pop3_lister:
prints "<messages> <seconds> <cpu seconds> <check>".
usage: pop3_lister.py HOST PORT USER PASSWORD"""
import poplib
import sys
import time


def main(host, port, user, password):
    start, cpu_start = time.perf_counter(), time.process_time()
    client = poplib.POP3(host, int(port))
    client.user(user)
    client.pass_(password)
    count, _ = client.stat()
    check = 0
    for n in range(1, count + 1):
        check += len(client.top(n, 0)[1])
        check += int(client.list(n).split()[2])
        check += len(client.uidl(n).split()[2])
    client.quit()
    print(count, f"{time.perf_counter() - start:.6f}", f"{time.process_time() - cpu_start:.6f}", check)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
