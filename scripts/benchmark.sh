#!/usr/bin/env bash
# Builds and runs the benchmark programs under Wine in a throwaway prefix; they print their figures.
# An argument is the number of rounds of the deletion benchmark (default 3); --scale runs only the
# part on scale and depth (200,000 files and deep chains of folders beside 20,000 files, time and
# peak working set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/setup.sh
cmake --preset wine-x64 >/dev/null
cmake --build --preset wine-x64 -j"$(nproc)" --target delete_tree_benchmark

. scripts/wine-env.sh
prefix=$root/build/x64/benchprefix
wine_new_prefix "$prefix"
wine_start_server "$prefix"
trap 'wine_stop_server "$prefix"' EXIT
LC_ALL=${LC_ALL:-ja_JP.UTF-8} "$WINE64" build/x64/benchmarks/delete_tree_benchmark.exe "$@"
