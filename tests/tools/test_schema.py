"""docs/vorbix-pack.schema.json against what vorbix-pack reads and writes:
the configurations in examples/, the starter configuration of init and the
JSON of inspect all validate; what build refuses as an unknown key or a
wrong type the schema refuses too. (That the schema lists every key the tool
knows is a unit test: ConfigurationSchema.)"""
import json
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

try:
    import jsonschema
except ImportError:
    # Debian's python3-jsonschema (scripts/setup) belongs to the system's interpreter.
    if sys.executable != "/usr/bin/python3" and Path("/usr/bin/python3").exists():
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    raise

SOURCE = Path(os.environ["VBX_SOURCE_DIR"])
NATIVE = Path(os.environ["VBX_NATIVE_DIR"])
PACK = NATIVE / "vorbix-pack"
SCHEMA = json.loads((SOURCE / "docs" / "vorbix-pack.schema.json").read_text(encoding="utf-8"))
VALIDATOR = jsonschema.Draft7Validator(SCHEMA)


def pack(*args, cwd=None):
    return subprocess.run([str(PACK), *map(str, args)], capture_output=True, text=True, timeout=120, cwd=cwd)


class Schema(unittest.TestCase):
    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(prefix="vbxschema-"))

    def assert_valid(self, document, what):
        errors = [f"{list(e.path)}: {e.message}" for e in VALIDATOR.iter_errors(document)]
        self.assertEqual(errors, [], what)

    def test_the_examples_validate(self):
        examples = sorted((SOURCE / "examples").rglob("*.json"))
        self.assertGreaterEqual(len(examples), 2)
        for path in examples:
            self.assert_valid(json.loads(path.read_text(encoding="utf-8")), path.name)

    def test_what_init_and_inspect_write_validates(self):
        jar = NATIVE / "java" / "hello-service.jar"
        (self.dir / "hello-service.jar").write_bytes(jar.read_bytes())
        r = pack("init", "--jar", self.dir / "hello-service.jar", "--name", "Hello")
        self.assertEqual(r.returncode, 0, r.stderr)
        starter = json.loads((self.dir / "Hello.json").read_text(encoding="utf-8"))
        self.assert_valid(starter, "init")
        # The schema it names is this one.
        self.assertEqual((self.dir / starter["$schema"]).resolve(), (SOURCE / "docs" / "vorbix-pack.schema.json").resolve())
        r = pack("build", self.dir / "Hello.json", "-o", self.dir / "Hello.exe")
        self.assertEqual(r.returncode, 0, r.stderr)
        r = pack("inspect", self.dir / "Hello.exe")
        self.assertEqual(r.returncode, 0, r.stderr)
        shown = json.loads(r.stdout)
        self.assertIn("packedBy", shown)
        self.assert_valid(shown, "inspect")

    def test_what_build_refuses_the_schema_refuses(self):
        for label, document in {"unknown": {"servicename": "x"}, "type": {"executableType": "4"},
                                "letter": {"jvmSearchSequence": [{"type": "Q"}]},
                                "version": {"version": "1.2.3.4.5"}, "message": {"messages": {"1001": "x"}}}.items():
            with self.subTest(label):
                self.assertTrue(list(VALIDATOR.iter_errors(document)), label)
                (self.dir / "bad.json").write_text(json.dumps(document), encoding="utf-8")
                self.assertEqual(pack("build", self.dir / "bad.json", "-o", self.dir / "bad.exe").returncode, 2)


if __name__ == "__main__":
    sys.exit(unittest.main())
