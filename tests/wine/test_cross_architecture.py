# architectures: x64
# needs: 32-bit
"""Both launchers on one 64-bit system (a WoW64 prefix, where programs of
either architecture run): each takes only a runtime of its own architecture,
also when the other one comes first in its search sequence, says which one it
needed when none is there, and the two share the per-user version cache
without running the other's java.exe again."""
import unittest

import fake_runtime as fr
import launchbed as lb
import winebed as wb

NO_RUNTIME = "No Java runtime was found (code {0})"


class CrossArchitecture(unittest.TestCase):
    def launch(self, arch, offered, stem):
        """A launcher of arch searching the runtimes `offered` (absolute
        directory entries, in order); returns the launch and its result."""
        l = lb.Launch(stem=stem, arch=arch)
        sequence = [{"type": "A", "value": wb.windows_path(home)} for home in offered]
        r = l.run({"jvmSearchSequence": sequence, "messages": {"1016": NO_RUNTIME}},
                  env={"VORBIX_JAVA_HOME": ""})
        return l, r

    def test_each_launcher_takes_only_its_own_architecture(self):
        for arch, other in ((wb.X86, wb.X64), (wb.X64, wb.X86)):
            with self.subTest(launcher=arch.name):
                shared = wb.app_dir("runtimes")
                own = lb.make_runtime(shared, arch=arch, name="own", version="17.0.2")
                foreign = lb.make_runtime(shared, arch=other, name="foreign", version="21.0.1")

                # Only the other architecture: refused by its machine, and the
                # message names the bitness this launcher needs.
                l, r = self.launch(arch, [foreign], "alone")
                self.assertEqual(r.code, 1, r)
                self.assertIn(NO_RUNTIME.format(arch.bits), r.stderr, r)
                self.assertIn(f"got version from execution 21.0.1 {other.machine}", l.log())
                self.assertEqual(lb.records(foreign), [])
                self.assertEqual(fr.runs(foreign / "bin"), 1)

                # Both, the other first: the own one is taken and its VM runs.
                l, r = self.launch(arch, [foreign, own], "both")
                self.assertEqual(r.code, 0, r)
                self.assertTrue(any(line.startswith("main ") for line in lb.records(own)), lb.records(own))
                self.assertEqual(lb.records(foreign), [])
                # The foreign one came from the cache this time, refused by its
                # cached machine without running its java.exe again.
                self.assertIn(f"got version from registry 21.0.1 {other.machine}", l.log())
                self.assertEqual(fr.runs(foreign / "bin"), 1)

    def test_the_version_cache_is_shared_and_keyed_by_the_executable(self):
        shared = wb.app_dir("cache")
        x86 = lb.make_runtime(shared, arch=wb.X86, name="x86", version="1.8.0_291")
        x64 = lb.make_runtime(shared, arch=wb.X64, name="x64", version="17.0.2")
        # The 64-bit launcher caches both, in its search order.
        l, r = self.launch(wb.X64, [x86, x64], "fill")
        self.assertEqual(r.code, 0, r)
        for home, arch in ((x86, wb.X86), (x64, wb.X64)):
            key = fr.cache_key(wb.windows_path(home / "bin" / "java.exe"))
            self.assertEqual(int(wb.reg_query(key, "Machine"), 16), arch.machine)
        # The 32-bit launcher finds the 64-bit runtime in the cache, refuses
        # it without running it, and takes its own from the cache as well.
        l, r = self.launch(wb.X86, [x64, x86], "use")
        self.assertEqual(r.code, 0, r)
        self.assertIn(f"got version from registry 17.0.2 {wb.X64.machine}", l.log())
        self.assertIn(f"got version from registry 1.8.0_291 {wb.X86.machine}", l.log())
        self.assertEqual((fr.runs(x86 / "bin"), fr.runs(x64 / "bin")), (1, 1))
        self.assertTrue(any(line.startswith("main ") for line in lb.records(x86)))


if __name__ == "__main__":
    unittest.main()
