"""scripts/check_layers.py: the source tree keeps its layering, and the check
catches what breaks it. Each planted case adds files to an otherwise clean
small tree and names the problems the check must report (none for the
includes it must accept)."""
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SOURCE = Path(os.environ.get("VBX_SOURCE_DIR", Path(__file__).resolve().parents[2]))
CHECK = SOURCE / "scripts" / "check_layers.py"

# Present in every planted tree: one header per folder that the cases include.
BASE_TREE = {
    "src/core/log.h": "",
    "src/support/paths_helper.h": '#include "core/log.h"\n',
    "src/launch/values.h": "",
    "src/service/host.h": "",
    "src/app/main.h": "",
    "src/jvmsearch/search.h": "",
    "tools/vorbix-pack/base/error.h": "",
    "tools/vorbix-pack/image/pe.h": '#include "base/error.h"\n',
    "tools/vorbix-pack/config/keys.h": "",
    "tools/vorbix-pack/commands/build.h": "",
}

# (case, planted files, expected output lines as (start, fragment) pairs)
CASES = [
    ("down, beside and unresolved includes pass",
     {"src/launch/a.cpp": '#include "launch/a.h"\n\n#include <string>\n#include "core/log.h"\n'
                          '#include "values.h"\n#include "host.h"\n#include <windows.h>\n',
      "src/launch/a.h": "#pragma once\n"},
     []),
    ("an include one folder up",
     {"src/core/x.cpp": '#include "core/log.h"\n\n#include "support/paths_helper.h"\n'},
     [("src/core/x.cpp:3:", "support/")]),
    ("a relative path that climbs into a higher folder",
     {"src/service/y.h": '#include "../app/main.h"\n'},
     [("src/service/y.h:1:", "app/")]),
    ("an angled include counts like a quoted one",
     {"src/jvmsearch/z.cpp": "#include <launch/values.h>\n"},
     [("src/jvmsearch/z.cpp:1:", "launch/")]),
    ("a commented-out include does not count",
     {"src/core/c.cpp": '// #include "app/main.h"\n/* #include "app/main.h" */\n'},
     []),
    ("a folder the stack does not know",
     {"src/extra/e.cpp": '#include "core/log.h"\n'},
     [("src/extra/e.cpp:", "not in a folder")]),
    ("the tool may use the launcher's code, not its own folders above",
     {"tools/vorbix-pack/base/t.cpp": '#include "service/host.h"\n#include "core/log.h"\n',
      "tools/vorbix-pack/image/i.cpp": '#include "config/keys.h"\n#include "base/error.h"\n'
                                       '#include "commands/build.h"\n'},
     [("tools/vorbix-pack/image/i.cpp:1:", "config/"), ("tools/vorbix-pack/image/i.cpp:3:", "commands/")]),
    ("the launcher may not use the tool",
     {"src/app/m.cpp": '#include "../../tools/vorbix-pack/base/error.h"\n'},
     [("src/app/m.cpp:1:", "tools/vorbix-pack/")]),
]


def run_check(root):
    result = subprocess.run([sys.executable, str(CHECK), "--root", str(root)], capture_output=True, text=True,
                            timeout=120)
    return result.returncode, result.stdout.splitlines()


class Layers(unittest.TestCase):
    def test_the_source_tree_is_layered(self):
        code, lines = run_check(SOURCE)
        self.assertEqual((code, lines), (0, []), "\n".join(lines))

    def test_planted_includes(self):
        for name, planted, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory(prefix="vbxlayers-") as directory:
                root = Path(directory)
                for relative, text in {**BASE_TREE, **planted}.items():
                    (root / relative).parent.mkdir(parents=True, exist_ok=True)
                    (root / relative).write_text(text, encoding="utf-8")
                code, lines = run_check(root)
                self.assertEqual(code, 1 if expected else 0, lines)
                self.assertEqual(len(lines), len(expected), lines)
                for line, (start, fragment) in zip(lines, expected):
                    self.assertTrue(line.startswith(start) and fragment in line, (line, start, fragment))


if __name__ == "__main__":
    unittest.main()
