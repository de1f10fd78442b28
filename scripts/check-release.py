#!/usr/bin/env python3
"""Checks a release executable as Windows will load it: a GUI program for its architecture with ASLR
and DEP on (the 64-bit one also with high-entropy ASLR), that imports Windows system DLLs only and no
function Windows 7 lacks, with its dialog, icon (every size a scaled display asks for), manifest
(common controls 6, elevation, supported systems, per-monitor DPI awareness) and version information
embedded, and the project's version in the version information, the manifest and the dialog caption.

    check-release.py [--arch x64|i686] SeriesClean.exe

Without --arch the architecture is the file's own; with it, a file of the other one fails. The
version is the one of the project() line in CMakeLists.txt of the source tree this script is in."""
import argparse
import os
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

SYSTEM_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'advapi32.dll', 'shell32.dll', 'shlwapi.dll',
               'ole32.dll', 'comctl32.dll', 'msvcrt.dll'}
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
DLLCHAR_HIGH_ENTROPY_VA, DLLCHAR_DYNAMIC_BASE, DLLCHAR_NX_COMPAT = 0x0020, 0x0040, 0x0100
DIR_IMPORT, DIR_RESOURCE, DIR_BASERELOC = 1, 2, 5
SUBSYSTEM_WINDOWS_GUI = 2
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24
IDD_SERIESCLEAN_DIALOG, IDR_MAINFRAME = 102, 128
# Functions that Windows 7 lacks: imported, they would stop the program from starting there, so the
# program looks them up while it runs.
NEWER_THAN_WINDOWS_7 = {'GetDpiForWindow', 'GetDpiForSystem', 'GetSystemMetricsForDpi',
                        'SetProcessDpiAwarenessContext', 'SetThreadDpiAwarenessContext', 'AdjustWindowRectExForDpi',
                        'SystemParametersInfoForDpi', 'SetDefaultDllDirectories'}

APP_TITLE = 'ルミナGOシリーズの削除'
SUPPORTED_OS = {
    'Windows 7': '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',
    'Windows 8': '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',
    'Windows 8.1': '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',
    'Windows 10 and 11': '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}',
}
ASM_V1, ASM_V3 = '{urn:schemas-microsoft-com:asm.v1}', '{urn:schemas-microsoft-com:asm.v3}'
COMPAT_V1 = '{urn:schemas-microsoft-com:compatibility.v1}'
SETTINGS_2005 = '{http://schemas.microsoft.com/SMI/2005/WindowsSettings}'
SETTINGS_2016 = '{http://schemas.microsoft.com/SMI/2016/WindowsSettings}'
# The window icon and the small icon at 100, 125, 150, 175 and 200 %, all at 24 bits.
ICON_SIZES = [16, 20, 24, 28, 32, 40, 48, 56, 64]


class Arch:
    def __init__(self, name, label, machine, magic, dll_characteristics):
        self.name, self.label, self.machine, self.magic = name, label, machine, magic
        self.dll_characteristics = dll_characteristics


ARCHS = {
    'x64': Arch('x64', '64-bit (x86-64, PE32+)', 0x8664, 0x20B,
                {DLLCHAR_DYNAMIC_BASE: 'ASLR (dynamic base)', DLLCHAR_HIGH_ENTROPY_VA: 'high-entropy ASLR',
                 DLLCHAR_NX_COMPAT: 'DEP (NX compatible)'}),
    'i686': Arch('i686', '32-bit (i386, PE32)', 0x14C, 0x10B,
                 {DLLCHAR_DYNAMIC_BASE: 'ASLR (dynamic base)', DLLCHAR_NX_COMPAT: 'DEP (NX compatible)'}),
}


