#!/usr/bin/env python3
"""Builds the payload cabinet from a payload folder and the two host builds.

The folder's content becomes "Resource\\..."; the host builds are added as
Resource\\Binary\\32bit\\tarnview.exe and Resource\\Binary\\64bit\\tarnview.exe.
The result is checked (check_cab.py) and removed again if it does not pass.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_cab  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--payload", required=True, help="folder whose content goes under Resource\\")
    parser.add_argument("--host32", required=True)
    parser.add_argument("--host64", required=True)
    parser.add_argument("--stage", required=True, help="scratch folder")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    if not os.path.isdir(args.payload):
        print(f"payload folder not found: {args.payload}", file=sys.stderr)
        return 1
    resource = os.path.join(args.stage, "Resource")
    shutil.rmtree(args.stage, ignore_errors=True)
    shutil.copytree(args.payload, resource)
    for bits, host in (("32bit", args.host32), ("64bit", args.host64)):
        folder = os.path.join(resource, "Binary", bits)
        os.makedirs(folder, exist_ok=True)
        shutil.copy2(host, os.path.join(folder, "tarnview.exe"))

    members = []
    for root, _, files in os.walk(resource):
        for name in files:
            members.append(os.path.relpath(os.path.join(root, name), args.stage))
    members.sort()
    out = os.path.abspath(args.out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    if os.path.exists(out):
        os.remove(out)
    subprocess.run(["gcab", "--create", "--zip", out] + members, cwd=args.stage, check=True)

    names, problems = check_cab.check(out)
    if problems:
        print(f"the payload built from {args.payload} cannot be embedded:", file=sys.stderr)
        for problem in problems:
            print(f"  - {problem}", file=sys.stderr)
        os.remove(out)
        return 1
    print(f"{out}: {len(names)} members, {os.path.getsize(out)} bytes, checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
