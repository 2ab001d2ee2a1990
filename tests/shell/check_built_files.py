#!/usr/bin/env python3
"""Checks the built Windows files without running them, so that a host that
cannot run a width still checks its build: each file's machine type and the
DLLs it imports (Windows' own only: the C and C++ runtimes and every library
the programs use, the XML library among them, are linked in statically), the
resources of tarvo.dll read from the file's own resource tree (the Info and
Tags dialogs' templates word by word, the version block), and the
application manifest of each program.
Usage: check_built_files.py i386|x86-64 TARVO_DLL [PROGRAM...]"""
import struct
import sys
from xml.etree import ElementTree

MACHINES = {'i386': 0x14C, 'x86-64': 0x8664}
RT_DIALOG, RT_VERSION, RT_MANIFEST, ENGLISH_UK = 5, 16, 24, 0x0809
# The DLLs of Windows itself that the files may import.
SYSTEM_DLLS = {'advapi32.dll', 'comctl32.dll', 'kernel32.dll', 'msvcrt.dll', 'ole32.dll',
               'shell32.dll', 'user32.dll'}

# The classic template of dialog 132, word by word: dialog style and extended
# style, one control, frame, no menu, class or caption, the font; then the
# edit box's styles, frame, id 1003, the predefined edit class, no text or data.
DIALOG = [0x0040, 0x5080, 0, 0, 1, 0, 0, 238, 221, 0, 0, 0,
          8, *map(ord, 'MS Shell Dlg'), 0,
          0x0084, 0x50B0, 0, 0, 2, 3, 233, 215, 1003, 0xFFFF, 0x0081, 0, 0]
# Dialog 133, the Tags page: the same template, its edit box read-only
# (ES_READONLY, 0x0800).
TAGS_DIALOG = [0x0040, 0x5080, 0, 0, 1, 0, 0, 238, 221, 0, 0, 0,
               8, *map(ord, 'MS Shell Dlg'), 0,
               0x0884, 0x50B0, 0, 0, 2, 3, 233, 215, 1003, 0xFFFF, 0x0081, 0, 0]
# Signature, layout, file and product version 1.0.0.1, flag mask and flags,
# VOS__WINDOWS32, VFT_DLL, no subtype, no date.
FIXED = [0xFEEF04BD, 0x00010000, 0x00010000, 1, 0x00010000, 1, 0x3F, 0, 4, 2, 0, 0, 0]
STRINGS = {'FileDescription': "Adds 'Info' tab to WAV file 'Properties'",
           'FileVersion': '1.0', 'InternalName': 'tarvo', 'OriginalFilename': 'tarvo.dll',
           'ProductName': 'Tarvo Shell Extension', 'ProductVersion': '1.0',
           'CompanyName': None, 'Comments': None, 'LegalCopyright': None}


# A program's manifest: run with the rights of whoever starts it (no
# elevation asked for), on Windows 7, 8, 8.1, and 10 and 11, in the ANSI code
# page of the system (no activeCodePage).
ASSEMBLY, TRUST, COMPATIBILITY = ('urn:schemas-microsoft-com:asm.v1', 'urn:schemas-microsoft-com:asm.v3',
                                  'urn:schemas-microsoft-com:compatibility.v1')
EXECUTION_LEVEL = '/'.join(f'{{{TRUST}}}{tag}' for tag in
                           ('trustInfo', 'security', 'requestedPrivileges', 'requestedExecutionLevel'))
SUPPORTED_OS = '/'.join(f'{{{COMPATIBILITY}}}{tag}' for tag in ('compatibility', 'application', 'supportedOS'))
WINDOWS_7_TO_11 = {'{35138b9a-5d96-4fbd-8e2d-a2440225f93a}', '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',
                   '{1f676c76-80e1-4239-95bb-83d0f6d0da78}', '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'}


def image(data):
    """The machine, the sections (virtual size and address, raw size and
    offset), the resource tree's address and the import directory's address
    of a PE image."""
    at = struct.unpack_from('<I', data, 0x3C)[0]
    if data[:2] != b'MZ' or data[at:at + 4] != b'PE\0\0':
        raise ValueError('not a PE image')
    machine, count = struct.unpack_from('<HH', data, at + 4)
    optional_size = struct.unpack_from('<H', data, at + 20)[0]
    optional = at + 24
    directories = optional + (96 if struct.unpack_from('<H', data, optional)[0] == 0x10B else 112)
    sections = [struct.unpack_from('<IIII', data, optional + optional_size + 40 * i + 8)
                for i in range(count)]
    return (machine, sections, struct.unpack_from('<I', data, directories + 2 * 8)[0],
            struct.unpack_from('<I', data, directories + 1 * 8)[0])


def file_offset(sections, address):
    for size, virtual, raw_size, raw in sections:
        if virtual <= address < virtual + max(size, raw_size):
            return raw + address - virtual
    raise ValueError(f'address {address:#x} lies in no section')


def imports(data, sections, directory):
    """The names of the DLLs in the import directory: one 20-byte descriptor
    each, the name's address fourth, up to an empty one."""
    names = []
    while directory:
        name = struct.unpack_from('<5I', data, file_offset(sections, directory))[3]
        if name == 0:
            break
        at = file_offset(sections, name)
        names.append(data[at:data.index(b'\0', at)].decode('ascii', 'replace'))
        directory += 20
    return names


