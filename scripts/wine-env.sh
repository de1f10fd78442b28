# Sourced by the scripts: the Wine environment of the project. Wine runs 64-bit programs only here
# (32-bit code cannot run on these machines); the prefix is a throwaway one inside the build folder.
WINE64=/usr/lib/wine/wine64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"

# Makes a fresh prefix at $1 with the headless graphics driver (or the X11 one with "x11" as $2).
wine_new_prefix() {
  local prefix=$1 driver=${2:-null}
  export WINEPREFIX=$prefix
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
  mkdir -p "$(dirname "$prefix")"
  wineboot -i >/dev/null 2>&1
  if [ "$driver" = null ]; then
    "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  fi
  # 64-bit Windows gives 32-bit programs the x86 Program Files folder here; Wine's 32-bit view lacks
  # the value.
  "$WINE64" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir \
    /d 'C:\Program Files (x86)' /reg:32 /f >/dev/null 2>&1
  wineserver -w
}

# A persistent wineserver, its services warmed up, and a desktop kept alive by an explorer that
# stays open: every later Wine process starts in about 0.05 s instead of 3 s. Without the explorer,
# each process that shows a window starts its own desktop, which holds the test runner's output
# pipe for another second after the process has ended.
wine_start_server() {
  export WINEPREFIX=$1
  setsid wineserver -p </dev/null >/dev/null 2>&1 &
  sleep 0.5
  setsid "$WINE64" wineboot </dev/null >/dev/null 2>&1 || true
  setsid "$WINE64" explorer.exe </dev/null >/dev/null 2>&1 &
  sleep 1
}

wine_stop_server() {
  WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}
