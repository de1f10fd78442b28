#!/usr/bin/env bash
# Sets everything up, checks the formatting, builds both builds, and runs the whole test suite under Wine twice: with the
# Japanese code page (932) and with the Western one (1252).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/setup.sh
./scripts/check-format.sh
jobs=$(nproc)

cmake --preset wine-x64 >/dev/null
cmake --build --preset wine-x64 -j"$jobs"
cmake --preset release-i686 >/dev/null
cmake --build --preset release-i686 -j"$jobs"
python3 scripts/check-release.py build/i686/SeriesClean.exe

. scripts/wine-env.sh
prefix=$root/build/x64/wineprefix
wine_new_prefix "$prefix"
wine_start_server "$prefix"
trap 'wine_stop_server "$prefix"' EXIT

status=0
for locale in ja_JP.UTF-8 en_US.UTF-8; do
  echo "== tests under LC_ALL=$locale"
  start=$(date +%s)
  if ! LC_ALL=$locale WINEPREFIX=$prefix ctest --preset wine-x64 --output-on-failure "$@"; then
    status=1
  fi
  echo "== $locale: $(( $(date +%s) - start )) s"
done
exit $status
