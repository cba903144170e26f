#!/usr/bin/env python3
"""Keeps the source folders a stack: each folder includes only itself and
the folders below it (src/README.md draws the stack).

Reads every #include of the C and C++ files under each stack, resolves it
the way the compiler does (a quoted one beside the including file first, then
from the stack's root, then from the roots of the stacks below) and names
file and line of each include that reaches a folder above its own or a stack
it may not use, and of each file that sits in no folder of its stack.
Includes that resolve to no file of a stack (system and test-support
headers) are not the check's business.

Usage: check_layers.py [--root DIR]   (DIR defaults to the source tree)
"""
import argparse
import pathlib
import re
import sys

# Bottom-up. "below" names stacks that lie wholly beneath this one: the tool
# is built on the launcher's code and may use any of it.
STACKS = [
    {"root": "src", "layers": ["core", "support", "jvmsearch", "launch", "service", "app"], "below": []},
    {"root": "tools/vorbix-pack", "layers": ["base", "image", "config", "package", "commands"], "below": ["src"]},
]

SOURCE_SUFFIXES = {".c", ".cc", ".cpp", ".h", ".hpp"}
# Quoted and angled: with the roots on the include path, <launch/x.h> reaches
# the same file as "launch/x.h".
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def place(path, roots):
    """The stack holding a file and its layer folder there (None when the
    file is in no folder of the stack); (None, None) outside every stack."""
    for stack in STACKS:
        try:
            parts = path.relative_to(roots[stack["root"]]).parts
        except ValueError:
            continue
        return stack, parts[0] if len(parts) > 1 and parts[0] in stack["layers"] else None
    return None, None


def resolve(include, quoted, including_file, search_roots):
    bases = ([including_file.parent] if quoted else []) + search_roots
    for base in bases:
        candidate = (base / include).resolve()
        if candidate.is_file():
            return candidate
    return None


def check_file(path, stack, own, roots, shown):
    layers = stack["layers"]
    allowed = layers[: layers.index(own) + 1]
    search_roots = [roots[stack["root"]]] + [roots[name] for name in stack["below"]]
    problems = []
    lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
    for number, line in enumerate(lines, 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        include = match.group(2)
        target = resolve(include, match.group(1) == '"', path, search_roots)
        if target is None:
            continue
        target_stack, target_layer = place(target, roots)
        if target_stack is None or target_stack["root"] in stack["below"]:
            continue
        if target_stack is not stack:
            problems.append(f'{shown}:{number}: includes "{include}" from {target_stack["root"]}/, '
                            f'which {stack["root"]}/ may not use')
        elif target_layer not in allowed:
            where = f"{target_layer}/, which is above" if target_layer else "outside the stack's folders, not below"
            problems.append(f'{shown}:{number}: includes "{include}" from {where} {own}/ '
                            f"(it may include {', '.join(allowed)})")
    return problems


def check(root):
    root = root.resolve()
    roots = {stack["root"]: root / stack["root"] for stack in STACKS}
    problems = []
    for stack in STACKS:
        stack_root = roots[stack["root"]]
        if not stack_root.is_dir():
            problems.append(f"{stack['root']}: missing")
            continue
        for path in sorted(p for p in stack_root.rglob("*") if p.suffix in SOURCE_SUFFIXES and p.is_file()):
            shown = path.relative_to(root).as_posix()
            _, own = place(path.resolve(), roots)
            if own is None:
                problems.append(f"{shown}: not in a folder of the stack ({', '.join(stack['layers'])})")
                continue
            problems += check_file(path, stack, own, roots, shown)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", type=pathlib.Path, default=pathlib.Path(__file__).resolve().parent.parent)
    problems = check(parser.parse_args().root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layering", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
