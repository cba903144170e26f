"""vorbix-pack msi: the package installed, upgraded and removed by Wine's
msiexec. The package registers the service through the launcher itself
(/install, as a deferred custom action), so the program path is quoted
whatever the installer would write, and every service setting is applied
as /install applies it; a refused setting rolls the whole install back.

Wine's service control manager keeps no recovery actions and refuses a
delayed start (see test_service_settings.py): the account, description and
pre-shutdown time are read back where Wine keeps them; the refused delayed
start is the failing custom action."""
import importlib.util
import json
import os
import re
import shutil
import subprocess
import unittest

import launchbed
import winebed as wb

module_spec = importlib.util.spec_from_file_location("demo_msi", wb.SOURCE_DIR / "scripts" / "demo_msi.py")
demo_msi = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(demo_msi)

SERVICE_RUNNING = 4
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# The 64-bit launcher's package installs into the 64-bit Program Files, the
# 32-bit one's into Program Files (x86) where there is one.
PROGRAM_FILES = ("Program Files (x86)" if wb.ARCH is wb.X86 and (wb.drive_c() / "Program Files (x86)").exists()
                 else "Program Files")


def msiexec(*args):
    return wb.run("msiexec", *args, "/qn", timeout=300)


class Package(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("msi")
        self.service = wb.unique("vbxmsi")
        self.product = f"Msi Probe {self.service}"
        self.install_dir = wb.drive_c() / PROGRAM_FILES / "Vbx Tests" / self.product
        # The test runtime goes into the package as jre\; its VM runs until the stop line.
        launchbed.make_runtime(self.dir, control=["readstdin"], name="jre")
        (self.dir / "app.jar").write_bytes(b"PK not really a jar")
        (self.dir / "app.ico").write_bytes(wb.icon_file([(16, (0, 0, 255, 255))]))
        self.packages = []
        self.addCleanup(self.remove_everything)

    def remove_everything(self):
        for msi in reversed(self.packages):
            msiexec("/x", msi)
        wb.remove_service(self.service)

    def config(self, version, extra_files=(), **settings):
        config = {
            "serviceName": self.service, "companyName": "Vbx Tests", "productName": self.product,
            "version": version, "architecture": wb.ARCH.name, "executableType": 4,
            "serviceDescription": "Installed from a package.", "serviceAccount": "LocalService",
            "preshutdownTimeout": 30, "failureActions": {"resetSeconds": 60, "actions": [{"type": "restart", "delayMs": 1000}]},
            "launcherFlavour": "e", "mainClass": "com.example.Main",
            "classPath": [{"type": "A", "required": True, "value": "app.jar"}],
            "jvmSearchSequence": [{"type": "R", "value": "jre"}], "icon": "app.ico",
            "installer": {"files": [{"source": "app.jar"}, {"source": "jre"}, *extra_files]},
        }
        config.update(settings)
        return config

    def build(self, config, name):
        """Packs the configuration into NAME.msi; returns the package, the
        launcher it holds and its product code."""
        path = self.dir / f"{name}.json"
        path.write_text(json.dumps(config), encoding="utf-8")
        (self.dir / name).mkdir()
        r = wb.run_pack("msi", path, "-o", self.dir / f"{name}.msi", "--wxs", self.dir / name / "package.wxs",
                        "--stub", wb.LAUNCHER)
        self.assertEqual(r.code, 0, r)
        self.assertRegex(r.stdout, r"(?m)^upgrade code \{[0-9A-F-]{36}\}")
        code = re.search(r'<Product Id="([0-9A-F-]{36})"', (self.dir / name / "package.wxs").read_text()).group(1)
        return self.dir / f"{name}.msi", self.dir / name / f"{self.service}.exe", "{" + code + "}"

    def installed_files(self):
        """The files below the install directory but the test runtime's own
        records, which it writes beside itself and the package never installed."""
        return sorted(str(p.relative_to(self.install_dir)) for p in self.install_dir.rglob("*")
                      if p.is_file() and p.name not in ("jvm.record", "runs.txt"))

    def runtime_records(self):
        return launchbed.records(self.install_dir / "jre")

    def test_install_upgrade_and_uninstall(self):
        (self.dir / "old.txt").write_text("only in 1.0")
        (self.dir / "new.txt").write_text("only in 1.1")
        first, first_exe, first_code = self.build(self.config("1.0.0", [{"source": "old.txt", "name": "conf\\old.txt"}]), "v1")
        second, second_exe, second_code = self.build(self.config("1.1.0", [{"source": "new.txt", "name": "conf\\new.txt"}]), "v2")
        self.assertNotEqual(first_code, second_code)

        # Install: the service registered by the launcher, quoted, with its settings, and started.
        self.packages.append(first)
        r = msiexec("/i", first)
        self.assertEqual(r.code, 0, r)
        exe = self.install_dir / f"{self.service}.exe"
        config = wb.service_config(self.service)
        self.assertIsNotNone(config, "no service after the install")
        self.assertEqual(config["binpath"], f'"{wb.windows_path(exe)}"')
        self.assertEqual(config["account"], r"NT AUTHORITY\LocalService")
        self.assertEqual(config["description"], "Installed from a package.")
        self.assertEqual(config["starttype"], "2")
        self.assertEqual(wb.reg_query(f"{wb.SERVICES_KEY}\\{self.service}", "PreshutdownTimeout"), "0x7530")
        status = wb.wait_for_state(self.service, SERVICE_RUNNING)
        self.assertEqual(status["state"], SERVICE_RUNNING, status)
        first_pid = status["pid"]
        wb.wait_until(lambda: any(line.startswith("main ") for line in self.runtime_records()))
        self.assertEqual(self.installed_files(), sorted([f"{self.service}.exe", "app.jar", "conf/old.txt",
                                                         *[f"jre/{p.relative_to(self.dir / 'jre')}" for p in
                                                           (self.dir / "jre").rglob("*") if p.is_file()]]))
        self.assertEqual(exe.read_bytes(), first_exe.read_bytes())
        entry = f"{UNINSTALL_KEY}\\{first_code}"
        self.assertEqual(wb.reg_query(entry, "DisplayName"), self.product)
        self.assertEqual(wb.reg_query(entry, "Publisher"), "Vbx Tests")
        self.assertEqual(wb.reg_query(entry, "DisplayVersion"), "1.0.0")
        # The icon of Apps & features, which the installer keeps for the product.
        icon = wb.drive_c() / "windows" / "Installer" / first_code / "product.ico"
        self.assertEqual(icon.read_bytes(), (self.dir / "app.ico").read_bytes())

        # Upgrade while it runs: the old service stopped and removed, the new program started, one service.
        self.packages.append(second)
        r = msiexec("/i", second)
        self.assertEqual(r.code, 0, r)
        self.assertFalse((self.install_dir / "conf" / "old.txt").exists())
        self.assertTrue((self.install_dir / "conf" / "new.txt").exists())
        self.assertEqual(exe.read_bytes(), second_exe.read_bytes())
        status = wb.wait_for_state(self.service, SERVICE_RUNNING)
        self.assertEqual(status["state"], SERVICE_RUNNING, status)
        self.assertNotEqual(status["pid"], first_pid)
        self.assertTrue(wb.process_ended(first_pid), "the old service process still runs")
        self.assertEqual(wb.service_config(self.service)["binpath"], f'"{wb.windows_path(exe)}"')
        services = wb.reg("query", wb.SERVICES_KEY).stdout
        self.assertEqual(len(re.findall(rf"\\{self.service}$", services, re.I | re.M)), 1, services)
        self.assertIsNone(wb.reg_query(entry, "DisplayName"))
        self.assertEqual(wb.reg_query(f"{UNINSTALL_KEY}\\{second_code}", "DisplayVersion"), "1.1.0")
        # The new program serves: its stop line reaches the VM of this start.
        self.assertEqual(self.runtime_records().count("stdin end"), 1, self.runtime_records())
        # The older package is refused and changes nothing.
        self.assertNotEqual(msiexec("/i", first).code, 0)
        self.assertEqual(wb.service_status(self.service)["pid"], status["pid"])
        self.assertEqual(exe.read_bytes(), second_exe.read_bytes())

        # Uninstall: service, files and registration gone.
        second_pid = status["pid"]
        r = msiexec("/x", second)
        self.assertEqual(r.code, 0, r)
        self.assertIsNone(wb.service_config(self.service))
        self.assertIsNone(wb.reg_query(f"{wb.SERVICES_KEY}\\{self.service}"))
        self.assertTrue(wb.process_ended(second_pid))
        self.assertEqual(self.runtime_records().count("stdin end"), 2)
        self.assertEqual(self.installed_files(), [])
        self.assertIsNone(wb.reg_query(f"{UNINSTALL_KEY}\\{second_code}"))
        self.assertIsNone(wb.reg_query(f"{UNINSTALL_KEY}\\{first_code}"))
        self.assertFalse((wb.drive_c() / "windows" / "Installer" / second_code / "product.ico").exists())

    def test_a_refused_setting_rolls_the_install_back(self):
        # Wine refuses the delayed start: /install fails, so does the custom action.
        msi, _, code = self.build(self.config("2.0", delayedAutoStart=True), "refused")
        self.packages.append(msi)
        r = msiexec("/i", msi)
        self.assertNotEqual(r.code, 0, r)
        self.assertIsNone(wb.service_config(self.service))
        self.assertIsNone(wb.reg_query(f"{wb.SERVICES_KEY}\\{self.service}"))
        self.assertEqual(self.installed_files() if self.install_dir.exists() else [], [])
        self.assertIsNone(wb.reg_query(f"{UNINSTALL_KEY}\\{code}"))

    def test_bad_input_is_one_line_and_writes_nothing(self):
        good = self.config("1.0")
        cases = {
            "version": ({k: v for k, v in good.items() if k != "version"}, None, "version: required for a package"),
            "missing file": ({**good, "installer": {"files": [{"source": "gone.jar"}]}}, None, "not found"),
            "outside": ({**good, "installer": {"files": [{"source": "app.jar", "name": "..\\..\\x.jar"}]}}, None,
                        "leaves the install directory"),
            "no wixl": (good, {"PATH": str(self.dir / "empty")}, "install the Debian package wixl"),
        }
        for label, (config, env, message) in cases.items():
            with self.subTest(label):
                path = self.dir / "bad.json"
                path.write_text(json.dumps(config), encoding="utf-8")
                proc = subprocess.run([str(wb.PACK), "msi", str(path), "-o", str(self.dir / "bad.msi"), "--stub",
                                       str(wb.LAUNCHER)], capture_output=True, text=True, timeout=120,
                                      env={**os.environ, **(env or {})})
                self.assertEqual(proc.returncode, 2, proc)
                self.assertEqual(len(proc.stderr.strip().splitlines()), 1, proc.stderr)
                self.assertIn(message, proc.stderr)
                self.assertFalse((self.dir / "bad.msi").exists())
                self.assertEqual([p.name for p in self.dir.iterdir() if p.name.startswith((".bad", "bad.msi"))], [])

    def test_the_windows_tool_writes_the_source_and_the_same_launcher(self):
        if wb.ARCH is not wb.X64:
            self.skipTest("the Windows build of vorbix-pack is 64-bit and runs in the 64-bit prefix")
        shutil.copy(wb.NATIVE_DIR / "java" / "vorbix-runtime.jar", self.dir / "vorbix-runtime.jar")
        config = self.config("1.0", runtimeArchive="vorbix-runtime.jar")
        _, linux_exe, code = self.build(config, "linux")
        (self.dir / "windows").mkdir()
        r = wb.run(wb.X64.build / "vorbix-pack.exe", "msi", "linux.json", "-o", "windows\\app.msi", "--stub",
                   wb.windows_path(wb.LAUNCHER), cwd=self.dir)
        self.assertEqual(r.code, 0, r)
        self.assertIn("candle -arch x64 app.wxs && light app.wixobj -o app.msi", r.stdout)
        self.assertFalse((self.dir / "windows" / "app.msi").exists())
        source = (self.dir / "windows" / "app.wxs").read_text(encoding="utf-8")
        self.assertIn(f'<Product Id="{code[1:-1]}"', source)
        self.assertIn('Source="..\\jre\\bin\\java.exe"', source)
        self.assertEqual((self.dir / "windows" / linux_exe.name).read_bytes(), linux_exe.read_bytes())

    def test_the_demo_installs_and_removes_the_example(self):
        self.assertTrue(demo_msi.run(self.dir / "demo", wb.NATIVE_DIR, wb.WIN_DIR, self.service, wb.ARCH.name))
        self.assertIsNone(wb.service_config(self.service))


if __name__ == "__main__":
    unittest.main()
