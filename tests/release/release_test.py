#!/usr/bin/env python3
"""Tests of the release check and the release archive, on the real release builds and the archive
./scripts/release.sh made from them: a damaged executable fails the check with its fault named, and
the archive holds the shipped files with sums that verify and bytes that do not depend on where or
when it was packed."""
import hashlib
import os
import pathlib
import re
import runpy
import shutil
import struct
import subprocess
import sys
import tempfile
import types
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHECK = os.path.join(ROOT, 'scripts', 'check-release.py')
PACK = os.path.join(ROOT, 'scripts', 'make-archive.py')
X64 = os.path.join(ROOT, 'build', 'release-x64', 'SeriesClean.exe')
I686 = os.path.join(ROOT, 'build', 'i686', 'SeriesClean.exe')
VERSION = re.search(r'project\(SeriesClean VERSION ([0-9.]+)', pathlib.Path(ROOT, 'CMakeLists.txt').read_text())[1]
QUAD = '.'.join((VERSION.split('.') + ['0'] * 4)[:4])
OTHER_QUAD = QUAD[:-1] + ('1' if QUAD[-1] == '0' else '0')
ARCHIVE = os.path.join(ROOT, 'build', 'release', 'SeriesClean-%s.zip' % VERSION)

# The reader of the file under test, to find where a field lies; what is expected is written here.
check_release = types.SimpleNamespace(**runpy.run_path(CHECK, run_name='check_release'))


def read(path):
    return pathlib.Path(path).read_bytes()


def write(path, data):
    pathlib.Path(path).write_bytes(data)


def run(*args):
    return subprocess.run([sys.executable, *args], capture_output=True, text=True)


def header_offsets(data):
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    return pe + 4 + 18, pe + 24 + 68, pe + 24 + 70  # characteristics, subsystem, DLL characteristics


def clear_flag(offset_index, flag):
    def mutate(data):
        offset = header_offsets(data)[offset_index]
        value = struct.unpack_from('<H', data, offset)[0]
        struct.pack_into('<H', data, offset, value & ~flag)
    return mutate


def set_field(offset_index, value):
    def mutate(data):
        struct.pack_into('<H', data, header_offsets(data)[offset_index], value)
    return mutate


def set_relocs_stripped(data):
    offset = header_offsets(data)[0]
    struct.pack_into('<H', data, offset, struct.unpack_from('<H', data, offset)[0] | 0x0001)


def rename_import(old, new):
    def mutate(data):
        pe = check_release.PeFile(bytes(data))
        pos = pe.offset(pe.directories[1][0])
        while True:
            name_rva = struct.unpack_from('<IIIII', data, pos)[3]
            if name_rva == 0:
                raise AssertionError('%s is not imported' % old)
            at = pe.offset(name_rva)
            if data[at:at + len(old) + 1].lower() == old.lower() + b'\0':
                data[at:at + len(new)] = new
                return
            pos += 20
    return mutate


def rename_function(old, new):
    """Imports the function named new where the executable imported old (a longer name)."""
    assert len(new) <= len(old)

    def mutate(data):
        pe = check_release.PeFile(bytes(data))
        wide = pe.magic == 0x20B
        for entry in pe.import_entries():
            pos = pe.offset(entry[0] or entry[4])
            while True:
                thunk = struct.unpack_from('<Q' if wide else '<I', data, pos)[0]
                if thunk == 0:
                    break
                by_name = not thunk >> (63 if wide else 31)
                at = pe.offset((thunk & 0x7FFFFFFF) + 2) if by_name else 0
                if by_name and data[at:at + len(old) + 1] == old + b'\0':
                    data[at:at + len(old)] = new + b'\0' * (len(old) - len(new))
                    return
                pos += 8 if wide else 4
        raise AssertionError('%r is not imported' % old)
    return mutate


def replace_once(old, new):
    assert len(old) == len(new)

    def mutate(data):
        at = data.find(old)
        if at < 0 or data.find(old, at + 1) >= 0:
            raise AssertionError('%r is not in the executable exactly once' % old)
        data[at:at + len(old)] = new
    return mutate


def identity(version):
    return ('name="SeriesClean" version="%s"' % version).encode('ascii')


def drop_last_icon_image(data):
    group = check_release.PeFile(bytes(data)).resources()[14][128]
    at = data.find(group)
    if at < 0 or data.find(group, at + 1) >= 0:
        raise AssertionError('icon group 128 is not in the executable exactly once')
    struct.pack_into('<H', data, at + 4, struct.unpack_from('<H', group, 4)[0] - 1)


def set_fixed_file_version(data):
    at = data.find(struct.pack('<I', 0xFEEF04BD))
    struct.pack_into('<I', data, at + 8, (struct.unpack_from('<I', data, at + 8)[0] + 1))


