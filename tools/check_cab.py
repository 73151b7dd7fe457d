#!/usr/bin/env python3
"""Checks that a cabinet is fit to be the launcher's payload.

The launcher needs a single MSZIP cabinet (format 1.3, header flags 0, one
folder) whose members all carry the archive attribute alone and have relative
ASCII names under "Resource\\", with both host builds and the ten interface
fonts among them. Prints every problem and exits 1 if there is any.
"""
import struct
import sys

FONTS = [
    "OpenSans-Bold.ttf", "OpenSans-BoldItalic.ttf", "OpenSans-ExtraBold.ttf",
    "OpenSans-ExtraBoldItalic.ttf", "OpenSans-Italic.ttf", "OpenSans-Light.ttf",
    "OpenSans-LightItalic.ttf", "OpenSans-Regular.ttf", "OpenSans-Semibold.ttf",
    "OpenSans-SemiboldItalic.ttf",
]
REQUIRED = ["Resource\\Binary\\32bit\\tarnview.exe", "Resource\\Binary\\64bit\\tarnview.exe"] + [
    "Resource\\UI\\Fonts\\" + name for name in FONTS]
ATTRIBUTE_ARCHIVE = 0x20
COMPRESSION_MSZIP = 1


def read_members(data, problems):
    if len(data) < 36 or data[:4] != b"MSCF":
        problems.append("not a cabinet: the MSCF signature is missing")
        return []
    (_, size, _, files_offset, _, minor, major, folders, files, flags, set_id,
     index) = struct.unpack_from("<IIIIIBBHHHHH", data, 4)
    if size != len(data):
        problems.append(f"header gives a size of {size} bytes, the file has {len(data)}")
    if (major, minor) != (1, 3):
        problems.append(f"format version {major}.{minor}, expected 1.3")
    if flags != 0:
        problems.append(f"header flags 0x{flags:04x}, expected 0 (a single cabinet without reserve)")
    if set_id != 0 or index != 0:
        problems.append(f"set id {set_id} and cabinet index {index}, expected 0 and 0")
    if folders != 1:
        problems.append(f"{folders} folders, expected 1")
    if folders < 1:
        return []
    data_offset, blocks, compression = struct.unpack_from("<IHH", data, 36)
    if compression != COMPRESSION_MSZIP:
        problems.append(f"compression type 0x{compression:04x}, expected MSZIP")
    unpacked = 0
    at = data_offset
    for block in range(blocks):
        if at + 8 > len(data):
            problems.append(f"data block {block} lies past the end of the file")
            break
        _, packed_size, unpacked_size = struct.unpack_from("<IHH", data, at)
        if compression == COMPRESSION_MSZIP and data[at + 8:at + 10] != b"CK":
            problems.append(f"data block {block} lacks the MSZIP signature")
        unpacked += unpacked_size
        at += 8 + packed_size
    members = []
    at = files_offset
    total = 0
    for number in range(files):
        if at + 16 > len(data):
            problems.append(f"member {number} lies past the end of the file")
            break
        length, _, folder, _, _, attributes = struct.unpack_from("<IIHHHH", data, at)
        end = data.find(b"\0", at + 16)
        if end < 0:
            problems.append(f"member {number} has no terminated name")
            break
        raw = data[at + 16:end]
        at = end + 1
        total += length
        try:
            name = raw.decode("ascii")
        except UnicodeDecodeError:
            problems.append(f"member {number} has a name outside ASCII: {raw!r}")
            continue
        members.append(name)
        if folder != 0:
            problems.append(f"{name}: lies in folder {folder}, expected 0")
        if attributes != ATTRIBUTE_ARCHIVE:
            problems.append(f"{name}: attributes 0x{attributes:02x}, expected 0x20 alone")
        if "/" in name:
            problems.append(f"{name}: uses a forward slash; members use backslashes")
        if len(name) > 1 and name[1] == ":" or name.startswith("\\") or name.startswith(".."):
            problems.append(f"{name}: starts with a drive, a backslash or '..'")
        if not name.startswith("Resource\\"):
            problems.append(f"{name}: does not begin with 'Resource\\'")
        if ".." in name.split("\\"):
            problems.append(f"{name}: climbs out of its folder through '..'")
    if blocks and unpacked != total:
        problems.append(f"data blocks unpack to {unpacked} bytes, the members add up to {total}")
    return members


def check(path):
    with open(path, "rb") as f:
        data = f.read()
    problems = []
    members = read_members(data, problems)
    present = set(members)
    for name in REQUIRED:
        if name not in present:
            problems.append(f"required member missing: {name}")
    return members, problems


def main():
    if len(sys.argv) != 2:
        print("usage: check_cab.py CABINET", file=sys.stderr)
        return 2
    members, problems = check(sys.argv[1])
    if problems:
        print(f"{sys.argv[1]} cannot be the launcher's payload:", file=sys.stderr)
        for problem in problems:
            print(f"  - {problem}", file=sys.stderr)
        return 1
    print(f"{sys.argv[1]}: payload cabinet checked, {len(members)} members")
    return 0


if __name__ == "__main__":
    sys.exit(main())
