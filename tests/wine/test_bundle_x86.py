# architectures: x64
# needs: 32-bit
"""The release bundle's 32-bit launcher: the example packed with
"architecture": "x86" by the bundle's own tool takes bin/launcher.exe and
runs with a 32-bit test runtime beside it (the rest of the bundle:
test_bundle)."""
import json
import shutil
import unittest

import test_bundle as tb
import winebed as wb


class Bundle32(unittest.TestCase):
    def test_the_example_on_the_32_bit_launcher_runs(self):
        _, _, top = tb.unpacked_bundle("bundle32")
        config = json.loads((top / "examples" / "hello-service" / "hello-service.json").read_text(encoding="utf-8"))
        config["architecture"] = "x86"
        (top / "x86.json").write_text(json.dumps(config), encoding="utf-8")
        r = wb.run_pack("build", "x86.json", "-o", "Example32.exe", pack=top / "bin" / "vorbix-pack", cwd=top)
        self.assertEqual(r.code, 0, r)
        launcher = (top / "bin" / "launcher.exe").read_bytes()
        end = wb.pe_end_of_last_section(launcher)
        self.assertEqual((top / "Example32.exe").read_bytes()[:end], launcher[:end])
        shutil.copy(top / "examples" / "hello-service" / "hello-service.jar", top)
        tb.run_packed_example(self, top, "Example32.exe", wb.X86)


if __name__ == "__main__":
    unittest.main()
