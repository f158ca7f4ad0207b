#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test through CTest; then runs the
# engine's tests once more in a build with AddressSanitizer and UndefinedBehaviorSanitizer, the
# fuzz targets on their known inputs, and the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON \
  -DTESSARO_BUILD_BENCH=OFF -DTESSARO_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-asan -j"$(nproc)" --target engine_tests
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -L engine

# The fuzz targets on their known inputs, and briefly on new ones (clang, libFuzzer).
bash scripts/fuzz.sh --check

# The Windows build (mingw-w64: x86_64 with its tests under Wine, i686 linked), its libraries built
# from Debian's source packages once and kept outside the clone.
bash scripts/test-windows.sh
