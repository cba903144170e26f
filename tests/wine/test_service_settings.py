"""What "/install" sets beyond the service itself (account, failure actions,
delayed start, pre-shutdown time), under Wine's service control manager.

Wine keeps the account (ObjectName) and the pre-shutdown time
(PreshutdownTimeout) in the service's registry key, accepts failure actions
without keeping them, refuses the delayed start and the failure actions flag
with 124, and answers no query of the three. So the registry values are read
back, and what Wine does not keep is checked in the calls the launcher made,
through Wine's relay trace of advapi32.

Not to be seen under Wine: a refused logon right (its LSA functions are stubs
that always succeed; a failed account lookup is the refusal tested here),
the "Delayed start." line of /status (the query fails), and a pre-shutdown
request reaching the service (Wine never sends one, and ControlService
refuses it from a client); which request takes which path is a unit test
(service_controls_test.cpp), the accepted controls are checked here."""
import os
import re
import select
import shutil
import subprocess
import time
import unittest

import winebed as wb

SERVICE_RUNNING, SERVICE_STOPPED = 4, 1
(LEVEL_DESCRIPTION, LEVEL_FAILURE_ACTIONS, LEVEL_DELAYED_START, LEVEL_FAILURE_FLAG,
 LEVEL_PRESHUTDOWN) = 1, 2, 3, 4, 7
PASSWORD = "Pw-7f3a!kq"
SERVICE_CALLS = re.compile(r"^(OpenSCManager|OpenService|CreateService|ChangeServiceConfig|ControlService|"
                           r"DeleteService|CloseServiceHandle|QueryService|StartService|LookupAccount|Lsa)")
# The calls "/install" of a new service with a description made before the
# settings existed.
INSTALL_CALLS = ["OpenSCManagerW", "OpenServiceW", "CloseServiceHandle",   # the quiet stop
                 "OpenSCManagerW", "OpenServiceW", "CloseServiceHandle",   # the quiet removal
                 "OpenSCManagerW", "CreateServiceW", "ChangeServiceConfig2W", "CloseServiceHandle", "CloseServiceHandle"]


def terminal_text(output):
    """What a terminal shows of Wine's console output: cursor moves to the
    right as blanks, other escape sequences dropped."""
    text = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1), output.decode("utf-8", "replace"))
    return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text)


def service_calls(trace):
    return [c for c in wb.relay_calls(trace) if SERVICE_CALLS.match(c.function)]


def config_levels(calls):
    """(info level, returned) of every ChangeServiceConfig2W call."""
    return [(c.args[1], c.retval) for c in calls if c.function == "ChangeServiceConfig2W"]


def created_account(calls):
    """The account name and password CreateServiceW was given (0 for none)."""
    create = next(c for c in calls if c.function == "CreateServiceW")
    return create.args[11], create.args[12]


