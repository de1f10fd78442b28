#!/usr/bin/env python3
"""Checks the release executable as Windows will load it: a 32-bit GUI program with ASLR and DEP on,
that imports Windows system DLLs only, with its dialog, icon, manifest (common controls 6, elevation,
supported systems) and version information (1.4, Japanese description) embedded."""
import struct
import sys

SYSTEM_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'advapi32.dll', 'shell32.dll', 'shlwapi.dll',
               'ole32.dll', 'comctl32.dll', 'msvcrt.dll'}
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
DLLCHAR_DYNAMIC_BASE, DLLCHAR_NX_COMPAT = 0x0040, 0x0100
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('not a PE file')
        self.machine, sections, _, _, _, opt_size, self.characteristics = struct.unpack_from('<HHIIIHH', data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from('<H', data, opt)[0]
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

    def imports(self):
        rva, _size = self.directories[1]
        names = []
        pos = self.offset(rva)
        while True:
            entry = struct.unpack_from('<IIIII', self.data, pos)
            if not any(entry):
                return names
            names.append(self.cstring(entry[3]).lower())
            pos += 20

    def resources(self):
        """{type: {name: data}} of the first language of each resource."""
        base_rva, _size = self.directories[2]
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


def main(path):
    failures = []
    pe = PeFile(open(path, 'rb').read())
    if pe.machine != 0x14C or pe.magic != 0x10B:
        failures.append('not a 32-bit (i386) executable')
    if pe.subsystem != 2:
        failures.append('not a GUI (Windows subsystem) program')
    # ASLR needs both the flag and the relocations that let the loader move the image.
    if not pe.dll_characteristics & DLLCHAR_DYNAMIC_BASE or pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED:
        failures.append('ASLR is off (no dynamic base, or relocations stripped)')
    if not pe.dll_characteristics & DLLCHAR_NX_COMPAT:
        failures.append('DEP is off (not NX compatible)')
    imports = sorted(set(pe.imports()))
    foreign = [dll for dll in imports if dll not in SYSTEM_DLLS]
    if foreign:
        failures.append('imports DLLs that are not Windows system DLLs: ' + ', '.join(foreign))

    res = pe.resources()
    if 102 not in res.get(RT_DIALOG, {}):
        failures.append('no dialog 102')
    if 128 not in res.get(RT_GROUP_ICON, {}):
        failures.append('no icon group 128')
    else:
        group = res[RT_GROUP_ICON][128]
        count = struct.unpack_from('<H', group, 4)[0]
        images = [struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i) for i in range(count)]
        sizes = sorted((w or 256, bits) for w, _h, _c, _r, _p, bits, _s, _id in images)
        if sizes != [(16, 24), (32, 24)]:
            failures.append('icon 128 is not a 16x16 and a 32x32 image at 24 bits: %s' % sizes)
    manifest = b''.join(res.get(RT_MANIFEST, {}).values()).decode('utf-8', 'replace')
    for needle in ('Microsoft.Windows.Common-Controls', 'version="6.0.0.0"', 'level="requireAdministrator"',
                   '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}', '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'):
        if needle not in manifest:
            failures.append('the manifest lacks ' + needle)
    version = res.get(RT_VERSION, {}).get(1, b'')
    fixed = version.find(struct.pack('<I', 0xFEEF04BD))
    if fixed < 0:
        failures.append('no version information')
    else:
        ms, ls = struct.unpack_from('<II', version, fixed + 8)
        if (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF) != (1, 4, 0, 0):
            failures.append('file version is not 1.4.0.0')
        if 'ルミナGOシリーズの削除'.encode('utf-16-le') not in version:
            failures.append('the version information has no Japanese file description')

    if failures:
        for failure in failures:
            print('check-release: %s: %s' % (path, failure), file=sys.stderr)
        return 1
    print('check-release: %s: 32-bit GUI executable with ASLR and DEP; imports %s; dialog 102, icon 128 (32x32, 16x16, 24 bits), '
          'manifest (common controls 6, requireAdministrator, Windows 7 to 11) and version 1.4.0.0 embedded'
          % (path, ', '.join(imports)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
