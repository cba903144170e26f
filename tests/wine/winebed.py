"""Helpers for the Wine integration tests: running Windows programs with a
timeout, the registry, path mapping, packing launchers and finding logs.

The environment comes from ctest (see cmake/wine_tests.cmake): WINEPREFIX and
WINEARCH of the run's prefix, VBX_ARCH (x86 or x64, the launcher under test),
VBX_WIN_DIR (its cross build: launcher.exe, fixtures/), VBX_WIN32_DIR and
VBX_WIN64_DIR (both builds, for the cases that mix them), VBX_NATIVE_DIR
(vorbix-pack) and VBX_SOURCE_DIR.
"""
import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest
import uuid
from dataclasses import dataclass
from pathlib import Path

import winerun

# A test that must execute 32-bit code (ctest says which, see
# cmake/wine_tests.cmake) ends as skipped where it cannot.
if os.environ.get("VBX_NEEDS_32BIT"):
    winerun.skip_unless_32bit(os.environ["VBX_NEEDS_32BIT"])

PREFIX = Path(os.environ.get("WINEPREFIX", ""))
NATIVE_DIR = Path(os.environ.get("VBX_NATIVE_DIR", ""))
SOURCE_DIR = Path(os.environ.get("VBX_SOURCE_DIR", ""))


@dataclass(frozen=True)
class Architecture:
    name: str       # "x86" or "x64", as vorbix-pack's "architecture" says it
    machine: int    # the PE machine of its programs
    bits: str       # the detail of the "no runtime" message
    build: Path     # the cross build: launcher.exe, fixtures/
    wine_arch: str  # the WINEARCH of a prefix that runs it

    @property
    def launcher(self):
        return self.build / "launcher.exe"

    @property
    def fixtures(self):
        return self.build / "fixtures"


X86 = Architecture("x86", 0x14C, "32", Path(os.environ.get("VBX_WIN32_DIR", "")), "win32")
X64 = Architecture("x64", 0x8664, "64", Path(os.environ.get("VBX_WIN64_DIR", "")), "win64")
# The launcher under test in this run and the other one.
ARCH = X64 if os.environ.get("VBX_ARCH") == "x64" else X86
OTHER = X86 if ARCH is X64 else X64
WIN_DIR = Path(os.environ.get("VBX_WIN_DIR") or ARCH.build)
LAUNCHER = WIN_DIR / "launcher.exe"
FIXTURES = WIN_DIR / "fixtures"
PACK = NATIVE_DIR / "vorbix-pack"
REG_EXE = r"C:\windows\system32\reg.exe"


@dataclass
class Result:
    code: int      # the low byte of the Windows exit code (what Linux sees)
    stdout: str    # CR LF folded to LF
    stderr: str

    def __str__(self):
        return f"exit {self.code}\n--- stdout\n{self.stdout}\n--- stderr\n{self.stderr}"


def unique(stem="vbx"):
    """A name no other test of this run uses (services, keys, directories)."""
    return f"{stem}{uuid.uuid4().hex[:10]}"


def base_env(extra=None, remove=()):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env["WINEARCH"] = os.environ.get("WINEARCH") or ARCH.wine_arch
    for name in ("VORBIX_LOG", "TESSALY_LOG", *remove):
        env.pop(name, None)
    if extra:
        env.update(extra)
    return env


def run(program, *args, timeout=60, env=None, remove_env=(), cwd=None, stdin=None):
    """Runs a Windows program (a Linux path or a Windows path) under Wine."""
    command, environment = winerun.command(program, args, base_env(env, remove_env))
    proc = subprocess.run(command, input=stdin, capture_output=True, timeout=timeout,
                          env=environment, cwd=cwd or tempfile.gettempdir())
    decode = lambda b: b.decode("utf-8", "replace").replace("\r\n", "\n")
    return Result(proc.returncode, decode(proc.stdout), decode(proc.stderr))


def start(program, *args, stdout=None, env=None, remove_env=(), cwd=None):
    """Starts a Windows program under Wine without waiting; the caller ends it
    (Popen.wait with a timeout, kill). stdout may be an open file."""
    command, environment = winerun.command(program, args, base_env(env, remove_env))
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=stdout or subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, env=environment,
                            cwd=cwd or tempfile.gettempdir())


def drive_c():
    return PREFIX / "drive_c"