def project_version(root):
    """The version of CMakeLists.txt's project() line, as the four numbers of a file version."""
    text = open(os.path.join(root, 'CMakeLists.txt'), encoding='utf-8').read()
    match = re.search(r'^\s*project\(\s*SeriesClean\s+VERSION\s+([0-9]+(?:\.[0-9]+){0,3})\b', text, re.M)
    if not match:
        raise ValueError('CMakeLists.txt has no project(SeriesClean VERSION ...) line')
    numbers = [int(part) for part in match.group(1).split('.')]
    return match.group(1), tuple(numbers + [0] * (4 - len(numbers)))


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('not a PE file')
        self.machine, sections, _, _, _, opt_size, self.characteristics = struct.unpack_from('<HHIIIHH', data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from('<H', data, opt)[0]
        if self.magic not in (0x10B, 0x20B):
            raise ValueError('unknown optional header magic 0x%X' % self.magic)
        self.subsystem, self.dll_characteristics = struct.unpack_from('<HH', data, opt + 68)
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from('<II', data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        table = opt + opt_size
        for i in range(sections):
            _name, vsize, vaddr, rsize, raddr = struct.unpack_from('<8sIIII', data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError('address outside every section')

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('ascii')

    def import_entries(self):
        rva, _size = self.directories[DIR_IMPORT]
        pos = self.offset(rva)
        while True:
            entry = struct.unpack_from('<IIIII', self.data, pos)
            if not any(entry):
                return
            yield entry
            pos += 20

    def imports(self):
        return [self.cstring(entry[3]).lower() for entry in self.import_entries()]

    def imported_functions(self):
        """The names of the functions imported by name (not by ordinal), from every DLL."""
        wide = self.magic == 0x20B
        thunk_size, ordinal_flag = (8, 1 << 63) if wide else (4, 1 << 31)
        names = []
        for entry in self.import_entries():
            pos = self.offset(entry[0] or entry[4])
            while True:
                thunk = struct.unpack_from('<Q' if wide else '<I', self.data, pos)[0]
                if thunk == 0:
                    break
                if not thunk & ordinal_flag:
                    names.append(self.cstring((thunk & 0x7FFFFFFF) + 2))
                pos += thunk_size
        return names

    def resources(self):
        """{type: {name: data}} of the first language of each resource."""
        base_rva, _size = self.directories[DIR_RESOURCE]
        base = self.offset(base_rva)

        def entries(table):
            named, ids = struct.unpack_from('<HH', self.data, table + 12)
            for i in range(named + ids):
                ident, value = struct.unpack_from('<II', self.data, table + 16 + 8 * i)
                yield ident, value

        found = {}
        for type_id, type_value in entries(base):
            for name_id, name_value in entries(base + (type_value & 0x7FFFFFFF)):
                for _lang, leaf in entries(base + (name_value & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from('<II', self.data, base + leaf)
                    start = self.offset(data_rva)
                    found.setdefault(type_id, {})[name_id] = self.data[start:start + size]
                    break
        return found


def utf16z(data, pos):
    """The NUL-terminated UTF-16 string at pos, and the position after its NUL."""
    end = pos
    while data[end:end + 2] != b'\0\0':
        if end + 2 > len(data):
            raise ValueError('unterminated UTF-16 string')
        end += 2
    return data[pos:end].decode('utf-16-le'), end + 2


def version_node(data, pos):
    """One node of a VS_VERSIONINFO tree: (key, value bytes, is text, children). Every member is
    aligned to 32 bits from the start of the resource."""
    length, value_length, is_text = struct.unpack_from('<HHH', data, pos)
    if length < 6 or pos + length > len(data):
        raise ValueError('version information node of impossible length')
    key, value_pos = utf16z(data, pos + 6)
    value_pos = (value_pos + 3) & ~3
    value_size = value_length * 2 if is_text else value_length
    value = data[value_pos:value_pos + value_size]
    children = []
    child = (value_pos + value_size + 3) & ~3
    while child < pos + length:
        node = version_node(data, child)
        children.append(node)
        child = (child + struct.unpack_from('<H', data, child)[0] + 3) & ~3
    return key, value, bool(is_text), children


def version_info(data):
    """(file version, product version, {string name: text}) of a version resource."""
    key, fixed, _is_text, children = version_node(data, 0)
    if key != 'VS_VERSION_INFO' or len(fixed) < 52 or struct.unpack_from('<I', fixed)[0] != 0xFEEF04BD:
        raise ValueError('no VS_FIXEDFILEINFO')
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<IIII', fixed, 8)
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {}
    for block, _value, _text, tables in children:
        if block != 'StringFileInfo':
            continue
        for _language, _v, _t, values in tables:
            for name, value, _t2, _c in values:
                strings[name] = value.decode('utf-16-le').rstrip('\0')
    return split(file_ms, file_ls), split(product_ms, product_ls), strings


def dialog_caption(template):
    """The caption of a DLGTEMPLATEEX (or of a plain DLGTEMPLATE)."""
    extended = struct.unpack_from('<HH', template) == (1, 0xFFFF)
    pos = 26 if extended else 18
    for _menu_and_class in range(2):
        if struct.unpack_from('<H', template, pos)[0] == 0xFFFF:
            pos += 4
        else:
            _name, pos = utf16z(template, pos)
    return utf16z(template, pos)[0]


def check_manifest(text, quad, failures):
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        failures.append('the manifest is not well-formed XML: %s' % error)
        return
    own = root.find(ASM_V1 + 'assemblyIdentity')
    if own is None or own.get('name') != 'SeriesClean' or own.get('version') != quad:
        failures.append('the manifest\'s assembly identity is not SeriesClean version %s' % quad)
    controls = [identity for identity in root.iter(ASM_V1 + 'assemblyIdentity')
                if identity.get('name') == 'Microsoft.Windows.Common-Controls']
    if not any(identity.get('version') == '6.0.0.0' for identity in controls):
        failures.append('the manifest does not ask for common controls 6')
    levels = [element.get('level') for element in root.iter(ASM_V3 + 'requestedExecutionLevel')]
    if levels != ['requireAdministrator']:
        failures.append('the manifest does not ask for administrator rights (requireAdministrator): %s' % levels)
    declared = {element.get('Id', '').lower() for element in root.iter(COMPAT_V1 + 'supportedOS')}
    for system, guid in SUPPORTED_OS.items():
        if guid not in declared:
            failures.append('the manifest does not declare %s as supported' % system)
    check_dpi_awareness(root, failures)


def check_dpi_awareness(root, failures):
    """Windows reads the DPI settings only under asm.v3 application/windowsSettings, each element in
    its own namespace. Windows 10 1607 and later take the first value of dpiAwareness they know and
    ignore dpiAware; Windows 7 to 8.1 know dpiAware only."""
    settings = [element for application in root.findall(ASM_V3 + 'application')
                for element in application.findall(ASM_V3 + 'windowsSettings')]
    aware = [(element.text or '').strip().lower() for block in settings
             for element in block.findall(SETTINGS_2005 + 'dpiAware')]
    if aware != ['true/pm']:
        failures.append('the manifest does not declare dpiAware true/pm (per-monitor on Windows 8.1, '
                        'system DPI on 7 and 8): %s' % aware)
    awareness = [[value.strip().lower() for value in (element.text or '').split(',')] for block in settings
                 for element in block.findall(SETTINGS_2016 + 'dpiAwareness')]
    if len(awareness) != 1 or awareness[0][:1] != ['permonitorv2'] or 'permonitor' not in awareness[0]:
        failures.append('the manifest does not declare dpiAwareness PerMonitorV2 first with PerMonitor after '
                        'it: %s' % awareness)


def check(path, arch_name, root):
    """What is wrong with the executable at path (a list of sentences), the architecture it was checked
    as, the DLLs it imports and the file version it must have."""
    failures = []
    version, numbers = project_version(root)
    quad = '.'.join(str(n) for n in numbers)
    pe = PeFile(open(path, 'rb').read())

    own = next((a for a in ARCHS.values() if (a.machine, a.magic) == (pe.machine, pe.magic)), None)
    arch = ARCHS[arch_name] if arch_name else own
    if arch is None:
        return ['neither a 64-bit nor a 32-bit Windows executable (machine 0x%X, magic 0x%X)'
                % (pe.machine, pe.magic)], None, [], quad
    if own is not arch:
        failures.append('not a %s executable (machine 0x%X, magic 0x%X)' % (arch.label, pe.machine, pe.magic))
    if pe.subsystem != SUBSYSTEM_WINDOWS_GUI:
        failures.append('not a GUI (Windows subsystem) program')
    for flag, what in arch.dll_characteristics.items():
        if not pe.dll_characteristics & flag:
            failures.append('%s is off' % what)
    # ASLR moves the image only when the relocations are there to do it.
    if pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED or pe.directories[DIR_BASERELOC][1] == 0:
        failures.append('no base relocations: the loader cannot move the image')
    imports = sorted(set(pe.imports()))
    foreign = [dll for dll in imports if dll not in SYSTEM_DLLS]
    if foreign:
        failures.append('imports DLLs that are not Windows system DLLs: ' + ', '.join(foreign))
    newer = sorted(set(pe.imported_functions()) & NEWER_THAN_WINDOWS_7)
    if newer:
        failures.append('imports functions that Windows 7 lacks, so it would not start there: ' + ', '.join(newer))

    res = pe.resources()
    dialog = res.get(RT_DIALOG, {}).get(IDD_SERIESCLEAN_DIALOG)
    if dialog is None:
        failures.append('no dialog %d' % IDD_SERIESCLEAN_DIALOG)
    else:
        caption = dialog_caption(dialog)
        if caption != '%s - Version %s' % (APP_TITLE, version):
            failures.append('dialog %d\'s caption is %r' % (IDD_SERIESCLEAN_DIALOG, caption))
    if IDR_MAINFRAME not in res.get(RT_GROUP_ICON, {}):
        failures.append('no icon group %d' % IDR_MAINFRAME)
    else:
        group = res[RT_GROUP_ICON][IDR_MAINFRAME]
        count = struct.unpack_from('<H', group, 4)[0]
        images = [struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i) for i in range(count)]
        sizes = sorted((w or 256, h or 256, bits) for w, h, _c, _r, _p, bits, _s, _id in images)
        if sizes != [(size, size, 24) for size in ICON_SIZES]:
            failures.append('icon %d is not one square image at 24 bits of each size %s: %s'
                            % (IDR_MAINFRAME, ICON_SIZES, sizes))
        missing = [image[7] for image in images if image[7] not in res.get(RT_ICON, {})]
        if missing:
            failures.append('icon %d names images that are not there: %s' % (IDR_MAINFRAME, missing))
    manifests = res.get(RT_MANIFEST, {})
    if 1 not in manifests:
        failures.append('no manifest (RT_MANIFEST 1)')
    else:
        check_manifest(manifests[1], quad, failures)
    if 1 not in res.get(RT_VERSION, {}):
        failures.append('no version information')
    else:
        file_version, product_version, strings = version_info(res[RT_VERSION][1])
        if file_version != numbers or product_version != numbers:
            failures.append('file or product version is not %s: %s, %s' % (quad, file_version, product_version))
        if strings.get('FileVersion') != quad:
            failures.append('the FileVersion text is not %s: %r' % (quad, strings.get('FileVersion')))
        if strings.get('ProductVersion') != version:
            failures.append('the ProductVersion text is not %s: %r' % (version, strings.get('ProductVersion')))
        if strings.get('FileDescription') != APP_TITLE:
            failures.append('the file description is not the Japanese title: %r' % strings.get('FileDescription'))
    return failures, arch, imports, quad


def main(argv):
    parser = argparse.ArgumentParser(description='Checks a SeriesClean release executable.')
    parser.add_argument('--arch', choices=sorted(ARCHS), help='the architecture the file must be built for')
    parser.add_argument('exe')
    args = parser.parse_args(argv)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        failures, arch, imports, quad = check(args.exe, args.arch, root)
    except (OSError, ValueError, struct.error, IndexError, UnicodeDecodeError) as error:
        failures = ['cannot be read as a release executable: %s' % error]
    if failures:
        for failure in failures:
            print('check-release: %s: %s' % (args.exe, failure), file=sys.stderr)
        return 1
    print('check-release: %s: %s GUI executable with %s; imports %s; dialog 102, icon 128 (%s pixels, '
          '24 bits), manifest (common controls 6, requireAdministrator, Windows 7 to 11, per-monitor v2 DPI '
          'awareness) and version %s embedded' % (args.exe, arch.label, ', '.join(arch.dll_characteristics.values()),
                                                 ', '.join(imports), ', '.join(map(str, ICON_SIZES)), quad))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
