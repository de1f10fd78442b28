#!/usr/bin/env bash
# Builds the release of the commit HEAD twice, each time with ./scripts/release.sh in a fresh copy
# of the commit (git archive) in a temporary folder of its own, so that the source and the build
# folders differ in name and length, and compares the two x86-64 executables, the two i686
# executables and the two archives byte for byte. Fails when any pair differs.
#
# Two full release builds: about 5 minutes on two cores. Uncommitted changes are not in the copies.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

commit=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$commit")}
work=$(mktemp -d "${TMPDIR:-/tmp}/seriesclean-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT

copies=("$work/one" "$work/second/copy-in-a-longer-folder")
for copy in "${copies[@]}"; do
  mkdir -p "$copy"
  git archive "$commit" | tar -x -C "$copy"
  echo "check-reproducible: building the release of ${commit:0:12} in $copy"
  if ! (cd "$copy" && ./scripts/release.sh) >"$copy.log" 2>&1; then
    cat "$copy.log" >&2
    echo "check-reproducible: the release build in $copy failed" >&2
    exit 1
  fi
done

archive=$(cd "${copies[0]}/build/release" && ls SeriesClean-*.zip)
status=0
for file in build/release-x64/SeriesClean.exe build/i686/SeriesClean.exe "build/release/$archive"; do
  if cmp "${copies[0]}/$file" "${copies[1]}/$file"; then
    echo "check-reproducible: identical: $file $(sha256sum <"${copies[0]}/$file" | cut -d' ' -f1)"
  else
    status=1
  fi
done
[ "$status" = 0 ] && echo "check-reproducible: two builds of ${commit:0:12} give the same bytes (${SECONDS} s)"
exit $status
