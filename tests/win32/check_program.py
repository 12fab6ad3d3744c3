#!/usr/bin/env python3
"""Checks the built installer.exe as the system's loader would see it, from its PE headers.

  check_program.py --machine i386|x86-64 --manifest FILE --version X.Y.Z PROGRAM NAME=FILE...

The program must be a GUI program for the given processor, stripped, with address-space layout
randomisation and no-execute data, importing only the allowed system DLLs; it must hold every
named raw-data resource with the bytes of its file, the 16/32/48 px MAINICON, the Chinese
version resource and the manifest, byte for byte, with the settings the program relies on.
Standard library only; exits 1 with one line per fault.
"""

import argparse
import struct
import sys
import xml.etree.ElementTree as ElementTree

ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "advapi32.dll",
                "comctl32.dll", "msvcrt.dll"}
MACHINES = {"i386": (0x014C, 0x10B), "x86-64": (0x8664, 0x20B)}  # machine, optional-header magic
RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 10, 14, 16, 24
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
VERSION_STRINGS = {
    "CompanyName": "澄岚软件工作室",
    "FileDescription": "安装向导",
    "ProductName": "澄岚汽车用品销售工作系统 安装程序",
}


class Image:
    def __init__(self, data):
        self.data = data
        (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        coff = pe_offset + 4
        (self.machine, sections, _, self.symbol_table, self.symbols, optional_size,
         _) = struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        (self.magic,) = struct.unpack_from("<H", data, optional)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            entry = table + 40 * i
            name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((name, rva, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        rva, _ = self.directories[1]
        names = []
        position = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, position)
            if not any(descriptor):
                return names
            names.append(self.c_string(descriptor[3]))
            position += 20

    def resources(self):
        """{(type, name): (language, bytes)} where type and name are ints or upper-case str."""
        rva, _ = self.directories[2]
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    (length,) = struct.unpack_from("<H", self.data, at)
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        found = {}
        for kind, names in entries(0):
            for name, languages in entries(names & 0x7FFFFFFF):
                for language, leaf in entries(languages & 0x7FFFFFFF):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(kind, name)] = (language, self.data[start:start + size])
        return found


def check_manifest(text, faults):
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
          "compat": "urn:schemas-microsoft-com:compatibility.v1",
          "ws": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}
    root = ElementTree.fromstring(text)
    level = root.find("v3:trustInfo/v3:security/v3:requestedPrivileges/"
                      "v3:requestedExecutionLevel", ns)
    if level is None or level.get("level") != "requireAdministrator" \
            or level.get("uiAccess") != "false":
        faults.append("manifest: not requireAdministrator with uiAccess false")
    controls = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                "version": "6.0.0.0", "processorArchitecture": "*",
                "publicKeyToken": "6595b64144ccf1df", "language": "*"}
    identities = root.findall("v1:dependency/v1:dependentAssembly/v1:assemblyIdentity", ns)
    if not any(identity.attrib == controls for identity in identities):
        faults.append("manifest: no dependency on common controls 6.0.0.0 as required")
    ids = {os.get("Id").lower()
           for os in root.findall("compat:compatibility/compat:application/compat:supportedOS",
                                  ns)}
    if ids != SUPPORTED_OS:
        faults.append(f"manifest: supported systems {sorted(ids)}")
    dpi = root.find("v3:application/v3:windowsSettings/ws:dpiAware", ns)
    if dpi is None or dpi.text.strip() != "false":
        faults.append("manifest: dpiAware is not false")


def check_version(block, version, faults):
    signature = block.find(struct.pack("<I", 0xFEEF04BD))
    if signature < 0:
        faults.append("version: no fixed file information")
        return
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", block, signature + 8)
    parts = [int(part) for part in version.split(".")] + [0, 0, 0]
    expected = ((parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3])
    if (file_ms, file_ls) != expected or (product_ms, product_ls) != expected:
        faults.append(f"version: numbers are not {version}")
    for key in ["080404b0", *VERSION_STRINGS.keys(), *VERSION_STRINGS.values()]:
        if key.encode("utf-16-le") not in block:
            faults.append(f"version: {key!r} missing")
    # Translation: Chinese (PRC), Unicode.
    translation = "Translation\0".encode("utf-16-le")
    at = block.find(translation)
    value = (at + len(translation) + 3) & ~3
    if at < 0 or struct.unpack_from("<HH", block, value) != (0x0804, 1200):
        faults.append("version: translation is not 0x804, 1200")


def check_icon(resources, faults):
    group = resources.get((RT_GROUP_ICON, "MAINICON"))
    if group is None:
        faults.append("MAINICON group icon missing")
        return
    _, data = group
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    sizes = []
    for i in range(count):
        width, _, _, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        image = resources.get((RT_ICON, icon_id))
        if image is None or len(image[1]) != size:
            faults.append(f"icon image {icon_id} missing or of the wrong size")
        sizes.append((width, bits))
    if kind != 1 or sorted(sizes) != [(16, 32), (32, 32), (48, 32)]:
        faults.append(f"MAINICON holds {sizes}, not 16, 32 and 48 px in 32 bits")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--machine", choices=MACHINES, required=True)
    parser.add_argument("--manifest", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("program")
    parser.add_argument("resources", nargs="+", metavar="NAME=FILE")
    arguments = parser.parse_args()

    with open(arguments.program, "rb") as program:
        image = Image(program.read())
    faults = []
    machine, magic = MACHINES[arguments.machine]
    if (image.machine, image.magic) != (machine, magic):
        faults.append(f"machine {image.machine:#x}, magic {image.magic:#x}")
    if image.subsystem != 2:
        faults.append(f"subsystem {image.subsystem}, not the GUI (2)")
    if image.symbol_table or image.symbols:
        faults.append("not stripped: a COFF symbol table remains")
    if any(name.startswith(".debug") for name, *_ in image.sections):
        faults.append("not stripped: debug sections remain")
    for flag, what in ((0x40, "dynamic base"), (0x100, "NX compatible")):
        if not image.dll_characteristics & flag:
            faults.append(f"not {what}")
    dlls = image.imported_dlls()
    extra = sorted({dll.lower() for dll in dlls} - ALLOWED_DLLS)
    if extra:
        faults.append(f"imports beyond the allowed system DLLs: {extra}")

    resources = image.resources()
    for pair in arguments.resources:
        name, path = pair.split("=", 1)
        with open(path, "rb") as source:
            expected = source.read()
        stored = resources.get((RT_RCDATA, name.upper()))
        if stored is None:
            faults.append(f"resource {name} missing")
        elif stored[1] != expected:
            faults.append(f"resource {name}: {len(stored[1])} bytes, not those of {path}")
    check_icon(resources, faults)
    version = resources.get((RT_VERSION, 1))
    if version is None or version[0] != 0x0804:
        faults.append("no Chinese (0x804) version resource 1")
    else:
        check_version(version[1], arguments.version, faults)
    manifest = resources.get((RT_MANIFEST, 1))
    with open(arguments.manifest, "rb") as source:
        manifest_source = source.read()
    if manifest is None or manifest[1] != manifest_source:
        faults.append("manifest resource 1 missing or not the bytes of the manifest file")
    else:
        check_manifest(manifest[1], faults)

    for fault in faults:
        print(f"{arguments.program}: {fault}")
    if faults:
        return 1
    print(f"{arguments.program}: {arguments.machine} GUI program; imports {', '.join(dlls)}; "
          f"{len(arguments.resources)} raw-data resources, icon, version and manifest as built")
    return 0


if __name__ == "__main__":
    sys.exit(main())
