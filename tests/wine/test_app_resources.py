"""The application's version information and icon in a packed launcher, as
Windows reads them (GetFileVersionInfoW, VerQueryValueW, ExtractIconExW,
LoadImageW through the resource_probe fixture), and code signing after
packing: osslsigncode signs and verifies it, the signed launcher still finds
its block and runs, and inspect of the signed file builds the unsigned bytes
again."""
import json
import shutil
import subprocess
import unittest

import launchbed
import winebed as wb

PROBE = wb.FIXTURES / "resource_probe.exe"


# Red at 16x16, green at 32x32 (blue, green, red, alpha).
ICON = wb.icon_file([(16, (0, 0, 255, 255)), (32, (0, 255, 0, 255))])
VERSION_KEYS = {"version": "2.7.1.40", "productName": "Hello Produkt \u2713", "companyName": "Example Co",
                "fileDescription": "Hello Service", "copyright": "\u00a9 2026 Example Co"}


def probe(exe):
    r = wb.run(PROBE, exe)
    values = wb.driver_values(r)
    return r, {k: v[-1] for k, v in values.items()}


class VersionAndIcon(unittest.TestCase):
    def test_windows_reads_the_version_strings_and_picks_the_icon_by_size(self):
        directory = wb.app_dir("res")
        config = {"serviceName": wb.unique("svc"), "icon": "app.ico", **VERSION_KEYS}
        exe = wb.pack(config, directory, files={"app.ico": ICON})
        r, values = probe(exe)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(values["fixed"], "2.7.1.40")
        self.assertEqual(values["translation"], "040904b0")
        self.assertEqual({k: values.get(k) for k in ("FileVersion", "ProductVersion", "ProductName", "CompanyName",
                                                     "FileDescription", "LegalCopyright")},
                         {"FileVersion": "2.7.1.40", "ProductVersion": "2.7.1.40", "ProductName": VERSION_KEYS["productName"],
                          "CompanyName": "Example Co", "FileDescription": "Hello Service",
                          "LegalCopyright": VERSION_KEYS["copyright"]})
        self.assertEqual(values["icons"], "1")
        self.assertEqual(values["icon16"], "16x16 ff0000")
        self.assertEqual(values["icon32"], "32x32 00ff00")

        # The block behind the new resource section is still found.
        r = wb.run(exe, "/?")
        self.assertEqual(r.code, 0, r)
        self.assertIn("Usage:", r.stdout)

        # inspect gives the keys and the icon back; building again gives the same bytes.
        out = directory / "out"
        r = wb.run_pack("inspect", exe, "--extract", out / "files", "-o", out / "app.json")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(r.stderr, "")
        shown = json.loads((out / "app.json").read_text(encoding="utf-8"))
        self.assertEqual({k: shown[k] for k in VERSION_KEYS}, VERSION_KEYS)
        self.assertEqual(shown["icon"], "files/icon.ico")
        self.assertEqual((out / "files" / "icon.ico").read_bytes(), ICON)
        again = directory / "again.exe"
        r = wb.run_pack("build", out / "app.json", "-o", again)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(again.read_bytes(), exe.read_bytes())

    def test_a_launcher_without_the_keys_has_no_resources(self):
        exe = wb.pack({"serviceName": wb.unique("svc")}, wb.app_dir("res"))
        r, values = probe(exe)
        self.assertTrue(values["version"].startswith("none"), r)
        self.assertEqual(values["icons"], "0")


class Signing(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("sign")

    def osslsigncode(self, *args):
        return subprocess.run(["osslsigncode", *map(str, args)], capture_output=True, text=True, timeout=120)

    def test_signed_launcher_verifies_runs_and_inspects_back_to_the_unsigned_bytes(self):
        # A throw-away certificate for this test only.
        key, cert = self.dir / "key.pem", self.dir / "cert.pem"
        made = subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
                               "-out", str(cert), "-days", "2", "-subj", "/CN=vorbix test signer"],
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(made.returncode, 0, made.stderr)

        launch = launchbed.Launch("signed")
        config = {"mainClass": "com.example.Signed", "fileDescription": "Signed", "version": "1.0",
                  "icon": "app.ico", "includedFiles": [{"name": "data.txt", "source": "data.txt"}]}
        (launch.dir / "app.ico").write_bytes(ICON)
        (launch.dir / "data.txt").write_text("carried along\n")
        r = launch.run(config)
        self.assertEqual(r.code, 0, r)
        unsigned = launch.exe.read_bytes()
        verified = self.osslsigncode("verify", "-in", launch.exe)
        self.assertNotIn("invalid PE checksum", verified.stdout + verified.stderr)

        signed = launch.dir / "signed.exe"
        r = self.osslsigncode("sign", "-certs", cert, "-key", key, "-n", "Signed", "-in", launch.exe, "-out", signed)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        r = self.osslsigncode("verify", "-CAfile", cert, "-in", signed)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn("Signature verification: ok", r.stdout)

        # The signed launcher finds its block and its included files, and starts the VM.
        shutil.copy(signed, launch.exe)
        (launch.home / "bin" / "server" / "jvm.record").unlink()
        result = wb.run(launch.exe, "/run", env={"VORBIX_JAVA_HOME": wb.windows_path(launch.home)})
        self.assertEqual(result.code, 0, result)
        lines = launchbed.records(launch.home)
        self.assertTrue(any(line.startswith("main ") for line in lines), lines)
        self.assertIn("com.example.Signed", "\n".join(lines))

        r = wb.run_pack("inspect", launch.exe)
        self.assertEqual(r.code, 0, r)
        shown = json.loads(r.stdout)
        self.assertEqual(shown["signature"]["size"] + shown["signature"]["offset"], len(signed.read_bytes()))
        self.assertEqual([f["name"] for f in shown["includedFiles"]], ["data.txt", "vorbix-runtime.jar"])

        out = self.dir / "out"
        r = wb.run_pack("inspect", launch.exe, "--extract", out / "files", "-o", out / "app.json")
        self.assertEqual(r.code, 0, r)
        self.assertEqual((out / "files" / "data.txt").read_text(), "carried along\n")
        for stub in ([], ["--stub", launch.exe]):
            with self.subTest(stub=bool(stub)):
                again = self.dir / "again.exe"
                r = wb.run_pack("build", out / "app.json", "-o", again, *stub)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(again.read_bytes(), unsigned)


if __name__ == "__main__":
    unittest.main()
