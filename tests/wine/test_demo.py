"""The main job's round trip (scripts/demo_round_trip.py) in the test run's
prefix: the example's config packed with vorbix-pack, the test runtime beside
it, the service installed, started, stopped and removed."""
import importlib.util
import json
import unittest

import winebed as wb

module_spec = importlib.util.spec_from_file_location("demo_round_trip", wb.SOURCE_DIR / "scripts" / "demo_round_trip.py")
demo = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(demo)


class DemoRoundTrip(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("demo")
        self.service = wb.unique("vbxdemo")
        self.exe = demo.pack(self.dir, wb.NATIVE_DIR, wb.WIN_DIR, service_name=self.service, architecture=wb.ARCH.name)
        self.home = demo.lay_out_test_runtime(self.dir, wb.WIN_DIR)

    def tearDown(self):
        wb.remove_service(self.service)

    def test_round_trip_of_the_example(self):
        trip = demo.RoundTrip(self.exe, self.home)
        self.assertTrue(trip.run(), trip.problems)
        # Uninstalled means gone from the service control manager.
        self.assertIsNone(wb.service_status(self.service))

    def test_the_example_carries_the_runtime_archive_last(self):
        r = wb.run_pack("inspect", self.exe)
        self.assertEqual(r.code, 0, r)
        shown = json.loads(r.stdout)
        self.assertEqual(shown["launcherFlavour"], "e")
        self.assertEqual([f["name"] for f in shown["includedFiles"]], ["vorbix-runtime.jar"])
        self.assertEqual(shown["includedFiles"][0]["size"], (wb.NATIVE_DIR / "java" / "vorbix-runtime.jar").stat().st_size)
        self.assertIs(shown["runtimeArchive"], False)
        self.assertEqual(shown["architecture"], wb.ARCH.name)


if __name__ == "__main__":
    unittest.main()
