#!/usr/bin/env python3
"""Packs the release archive SeriesClean-<version>.zip from the two release builds:

    SeriesClean.exe        the x86-64 build, for 64-bit Windows
    SeriesClean-32bit.exe  the i686 build, for 32-bit Windows
    README.md, LICENSE     and the pictures README.md shows, under their own paths
    SHA256SUMS             sha256sum lines for every other entry

    make-archive.py --x64 EXE --i686 EXE --time EPOCH --out DIR [--source ROOT]

The version is the one the builds were configured with (generated/SeriesCleanVersion.h of each
build folder, which CMake writes beside the executable); builds of two versions are refused. The
same inputs give the same bytes: fixed entry order, every entry stamped with EPOCH (in UTC, at least
1980-01-01, as zip cannot hold earlier times) and fixed permissions. The archive appears whole or
not at all. Prints its path and SHA-256."""
import argparse
import hashlib
import os
import re
import sys
import tempfile
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC, the earliest time a zip entry can carry
PICTURE_LINK = re.compile(r'!\[[^\]]*\]\(([^)\s]+)')


class ReleaseError(Exception):
    pass


def build_version(exe):
    header = os.path.join(os.path.dirname(os.path.abspath(exe)), 'generated', 'SeriesCleanVersion.h')
    try:
        text = open(header, encoding='utf-8').read()
    except OSError as error:
        raise ReleaseError('%s: no generated version header beside it (%s)' % (exe, error))
    match = re.search(r'^#define SERIESCLEAN_VERSION_TEXT "([0-9.]+)"$', text, re.M)
    if not match:
        raise ReleaseError('%s has no SERIESCLEAN_VERSION_TEXT' % header)
    return match.group(1)


def readme_pictures(source):
    """The pictures README.md shows, in the order it shows them: paths inside the source tree."""
    readme = open(os.path.join(source, 'README.md'), encoding='utf-8').read()
    pictures = []
    for link in PICTURE_LINK.findall(readme):
        if re.match(r'^[a-z][a-z0-9+.-]*:', link, re.I) or link.startswith('/'):
            continue
        parts = link.split('/')
        if '..' in parts or '' in parts or '\\' in link:
            raise ReleaseError('README.md shows a picture outside the source tree: %s' % link)
        if link not in pictures:
            pictures.append(link)
    return pictures


def entries(source, x64, i686):
    """(name in the archive, bytes) of every entry but SHA256SUMS, in archive order."""
    files = [('SeriesClean.exe', x64), ('SeriesClean-32bit.exe', i686),
             ('README.md', os.path.join(source, 'README.md')), ('LICENSE', os.path.join(source, 'LICENSE'))]
    files += [(picture, os.path.join(source, *picture.split('/'))) for picture in readme_pictures(source)]
    contents = []
    for name, path in files:
        try:
            contents.append((name, open(path, 'rb').read()))
        except OSError as error:
            raise ReleaseError('cannot read %s for %s: %s' % (path, name, error))
    return contents


def zip_time(epoch):
    return time.gmtime(max(epoch, ZIP_EPOCH))[:6]


def write_archive(path, contents, epoch):
    sums = ''.join('%s  %s\n' % (hashlib.sha256(data).hexdigest(), name) for name, data in contents)
    contents = contents + [('SHA256SUMS', sums.encode('ascii'))]
    folder = os.path.dirname(path)
    handle, partial = tempfile.mkstemp(prefix='.partial-', suffix='.zip', dir=folder)
    try:
        with os.fdopen(handle, 'wb') as stream, zipfile.ZipFile(stream, 'w') as archive:
            for name, data in contents:
                info = zipfile.ZipInfo(name, zip_time(epoch))
                info.create_system = 3  # Unix, so that the permissions below are what unzip applies
                mode = 0o755 if name.endswith('.exe') else 0o644
                info.external_attr = (0o100000 | mode) << 16
                archive.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
        os.chmod(partial, 0o644)
        os.replace(partial, path)
    except BaseException:
        os.unlink(partial)
        raise


def main(argv):
    parser = argparse.ArgumentParser(description='Packs the SeriesClean release archive.')
    parser.add_argument('--x64', required=True, help='the x86-64 release SeriesClean.exe')
    parser.add_argument('--i686', required=True, help='the i686 release SeriesClean.exe')
    parser.add_argument('--time', required=True, type=int, help='the time of every entry, in seconds since 1970')
    parser.add_argument('--out', required=True, help='the folder the archive is written to')
    parser.add_argument('--source', default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                        help='the source tree with README.md, LICENSE and the pictures')
    args = parser.parse_args(argv)
    try:
        version = build_version(args.x64)
        other = build_version(args.i686)
        if other != version:
            raise ReleaseError('the x86-64 build is of version %s, the i686 build of %s' % (version, other))
        contents = entries(args.source, args.x64, args.i686)
        os.makedirs(args.out, exist_ok=True)
        path = os.path.join(args.out, 'SeriesClean-%s.zip' % version)
        write_archive(path, contents, args.time)
    except (ReleaseError, OSError) as error:
        print('make-archive: %s' % error, file=sys.stderr)
        return 1
    digest = hashlib.sha256(open(path, 'rb').read()).hexdigest()
    print('release archive: %s' % path)
    print('SHA-256: %s' % digest)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