class ReleaseCheckTest(unittest.TestCase):
    def check(self, path, *arch):
        return run(CHECK, *arch, path)

    def test_release_builds_pass_as_their_architecture_and_fail_as_the_other(self):
        for path, arch, other in ((X64, 'x64', 'i686'), (I686, 'i686', 'x64')):
            with self.subTest(arch=arch):
                self.assertEqual(self.check(path, '--arch', arch).returncode, 0)
                self.assertEqual(self.check(path).returncode, 0)
                wrong = self.check(path, '--arch', other)
                self.assertEqual(wrong.returncode, 1)
                self.assertIn('not a %s-bit' % ('64' if other == 'x64' else '32'), wrong.stderr)

    def test_each_fault_of_a_damaged_executable_is_named(self):
        utf16 = lambda text: text.encode('utf-16-le')
        faults = [
            ('x64', 'no ASLR', clear_flag(2, 0x0040), 'ASLR (dynamic base) is off'),
            ('x64', 'no high-entropy ASLR', clear_flag(2, 0x0020), 'high-entropy ASLR is off'),
            ('x64', 'no DEP', clear_flag(2, 0x0100), 'DEP (NX compatible) is off'),
            ('i686', 'no DEP', clear_flag(2, 0x0100), 'DEP (NX compatible) is off'),
            ('i686', 'relocations stripped', set_relocs_stripped, 'no base relocations'),
            ('x64', 'console program', set_field(1, 3), 'not a GUI'),
            ('x64', 'a DLL of its own', rename_import(b'SHELL32.dll', b'LIBFOO1.dll'),
             'not Windows system DLLs: libfoo1.dll'),
            ('x64', 'a function Windows 7 lacks', rename_function(b'ExpandEnvironmentStringsW', b'GetDpiForWindow'),
             'imports functions that Windows 7 lacks, so it would not start there: GetDpiForWindow'),
            ('x64', 'runs as the invoker', replace_once(b'requireAdministrator"', b'asInvoker"           '),
             'does not ask for administrator rights'),
            ('i686', 'old common controls', replace_once(b'version="6.0.0.0"', b'version="5.8.0.0"'),
             'common controls 6'),
            ('x64', 'no Windows 10', replace_once(b'{8e0f7a12-', b'{8e0f7a13-'),
             'does not declare Windows 10 and 11'),
            ('x64', 'per-monitor v1 before v2',
             replace_once(b'PerMonitorV2, PerMonitor<', b'PerMonitor, PerMonitorV2<'),
             'does not declare dpiAwareness PerMonitorV2 first'),
            ('x64', 'awareness in a namespace Windows does not read', replace_once(b'SMI/2016/', b'SMI/2015/'),
             'does not declare dpiAwareness PerMonitorV2 first'),
            ('i686', 'only system-DPI aware on Windows 8.1', replace_once(b'>true/pm<', b'>true   <'),
             'does not declare dpiAware true/pm'),
            ('i686', 'no 64-pixel icon', drop_last_icon_image, 'icon 128 is not one square image at 24 bits'),
            ('x64', 'manifest of another version', replace_once(identity(QUAD), identity(OTHER_QUAD)),
             'assembly identity is not SeriesClean version ' + QUAD),
            ('x64', 'fixed file version', set_fixed_file_version, 'file or product version is not'),
            ('i686', 'FileVersion text', replace_once(utf16('FileVersion\0'), utf16('FileVersiom\0')),
             'the FileVersion text is not'),
            ('x64', 'caption', replace_once(utf16(' - Version '), utf16(' - Versi0n ')), "dialog 102's caption is"),
        ]
        with tempfile.TemporaryDirectory() as folder:
            for arch, name, mutate, message in faults:
                with self.subTest(arch=arch, fault=name):
                    data = bytearray(read(X64 if arch == 'x64' else I686))
                    original = bytes(data)
                    mutate(data)
                    self.assertNotEqual(bytes(data), original)
                    damaged = os.path.join(folder, 'damaged.exe')
                    write(damaged, data)
                    result = self.check(damaged, '--arch', arch)
                    self.assertEqual(result.returncode, 1, result.stdout)
                    self.assertIn(message, result.stderr)

    def test_a_truncated_or_foreign_file_fails_instead_of_passing(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, data in (('truncated', read(X64)[:4096]), ('text', b'MZ' + b'\0' * 100)):
                with self.subTest(file=name):
                    path = os.path.join(folder, name + '.exe')
                    write(path, data)
                    result = self.check(path)
                    self.assertEqual(result.returncode, 1)
                    self.assertIn('check-release: ', result.stderr)
                    self.assertNotIn('Traceback', result.stderr)


class ReleaseArchiveTest(unittest.TestCase):
    NAMES = ['SeriesClean.exe', 'SeriesClean-32bit.exe', 'README.md', 'LICENSE', 'docs/main-dialog.png',
             'docs/second-confirmation.png', 'docs/main-dialog-150.png', 'SHA256SUMS']

    def test_archive_holds_the_release_builds_the_readme_with_its_pictures_and_their_sums(self):
        with zipfile.ZipFile(ARCHIVE) as archive:
            self.assertEqual(archive.namelist(), self.NAMES)
            self.assertEqual(archive.read('SeriesClean.exe'), read(X64))
            self.assertEqual(archive.read('SeriesClean-32bit.exe'), read(I686))
            self.assertEqual(archive.read('README.md'), read(os.path.join(ROOT, 'README.md')))
            self.assertEqual(archive.read('docs/main-dialog.png')[:8], b'\x89PNG\r\n\x1a\n')
            times = {info.date_time for info in archive.infolist()}
            modes = [(info.external_attr >> 16) & 0o7777 for info in archive.infolist()]
            with tempfile.TemporaryDirectory() as folder:
                archive.extractall(folder)
                sums = pathlib.Path(folder, 'SHA256SUMS').read_text().splitlines()
                verified = subprocess.run(['sha256sum', '--check', '--strict', 'SHA256SUMS'], cwd=folder,
                                          capture_output=True, text=True)
        self.assertEqual(len(times), 1)
        self.assertEqual(modes, [0o755, 0o755, 0o644, 0o644, 0o644, 0o644, 0o644, 0o644])
        self.assertEqual([line.split('  ', 1)[1] for line in sums], self.NAMES[:-1])
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)

    def pack(self, out, x64=X64, i686=I686, source=ROOT, epoch='1700000000'):
        return run(PACK, '--x64', x64, '--i686', i686, '--time', epoch, '--out', out, '--source', source)

    def copy_build(self, exe, folder, version=None):
        """A build folder of its own in folder: the executable and its generated version header."""
        os.makedirs(os.path.join(folder, 'generated'))
        shutil.copy(exe, folder)
        header = os.path.join(os.path.dirname(exe), 'generated', 'SeriesCleanVersion.h')
        text = pathlib.Path(header).read_text(encoding='utf-8')
        if version:
            self.assertIn('_VERSION_TEXT "%s"' % VERSION, text)
            text = text.replace('_VERSION_TEXT "%s"' % VERSION, '_VERSION_TEXT "%s"' % version)
        pathlib.Path(folder, 'generated', 'SeriesCleanVersion.h').write_text(text, encoding='utf-8')
        os.utime(os.path.join(folder, 'SeriesClean.exe'), (86400 * 365, 86400 * 365))
        return os.path.join(folder, 'SeriesClean.exe')

    def test_packing_copies_elsewhere_at_another_hour_gives_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as folder:
            first, second = os.path.join(folder, 'one'), os.path.join(folder, 'two')
            self.assertEqual(self.pack(first).returncode, 0)
            x64 = self.copy_build(X64, os.path.join(folder, 'b64'))
            i686 = self.copy_build(I686, os.path.join(folder, 'b32'))
            self.assertEqual(self.pack(second, x64, i686).returncode, 0)
            name = 'SeriesClean-%s.zip' % VERSION
            one, two = (read(os.path.join(path, name)) for path in (first, second))
            self.assertEqual(hashlib.sha256(one).hexdigest(), hashlib.sha256(two).hexdigest())
            with zipfile.ZipFile(os.path.join(first, name)) as archive:
                self.assertEqual(archive.infolist()[0].date_time, (2023, 11, 14, 22, 13, 20))

    def test_builds_of_two_versions_or_a_missing_picture_give_no_archive(self):
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, 'out')
            stale = self.copy_build(I686, os.path.join(folder, 'stale'), version='0.9')
            result = self.pack(out, i686=stale)
            self.assertEqual(result.returncode, 1)
            self.assertIn('i686 build of 0.9', result.stderr)

            source = os.path.join(folder, 'source')
            os.makedirs(os.path.join(source, 'docs'))
            shutil.copy(os.path.join(ROOT, 'LICENSE'), source)
            pathlib.Path(source, 'README.md').write_text('![one](docs/there.png)\n![two](docs/gone.png)\n')
            write(os.path.join(source, 'docs', 'there.png'), b'\x89PNG')
            result = self.pack(out, source=source)
            self.assertEqual(result.returncode, 1)
            self.assertIn('gone.png', result.stderr)
            self.assertEqual(os.listdir(out) if os.path.isdir(out) else [], [])


if __name__ == '__main__':
    unittest.main()
