#!/usr/bin/env bash
# Installs every Debian package that building and testing Tessaro needs (with --bench, also what
# the benchmarks need; with --fuzz, clang and libFuzzer for scripts/fuzz.sh). Safe to run again: when everything is present it does nothing.
set -euo pipefail

packages=(
  # toolchain
  cmake ninja-build g++ pkg-config
  # engine
  libfreetype-dev libfontconfig-dev zlib1g-dev libqpdf-dev libarchive-dev libcurl4-openssl-dev
  # client and service
  libjsoncpp-dev libcpp-httplib-dev libsodium-dev
  # the desktop client TessaroPc (Qt 6 Widgets, its web view and the web view's helper process)
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin
  # Qt's own texts (the standard dialogs' buttons) in Chinese
  qt6-translations-l10n
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev poppler-utils fonts-dejavu-core fonts-liberation2 fonts-urw-base35
  fontconfig fonts-noto-cjk
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# The benchmarks (scripts/bench.sh) also measure the inventory on a large set of installed fonts,
# as designers' machines hold: some 2,600 font files.
if [ "${1:-}" = "--bench" ]; then
  packages+=(fonts-noto-core fonts-noto-extra fonts-noto-ui-core fonts-noto-ui-extra)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