def unix_path(windows_path):
    """Maps C:\\... (and Z:\\...) to the Linux file behind it."""
    p = str(windows_path)
    drive, rest = p[0].upper(), p[2:].replace("\\", "/").lstrip("/")
    if drive == "C":
        return drive_c() / rest
    if drive == "Z":
        return Path("/") / rest
    raise ValueError(f"no mapping for {windows_path}")


def windows_path(linux_path):
    """Maps a Linux path to its Windows name (C: for the prefix, else Z:)."""
    p = Path(linux_path).absolute()
    try:
        return "C:\\" + str(p.relative_to(drive_c())).replace("/", "\\")
    except ValueError:
        return "Z:" + str(p).replace("/", "\\")


def user_name():
    return os.environ.get("USER") or os.environ.get("LOGNAME") or "root"


def temp_dir():
    """The user's Windows temp directory of the prefix (the usual temp root)."""
    return drive_c() / "users" / user_name() / "Temp"


def find_logs(directory=None):
    """The diagnostic logs in a directory (default: the temp root), oldest first."""
    directory = Path(directory or temp_dir())
    logs = list(directory.glob("tsy_nlog_*.log"))
    return sorted(logs, key=lambda p: (p.stat().st_mtime, int(p.stem.split("_")[-1])))


def logs_of(program, directory=None):
    """The texts of the diagnostic logs (default: in the temp root) written by
    the given program, oldest first; a log's first entry names its executable."""
    name = windows_path(program).lower()
    texts = [read_log(p) for p in find_logs(directory)]
    return [t for t in texts if t.split("\n", 1)[0].lower().find(name + " (") >= 0]


def read_log(path):
    """A log's text without the byte-order mark, CR LF folded to LF."""
    return Path(path).read_bytes().decode("utf-8-sig", "replace").replace("\r\n", "\n")


# --- locales -------------------------------------------------------------------

def compiled_locale(name):
    """A directory for LOCPATH holding the glibc locale NAME (such as
    "de_CH.UTF-8"), compiled once per test run: Wine honours LANG and the
    LC_ categories only for locales that glibc has, while LC_ALL works
    without. Raises unittest.SkipTest when the locale cannot be compiled."""
    base = Path(os.environ.get("VBX_WINE_DIR") or tempfile.gettempdir()) / "locales"
    target = base / name
    if not (target / "LC_MESSAGES").exists():
        source, _, charmap = name.partition(".")
        base.mkdir(parents=True, exist_ok=True)
        scratch = Path(tempfile.mkdtemp(dir=base))
        proc = subprocess.run(["localedef", "-i", source, "-f", charmap or "UTF-8", str(scratch / name)],
                              capture_output=True, timeout=120)
        if proc.returncode != 0 or not (scratch / name / "LC_MESSAGES").exists():
            raise RuntimeError(f"locale {name} cannot be compiled: {proc.stderr.decode(errors='replace')}")
        try:
            (scratch / name).rename(target)  # another test may have been first
        except OSError:
            pass
        shutil.rmtree(scratch, ignore_errors=True)
    return base


# --- registry -----------------------------------------------------------------

def reg(*args, timeout=30):
    """reg.exe on the registry view of the launcher under test (the 64-bit
    view for the 64-bit launcher, whichever reg.exe the prefix starts)."""
    view = ("/reg:64",) if ARCH is X64 else ()
    return run(REG_EXE, *args, *view, timeout=timeout)


def reg_add(key, name, value, kind="REG_SZ"):
    r = reg("add", key, "/v", name, "/t", kind, "/d", str(value), "/f")
    if r.code != 0:
        raise RuntimeError(f"reg add {key} {name} failed: {r}")


def reg_query(key, name=None):
    """The value's data as text, or None when the key or value is missing."""
    args = ["query", key] + (["/v", name] if name is not None else [])
    r = reg(*args)
    if r.code != 0:
        return None
    if name is None:
        return r.stdout
    for line in r.stdout.splitlines():
        # The name may hold blanks: split behind it, not at the first blank.
        line = line.strip()
        if not line.lower().startswith(name.lower()):
            continue
        parts = line[len(name):].split(None, 1)
        if parts and parts[0].startswith("REG_") and line[len(name):][:1].isspace():
            return parts[1] if len(parts) == 2 else ""
    return None


def reg_delete(key, name=None):
    args = ["delete", key] + (["/v", name] if name is not None else []) + ["/f"]
    return reg(*args).code == 0


