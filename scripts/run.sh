#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine in a prefix of its own.
# On a machine with a display the dialog appears there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/setup.sh
cmake --preset wine-x64 >/dev/null
cmake --build --preset wine-x64 -j"$(nproc)" --target SeriesClean

. scripts/wine-env.sh
prefix=$root/build/x64/runprefix
if [ -z "${DISPLAY:-}" ]; then
  echo "run: there is no display (DISPLAY is not set), so the program's window cannot be shown here." >&2
  echo "run: start it on a machine with a display, or run ./scripts/test.sh to see it tested headless." >&2
  exit 1
fi
[ -d "$prefix" ] || wine_new_prefix "$prefix" x11
export WINEPREFIX=$prefix
exec "$WINE64" build/x64/SeriesClean.exe
