"""Without a recognised verb the process goes to the service dispatcher,
which fails outside the service control manager (under Wine after about
10 s); the process prints nothing and exits with 0. Kept apart from the
other cases so that ctest runs the slow calls in parallel."""
import unittest
from concurrent.futures import ThreadPoolExecutor

import winebed as wb


class NoVerb(unittest.TestCase):
    def test_no_argument_and_word_without_prefix(self):
        d = wb.app_dir("noverb")
        service = wb.unique("vbxnoverb")
        exe = wb.raw_launcher(d, wb.raw_block(base=[(101, service)]))
        cases = [(), ("install",)]
        with ThreadPoolExecutor(len(cases)) as pool:
            results = list(pool.map(lambda args: wb.run(exe, *args, timeout=60), cases))
        for args, r in zip(cases, results):
            with self.subTest(args=args):
                self.assertEqual((r.code, r.stdout), (0, ""), r)
        self.assertIsNone(wb.service_config(service))


if __name__ == "__main__":
    unittest.main()
