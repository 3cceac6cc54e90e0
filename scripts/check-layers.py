#!/usr/bin/env python3
"""Checks the include graph of src/ against the layers; prints each fault, exits 1 on any.

A file may include its own folder and the folders its folder is allowed below; an include that
goes up the layers, or a circle of includes between files, is a fault.
"""
import os
import re
import sys

# Each folder and the folders it may include, bottom up.
ALLOWED = {
    "pop3": set(),
    "headers": set(),
    "rules": {"headers"},                                        # the tick decision
    "worker": {"pop3", "headers", "rules"},
    "settings": {"headers"},
    "ui": {"headers", "settings"},                               # generic window code
    "page": {"ui", "worker", "rules", "settings", "headers", "pop3"},     # the account page
    "dialogs": {"page", "ui", "worker", "rules", "settings", "headers"},  # the dialogs
    "app": {"dialogs", "page", "ui", "worker", "rules", "settings", "headers", "pop3"},
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
    # Circles between files (depth-first search over the includes that exist in src/).
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for inc in edges.get(node, []):
            if inc not in edges:
                continue
            if state.get(inc) == 1:
                faults.append("include circle: " + " -> ".join(stack[stack.index(inc):] + [inc]))
            elif inc not in state:
                visit(inc)
        stack.pop()
        state[node] = 2

    for node in sorted(edges):
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
