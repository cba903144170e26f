"""Reinstall, uninstall and /info under Wine's service control manager:
a reinstall refused half-way puts the previous service back, /install-and-start
starts nothing after a failed install, /uninstall takes back only the logon
right /install gave, and /info reads back what /install set.

Wine keeps no failure actions and refuses the delayed start (124), which is
the refused setting used here. Its account database always answers that an
account has no rights, so every install of an explicit user grants (and
records) the right; a right the install did not grant is an install without
the record. Which rights were given and taken back is seen in the relay trace
of advapi32, since Wine's LSA functions keep nothing."""
import re
import unittest

import winebed as wb

SERVICE_RUNNING, SERVICE_STOPPED = 4, 1
RECORD = "VorbixGrantedLogonRight"
PASSWORD = "Pw-reinstall-1"
REFUSED = {"executableType": 4, "delayedAutoStart": True}
REFUSAL = "setting the delayed start failed (error 124): "


class Reinstall(wb.AdvapiTraceCase):
    stem = "reinstall"

    def service(self):
        name = wb.unique("vbxre")
        self.names.append(name)
        return name

    def launcher(self, service, version, extra):
        config = {"serviceName": service, **extra}
        return wb.pack(config, self.dir / service / version, name=f"{version}.exe")

    def run_traced(self, exe, *args):
        """Runs with a relay trace; returns the result and the calls into advapi32."""
        r = wb.run_start(exe, *args, env={"WINEDEBUG": wb.RELAY_DEBUG, "VORBIX_SERVICE_PASSWORD": PASSWORD},
                         timeout=120)
        return r, wb.relay_calls(r.stderr)

    def key(self, service, value):
        return wb.reg_query(f"{wb.SERVICES_KEY}\\{service}", value)

    def point_at_standin(self, exe, service):
        # The worker started is "<exe>_w", which stays until its input ends.
        (exe.parent / "worker_mode.txt").write_text("stdin 0")
        (exe.parent / (exe.name + "_w")).write_bytes(wb.STANDIN_WORKER.read_bytes())
        self.assertNotIn("error", wb.scm_probe("binpath", service, f'"{wb.windows_path(exe)}"_w'))

    def test_a_refused_reinstall_puts_the_previous_service_back(self):
        user = f".\\{wb.user_name()}"
        cases = [
            # label, previous version's settings, runs before, what the restore says
            ("running, virtual account, every readable setting",
             {"executableType": 4, "serviceDescription": "Version 1", "serviceDependencies": "a,b",
              "serviceAccount": "virtual", "preshutdownTimeout": 30}, True, "Restored the previous service '{s}'.\n"),
            ("stopped, a user's account",
             {"serviceDescription": "Version 1", "serviceAccount": user}, False,
             "Restored the previous service '{s}' without the password of its account '" + user + "': set the "
             "password in the service's properties before it starts.\n"),
        ]
        values = ("ImagePath", "Start", "DisplayName", "ObjectName", "Description", "DependOnService",
                  "PreshutdownTimeout", RECORD)
        for label, previous, running, restored in cases:
            with self.subTest(label):
                service = self.service()
                old = self.launcher(service, "v1", previous)
                new = self.launcher(service, "v2", {**REFUSED, "serviceDescription": "Version 2"})
                self.assertEqual(wb.run(old, "/install", env={"VORBIX_SERVICE_PASSWORD": PASSWORD}).code, 0)
                self.point_at_standin(old, service)
                if running:
                    self.assertEqual(wb.run_start(old, "/start").code, 0)
                    wb.wait_for_state(service, SERVICE_RUNNING)
                info = wb.run(old, "/info")
                stored = {value: self.key(service, value) for value in values}
                self.assertEqual(stored["ImagePath"], f'"{wb.windows_path(old)}"_w')

                r, calls = self.run_traced(new, "/install")
                self.assertEqual(r.code, 1, r)
                lines = r.stdout.splitlines(keepends=True)
                stop = [f"Stopping service '{service}'.\n", "Service stopped\n"] if running else \
                    ["Service is already stopped.\n"]
                self.assertEqual(lines[:len(stop)], stop, r.stdout)
                self.assertTrue(lines[len(stop)].startswith(f"Could not install service '{service}': {REFUSAL}"),
                                r.stdout)
                self.assertEqual(lines[len(stop) + 1:],
                                 [restored.format(s=service)] + ([f"Starting service '{service}'.\n"] if running else []))
                # The right the previous install recorded stays given.
                self.assertNotIn("LsaRemoveAccountRights", [c.function for c in calls])

                self.assertEqual({value: self.key(service, value) for value in values}, stored)
                if running:
                    wb.wait_for_state(service, SERVICE_RUNNING)
                self.assertEqual(wb.run(old, "/info").stdout, info.stdout)
                if not running:  # startable: the stand-in worker runs under Wine's one user
                    continue
                r = wb.run(old, "/stop")
                self.assertEqual(r.stdout, f"Stopping service '{service}'.\nService stopped\n", r)
                r = wb.run_start(old, "/start")
                self.assertEqual((r.code, r.stdout), (0, f"Starting service '{service}'.\n"), r)
                self.assertEqual(wb.wait_for_state(service, SERVICE_RUNNING)["state"], SERVICE_RUNNING)

    def test_install_and_start_after_a_refused_setting_starts_nothing(self):
        for label, installed in (("fresh", False), ("over an installed service", True)):
            with self.subTest(label):
                service = self.service()
                if installed:
                    old = self.launcher(service, "v1", {})
                    self.assertEqual(wb.run(old, "/install").code, 0)
                new = self.launcher(service, "v2", REFUSED)
                r, calls = self.run_traced(new, "/install-and-start")
                self.assertEqual(r.code, 1, r)
                self.assertIn(f"Could not install service '{service}': {REFUSAL}", r.stdout)
                self.assertNotIn("Starting", r.stdout)
                self.assertNotIn("StartServiceW", [c.function for c in calls])
                if installed:
                    self.assertTrue(r.stdout.endswith(f"Restored the previous service '{service}'.\n"), r.stdout)
                    self.assertEqual(wb.service_config(service)["binpath"], f'"{wb.windows_path(old)}"')
                    self.assertEqual(wb.service_status(service)["state"], SERVICE_STOPPED)
                else:
                    self.assertIsNone(wb.service_config(service))

    def test_uninstall_takes_back_only_the_right_install_gave(self):
        # Wine knows no account but its one user, under which
        # test_service_settings installs services too: the two never run at
        # once (a resource lock of their ctest tests), since such a service
        # would count as another one of the account.
        account = {"serviceAccount": f".\\{wb.user_name()}"}
        # Steps: (service index, verb, extra settings, expected rights calls, a
        # text of the output; None: it says nothing about the right)
        cases = [
            ("granted, then taken back", [
                (0, "/install", {}, ["LsaAddAccountRights"], "Installed"),
                (0, "/uninstall", {}, ["LsaRemoveAccountRights"], "Took back the right of "),
            ]),
            ("not granted by the install, kept", [
                (0, "/install", {}, ["LsaAddAccountRights"], "Installed"),
                (0, "forget", {}, [], None),
                (0, "/uninstall", {}, [], None),
            ]),
            ("kept while another service runs under the account", [
                (0, "/install", {}, ["LsaAddAccountRights"], "Installed"),
                (1, "/install", {}, ["LsaAddAccountRights"], "Installed"),
                (0, "/uninstall", {}, [], "Kept the right of "),
                (1, "/uninstall", {}, ["LsaRemoveAccountRights"], "Took back the right of "),
            ]),
            ("a failed install takes back what it gave", [
                (0, "/install", REFUSED, ["LsaAddAccountRights", "LsaRemoveAccountRights"], REFUSAL),
            ]),
        ]
        for label, steps in cases:
            with self.subTest(label):
                services = [self.service(), self.service()]
                for index, verb, extra, rights, text in steps:
                    service = services[index]
                    if verb == "forget":
                        # As when the account had the right before the install.
                        self.assertTrue(self.key(service, RECORD).startswith("S-1-"))
                        wb.reg_delete(f"{wb.SERVICES_KEY}\\{service}", RECORD)
                        continue
                    exe = self.launcher(service, f"{verb[1:]}{len(extra)}", {**account, **extra})
                    r, calls = self.run_traced(exe, verb)
                    made = [c for c in calls if c.function in ("LsaAddAccountRights", "LsaRemoveAccountRights")]
                    self.assertEqual([c.function for c in made], rights, r.stdout)
                    if text is None:
                        self.assertEqual(r.stdout, f"Service is already stopped.\nUninstalled service '{service}'.\n")
                    else:
                        self.assertIn(text, r.stdout)
                    if "LsaRemoveAccountRights" in rights:
                        # The SID the install recorded is the one taken back.
                        sids = [c.args[0] for c in calls if c.function == "ConvertStringSidToSidW"]
                        self.assertTrue(sids and re.fullmatch(r"S-1-5-21(-\d+)+", sids[-1]), sids)
                    if verb == "/install" and rights == ["LsaAddAccountRights"]:
                        self.assertTrue(re.fullmatch(r"S-1-5-21(-\d+)+", self.key(service, RECORD) or ""))
                for index in {step[0] for step in steps}:
                    self.assertIsNone(wb.service_config(services[index]))

    def test_info_shows_what_install_configured(self):
        service = self.service()
        exe = self.launcher(service, "info", {
            "executableType": 4, "serviceDescription": "Runs the app", "serviceDependencies": "a,,b",
            "serviceAccount": "virtual", "preshutdownTimeout": 60,
            "failureActions": {"resetSeconds": 60, "actions": [{"type": "restart", "delayMs": 1000}]},
        })
        bare_service = self.service()
        bare = self.launcher(bare_service, "bare", {})
        cases = [
            (exe, service, [
                f"Service:          {service}",
                f"Display name:     {service}",
                f'Program:          "{wb.windows_path(exe)}"',
                "Start type:       automatic",
                f"Account:          NT SERVICE\\{service}",
                "Description:      Runs the app",
                "Dependencies:     a, b",
                "Failure actions:  unknown (the system does not say)",  # Wine keeps none
                "Pre-shutdown:     60000 ms",
                "State:            stopped",
            ]),
            (bare, bare_service, [
                f"Service:          {bare_service}",
                f"Display name:     {bare_service}",
                f'Program:          "{wb.windows_path(bare)}"',
                "Start type:       on demand",
                "Account:          LocalSystem",
                "Description:      none",
                "Dependencies:     none",
                "Failure actions:  unknown (the system does not say)",
                "Pre-shutdown:     180000 ms",  # the default, as Windows answers too
                "State:            stopped",
            ]),
        ]
        for program, name, lines in cases:
            with self.subTest(name):
                self.assertEqual(wb.run(program, "/info").stdout, "Could not get status.\n")
                self.assertEqual(wb.run(program, "/install").code, 0)
                r = wb.run(program, "/info")
                self.assertEqual((r.code, r.stdout.splitlines()), (3, lines), r)


if __name__ == "__main__":
    unittest.main()
