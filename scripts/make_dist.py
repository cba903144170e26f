#!/usr/bin/env python3
"""Assembles the release bundle from built trees: vorbix-<version>.zip with
one top directory vorbix-<version>/ holding

    README.md LICENSE NOTICE
    bin/      vorbix-pack (Linux), vorbix-pack.exe (Windows), launcher.exe
              (32-bit), launcher64.exe (64-bit), vorbix-runtime.jar and its
              sources jar: vorbix-pack finds the launchers and the runtime
              archive beside itself
    docs/     the documentation and vorbix-pack.schema.json
    examples/ minimal.json and hello-service (configuration, sources, jar)

scripts/dist builds the trees first; the Wine tests call this directly.
Usage: make_dist.py --native DIR --win32 DIR --win64 DIR --out DIR"""
import argparse
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent


def version():
    return (SOURCE / "VERSION").read_text().split()[0]


def contents(native, win32, win64):
    """(path in the bundle, file) pairs, in the order they are stored."""
    files = [("README.md", SOURCE / "README.md"), ("LICENSE", SOURCE / "LICENSE"), ("NOTICE", SOURCE / "NOTICE"),
             ("bin/vorbix-pack", native / "vorbix-pack"), ("bin/vorbix-pack.exe", win64 / "vorbix-pack.exe"),
             ("bin/launcher.exe", win32 / "launcher.exe"), ("bin/launcher64.exe", win64 / "launcher.exe"),
             ("bin/vorbix-runtime.jar", native / "java" / "vorbix-runtime.jar"),
             ("bin/vorbix-runtime-sources.jar", native / "java" / "vorbix-runtime-sources.jar")]
    for doc in sorted((SOURCE / "docs").iterdir()):
        files.append((f"docs/{doc.name}", doc))
    files.append(("examples/minimal.json", SOURCE / "examples" / "minimal.json"))
    hello = SOURCE / "examples" / "hello-service"
    for path in sorted(p for p in hello.rglob("*") if p.is_file()):
        files.append((f"examples/hello-service/{path.relative_to(hello).as_posix()}", path))
    files.append(("examples/hello-service/hello-service.jar", native / "java" / "hello-service.jar"))
    return files


def make(native, win32, win64, out):
    missing = [str(f) for _, f in contents(native, win32, win64) if not f.is_file()]
    if missing:
        raise SystemExit("make_dist: not built: " + ", ".join(missing))
    top = f"vorbix-{version()}"
    out.mkdir(parents=True, exist_ok=True)
    target = out / f"{top}.zip"
    with tempfile.TemporaryDirectory() as scratch:
        # The Linux tool without its debugging information.
        tool = Path(scratch) / "vorbix-pack"
        subprocess.run(["strip", "-o", str(tool), str(native / "vorbix-pack")], check=True)
        partial = out / f".{top}.zip.partial"
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as bundle:
            for name, path in contents(native, win32, win64):
                source = tool if name == "bin/vorbix-pack" else path
                info = zipfile.ZipInfo(f"{top}/{name}", date_time=(2026, 1, 1, 0, 0, 0))
                info.compress_type = zipfile.ZIP_DEFLATED
                executable = name == "bin/vorbix-pack" or name.endswith(".exe")
                info.external_attr = (0o100755 if executable else 0o100644) << 16
                bundle.writestr(info, source.read_bytes())
        partial.replace(target)
    return target


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for tree in ("native", "win32", "win64"):
        parser.add_argument(f"--{tree}", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args()
    target = make(args.native, args.win32, args.win64, args.out)
    print(f"{target} ({target.stat().st_size // 1024} KiB)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
