#!/usr/bin/env bash
# Fails when a C or C++ source differs from what clang-format makes of it with the checked-in
# .clang-format, and names each such file. `clang-format -i <file>` mends it.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
while IFS= read -r -d '' file; do
  if ! clang-format --style=file "$file" | cmp -s - "$file"; then
    echo "check-format: $file is not formatted (clang-format -i $file)" >&2
    status=1
  fi
done < <(git ls-files -z -- '*.c' '*.cpp' '*.h')
[ "$status" = 0 ] && echo "check-format: every source is formatted"
exit $status