class InstallSettings(wb.AdvapiTraceCase):
    stem = "settings"

    def launcher(self, extra, name="app.exe"):
        service = wb.unique("vbxset")
        self.names.append(service)
        config = {"serviceName": service, "serviceDescription": "Settings test", **extra}
        return wb.pack(config, self.dir / service, name=name), service

    def install(self, exe, verb="/install", env=None, stdin=b""):
        """Runs the verb with a relay trace and the diagnostic log; returns the
        result and the service calls it made."""
        r = wb.run(exe, verb, env={"WINEDEBUG": wb.RELAY_DEBUG, "VORBIX_LOG": "yes", **(env or {})},
                   remove_env=("VORBIX_SERVICE_PASSWORD",), stdin=stdin, timeout=90)
        return r, service_calls(r.stderr)

    def registry_value(self, service, value):
        return wb.reg_query(f"{wb.SERVICES_KEY}\\{service}", value)

    def assert_not_installed(self, service):
        self.assertIsNone(wb.service_config(service))
        self.assertIsNone(wb.reg_query(f"{wb.SERVICES_KEY}\\{service}"))

    def test_without_the_settings_install_makes_the_same_calls(self):
        cases = [
            ("no settings", {}, "/install"),
            ("the default account named", {"serviceAccount": "LocalSystem"}, "/install"),
            ("delayed start off", {"delayedAutoStart": False}, "/install-auto"),
            ("delayed start of a demand start", {"delayedAutoStart": True}, "/install-demand"),
        ]
        for label, extra, verb in cases:
            with self.subTest(label):
                exe, service = self.launcher(extra)
                r, calls = self.install(exe, verb)
                self.assertEqual((r.code, r.stdout), (0, f"Installed service '{service}'.\n"), r.stdout)
                self.assertEqual([c.function for c in calls], INSTALL_CALLS)
                self.assertEqual(created_account(calls), (0, 0))  # the local system, no password
                self.assertEqual(config_levels(calls), [(LEVEL_DESCRIPTION, 1)])
                self.assertEqual(self.registry_value(service, "ObjectName"), "LocalSystem")

    def test_virtual_account_restart_actions_and_preshutdown(self):
        exe, service = self.launcher({
            "serviceAccount": "virtual",
            "failureActions": {"resetSeconds": 86400, "actions": [{"type": "restart", "delayMs": 5000},
                                                                   {"type": "restart", "delayMs": 60000}]},
            "preshutdownTimeout": 60,
        })
        r, calls = self.install(exe)
        self.assertEqual((r.code, r.stdout), (0, f"Installed service '{service}'.\n"), r.stdout)
        account = f"NT SERVICE\\{service}"
        self.assertEqual(self.registry_value(service, "ObjectName"), account)
        self.assertEqual(self.registry_value(service, "PreshutdownTimeout"), "0xea60")  # 60000 ms
        self.assertEqual(wb.service_config(service)["account"], account)
        self.assertEqual(created_account(calls), (account, 0))
        # No flag call without failOnNonZeroExit, no delayed start, no logon right.
        self.assertEqual(config_levels(calls), [(LEVEL_DESCRIPTION, 1), (LEVEL_FAILURE_ACTIONS, 1),
                                                (LEVEL_PRESHUTDOWN, 1)])
        self.assertFalse([c for c in calls if c.function.startswith(("Lsa", "LookupAccount"))])
        # The relay shows only where the actions lay; the launcher logs what it put there.
        log = "\n".join(wb.logs_of(exe))
        self.assertIn("failure actions: reset after 86400 s, restart after 5000 ms, restart after 60000 ms", log)
        self.assertIn("pre-shutdown timeout 60000 ms", log)

        # The service accepts the pre-shutdown request (Wine never sends one)
        # and stops as before; a worker ending with 7 after the stop line is
        # a regular stop, not a failure.
        (self.dir / service / "worker_mode.txt").write_text("stdin 7")
        shutil.copy(wb.STANDIN_WORKER, self.dir / service / (exe.name + "_w"))
        self.assertNotIn("error", wb.scm_probe("binpath", service, f'"{wb.windows_path(exe)}"_w'))
        self.assertEqual(wb.run_start(exe, "/start").code, 0)
        status = wb.wait_for_state(service, SERVICE_RUNNING)
        self.assertEqual((status["state"], status["controls"]), (SERVICE_RUNNING, 0x105))
        r = wb.run(exe, "/stop")
        self.assertEqual(r.stdout, f"Stopping service '{service}'.\nService stopped\n", r)
        status = wb.service_status(service)
        self.assertEqual((status["state"], status["win32"], status["specific"]), (SERVICE_STOPPED, 0, 0))

    def test_a_refused_setting_leaves_no_service_behind(self):
        restart = [{"type": "restart", "delayMs": 1000}]
        cases = [
            ("delayed start", {"executableType": 4, "delayedAutoStart": True}, {},
             "setting the delayed start failed (error 124)", [LEVEL_DESCRIPTION, LEVEL_DELAYED_START]),
            ("failure actions flag",
             {"failureActions": {"resetSeconds": 60, "actions": restart, "failOnNonZeroExit": True}}, {},
             "setting the failure actions for a stop with a non-zero exit code failed (error 124)",
             [LEVEL_DESCRIPTION, LEVEL_FAILURE_ACTIONS, LEVEL_FAILURE_FLAG]),
            ("unknown user", {"serviceAccount": ".\\vbxnosuchuser"}, {"VORBIX_SERVICE_PASSWORD": PASSWORD},
             "looking up the account '.\\vbxnosuchuser' failed (error 1332)", [LEVEL_DESCRIPTION]),
        ]
        for label, extra, env, failure, levels in cases:
            with self.subTest(label):
                exe, service = self.launcher(extra)
                r, calls = self.install(exe, env=env)
                self.assertEqual(r.code, 1, r.stdout)
                prefix = f"Could not install service '{service}': {failure}: "
                self.assertTrue(r.stdout.startswith(prefix), r.stdout)
                self.assertEqual(r.stdout.count("\n"), 1, r.stdout)
                self.assertGreater(len(r.stdout.strip()), len(prefix), "the system's text for the error")
                self.assertEqual([level for level, _ in config_levels(calls)], levels)
                self.assertEqual([c.function for c in calls][-3:],
                                 ["DeleteService", "CloseServiceHandle", "CloseServiceHandle"])
                self.assert_not_installed(service)

    def test_explicit_user_gets_the_password_and_the_logon_right(self):
        user = f".\\{wb.user_name()}"
        for how in ("environment", "console"):
            with self.subTest(how):
                exe, service = self.launcher({"serviceAccount": user})
                if how == "environment":
                    r, calls = self.install(exe, env={"VORBIX_SERVICE_PASSWORD": PASSWORD})
                    code, output = r.code, r.stdout
                else:
                    code, output, calls = self.install_typing_the_password(exe, user)
                self.assertEqual(code, 0, output)
                self.assertIn(f"Installed service '{service}'.", output)
                self.assertNotIn(PASSWORD, output)  # not echoed
                self.assertEqual(created_account(calls), (user, PASSWORD))
                self.assertEqual(self.registry_value(service, "ObjectName"), user)
                lookup = next(c for c in calls if c.function == "LookupAccountNameW")
                grant = next(c for c in calls if c.function == "LsaAddAccountRights")
                self.assertEqual(lookup.args[1], user)
                self.assertEqual((grant.args[1], grant.args[3], grant.retval), (lookup.args[2], 1, 0))  # its SID
                self.assert_password_is_nowhere(exe)

    def test_explicit_user_without_a_password_changes_nothing(self):
        exe, service = self.launcher({"serviceAccount": "CORP\\svc-app"})
        r, calls = self.install(exe)  # no variable, and standard input is no console
        self.assertEqual((r.code, r.stdout),
                         (1, f"Could not install service '{service}': the account 'CORP\\svc-app' needs a password: "
                             "set VORBIX_SERVICE_PASSWORD, or run the command in a console to type it.\n"))
        self.assertEqual(calls, [])
        self.assert_not_installed(service)

    # --- helpers -------------------------------------------------------------------

    def install_typing_the_password(self, exe, user):
        """Runs /install on a terminal, as typed in a console: waits for the
        prompt, then types the password and Enter. Returns the exit code, the
        terminal's text and the service calls."""
        trace = self.dir / "typed.relay"
        env = wb.base_env({"WINEDEBUG": wb.RELAY_DEBUG, "VORBIX_LOG": "yes"}, remove=("VORBIX_SERVICE_PASSWORD",))
        command, env = wb.winerun.shell_command(exe, ["/install"], env)
        command += f" 2>'{trace}'"
        output, typed, text, prompted, code = b"", False, "", None, None
        with subprocess.Popen(["script", "-qec", command, "/dev/null"], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, env=env, cwd=self.dir) as proc:
            deadline = time.monotonic() + 90
            try:
                while time.monotonic() < deadline:
                    ready, _, _ = select.select([proc.stdout], [], [], 0.1)
                    if ready:
                        chunk = os.read(proc.stdout.fileno(), 4096)
                        if not chunk:
                            break
                        output += chunk
                    text = terminal_text(output)
                    if prompted is None and f"Password for account '{user}':" in text:
                        prompted = time.monotonic()
                    # Wine's console host echoes (and then loses) what arrives
                    # on its terminal before the read has begun, so the typing
                    # waits a moment after the prompt.
                    if not typed and prompted and time.monotonic() - prompted > 1.5:
                        proc.stdin.write(PASSWORD.encode() + b"\r")
                        proc.stdin.flush()
                        typed = True
                code = proc.wait(timeout=30)
            finally:
                if proc.poll() is None:
                    proc.kill()
        self.assertTrue(typed, text)
        return code, text.replace("\r", ""), service_calls(trace.read_text("utf-8", "replace"))

    def assert_password_is_nowhere(self, exe):
        needles = [PASSWORD.encode(), PASSWORD.encode("utf-16-le")]
        places = {"executable": exe.read_bytes(), "log": "\n".join(wb.logs_of(exe)).encode()}
        for hive in ("HKLM", "HKCU"):
            export = self.dir / f"{hive}.reg"
            r = wb.reg("export", hive, wb.windows_path(export), "/y", timeout=120)
            self.assertEqual(r.code, 0, r)
            places[hive] = export.read_bytes()
        self.assertTrue(places["log"], "a diagnostic log was written")
        for place, data in places.items():
            for needle in needles:
                self.assertNotIn(needle, data, place)


if __name__ == "__main__":
    unittest.main()
