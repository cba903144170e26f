"""The 64-bit-only path, forced on any machine: the probe's answers, how the
test bed starts a program of each kind, a test that needs 32-bit code ending
as skipped (exit 77, with its reason) where it cannot run, and the closing
summary of scripts/test naming what was skipped and why."""
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ["VBX_SOURCE_DIR"])
sys.path.insert(0, str(SOURCE_DIR / "tests" / "wine"))
import winerun  # noqa: E402

PROBE = SOURCE_DIR / "scripts" / "probe32"
BUILDS = {"x86": Path(os.environ["VBX_WIN32_DIR"]), "x64": Path(os.environ["VBX_WIN64_DIR"])}


def probe(mode, **env):
    proc = subprocess.run([str(PROBE), mode], capture_output=True, text=True, env={**os.environ, **env}, timeout=60)
    return proc.returncode, proc.stdout.strip()


class MachineProbe(unittest.TestCase):
    def test_probe_answers(self):
        kernel_code, kernel_answer = probe("kernel", VBX_NO_32BIT="")
        self.assertIn(kernel_code, (0, 1))
        self.assertTrue(kernel_answer.startswith("yes: " if kernel_code == 0 else "no: "), kernel_answer)
        cases = [  # mode, environment, exit code, answer
            ("kernel", {"VBX_NO_32BIT": "1"}, 1, "no: VBX_NO_32BIT is set"),
            ("wine", {"VBX_NO_32BIT": "1"}, 1, "no: VBX_NO_32BIT is set"),
            ("wine", {"VBX_NO_32BIT": "", "VBX_WINE32_LOADER": "/nonexistent/wine"}, 1,
             "no: 32-bit Wine (wine32:i386) is not installed" if kernel_code == 0 else kernel_answer),
        ]
        for mode, env, code, answer in cases:
            with self.subTest(mode=mode, env=env):
                self.assertEqual(probe(mode, **env), (code, answer))

    def test_each_program_starts_through_its_loader(self):
        cases = [  # program, WINEARCH, the loader, WINELOADER
            (BUILDS["x64"] / "launcher.exe", "win64", winerun.WINE64, winerun.WINE64),
            (BUILDS["x86"] / "launcher.exe", "win64", "wine", None),
            (BUILDS["x64"] / "launcher.exe", "win32", "wine", None),
            ("wineboot", "win64", winerun.WINE64, winerun.WINE64),
            ("Z:" + str(BUILDS["x86"] / "launcher.exe").replace("/", "\\"), "win64", "wine", None),
        ]
        for program, arch, loader, wineloader in cases:
            with self.subTest(program=str(program), arch=arch):
                argv, env = winerun.command(program, ["/x"], {"WINEARCH": arch, "WINELOADER": "inherited"})
                self.assertEqual(argv, [loader, str(program), "/x"])
                self.assertEqual(env.get("WINELOADER"), wineloader)

    def test_a_test_that_needs_32_bit_code_is_skipped_where_it_cannot_run(self):
        script = "import winebed; print('ran')"
        for answer, code, said in (("no", 77, "skipped: this test runs 32-bit Windows programs, which cannot run here: why"),
                                   ("yes", 0, "ran")):
            with self.subTest(answer=answer):
                env = {**os.environ, "VBX_NEEDS_32BIT": "this test", "VBX_WINE32": answer, "VBX_WINE32_WHY": "why",
                       "PYTHONPATH": str(SOURCE_DIR / "tests" / "wine")}
                proc = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env=env,
                                      timeout=60)
                self.assertEqual((proc.returncode, proc.stdout.strip()), (code, said), proc.stderr)

    def test_summary_names_the_skipped_tests_and_the_tiers(self):
        report = """<testsuite>
          <testcase name="ParseVersion.Forms" status="run"/>
          <testcase name="wine.win64.demo" status="run"/>
          <testcase name="wine.win64.cross_architecture" status="notrun"><skipped message="SKIP_RETURN_CODE=77"/>
            <system-out>skipped: this test runs 32-bit Windows programs, which cannot run here: no wine32
</system-out></testcase>
          <testcase name="wine.demo" status="notrun"><skipped/>
            <system-out>skipped: the 32-bit launcher's tier runs 32-bit Windows programs, which cannot run here: no wine32
</system-out></testcase>
          <testcase name="realvm.options" status="fail"><failure message="Failed"/></testcase>
        </testsuite>"""
        with tempfile.NamedTemporaryFile("w", suffix=".xml", delete=False) as f:
            f.write(report)
        try:
            proc = subprocess.run([sys.executable, str(SOURCE_DIR / "scripts" / "test_summary.py"), f.name],
                                  capture_output=True, text=True, timeout=60)
        finally:
            os.unlink(f.name)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertEqual(proc.stdout.strip().splitlines(), [
            "skipped: wine.win64.cross_architecture: this test runs 32-bit Windows programs, which cannot run here: "
            "no wine32",
            "skipped: wine.demo: the 32-bit launcher's tier runs 32-bit Windows programs, which cannot run here: "
            "no wine32",
            "tiers: unit ran (1 tests), Wine x64 ran (1 tests, 1 skipped: no wine32), Wine x86 skipped (no wine32), "
            "realvm ran (1 tests, 1 failing)",
        ])


if __name__ == "__main__":
    unittest.main()
