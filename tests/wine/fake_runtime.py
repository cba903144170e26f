"""Fake Java runtimes on the prefix's C: drive, built from the fixtures in
tests/fixtures, and a driver that runs the launcher's JVM search with a
configuration appended (jvm_driver.exe)."""
import shutil
import struct
from pathlib import Path

import winebed as wb

DRIVER = wb.FIXTURES / "jvm_driver.exe"
CACHE_ROOT = r"HKCU\SOFTWARE\quindle\vorbix\jvms2" + "\\"

# Messages the tests recognise in the driver's standard error.
MESSAGES = [(1000, "Error"), (1005, "MSG1005 registry"), (1016, "MSG1016 {0}"),
            (1017, "MSG1017 {0}"), (1019, "MSG1019 {0}"), (1021, "MSG1021 pack")]


def banner(version):
    return f'java version "{version}"\r\nJava(TM) SE Runtime Environment (build {version}-b01)\r\n'


def patch_machine(path, machine):
    """Rewrites the PE file header's machine field of an executable."""
    data = bytearray(Path(path).read_bytes())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    struct.pack_into("<H", data, pe + 4, machine)
    Path(path).write_bytes(bytes(data))


def make_bin(bin_dir, version="1.8.0_291", folders=("client",), machine=None, exit_code=None,
             javaw=True, vm_library="jvm.dll"):
    """A bin directory: java.exe (and javaw.exe) printing the version banner,
    jvm.dll in each of the folders."""
    bin_dir = Path(bin_dir)
    bin_dir.mkdir(parents=True, exist_ok=True)
    shutil.copy(wb.FIXTURES / "java.exe", bin_dir / "java.exe")
    if javaw:
        shutil.copy(wb.FIXTURES / "javaw.exe", bin_dir / "javaw.exe")
    if machine is not None:
        patch_machine(bin_dir / "java.exe", machine)
    (bin_dir / "version.txt").write_text(banner(version) if version is not None else "no banner\r\n")
    if exit_code is not None:
        (bin_dir / "exitcode.txt").write_text(str(exit_code))
    for folder in folders:
        (bin_dir / folder).mkdir(exist_ok=True)
        if vm_library == "broken":
            (bin_dir / folder / "jvm.dll").write_bytes(b"not a library")
        else:
            shutil.copy(wb.FIXTURES / vm_library, bin_dir / folder / "jvm.dll")
    return bin_dir


def make_jre(home, **kwargs):
    home = Path(home)
    make_bin(home / "bin", **kwargs)
    (home / "lib").mkdir(exist_ok=True)
    return home


def make_jdk_with_jre(home, version="1.8.0_291"):
    """A JDK whose own bin has java.exe but no VM library; its embedded jre
    has the server VM."""
    home = Path(home)
    make_bin(home / "bin", version=version, folders=())
    make_bin(home / "jre" / "bin", version=version, folders=("server",))
    (home / "lib").mkdir(exist_ok=True)
    (home / "lib" / "tools.jar").write_bytes(b"PK")
    return home


def runs(bin_dir):
    """How often the fake java.exe/javaw.exe in a bin directory ran."""
    f = Path(bin_dir) / "runs.txt"
    return len(f.read_text().splitlines()) if f.exists() else 0


def cache_key(java_exe_windows):
    return CACHE_ROOT + java_exe_windows.lower().replace("\\", "/")


def driver(directory, base, *args, env=None, name="driver.exe", remove_env=(), timeout=120):
    """Runs the driver with a configuration of base entries; returns the
    result, its name=value lines and the log text."""
    block = wb.raw_block(base=[(k, str(v)) for k, v in base], wide=MESSAGES)
    exe = wb.raw_launcher(directory, block, name=name, stub=DRIVER)
    environment = {"VORBIX_LOG": "yes"}
    environment.update(env or {})
    r = wb.run(exe, *args, env=environment, remove_env=remove_env, timeout=timeout)
    values = {}
    for line in r.stdout.splitlines():
        if "=" in line:
            key, value = line.split("=", 1)
            values.setdefault(key, value)
    log_path = values.get("log")
    if not log_path:  # a fatal error ends the driver early; the message names the log
        for line in r.stderr.splitlines():
            if line.startswith("Log: "):
                log_path = line[5:].strip()
    log = wb.read_log(wb.unix_path(log_path)) if log_path else ""
    return r, values, log
