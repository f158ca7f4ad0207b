#!/usr/bin/env bash
# Builds Tessaro for Windows (scripts/build-windows.sh) and runs the Windows tests under Wine
# through CTest (label "wine"). CTest itself prepares the private prefix build-windows/wine-prefix
# (made anew when missing, with no host fonts and Wine's null graphics driver) and starts its
# wineserver for the run (the fixture of tests/wine_prefix.sh); the prefix is stopped here at the
# end whatever the outcome, so that nothing of Wine is left running. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh
trap 'bash tests/wine_prefix.sh stop "$PWD/build-windows/wine-prefix"' EXIT
ctest --test-dir build-windows --output-on-failure -j"$(nproc)" -L wine "$@"
