#!/usr/bin/env bash
# CTest's launcher for the test programs: runs one under Wine ($1 is Wine, the rest the program and
# its arguments) and passes on its output and exit code.
#
# A test program prints GoogleTest's first line, and flushes it, before it runs any test (and its
# test list, when asked for that). A run that fails without printing a single byte therefore never
# reached a test: Wine did not start the program. That happened once in CI, at random, with no message and in no measurable time. Such
# a run is said as such, logged to the file $SERIESCLEAN_WINE_RETRIES names when it is set, and started once more;
# a run that has printed anything is never repeated, so a test that fails, crashes or hangs after
# the program has started counts as it ended.
set -u
wine=$1
shift
for attempt in 1 2; do
  out=$(mktemp)
  "$wine" "$@" 2>&1 | tee "$out"
  rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ "$attempt" -eq 2 ]; then
    rm -f "$out"
    exit "$rc"
  fi
  rm -f "$out"
  line="wine-test: $(basename "$1") $(printf '%q ' "${@:2}")ended with exit code $rc before it printed anything; Wine did not start it, so it is started once more"
  echo "$line"
  if [ -n "${SERIESCLEAN_WINE_RETRIES:-}" ]; then
    echo "$line" >>"$SERIESCLEAN_WINE_RETRIES"
  fi
done
