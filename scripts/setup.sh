#!/usr/bin/env bash
# Installs what building and testing SeriesClean needs on Debian: the MinGW-w64 cross compilers,
# CMake, GoogleTest sources, clang-format, Wine (64-bit only: this machine kind cannot run 32-bit code), a
# Japanese font and the locales that Wine needs to convert Japanese file names. Safe to run again: it installs only what
# is missing. Run as root.
set -euo pipefail

packages=(
  cmake
  make
  g++-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686
  googletest
  wine
  wine64
  locales
  python3
  clang-format
  fonts-ipafont-gothic
)
# A Japanese font stands in for the dialog's (the scaling tests measure its texts with it, and the
# demo shows them). For showing the program (./scripts/run.sh): a virtual screen for machines
# without a display, and Wine's own fonts (the title-bar buttons are drawn with its Marlett font).
if [ "${SERIESCLEAN_WITH_DISPLAY:-0}" = 1 ]; then
  packages+=(xvfb fonts-wine)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from LC_ALL, but converts file names with the Unix locale: a
# locale that is not generated breaks every Japanese file name.
need_gen=0
for loc in ja_JP.UTF-8 en_US.UTF-8; do
  if ! grep -qx "$loc UTF-8" /etc/locale.gen 2>/dev/null; then
    if [ "$(id -u)" != 0 ]; then
      echo "setup: locale $loc is not generated and generating it needs root" >&2
      exit 1
    fi
    echo "$loc UTF-8" >> /etc/locale.gen
    need_gen=1
  fi
done
# locale -a spells names as "ja_JP.utf8": compare both sides in one spelling. (Regenerating when
# nothing is missing would take the locales away from any Wine process running meanwhile.)
norm() { tr 'A-Z' 'a-z' | tr -d '-'; }
available=$(locale -a 2>/dev/null | norm)
for loc in ja_JP.UTF-8 en_US.UTF-8; do
  if ! grep -qx "$(echo "$loc" | norm)" <<<"$available"; then need_gen=1; fi
done
if [ "$need_gen" = 1 ]; then
  locale-gen >/dev/null
fi
echo "setup: done"
