#!/usr/bin/env bash
# Builds Tessaro for Windows (scripts/build-windows.sh) and runs the Windows tests under Wine
# through CTest (label "wine"). CTest itself prepares the private prefix build-windows/wine-prefix
# (made anew when missing, with no host fonts and Wine's null graphics driver) and starts its
# wineserver for the run (the fixture of tests/wine_prefix.sh). TessaroPc's window tests get a
# session of their own (tests/win32_ui/wine_session.sh: an Xvfb display, a prefix for it and
# tessaro-service). Both are stopped here at the end whatever the outcome, so that nothing of
# Wine, Xvfb or the service is left running. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh
ui="$PWD/build-windows/tests/win32_ui"
stop() {
  bash tests/wine_prefix.sh stop "$PWD/build-windows/wine-prefix"
  bash tests/win32_ui/wine_session.sh stop "$ui/wine-prefix" "$ui/session"
}
trap stop EXIT
ctest --test-dir build-windows --output-on-failure -j"$(nproc)" -L wine "$@"
