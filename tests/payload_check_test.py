#!/usr/bin/env python3
"""The build-time payload check rejects every cabinet the launcher cannot use."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

TOOLS, SHIPPED_CAB = sys.argv[1:3]
del sys.argv[1:3]
sys.path.insert(0, TOOLS)
import check_cab  # noqa: E402


def make_cab(members, compress=True):
    """Builds a cabinet with gcab from {name: bytes}; names use '/'."""
    with tempfile.TemporaryDirectory() as stage:
        for name, data in members.items():
            path = os.path.join(stage, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        out = os.path.join(stage, "out.cab")
        subprocess.run(["gcab", "--create"] + (["--zip"] if compress else []) + [out] + sorted(members),
                       cwd=stage, check=True)
        with open(out, "rb") as f:
            return bytearray(f.read())


def complete_members():
    members = {name.replace("\\", "/"): b"data of " + name.encode() for name in check_cab.REQUIRED}
    members["Resource/UI/Html/en-US/index.html"] = b"<html></html>"
    return members


def first_member_offset(cab):
    return struct.unpack_from("<I", cab, 16)[0]


def problems_of(cab):
    with tempfile.NamedTemporaryFile(suffix=".cab", delete=False) as f:
        f.write(cab)
    try:
        return check_cab.check(f.name)[1]
    finally:
        os.remove(f.name)


class PayloadCheck(unittest.TestCase):
    def test_shipped_payload_passes(self):
        self.assertEqual(check_cab.check(SHIPPED_CAB)[1], [])

    def test_complete_cabinet_passes(self):
        self.assertEqual(problems_of(make_cab(complete_members())), [])

    def test_rejections(self):
        def missing_font():
            members = complete_members()
            del members["Resource/UI/Fonts/OpenSans-Light.ttf"]
            return make_cab(members)

        def read_only_member():
            cab = make_cab(complete_members())
            cab[first_member_offset(cab) + 14] = 0x21
            return cab

        def outside_resource():
            members = complete_members()
            members["Other/readme.txt"] = b"x"
            return make_cab(members)

        def climbing_name():
            members = complete_members()
            members["Resource/UI/xx/evil.txt"] = b"x"
            cab = make_cab(members)
            at = cab.find(b"Resource\\UI\\xx\\")
            cab[at + 12:at + 14] = b".."
            return cab

        def set_member():
            cab = make_cab(complete_members())
            cab[30] = 0x02  # "next cabinet" flag
            return cab

        def lying_size():
            cab = make_cab(complete_members())
            struct.pack_into("<I", cab, 8, len(cab) + 100)
            return cab

        cases = {
            "required member missing: Resource\\UI\\Fonts\\OpenSans-Light.ttf": missing_font,
            "attributes 0x21": read_only_member,
            "does not begin with 'Resource\\'": outside_resource,
            "climbs out of its folder": climbing_name,
            "header flags 0x0002": set_member,
            "header gives a size": lying_size,
            "compression type 0x0000": lambda: make_cab(complete_members(), compress=False),
            "MSCF signature is missing": lambda: bytearray(b"PK\x03\x04" + b"\0" * 100),
        }
        for expected, build in cases.items():
            with self.subTest(expected):
                problems = problems_of(build())
                self.assertTrue(any(expected in p for p in problems), problems)


if __name__ == "__main__":
    unittest.main(verbosity=2)
