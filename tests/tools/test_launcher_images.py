"""What can be checked of both launchers without running them, so that it is
checked on every machine, also one that runs no 32-bit code: the PE header of
the architecture, ASLR and DEP with the relocations a loader needs, imports of
system DLLs only, and vorbix-pack's build -> inspect -> build round trip onto
each giving back the same bytes, with the stub's image untouched."""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ["VBX_SOURCE_DIR"])
sys.path.insert(0, str(SOURCE_DIR / "tests" / "wine"))
import pe_image as pe  # noqa: E402

PACK = Path(os.environ["VBX_NATIVE_DIR"]) / "vorbix-pack"
DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA, RELOCS_STRIPPED = 0x0040, 0x0100, 0x0020, 0x0001
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "user32.dll", "shell32.dll", "ole32.dll"}
LAUNCHERS = [  # architecture, cross build, PE machine, optional header magic
    ("x86", Path(os.environ["VBX_WIN32_DIR"]), 0x14C, pe.PE32),
    ("x64", Path(os.environ["VBX_WIN64_DIR"]), 0x8664, pe.PE32_PLUS),
]


def imported_dlls(data, image):
    rva = image.directories[1][0]
    names, pos = [], image.file_offset(rva)
    while True:
        name_rva = struct.unpack_from("<I", data, pos + 12)[0]
        if name_rva == 0:
            return names
        offset = image.file_offset(name_rva)
        names.append(data[offset:data.index(b"\0", offset)].decode("ascii").lower())
        pos += 20


def pack(*args):
    proc = subprocess.run([str(PACK), *map(str, args)], capture_output=True, text=True, timeout=120)
    if proc.returncode != 0:
        raise AssertionError(f"vorbix-pack {args}: exit {proc.returncode}: {proc.stderr}")
    return proc.stdout


class LauncherImages(unittest.TestCase):
    def test_both_launchers(self):
        for arch, build, machine, magic in LAUNCHERS:
            with self.subTest(arch):
                stub = build / "launcher.exe"
                if not stub.exists():
                    self.fail(f"{stub} is not built")
                data = stub.read_bytes()
                image = pe.read(data)
                self.assertEqual((image.machine, image.magic), (machine, magic))
                flags = image.dll_characteristics
                self.assertEqual(flags & (DYNAMIC_BASE | NX_COMPAT), DYNAMIC_BASE | NX_COMPAT, hex(flags))
                self.assertEqual(bool(flags & HIGH_ENTROPY_VA), arch == "x64", hex(flags))
                self.assertFalse(image.characteristics & RELOCS_STRIPPED)
                address = pe.address_relocation(image)
                targets = [rva for kind, rva in pe.relocations(data, image) if kind == address]
                self.assertGreater(len(targets), 100)
                form = "<Q" if address == pe.REL_DIR64 else "<I"
                low, high = image.image_base, image.image_base + image.size_of_image
                for rva in targets:
                    value = struct.unpack_from(form, data, image.file_offset(rva))[0]
                    self.assertTrue(low <= value < high, "entry at %#x holds %#x" % (rva, value))
                self.assertLessEqual(set(imported_dlls(data, image)), SYSTEM_DLLS)
                self.round_trip(arch, stub, data)

    def round_trip(self, arch, stub, data):
        with tempfile.TemporaryDirectory() as work:
            work = Path(work)
            (work / "app.bin").write_bytes(os.urandom(5000))
            config = {"architecture": arch, "serviceName": "Gr\u00fc\u00dfe", "mainClass": "com.example.Main",
                      "classPath": [{"type": "A", "required": True, "value": "app.jar"}],
                      "includedFiles": [{"name": "lib\\app.bin", "source": "app.bin"}],
                      "messages": {"1000": "Titel \u00e9"}, "locales": [{"prefix": "de", "messages": {"1000": "T"}}]}
            (work / "app.json").write_text(json.dumps(config), encoding="utf-8")
            said = pack("build", work / "app.json", "-o", work / "first.exe", "--stub", stub)
            bits = "32-bit (x86)" if arch == "x86" else "64-bit (x64)"
            self.assertIn(f"onto the {bits} launcher", said)
            pack("inspect", work / "first.exe", "--extract", work / "files", "-o", work / "again.json")
            self.assertEqual(json.loads((work / "again.json").read_text(encoding="utf-8"))["architecture"], arch)
            pack("build", work / "again.json", "-o", work / "second.exe", "--stub", stub)
            first = (work / "first.exe").read_bytes()
            self.assertEqual((work / "second.exe").read_bytes(), first)
            end = pe.read(data).sections[-1]
            end = end.raw_pointer + end.raw_size
            self.assertEqual(first[:end], data[:end])


if __name__ == "__main__":
    unittest.main()
