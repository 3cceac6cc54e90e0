#!/usr/bin/env python3
"""Checks the include graph of src/ against the layers; prints each fault, exits 1 on any.

A file may include its own folder and the folders its folder is allowed below; an include that
goes up the layers is a fault. So is a circle of units: a .h/.cpp pair is one unit, and unit A
includes unit B when any file of A includes a file of B.
"""
import os
import re
import sys

# Each folder and the folders it may include, bottom up.
ALLOWED = {
    "auth": set(),  # OAuth 2.0 sign-in: providers, PKCE, tokens, XOAUTH2
    "pop3": {"auth"},
    "headers": set(),
    "history": {"headers"},  # the deletion history and the copies of deleted mail
    "rules": {"headers"},  # the tick decision
    "learn": {"headers", "history"},  # the learning filter and its file
    "choices": {"headers", "history"},  # the user's hand ticks, kept per mailbox
    "worker": {"auth", "pop3", "headers", "history", "rules", "learn", "choices"},
    "settings": {"auth", "headers"},
    "ui": {"auth", "headers", "settings"},  # generic window code
    # the account page
    "page": {"auth", "ui", "worker", "rules", "learn", "settings", "headers", "pop3", "history",
             "choices"},
    # the dialogs
    "dialogs": {"auth", "page", "ui", "worker", "rules", "learn", "settings", "headers", "history",
                "choices"},
    "app": {"auth", "dialogs", "page", "ui", "worker", "rules", "learn", "settings", "headers",
            "pop3", "history", "choices"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def scan(src):
    edges = {}
    for folder, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            edges[rel] = [i for i in INCLUDE.findall(text) if "/" in i]
    return edges


def unit_of(path):
    return os.path.splitext(path)[0]


def check(src):
    faults = []
    edges = scan(src)
    for rel, includes in sorted(edges.items()):
        folder = rel.split("/")[0]
        if folder not in ALLOWED:
            faults.append(f"{rel}: folder '{folder}' is in no layer")
            continue
        for inc in includes:
            target = inc.split("/")[0]
            if target != folder and target not in ALLOWED[folder]:
                faults.append(f"{rel}: includes {inc} ({folder} may not include {target})")
    # Circles between units (depth-first search over the includes that exist in src/).
    units = {}
    for rel, includes in edges.items():
        targets = units.setdefault(unit_of(rel), set())
        targets.update(unit_of(i) for i in includes if i in edges and unit_of(i) != unit_of(rel))
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for target in sorted(units[node]):
            if state.get(target) == 1:
                faults.append("unit circle: " + " -> ".join(stack[stack.index(target):] + [target]))
            elif target not in state:
                visit(target)
        stack.pop()
        state[node] = 2

    for node in sorted(units):
        if node not in state:
            visit(node)
    return faults


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    faults = check(src)
    for fault in faults:
        print(fault)
    print(f"layers: {len(faults)} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
