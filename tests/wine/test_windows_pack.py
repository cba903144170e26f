# architectures: x64
"""vorbix-pack.exe, the Windows build of the tool (a 64-bit program): it
builds byte for byte what the Linux tool builds, for both launchers, reads
its launchers back for a build -> inspect -> build round trip, and reports
bad input as the Linux tool does."""
import json
import os
import shutil
import unittest

import winebed as wb

WINDOWS_PACK = wb.X64.build / "vorbix-pack.exe"
RUNTIME_JAR = wb.NATIVE_DIR / "java" / "vorbix-runtime.jar"


def windows_pack(*args, cwd=None):
    return wb.run(WINDOWS_PACK, *args, cwd=cwd, timeout=120)


class WindowsPack(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("winpack")

    def test_it_is_static_and_names_its_release(self):
        # Imports name DLLs by file name: none of the toolchain's may be among them.
        image = WINDOWS_PACK.read_bytes().lower()
        for library in (b"libstdc++-6.dll", b"libgcc_s_seh-1.dll", b"libwinpthread-1.dll", b"zlib1.dll"):
            self.assertNotIn(library, image)
        self.assertIn(b"kernel32.dll", image)
        r = windows_pack("--version")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(r.stdout.strip(), wb.run_pack("--version").stdout.strip())

    def test_same_bytes_as_the_linux_tool_and_a_round_trip_of_its_own(self):
        (self.dir / "lib").mkdir()
        (self.dir / "lib" / "native.dll").write_bytes(os.urandom(70_000))
        (self.dir / "app.ico").write_bytes(wb.icon_file([(16, (1, 2, 3, 255))]))
        # Relative sources: an absolute Linux path means another file on Windows.
        (self.dir / "runtime").mkdir()
        shutil.copy(RUNTIME_JAR, self.dir / "runtime" / "vorbix-runtime.jar")
        for arch in (wb.X86, wb.X64):
            with self.subTest(arch=arch.name):
                config = {
                    "architecture": arch.name, "serviceName": "Gr\u00fc\u00dfe", "launcherFlavour": "e",
                    "runtimeArchive": "runtime/vorbix-runtime.jar", "mainClass": "com.example.Main",
                    "classPath": [{"type": "A", "required": True, "value": "app.jar"}],
                    "includedFiles": [{"name": "bin\\native.dll", "source": "lib/native.dll"}],
                    "version": "3.1", "fileDescription": "Windows-built \u2713", "icon": "app.ico",
                    "messages": {"1000": "Titel \u00e9"}, "locales": [{"prefix": "de", "messages": {"1000": "T"}}],
                }
                config_path = self.dir / f"{arch.name}.json"
                config_path.write_text(json.dumps(config), encoding="utf-8")
                linux, windows = self.dir / f"linux-{arch.name}.exe", self.dir / f"windows-{arch.name}.exe"
                r = wb.run_pack("build", config_path, "-o", linux, "--stub", arch.launcher)
                self.assertEqual(r.code, 0, r)
                # Without --stub: the launcher of the architecture in the cross build beside the tool.
                r = windows_pack("build", wb.windows_path(config_path), "-o", wb.windows_path(windows))
                self.assertEqual(r.code, 0, r)
                self.assertEqual(windows.read_bytes(), linux.read_bytes())

                # Relative paths on the Windows tool's command line and in its JSON.
                work = self.dir / f"out-{arch.name}"
                work.mkdir()
                r = windows_pack("inspect", wb.windows_path(windows), "--extract", "files", "-o", "app.json", cwd=work)
                self.assertEqual(r.code, 0, r)
                shown = json.loads((work / "app.json").read_text(encoding="utf-8"))
                self.assertEqual(shown["serviceName"], "Gr\u00fc\u00dfe")
                self.assertEqual(shown["icon"], "files/icon.ico")
                self.assertEqual([f["source"] for f in shown["includedFiles"]],
                                 ["files/bin/native.dll", "files/vorbix-runtime.jar"])
                for attempt in ("new", "over an existing one"):
                    r = windows_pack("build", "app.json", "-o", "again.exe", cwd=work)
                    self.assertEqual(r.code, 0, (attempt, r))
                    self.assertEqual((work / "again.exe").read_bytes(), linux.read_bytes(), attempt)

    def test_bad_input_is_one_line_exit_2_and_no_output(self):
        (self.dir / "old.exe").write_bytes(b"previous")
        (self.dir / "bad.json").write_text('{"version": "1.2.3.4.5"}', encoding="utf-8")
        before = sorted(p.name for p in self.dir.iterdir())
        r = windows_pack("build", wb.windows_path(self.dir / "bad.json"), "-o", wb.windows_path(self.dir / "old.exe"))
        self.assertEqual(r.code, 2, r)
        self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        self.assertIn('bad.json: version: "1.2.3.4.5": more than 4 parts', r.stderr)
        self.assertEqual(sorted(p.name for p in self.dir.iterdir()), before)
        self.assertEqual((self.dir / "old.exe").read_bytes(), b"previous")


if __name__ == "__main__":
    unittest.main()
