#!/usr/bin/env bash
# Cross-builds Tessaro for Windows with mingw-w64:
#   build-windows/       x86_64, with the tests (scripts/test-windows.sh runs them under Wine)
#   build-windows-i686/  i686, linked only (Wine on these machines runs no 32-bit programs)
# Each build's deliverables are in its bin/: Corvid.dll and tessaro.exe, linked statically, so
# that the folder runs as it is. The native build (build/, scripts/build.sh) comes first when it
# is missing: its update key is built into the Windows client, and its tessaro-service and sample
# catalogue serve the Windows tests. The static Windows libraries come from
# scripts/windows-deps.sh (cached outside the clone).
#
# Release without debug information: the links and the minidumps that the tests write
# (MiniDumpWriteDump reads a program's debug information) are much faster so. Arguments are
# passed to the configuration of both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/update-key/public.key ] || [ ! -x build/bin/tessaro-service ]; then
  bash scripts/build.sh
fi
public_key="$(cat build/update-key/public.key)"

for arch in x86_64 i686; do
  deps="$(bash scripts/windows-deps.sh "$arch")"
  folder=build-windows
  tests=ON
  arch_flags=""
  if [ "$arch" = i686 ]; then
    folder=build-windows-i686
    tests=OFF
    # The byte searches compare 16 bytes at a time: SSE2, which every processor that runs a
    # current 32-bit Windows has, and without which GCC passes such vectors differently.
    arch_flags="-msse2"
  fi
  cmake -S . -B "$folder" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
    -DTESSARO_WINDOWS_DEPS="$deps" -DTESSARO_UPDATE_PUBLIC_KEY="$public_key" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS="$arch_flags" \
    -DCMAKE_CXX_FLAGS="$arch_flags" -DTESSARO_WARNINGS_AS_ERRORS=ON \
    -DTESSARO_BUILD_BENCH=OFF -DTESSARO_BUILD_TESTS="$tests" \
    -DTESSARO_NATIVE_BUILD="$PWD/build" "$@" >/dev/null
  cmake --build "$folder" -j"$(nproc)"
done
