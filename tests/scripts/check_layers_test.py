#!/usr/bin/env python3
"""The layer check on small source trees: which includes it lets through and which it reports."""
import importlib.util
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "check-layers.py")
loader_spec = importlib.util.spec_from_file_location("check_layers", SCRIPT)
check_layers = importlib.util.module_from_spec(loader_spec)
loader_spec.loader.exec_module(check_layers)


class CheckLayersTest(unittest.TestCase):
    def faults(self, files):
        with tempfile.TemporaryDirectory() as src:
            for path, includes in files.items():
                os.makedirs(os.path.join(src, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(src, path), "w") as f:
                    f.write("".join(f'#include "{i}"\n' for i in includes) + "#include <windows.h>\n")
            return check_layers.check(src)

    def test_reports_upward_includes_unit_circles_and_unknown_folders(self):
        cases = [
            ("down the layers", {"app/A.cpp": ["dialogs/D.h"], "dialogs/D.h": ["page/P.h"],
                                 "page/P.h": ["worker/W.h"], "worker/W.h": ["pop3/S.h"],
                                 "pop3/S.h": []}, []),
            ("page up to app", {"page/P.cpp": ["app/M.h"], "app/M.h": []},
             ["page/P.cpp: includes app/M.h (page may not include app)"]),
            ("settings up to ui", {"settings/S.cpp": ["ui/W.h"], "ui/W.h": []},
             ["settings/S.cpp: includes ui/W.h (settings may not include ui)"]),
            ("sideways: worker and settings", {"settings/S.cpp": ["worker/W.h"], "worker/W.h": []},
             ["settings/S.cpp: includes worker/W.h (settings may not include worker)"]),
            ("circle inside a folder", {"headers/A.h": ["headers/B.h"], "headers/B.h": ["headers/A.h"]},
             ["unit circle: headers/A -> headers/B -> headers/A"]),
            ("circle of units through their .cpp files",
             {"ui/A.h": [], "ui/A.cpp": ["ui/A.h", "ui/B.h"], "ui/B.h": [], "ui/B.cpp": ["ui/A.h"]},
             ["unit circle: ui/A -> ui/B -> ui/A"]),
            ("folder in no layer", {"misc/X.cpp": []}, ["misc/X.cpp: folder 'misc' is in no layer"]),
        ]
        for name, files, expected in cases:
            with self.subTest(name):
                self.assertEqual(self.faults(files), expected)

    def test_the_program_itself_keeps_its_layers(self):
        self.assertEqual(check_layers.check(os.path.join(HERE, "..", "..", "src")), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
