"""vorbix-pack: launchers it builds load under Wine, inspect gives back what
build took, and bad input ends with exit code 2 and no output file."""
import json
import os
import unittest

import winebed as wb

MINIMAL = wb.SOURCE_DIR / "examples" / "minimal.json"


def listing(directory):
    return sorted(p.name for p in directory.iterdir())


class PackedLaunchers(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("pack")

    def assert_loads(self, exe):
        r = wb.run(exe, "/?")
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("Internal Error", r.stderr, r)

    def test_minimal_example_loads_with_the_default_stub(self):
        # Without --stub the tool takes the cross build's launcher of the
        # configured architecture (x86 when the key is absent).
        config = json.loads(MINIMAL.read_text(encoding="utf-8"))
        if wb.ARCH is wb.X64:
            config["architecture"] = "x64"
        minimal = self.dir / "minimal.json"
        minimal.write_text(json.dumps(config), encoding="utf-8")
        exe = self.dir / "minimal.exe"
        r = wb.run_pack("build", minimal, "-o", exe)
        self.assertEqual(r.code, 0, r)
        self.assert_loads(exe)
        explicit = self.dir / "explicit.exe"
        r = wb.run_pack("build", minimal, "-o", explicit, "--stub", wb.LAUNCHER)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(exe.read_bytes(), explicit.read_bytes())
        stub = wb.LAUNCHER.read_bytes()
        self.assertEqual(exe.read_bytes()[:wb.pe_end_of_last_section(stub)], stub[:wb.pe_end_of_last_section(stub)])

    def test_every_message_of_the_example_has_an_english_text(self):
        config = json.loads(MINIMAL.read_text(encoding="utf-8"))
        ids = {"1000", "1005", "1006", "1008", "1009", "1010", "1011", "1015", "1016", "1017", "1019", "1021"}
        self.assertEqual(set(config["messages"]), ids)
        self.assertTrue(all(config["messages"][i].strip() for i in ids))
        self.assertTrue(any(section["prefix"] == "de" for section in config["locales"]))

    def test_build_inspect_build_gives_the_same_bytes(self):
        files = {
            "lib/native.dll": os.urandom(300_000),
            "readme.txt": "Grüße\n",
            "empty.txt": b"",
        }
        config = {
            "serviceName": wb.unique("svc"),
            "executableType": 4,
            "singleInstance": True,
            "serviceAccount": "NetworkService",
            "failureActions": {"resetSeconds": 3600, "actions": [{"type": "restart", "delayMs": 500}, {"type": "none"}],
                               "failOnNonZeroExit": True},
            "preshutdownTimeout": 45,
            "mainClass": "com.example.Main",
            "classPath": [{"type": "A", "required": True, "value": "lib\\app.jar"}],
            "jvmSearchSequence": [{"type": "E", "value": "JAVA_HOME"}, {"type": "Y"}],
            "versionOptionSets": [{"condition": "9-99", "options": "--add-opens java.base/java.lang=ALL-UNNAMED"}],
            "includedFiles": [
                {"name": "bin\\native.dll", "source": "lib/native.dll"},
                {"name": "readme.txt", "source": "readme.txt"},
                {"name": "empty.txt", "source": "empty.txt"},
            ],
            "serviceDescription": "Describes \u2603",
            "messages": {"1000": "Title \U0001d11e"},
            "locales": [{"prefix": "de", "messages": {"1000": "Titel"}},
                        {"prefix": "de_CH", "serviceDescription": "Beschreibung"}],
        }
        first = wb.pack(config, self.dir / "in", name="first.exe", files=files)
        self.assert_loads(first)

        r = wb.run_pack("inspect", first)
        self.assertEqual(r.code, 0, r)
        shown = json.loads(r.stdout)
        self.assertEqual(shown["architecture"], wb.ARCH.name)
        self.assertEqual([(f["name"], f["size"]) for f in shown["includedFiles"]],
                         [("bin\\native.dll", 300_000), ("readme.txt", len(files["readme.txt"].encode())), ("empty.txt", 0)])
        self.assertEqual(shown["locales"], config["locales"])
        self.assertEqual(shown["messages"], config["messages"])
        self.assertEqual(shown["failureActions"], config["failureActions"])

        out = self.dir / "out"
        r = wb.run_pack("inspect", first, "--extract", out / "files", "-o", out / "app.json")
        self.assertEqual(r.code, 0, r)
        self.assertEqual((out / "files" / "bin" / "native.dll").read_bytes(), files["lib/native.dll"])
        self.assertEqual((out / "files" / "readme.txt").read_bytes(), files["readme.txt"].encode())
        self.assertEqual((out / "files" / "empty.txt").read_bytes(), b"")

        # No --stub: the architecture inspect reported picks the launcher.
        second = self.dir / "second.exe"
        r = wb.run_pack("build", out / "app.json", "-o", second)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(second.read_bytes(), first.read_bytes())

        # A packed launcher is a valid stub: its old block is replaced.
        third = self.dir / "third.exe"
        r = wb.run_pack("build", out / "app.json", "-o", third, "--stub", first)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(third.read_bytes(), first.read_bytes())

    def test_bad_input_exits_2_and_writes_nothing(self):
        (self.dir / "old.exe").write_bytes(b"previous")
        cases = {
            "syntax": ('{\n  "serviceName": "x",\n}\n', "syntax.json:3:1: syntax error"),
            "unknown": ('{"servicename": "x"}', "unknown.json: servicename: unknown key"),
            "type": ('{"executableType": "4"}', "type.json: executableType: expected an integer, got string"),
            "long": ('{"launcherFlavour": "ee"}', "long.json: launcherFlavour: too long"),
            "missing": ('{"includedFiles": [{"name": "a.jar", "source": "a.jar"}]}',
                        "missing.json: includedFiles[0].source: file not found"),
            "number": ('{"executableType": 1E400}', "number.json:1:20: number overflow parsing '1E400'"),
            "latin": ('{"mainClass": "\\u4e2d"}', "latin.json: mainClass: character U+4E2D is outside Latin-1"),
            "actions": ('{"failureActions": {"resetSeconds": 60, "actions": [{"type": "restart", "delayMs": -1}]}}',
                        "actions.json: failureActions.actions[0].delayMs: must not be negative"),
        }
        for label, (text, message) in cases.items():
            (self.dir / f"{label}.json").write_text(text, encoding="utf-8")
        before = listing(self.dir)
        for label, (text, message) in cases.items():
            with self.subTest(label):
                for out in ("new.exe", "old.exe"):
                    r = wb.run_pack("build", self.dir / f"{label}.json", "-o", self.dir / out, "--stub", wb.LAUNCHER)
                    self.assertEqual(r.code, 2, r)
                    self.assertIn(message, r.stderr)
                    self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
                self.assertEqual(listing(self.dir), before)
                self.assertEqual((self.dir / "old.exe").read_bytes(), b"previous")

    def test_inspect_of_a_bare_launcher_exits_2(self):
        r = wb.run_pack("inspect", wb.LAUNCHER)
        self.assertEqual(r.code, 2, r)
        self.assertIn("no configuration block", r.stderr)
        self.assertEqual(r.stdout, "")


if __name__ == "__main__":
    unittest.main()
