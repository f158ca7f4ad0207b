#!/usr/bin/env bash
# Runs TessaroPc's Win32 window tests (tests/win32_ui, CTest label wine) under Wine with a virtual
# display. Needs the native build (scripts/build.sh: tessaro-service and its sample catalogue) and
# the Windows build configured with the tests, for example:
#
#   bash scripts/build.sh
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
#     -DTESSARO_WINDOWS_DEPS="$(bash scripts/windows-deps.sh x86_64)" \
#     -DTESSARO_UPDATE_PUBLIC_KEY="$(cat build/update-key/public.key)" \
#     -DTESSARO_BUILD_BENCH=OFF -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_WIN32_UI_TESTS=ON
#   bash scripts/test-win32-ui.sh [WINDOWS_BUILD_FOLDER] [ctest options...]
#
# It builds the tests' programs (at most two jobs), then runs them; the screenshots land in
# WINDOWS_BUILD_FOLDER/screenshots. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"
shift || true
tests="$build/tests/win32_ui"
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "test-win32-ui: $build is not configured (see the head of this script)" >&2
  exit 1
fi
cmake --build "$build" -j2 --target win32_window_test win32_tessaro_pc_test url_recorder TessaroPc Corvid
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$tests" -L wine --output-on-failure "$@"
