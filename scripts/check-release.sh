#!/usr/bin/env bash
# Checks the release executable: a 32-bit GUI program whose imports are Windows system DLLs only.
set -euo pipefail
exe=${1:?usage: check-release.sh SeriesClean.exe}
dump=$(i686-w64-mingw32-objdump -p "$exe")

fail() { echo "check-release: $exe: $*" >&2; exit 1; }
grep -q 'file format pei-i386' <<<"$dump" || fail "not a 32-bit PE executable"
grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$dump" || fail "not a GUI (Windows subsystem) program"

allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|comctl32|msvcrt)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "no imports found"
while read -r dll; do
  [[ $dll =~ $allowed ]] || fail "imports $dll, which is not a Windows system DLL"
done <<<"$imports"
echo "check-release: $exe is a 32-bit GUI executable importing only: $(tr '\n' ' ' <<<"$imports")"