# --- launchers ------------------------------------------------------------------

def pack(config, directory, name="app.exe", stub=None, files=None):
    """Writes CONFIG.json (a dict) and included files into a directory and
    builds a launcher there with vorbix-pack. Returns the launcher's path."""
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    for relative, content in (files or {}).items():
        target = directory / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content if isinstance(content, bytes) else content.encode())
    config_path = directory / (Path(name).stem + ".json")
    config_path.write_text(json.dumps(config, indent=2))
    out = directory / name
    # The launcher of this test run, wherever the cross build lies.
    r = run_pack("build", config_path, "-o", out, "--stub", stub or LAUNCHER)
    if r.code != 0:
        raise RuntimeError(f"vorbix-pack failed: {r.stderr}")
    return out


def run_pack(*args, timeout=120, cwd=None, pack=None):
    """Runs vorbix-pack (a native program; the build's, or pack) with the given arguments."""
    proc = subprocess.run([str(pack or PACK), *[str(a) for a in args]], capture_output=True, timeout=timeout,
                          cwd=cwd or tempfile.gettempdir())
    decode = lambda b: b.decode("utf-8", "replace")
    return Result(proc.returncode, decode(proc.stdout), decode(proc.stderr))


def icon_file(images):
    """An .ico file of 32-bit bitmap images, each (size, (blue, green, red,
    alpha)) of one colour (a DIB of double height: the AND mask follows)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset, data = 6 + 16 * len(images), b""
    for size, bgra in images:
        image = (struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0) + bytes(bgra) * (size * size)
                 + b"\0" * (((size + 31) // 32) * 4 * size))
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return out + data


def app_dir(stem="app"):
    """A fresh directory on the prefix's C: drive for one test's files."""
    d = drive_c() / "vbxtests" / unique(stem)
    d.mkdir(parents=True)
    return d


# --- the raw block format, for tests that need blocks vorbix-pack never writes

def pe_end_of_last_section(data):
    """The file offset behind the raw data of the last section header."""
    pe = struct.unpack_from("<i", data, 0x3C)[0]
    sections = struct.unpack_from("<h", data, pe + 6)[0]
    optional = struct.unpack_from("<h", data, pe + 20)[0]
    end = pe + 4 + optional + 40 * sections
    size = struct.unpack_from("<I", data, end - 4)[0]
    pointer = struct.unpack_from("<I", data, end)[0]
    return pointer + size


def raw_string(b):
    return struct.pack("<i", len(b)) + b


def raw_wstring(s):
    b = s.encode("utf-16-le")
    return struct.pack("<i", len(b)) + b


def raw_block(base=(), wide=(), sections=(), magic=0xE8E413D5):
    """A configuration block: base and wide are (id, value) pairs; sections are
    (prefix, [(id, text), ...])."""
    out = struct.pack("<IiiQ", magic, 0, 0, 0)
    out += struct.pack("<i", len(base))
    for ident, value in base:
        out += struct.pack("<i", ident) + raw_string(value if isinstance(value, bytes) else value.encode("latin-1"))
    out += struct.pack("<i", len(wide))
    for ident, value in wide:
        out += struct.pack("<i", ident) + raw_wstring(value)
    out += struct.pack("<i", len(sections))
    for prefix, records in sections:
        out += raw_string(prefix.encode()) + struct.pack("<i", len(records))
        for ident, value in records:
            out += struct.pack("<i", ident) + raw_wstring(value)
    return out


FILE_TABLE_MASK = 0x88  # every content byte of an included file is XORed with it


def raw_file_table(files):
    """The file table behind a block: per item an int64 size and the content
    XORed with the mask. An item is the content (bytes or str), or an int: a
    bare size field with no content (0 or negative, or a size whose content is
    cut short)."""
    out = b""
    for item in files:
        if isinstance(item, int):
            out += struct.pack("<q", item)
            continue
        content = item if isinstance(item, bytes) else item.encode()
        out += struct.pack("<q", len(content)) + bytes(b ^ FILE_TABLE_MASK for b in content)
    return out


def raw_launcher(directory, block, name="raw.exe", stub=None, files=None):
    """The bare launcher (or another stub, such as a fixture that links the
    launcher's code) with the given bytes appended behind its last section,
    and a file table (see raw_file_table) behind them when files is given."""
    data = Path(stub or LAUNCHER).read_bytes()
    end = pe_end_of_last_section(data)
    out = Path(directory) / name
    out.write_bytes(data[:end] + block + raw_file_table(files or ()))
    return out


def wait_until(predicate, timeout=30, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()


# --- the support driver: the launcher's support code behind a command line ----

SUPPORT_DRIVER = FIXTURES / "support_driver.exe"


def support_driver(directory, base=(), wide=(), name="driver.exe"):
    """The support driver fixture with a configuration block appended (it
    loads the block from its own file, as the launcher does)."""
    return raw_launcher(directory, raw_block(base=base, wide=wide), name=name, stub=SUPPORT_DRIVER)


def driver_values(result):
    """The "name=value" lines a support driver printed: name -> list of values."""
    values = {}
    for line in result.stdout.splitlines():
        name, sep, value = line.partition("=")
        if sep:
            values.setdefault(name, []).append(value)
    return values


def driver_value(result, name):
    """The single value printed under name (fails loudly when missing)."""
    found = driver_values(result).get(name)
    if not found:
        raise AssertionError(f"driver printed no {name}:\n{result}")
    return found[-1]


# --- services ---------------------------------------------------------------------

SCM_PROBE = FIXTURES / "scm_probe.exe"
STANDIN_WORKER = FIXTURES / "standin_worker.exe"
SERVICES_KEY = r"HKLM\System\CurrentControlSet\Services"
PRIORITY_KEY = r"HKLM\SOFTWARE\quindle\vorbix\priority"


def scm_probe(*args, timeout=60):
    """Runs the scm_probe fixture; returns its key=value lines as a dict
    (with "error" on failure)."""
    r = run(SCM_PROBE, *args, timeout=timeout)
    values = {}
    for line in r.stdout.splitlines():
        key, sep, value = line.partition("=")
        if sep:
            values[key] = value
    return values


def service_status(name):
    """The service's status as ints (state, pid, win32, specific, ...), or None."""
    values = scm_probe("status", name)
    if "error" in values:
        return None
    return {k: int(v) for k, v in values.items()}


def service_config(name):
    values = scm_probe("config", name)
    return None if "error" in values else values


def wait_for_state(name, state, timeout=30):
    """Polls until the service reports the state; returns the last status."""
    wait_until(lambda: (service_status(name) or {}).get("state") == state, timeout=timeout, interval=0.1)
    return service_status(name)


def remove_service(name):
    """Stops (without waiting) and deletes a service; quiet when it is gone."""
    scm_probe("remove", name)


def run_start(program, *args, attempts=20, **kwargs):
    """Runs a program whose output may report a start refused because another
    start holds the service database (1055, when tests start services at the
    same time); tries again a few times."""
    for _ in range(attempts):
        r = run(program, *args, **kwargs)
        if "Error code: 1055" not in r.stdout:
            return r
        time.sleep(0.5)
    return r


def service_pid(name):
    """The pid of the service's process as the manager reports it (0 when none)."""
    return (service_status(name) or {}).get("pid", 0)


def child_processes(pid):
    """(pid, executable name) of the processes whose parent is pid."""
    found = []
    for line in run(SCM_PROBE, "children", str(pid), timeout=60).stdout.splitlines():
        if line.startswith("child="):
            child, _, exe = line[len("child="):].partition(" ")
            found.append((int(child), exe))
    return found


def process_ended(pid, wait_ms=20000):
    """True when the process has ended (or never existed) within wait_ms."""
    result = scm_probe("waitpid", str(pid), str(wait_ms), timeout=wait_ms / 1000 + 60)
    return result.get("ended") == "1" or result.get("error", "").startswith("openprocess")


def kill_process(pid):
    """Terminates a Windows process (exit code 9)."""
    return scm_probe("kill", str(pid)).get("killed") == "1"


# --- Wine's relay trace: the calls a program made into a system DLL -----------------

RELAY_DEBUG = "+relay"
RELAY_KEY = r"HKCU\Software\Wine\Debug"


class AdvapiTraceCase(unittest.TestCase):
    """Tests that install services and read the calls into advapi32 from a
    relay trace: only that DLL is traced (fewer lines, a quick console), each
    test has a directory, and the services it named are removed after it."""
    stem = "svc"

    @classmethod
    def setUpClass(cls):
        reg_add(RELAY_KEY, "RelayInclude", "advapi32.*")

    @classmethod
    def tearDownClass(cls):
        reg_delete(RELAY_KEY, "RelayInclude")

    def setUp(self):
        self.dir = app_dir(self.stem)
        self.names = []

    def tearDown(self):
        for name in self.names:
            remove_service(name)


@dataclass
class RelayCall:
    function: str   # such as "CreateServiceW"
    args: list      # per argument: the string for a string argument, else the value as an int
    retval: int     # None when no return was traced


def _relay_arguments(text):
    """Arguments as the relay prints them: a hex value, followed by the
    quoted text for a string argument."""
    import re
    return [_unescape_debug_string(string) if quoted else int(value, 16)
            for value, quoted, string in re.findall(r'([0-9a-f]{8,16})( L?"((?:[^"\\]|\\.)*)")?', text)]


def relay_calls(trace, dll="advapi32"):
    """The calls into the DLL in a relay trace (WINEDEBUG=+relay, the
    program's standard error), in order, each with the value it returned.
    Calls between system DLLs are not traced by default, so these are the
    program's own (and those of the runtime libraries it loaded)."""
    import re
    call = re.compile(r"^([0-9a-f]+):Call " + dll + r"\.(\w+)\((.*)\) ret=[0-9a-f]+$")
    ret = re.compile(r"^([0-9a-f]+):Ret  " + dll + r"\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]+$")
    calls, open_calls = [], {}
    for line in trace.splitlines():
        m = call.match(line)
        if m:
            found = RelayCall(m.group(2), _relay_arguments(m.group(3)), None)
            calls.append(found)
            open_calls.setdefault((m.group(1), m.group(2)), []).append(found)
            continue
        m = ret.match(line)
        if m and open_calls.get((m.group(1), m.group(2))):
            open_calls[(m.group(1), m.group(2))].pop().retval = int(m.group(3), 16)
    return calls


# --- the Application event log, as Wine prints it ---------------------------------

# Standard error of the run's Wine session (see prefix.sh): every service
# inherits it, with the debug channels that print event log entries.
SESSION_LOG = Path(os.environ.get("VBX_WINE_DIR", "")) / "session.log"
EVENT_DEBUG = "-all,err+eventlog,warn+eventlog,fixme+advapi"

_ESCAPES = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t"}


def _unescape_debug_string(text):
    """Undoes Wine's debug string quoting: \\n, \\r, \\t, \\", \\\\ and a
    backslash with four hex digits for any other character."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if nxt in _ESCAPES:
                out.append(_ESCAPES[nxt])
                i += 2
                continue
            digits = text[i + 1:i + 5]
            if len(digits) == 4 and all(d in "0123456789abcdefABCDEF" for d in digits):
                out.append(chr(int(digits, 16)))
                i += 5
                continue
        out.append(c)
        i += 1
    return "".join(out)


@dataclass
class Event:
    source: str   # the name the entry's source was registered under ("" if unseen)
    kind: str     # "err" (error), "warn" (warning) or "trace" (other types)
    text: str     # one line of the entry's strings (Wine prints them line by line)


def parse_events(debug_output):
    """Event log entries in Wine debug output: each ReportEventW line paired
    with the RegisterEventSourceW before it on the same thread."""
    import re
    register = re.compile(r'^([0-9a-f]+):fixme:advapi:RegisterEventSourceW \(\(null\),L"(.*)"\): stub$')
    report = re.compile(r'^([0-9a-f]+):(err|warn|trace):eventlog:ReportEventW L"(.*)"$')
    sources, events = {}, []
    for line in debug_output.splitlines():
        m = register.match(line)
        if m:
            sources[m.group(1)] = _unescape_debug_string(m.group(2))
            continue
        m = report.match(line)
        if m:
            events.append(Event(sources.get(m.group(1), ""), m.group(2), _unescape_debug_string(m.group(3))))
    return events


def session_events(source=None):
    """The entries that services of this run reported so far (of one source)."""
    text = SESSION_LOG.read_text("utf-8", "replace") if SESSION_LOG.exists() else ""
    return [e for e in parse_events(text) if source is None or e.source == source]


def wait_for_event(source, fragment, timeout=30):
    """The first entry of the source whose text holds the fragment, or None."""
    def find():
        return next((e for e in session_events(source) if fragment in e.text), None)
    return wait_until(find, timeout=timeout, interval=0.1)
