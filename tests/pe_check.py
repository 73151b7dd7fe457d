#!/usr/bin/env python3
"""Reads the shipped launcher as a PE file and checks its machine, subsystem,
imports and every resource it must carry."""
import os
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile

EXE, CAB, RESOURCES = sys.argv[1:4]
del sys.argv[1:4]

RT_MENU, RT_DIALOG, RT_STRING, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 4, 5, 6, 10, 14, 16, 24
ENGLISH_US = 1033
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10
}
# DLLs that Windows always loads from its own folder.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll",
               "oleaut32.dll", "advapi32.dll", "msvcrt.dll"}


def resources(pe):
    """Maps (type, name) to a list of (language, bytes)."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        kind_key = str(kind.name) if kind.name is not None else kind.id
        for entry in kind.directory.entries:
            name_key = str(entry.name) if entry.name is not None else entry.id
            for language in entry.directory.entries:
                data = language.data.struct
                blob = pe.get_data(data.OffsetToData, data.Size)
                found.setdefault((kind_key, name_key), []).append((language.id, blob))
    return found


class ShippedLauncher(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(EXE)
        cls.res = resources(cls.pe)

    def single(self, kind, name):
        self.assertIn((kind, name), self.res)
        entries = self.res[(kind, name)]
        self.assertEqual(len(entries), 1)
        language, blob = entries[0]
        self.assertEqual(language, ENGLISH_US)
        return blob

    def test_machine_and_subsystem(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, 0x14C)  # i386
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, 2)  # Windows GUI

    def test_imports_only_system_dlls(self):
        names = [entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT]
        for name in names:
            self.assertNotRegex(name, r"^(lib|mingw)", f"MinGW runtime DLL imported: {name}")
            self.assertIn(name, SYSTEM_DLLS, f"{name} may be searched for beside the launcher")
        # The rest is delay-loaded after the search is restricted: a DLL loaded
        # before wWinMain brings dependencies that are looked for beside the
        # launcher first.
        self.assertEqual(set(names), {"kernel32.dll", "msvcrt.dll"})

    def test_manifest(self):
        blob = self.single(RT_MANIFEST, 1)
        with open(os.path.join(RESOURCES, "SelfExtractor.manifest"), "rb") as f:
            self.assertEqual(blob, f.read())
        root = ET.fromstring(blob)
        level = root.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
        self.assertEqual(level.get("level"), "requireAdministrator")
        self.assertEqual(level.get("uiAccess"), "false")
        dpi = root.find(".//{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual(dpi.text, "true")
        ids = {e.get("Id") for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
        self.assertEqual(ids, SUPPORTED_OS)

    def test_icon_group(self):
        blob = self.single(RT_GROUP_ICON, 107)
        count = int.from_bytes(blob[4:6], "little")
        images = []
        for i in range(count):
            entry = blob[6 + 14 * i:6 + 14 * (i + 1)]
            width, height, bits = entry[0], entry[1], int.from_bytes(entry[6:8], "little")
            images.append((width, height, bits))
        self.assertEqual(sorted(images), [(16, 16, 32), (32, 32, 32)])

    def test_payload_cabinet_byte_for_byte(self):
        blob = self.single(RT_RCDATA, 110)
        with open(CAB, "rb") as f:
            self.assertEqual(blob, f.read())
        self.assertEqual([key for key in self.res if key[0] == RT_RCDATA], [(RT_RCDATA, 110)])

    def test_string_table(self):
        blob = self.single("XML", 137)
        self.assertEqual(blob[:2], b"\xff\xfe")
        with open(os.path.join(RESOURCES, "strings.xml"), encoding="utf-8") as f:
            source = f.read()
        self.assertEqual(blob[2:].decode("utf-16-le"), source.replace("\n", "\r\n"))

    def test_no_dialog_menu_or_string_resources(self):
        kinds = {key[0] for key in self.res}
        self.assertFalse(kinds & {RT_MENU, RT_DIALOG, RT_STRING})

    def test_version_information(self):
        self.assertIn(RT_VERSION, {key[0] for key in self.res})
        strings = {}
        for info in getattr(self.pe, "FileInfo", [[]])[0]:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        self.assertEqual(strings.get("ProductName"), "Tolvane")
        self.assertTrue(strings.get("FileDescription"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
