#!/usr/bin/env bash
# Installs every Debian package that cross-building Tessaro for Windows (mingw-w64) and testing it
# under Wine needs, makes Debian's source packages available to `apt-get source` (the Windows
# libraries are built from them by scripts/windows-deps.sh) and generates the Chinese locale the
# Wine tests run under. Safe to run again: when everything is present it does nothing.
set -euo pipefail

packages=(
  # cross toolchain (posix thread model) and the static zlib built for it
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 libz-mingw-w64-dev
  # building the libraries from source packages
  cmake ninja-build pkg-config make dpkg-dev autoconf automake libtool
  # running the x86_64 programs and their tests; TessaroPc's window tests get an Xvfb display
  wine wine64 fonts-wine xvfb
  # Chinese locale and a CJK font that Wine picks the Chinese face of (the window tests' texts)
  locales fonts-wqy-zenhei
)
locale_wanted="zh_CN.UTF-8"

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
updated=""
apt_update() {
  if [ -z "$updated" ]; then
    $sudo apt-get update -q
    updated=1
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "setup-windows: installing ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# (The checks below let grep read all its input: with pipefail, grep -q stopping early would make
# the writer fail on a closed pipe.)
# Source packages: a deb-src entry with the same archive, suites, components and key as the
# Debian deb entry, in a file of its own so the system's file stays as it was.
if ! apt-cache showsrc --only-source xz-utils 2>/dev/null | grep '^Package:' >/dev/null; then
  src_list=/etc/apt/sources.list.d/debian-src.sources
  if [ ! -e "$src_list" ]; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      echo "setup-windows: adding $src_list"
      sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        $sudo tee "$src_list" >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
      # Older installations keep the one-line format in sources.list.
      src_list=/etc/apt/sources.list.d/debian-src.list
      echo "setup-windows: adding $src_list"
      sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list |
        $sudo tee "$src_list" >/dev/null
    else
      echo "setup-windows: no Debian apt source found to derive a deb-src entry from" >&2
      exit 1
    fi
  fi
  updated=""
  apt_update
fi

# The locale: locale -a lists it as zh_CN.utf8.
if ! locale -a 2>/dev/null | grep -x 'zh_CN\.utf8' >/dev/null; then
  echo "setup-windows: generating the $locale_wanted locale"
  if grep -q "^# *$locale_wanted UTF-8" /etc/locale.gen; then
    $sudo sed -i "s/^# *$locale_wanted UTF-8/$locale_wanted UTF-8/" /etc/locale.gen
  elif ! grep -q "^$locale_wanted UTF-8" /etc/locale.gen; then
    echo "$locale_wanted UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen
fi
