# architectures: x64
"""The release bundle (scripts/make_dist.py, as scripts/dist writes it):
what it holds, and the README's quick start done in the unpacked bundle
alone, with its own programs: init and build with the Linux tool as the
README says, the same build with bin/vorbix-pack.exe, and the packed example
run with a test runtime in jre\\ beside it."""
import importlib.util
import shlex
import shutil
import subprocess
import unittest
import zipfile

import launchbed
import winebed as wb

module_spec = importlib.util.spec_from_file_location("make_dist", wb.SOURCE_DIR / "scripts" / "make_dist.py")
make_dist = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(make_dist)

VERSION = (wb.SOURCE_DIR / "VERSION").read_text().split()[0]


def quick_start_commands():
    """The vorbix-pack command lines of the README's quick start."""
    readme = (wb.SOURCE_DIR / "README.md").read_text(encoding="utf-8")
    section = readme[readme.index("## Quick start"):]
    section = section[:section.index("\n## ")]
    return [line.strip() for line in section.splitlines() if line.strip().startswith("bin/vorbix-pack ")]


def unpacked_bundle(stem="bundle"):
    """(zip, its names, the unpacked top directory) of a fresh bundle."""
    directory = wb.app_dir(stem)
    archive = make_dist.make(wb.NATIVE_DIR, wb.X86.build, wb.X64.build, directory / "dist")
    with zipfile.ZipFile(archive) as bundle:
        names = bundle.namelist()
        bundle.extractall(directory / "unpacked")
    top = directory / "unpacked" / f"vorbix-{VERSION}"
    (top / "bin" / "vorbix-pack").chmod(0o755)
    return archive, names, top


def run_packed_example(test, top, name, arch):
    """Runs a launcher packed from the example in the bundle's top directory
    with a test runtime of arch in jre\ beside it: the example's main ran,
    with the jar beside the launcher on its class path."""
    shutil.rmtree(top / "jre", ignore_errors=True)
    home = launchbed.make_runtime(top, arch=arch, name="jre")
    r = wb.run(top / name, "/run", stdin=b"")
    test.assertEqual(r.code, 0, r)
    lines = launchbed.records(home)
    test.assertTrue(any(line.startswith("main ") for line in lines), lines)
    test.assertIn("com.example.hello.HelloService", "\n".join(lines))
    class_path = [o for o in launchbed.options(lines) if o.startswith("-Djava.class.path=")]
    test.assertTrue(class_path and class_path[0].endswith(wb.windows_path(top / "hello-service.jar")), class_path)


class Bundle(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip, cls.names, cls.top = unpacked_bundle()

    def test_it_holds_the_programs_docs_example_and_licenses(self):
        self.assertEqual(self.zip.name, f"vorbix-{VERSION}.zip")
        self.assertTrue(all(name.startswith(f"vorbix-{VERSION}/") for name in self.names))
        for name in ("LICENSE", "NOTICE", "README.md", "bin/vorbix-pack", "bin/vorbix-pack.exe", "bin/launcher.exe",
                     "bin/launcher64.exe", "bin/vorbix-runtime.jar", "bin/vorbix-runtime-sources.jar",
                     "docs/configuration.md", "docs/signing.md", "docs/vorbix-pack.schema.json",
                     "examples/hello-service/hello-service.json", "examples/hello-service/hello-service.jar"):
            self.assertIn(f"vorbix-{VERSION}/{name}", self.names)
        self.assertEqual((self.top / "bin" / "launcher64.exe").read_bytes(), wb.X64.launcher.read_bytes())
        notice = (self.top / "NOTICE").read_text()
        for component in ("nlohmann/json", "CLI11", "zlib", "mingw-w64", "GCC Runtime Library Exception"):
            self.assertIn(component, notice)
        with zipfile.ZipFile(self.zip) as bundle:
            sources = zipfile.ZipFile(bundle.open(f"vorbix-{VERSION}/bin/vorbix-runtime-sources.jar"))
            self.assertTrue(any(n.endswith("WinLauncher.java") for n in sources.namelist()))
        self.assertLess(self.zip.stat().st_size, 4 << 20)
        r = wb.run_pack("--version", pack=self.top / "bin" / "vorbix-pack")
        self.assertEqual(r.stdout.strip(), f"vorbix-pack {VERSION}", r)
        r = wb.run(self.top / "bin" / "vorbix-pack.exe", "--version")
        self.assertEqual(r.stdout.strip(), f"vorbix-pack {VERSION}", r)

    def test_the_readme_builds_the_example_package(self):
        readme = (wb.SOURCE_DIR / "README.md").read_text(encoding="utf-8")
        command = next(line for line in readme.splitlines() if line.startswith("bin/vorbix-pack msi "))
        r = subprocess.run(shlex.split(command), cwd=self.top, capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, f"{command}\n{r.stdout}{r.stderr}")
        self.assertGreater((self.top / shlex.split(command)[-1]).stat().st_size, 100000)

    def test_the_quick_start_packs_and_runs_the_example(self):
        commands = quick_start_commands()
        self.assertEqual([c.split()[1] for c in commands], ["init", "build"])
        for command in commands:
            r = subprocess.run(shlex.split(command), cwd=self.top, capture_output=True, text=True, timeout=120)
            self.assertEqual(r.returncode, 0, f"{command}\n{r.stdout}{r.stderr}")
        exe = self.top / "HelloService.exe"
        # The same build with the bundle's Windows tool gives the same bytes.
        build = shlex.split(commands[-1])
        r = wb.run(self.top / "bin" / "vorbix-pack.exe", *build[1:-1], "Windows.exe", cwd=self.top)
        self.assertEqual(r.code, 0, r)
        self.assertEqual((self.top / "Windows.exe").read_bytes(), exe.read_bytes())
        # And the example's own complete configuration.
        r = subprocess.run([str(self.top / "bin" / "vorbix-pack"), "build", "examples/hello-service/hello-service.json",
                            "-o", "Example.exe"], cwd=self.top, capture_output=True, text=True, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)

        # Step 3: the jar beside the executable, a (test) runtime in jre\.
        # Both configurations say nothing of the architecture: both take the
        # 64-bit launcher (the 32-bit one: test_bundle_x86).
        shutil.copy(self.top / "examples" / "hello-service" / "hello-service.jar", self.top)
        for name in ("HelloService.exe", "Example.exe"):
            with self.subTest(name):
                self.assertEqual(wb.run_pack("inspect", self.top / name).stdout.count('"architecture": "x64"'), 1)
                run_packed_example(self, self.top, name, wb.X64)
        values = wb.driver_values(wb.run(wb.X64.fixtures / "resource_probe.exe", exe))
        self.assertEqual(values.get("FileDescription"), ["HelloService"])


if __name__ == "__main__":
    unittest.main()
