#!/usr/bin/env bash
# Builds the release: both release builds (build/release-x64 for 64-bit Windows, build/i686 for
# 32-bit Windows), checks both executables, and packs build/release/SeriesClean-<version>.zip with
# SHA256SUMS inside. Prints the archive's path and SHA-256.
#
# The archive's bytes depend only on the commit: its entries carry the commit's time
# (SOURCE_DATE_EPOCH instead, when it is set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/setup.sh
jobs=$(nproc)

for preset in release-x64 release-i686; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done
python3 scripts/check-release.py --arch x64 build/release-x64/SeriesClean.exe
python3 scripts/check-release.py --arch i686 build/i686/SeriesClean.exe

epoch=${SOURCE_DATE_EPOCH:-}
if [ -z "$epoch" ]; then
  if ! epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
    echo "release: not a git checkout and SOURCE_DATE_EPOCH is not set: entries dated 1980-01-01" >&2
    epoch=0
  fi
fi
python3 scripts/make-archive.py --x64 build/release-x64/SeriesClean.exe --i686 build/i686/SeriesClean.exe \
  --time "$epoch" --out build/release
