"""Unknown verbs (case matters; a dash before a slash keeps the slash in the
verb) go to the service dispatcher too: nothing printed, exit code 0."""
import unittest
from concurrent.futures import ThreadPoolExecutor

import winebed as wb


class UnknownVerb(unittest.TestCase):
    def test_verbs_that_are_not_verbs(self):
        d = wb.app_dir("unknownverb")
        service = wb.unique("vbxunknown")
        exe = wb.raw_launcher(d, wb.raw_block(base=[(101, service)]))
        cases = [("-/status",), ("/INSTALL",)]
        with ThreadPoolExecutor(len(cases)) as pool:
            results = list(pool.map(lambda args: wb.run(exe, *args, timeout=60), cases))
        for args, r in zip(cases, results):
            with self.subTest(args=args):
                self.assertEqual((r.code, r.stdout), (0, ""), r)
        self.assertIsNone(wb.service_config(service))


if __name__ == "__main__":
    unittest.main()