def resources(data, sections, tree):
    """{(type, name, language): bytes} from the three levels of the tree."""
    def offset(address):
        return file_offset(sections, address)
    base = offset(tree)

    def entries(directory):
        named, numbered = struct.unpack_from('<HH', data, base + directory + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from('<II', data, base + directory + 16 + 8 * i)
            yield ident, target & 0x7FFFFFFF
    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            for language, leaf in entries(languages):
                address, size = struct.unpack_from('<II', data, base + leaf)
                found[kind, name, language] = data[offset(address):offset(address) + size]
    return found


def version_nodes(block, at=0, path=''):
    """{path: value} of a version block: length, value length, type, key
    (UTF-16, NUL-ended), the value and the children, each on 4 bytes."""
    length, value_length, is_text = struct.unpack_from('<HHH', block, at)
    key_end = at + 6
    while block[key_end:key_end + 2] != b'\0\0':
        key_end += 2
    key = path + block[at + 6:key_end].decode('utf-16-le')
    value_at = (key_end + 5) & ~3
    value = block[value_at:value_at + value_length * (2 if is_text else 1)]
    nodes = {key: value.decode('utf-16-le').rstrip('\0') if is_text else value}
    child = (value_at + len(value) + 3) & ~3
    while child < at + length:
        nodes.update(version_nodes(block, child, key + '\\'))
        child = (child + struct.unpack_from('<H', block, child)[0] + 3) & ~3
    return nodes


def manifest_failures(path, found):
    """What is wrong with the one manifest, id 1, of a program."""
    manifests = {name: value for (kind, name, _), value in found.items() if kind == RT_MANIFEST}
    if list(manifests) != [1]:
        return [f'{path}: manifests {sorted(manifests)}, want one, id 1']
    try:
        root = ElementTree.fromstring(manifests[1])
    except ElementTree.ParseError as error:
        return [f'{path}: the manifest is not well-formed XML: {error}']
    failures = []
    if root.tag != f'{{{ASSEMBLY}}}assembly' or root.get('manifestVersion') != '1.0':
        failures.append(f'{path}: the manifest root is {root.tag} {root.attrib}')
    levels = [(level.get('level'), level.get('uiAccess')) for level in root.findall(EXECUTION_LEVEL)]
    if levels != [('asInvoker', 'false')]:
        failures.append(f'{path}: execution levels {levels}, want asInvoker, uiAccess false')
    systems = [system.get('Id', '').lower() for system in root.findall(SUPPORTED_OS)]
    if sorted(systems) != sorted(WINDOWS_7_TO_11):
        failures.append(f'{path}: supported systems {systems}, want Windows 7, 8, 8.1, 10 and 11')
    if any(element.tag.endswith('}activeCodePage') for element in root.iter()):
        failures.append(f'{path}: the manifest sets a code page')
    return failures


def check(machine_name, library, programs):
    failures = []
    for path in [library] + programs:
        data = open(path, 'rb').read()
        machine, sections, tree, import_directory = image(data)
        if machine != MACHINES[machine_name]:
            failures.append(f'{path}: machine {machine:#x}, want {machine_name}')
        names = imports(data, sections, import_directory)
        if not names:
            failures.append(f'{path}: no imported DLL found')
        failures += [f'{path}: imports {name}, not a DLL of Windows'
                     for name in names if name.lower() not in SYSTEM_DLLS]
        if path in programs:
            found = resources(data, sections, tree) if tree else {}
            failures += manifest_failures(path, found)
    data = open(library, 'rb').read()
    found = resources(data, *image(data)[1:3])
    if {kind for kind, _, _ in found} != {RT_DIALOG, RT_VERSION}:
        failures.append(f'resource types {sorted({k for k, _, _ in found})}, want only 5 and 16')
    dialogs = sorted(key for key in found if key[0] == RT_DIALOG)
    if dialogs != [(RT_DIALOG, 132, ENGLISH_UK), (RT_DIALOG, 133, ENGLISH_UK)]:
        failures.append(f'dialogs {dialogs}, want 132 and 133 (English, UK)')
    for name, want in ((132, DIALOG), (133, TAGS_DIALOG)):
        dialog = found.get((RT_DIALOG, name, ENGLISH_UK), b'')
        words = list(struct.unpack_from(f'<{len(want)}H', dialog)) if len(dialog) >= 2 * len(want) else []
        if words != want:
            failures.append(f'dialog {name} (English, UK) is {words}, want {want}')
    blocks = [value for (kind, _, _), value in found.items() if kind == RT_VERSION]
    nodes = version_nodes(blocks[0]) if len(blocks) == 1 else {}
    fixed = nodes.get('VS_VERSION_INFO', b'')
    if len(fixed) != 52 or list(struct.unpack('<13I', fixed)) != FIXED:
        failures.append(f'fixed version information {fixed.hex()}')
    if nodes.get('VS_VERSION_INFO\\VarFileInfo\\Translation') != struct.pack('<I', 0x04B00809):
        failures.append('the translation is not English (UK), Unicode')
    for name, text in STRINGS.items():
        got = nodes.get('VS_VERSION_INFO\\StringFileInfo\\080904b0\\' + name)
        if not got or (text is not None and got != text):
            failures.append(f'version string {name} is {got!r}, want {text or "some text"!r}')
    return failures


if __name__ == '__main__':
    failures = check(sys.argv[1], sys.argv[2], sys.argv[3:])
    for failure in failures:
        print('FAIL:', failure)
    print(f'{len(failures)} check(s) failed' if failures else 'all checks passed')
    sys.exit(1 if failures else 0)
