#!/usr/bin/env python3
"""Counts test cases over every CTest run of scripts/test and prints 'N passed, N failed'.

A GoogleTest program counts each of its cases (from its XML report); any other CTest test, or a
program that ended badly without reporting a failed case (a crash, a sanitizer report at exit),
counts as one. A build that failed counts as one failure.
"""
import os
import sys
import xml.etree.ElementTree as ET


def parse(path):
    # A failure message may quote Shift_JIS bytes as they are, which is not well-formed XML.
    with open(path, "rb") as f:
        return ET.fromstring(f.read().decode("utf-8", "replace").encode("utf-8"))


def gtest_counts(path):
    passed = failed = 0
    for case in parse(path).iter("testcase"):
        if case.get("result") == "skipped" or case.get("status") == "notrun":
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        else:
            passed += 1
    return passed, failed


def main(runlog):
    passed = failed = 0
    failures = []
    runs_file = os.path.join(runlog, "runs")
    runs = open(runs_file).read().split("\n") if os.path.exists(runs_file) else []
    for line in filter(None, runs):
        name, reports, junit = line.split(" ")
        if not os.path.exists(junit):
            failed += 1
            failures.append(f"{name}: ctest did not report")
            continue
        for test in parse(junit).iter("testcase"):
            test_name = test.get("name")
            ok = test.get("status") == "run" and test.find("failure") is None
            report = os.path.join(reports, test_name + ".xml")
            if os.path.exists(report):
                p, f = gtest_counts(report)
                if not ok and f == 0:
                    f = 1  # ended badly after its cases passed
                passed += p
                failed += f
            elif test.get("status") == "disabled" or test.get("status") == "notrun" and not ok and test.find("skipped") is not None:
                continue
            else:
                passed += ok
                failed += not ok
            if not ok:
                failures.append(f"{name}: {test_name}")
    build_failures = os.path.join(runlog, "build-failures")
    if os.path.exists(build_failures):
        for line in filter(None, open(build_failures).read().split("\n")):
            failed += 1
            failures.append(line)
    for f in failures:
        print("FAILED", f)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
