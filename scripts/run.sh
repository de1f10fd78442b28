#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine in a demo prefix of its own, made
# fresh on every run with four products of the series installed with all their pieces (uninstall
# entries, keys, Start-menu folders, desktop shortcuts, installer information, map caches and
# application folders), so that a removal has real things to remove.
#
# With a display ($DISPLAY set) the dialog appears there and is yours to use. Without one the
# program runs on a virtual screen (Xvfb), and a walkthrough removes one product through the
# program's own windows as a user would, printing every step and saving a picture of each; then the
# products are installed again and a second walkthrough does the same on a display scaled to 150 %
# (144 DPI).
#
# Environment (optional):
#   SERIESCLEAN_DEMO_PRODUCT  the product the walkthrough removes (default 北欧旅行ガイド)
#   SERIESCLEAN_BUILD_DIR     a build folder of your own instead of build/x64 of the wine-x64 preset
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

SERIESCLEAN_WITH_DISPLAY=1 ./scripts/setup.sh

targets=(SeriesClean DemoMachine DemoWalkthrough)
build=${SERIESCLEAN_BUILD_DIR:-}
if [ -z "$build" ]; then
  build=$root/build/x64
  cmake --preset wine-x64 >/dev/null
  cmake --build --preset wine-x64 -j"$(nproc)" --target "${targets[@]}"
else
  build=$(mkdir -p "$build" && cd "$build" && pwd)
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
fi

. scripts/wine-env.sh
# Japanese Windows: code page 932, with the Japanese file names converted through a UTF-8 locale.
export LC_ALL=ja_JP.UTF-8
# No Unix menu entries or file associations for the shortcuts the demo lays down.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

prefix=$build/demoprefix
pictures=$build/demo-pictures
pictures_150=$build/demo-pictures-150
products=(3 5 6 7)
product=${SERIESCLEAN_DEMO_PRODUCT:-北欧旅行ガイド}

# The demo tools write UTF-8 as it is into a pipe; on a terminal Wine would put a console of its own
# in between, which breaks long lines at 80 columns.
machine() { "$WINE64" "$build/tools/DemoMachine.exe" "$@" | cat; }

xvfb_pid=
cleanup() {
  wine_stop_server "$prefix"
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# A virtual screen on a free display number, which Xvfb picks and reports.
start_virtual_screen() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$number_file" ]; then
    rm -f "$number_file"
    echo "run: the virtual screen (Xvfb) did not start" >&2
    exit 1
  fi
  export DISPLAY=:$(tr -d '[:space:]' <"$number_file")
  rm -f "$number_file"
}

walkthrough=0
if [ -z "${DISPLAY:-}" ]; then
  walkthrough=1
  start_virtual_screen
  echo "run: no display; using the virtual screen $DISPLAY"
fi

echo "run: preparing the demo prefix $prefix"
wine_new_prefix "$prefix" x11
# Wine draws the title-bar buttons with its Marlett font, which it looks for in the prefix's Fonts
# folder.
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
if [ "$walkthrough" = 1 ]; then
  # One Wine desktop window holds every window, drawn by Wine with its title bar as on Windows, so
  # that the pictures show what a user sees.
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
fi
wine_start_server "$prefix"
machine fonts
machine install "${products[@]}"
echo "run: installed, with all their pieces:"
machine show "${products[@]}"

if [ "$walkthrough" = 0 ]; then
  echo "run: starting SeriesClean on $DISPLAY; select a product and press 削除 to remove it"
  status=0
  "$WINE64" "$build/SeriesClean.exe" || status=$?
  echo "run: SeriesClean ended (exit code $status); what is left of the products:"
  machine summary "${products[@]}"
  exit 0
fi

# Walks through the removal with the pictures going to $1; further arguments go before the program's
# path (--dpi).
walk() {
  local folder=$1 status=0
  shift
  rm -rf "$folder"
  mkdir -p "$folder"
  "$WINE64" "$build/tools/DemoWalkthrough.exe" "$@" "$build/SeriesClean.exe" "$folder" "$product" | cat || status=$?
  echo
  echo "run: what is left of the products:"
  machine summary "${products[@]}"
  echo
  if [ "$status" != 0 ]; then
    echo "run: the walkthrough stopped: a step did not turn out as expected (see above)" >&2
  fi
  return "$status"
}

status=0
echo "run: walking through the removal of $product"
walk "$pictures" || status=$?
echo "run: installing the products again, for a walkthrough on a display scaled to 150 % (144 DPI)"
machine install "${products[@]}" >/dev/null
walk "$pictures_150" --dpi 144 || status=$?
echo "run: pictures of every step are in $pictures (100 %) and $pictures_150 (150 %)"
exit "$status"
