#!/usr/bin/env python3
"""The closing lines of scripts/test: every skipped test by name with the
reason it printed, then one line that says which tiers ran and which were
skipped and why. Reads ctest's JUnit report (ctest --output-junit FILE).
Exits 1 when the report is missing or names no test."""
import sys
import xml.etree.ElementTree as ET
from collections import OrderedDict


def tier_of(name):
    if name.startswith("wine.win64."):
        return "Wine x64"
    if name.startswith("wine."):
        return "Wine x86"
    # ctest names the other tiers' tests "tier.name"; GoogleTest's are
    # "Suite.Case", suites in upper camel case.
    first = name.split(".", 1)[0]
    return first if first.islower() else "unit"


def reason_of(output):
    """The line a skipped test printed to say why ("skipped: ...")."""
    for line in (output or "").splitlines():
        if line.startswith("skipped: "):
            return line[len("skipped: "):]
    return "no reason given"


def summarize(report):
    tiers = OrderedDict()
    skipped = []
    for case in ET.parse(report).getroot().iter("testcase"):
        name = case.get("name")
        counts = tiers.setdefault(tier_of(name), {"ran": 0, "skipped": 0, "failed": 0, "reasons": OrderedDict()})
        if case.find("skipped") is not None:
            reason = reason_of(case.findtext("system-out"))
            skipped.append((name, reason))
            counts["skipped"] += 1
            counts["reasons"][reason.split(": ")[-1]] = True
        elif case.find("failure") is not None or case.get("status") == "fail":
            counts["failed"] += 1
        else:
            counts["ran"] += 1
    lines = [f"skipped: {name}: {reason}" for name, reason in skipped]
    parts = []
    for tier, c in tiers.items():
        if c["ran"] == 0 and c["failed"] == 0:
            parts.append(f"{tier} skipped ({'; '.join(c['reasons'])})")
            continue
        text = f"{tier} ran ({c['ran'] + c['failed']} tests"
        if c["failed"]:
            text += f", {c['failed']} failing"
        if c["skipped"]:
            text += f", {c['skipped']} skipped: {'; '.join(c['reasons'])}"
        parts.append(text + ")")
    lines.append("tiers: " + ", ".join(parts))
    return lines, bool(tiers)


def main():
    try:
        lines, any_test = summarize(sys.argv[1])
    except (OSError, ET.ParseError, IndexError) as e:
        print(f"test summary: no test report ({e})")
        return 1
    print()
    print("\n".join(lines))
    return 0 if any_test else 1


if __name__ == "__main__":
    sys.exit(main())
