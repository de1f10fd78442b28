#!/usr/bin/env bash
# Sets everything up, checks the formatting, builds the test build and the release (both release
# builds, checked, and the archive), makes sure that the executable the tests run is the one that
# ships, tests the release check and the archive, and runs the whole test suite under Wine twice:
# with the Japanese code page (932) and with the Western one (1252).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/setup.sh
./scripts/check-format.sh
jobs=$(nproc)

cmake --preset wine-x64 >/dev/null
cmake --build --preset wine-x64 -j"$jobs"
./scripts/release.sh
# The test build differs from the release build only in what else it builds: its SeriesClean.exe,
# which the tests run, must be the shipped one byte for byte.
if ! cmp -s build/x64/SeriesClean.exe build/release-x64/SeriesClean.exe; then
  echo "test: build/x64/SeriesClean.exe (tested) and build/release-x64/SeriesClean.exe (shipped) differ" >&2
  exit 1
fi
echo "test: the tested build/x64/SeriesClean.exe is the shipped build/release-x64/SeriesClean.exe"
python3 tests/release/release_test.py
python3 tests/scripts/launcher_test.py

. scripts/wine-env.sh
prefix=$root/build/x64/wineprefix
wine_new_prefix "$prefix"
wine_start_server "$prefix"
trap 'wine_stop_server "$prefix"' EXIT

# The test launcher lists here every test program that Wine failed to start and that it started
# once more.
export SERIESCLEAN_WINE_RETRIES=$root/build/x64/wine-restarts.log
: >"$SERIESCLEAN_WINE_RETRIES"

status=0
for locale in ja_JP.UTF-8 en_US.UTF-8; do
  echo "== tests under LC_ALL=$locale"
  start=$(date +%s)
  if ! LC_ALL=$locale WINEPREFIX=$prefix ctest --preset wine-x64 --output-on-failure "$@"; then
    status=1
  fi
  echo "== $locale: $(( $(date +%s) - start )) s"
done
if [ -s "$SERIESCLEAN_WINE_RETRIES" ]; then
  echo "== test programs that Wine did not start the first time (started once more):"
  cat "$SERIESCLEAN_WINE_RETRIES"
fi
exit $status
