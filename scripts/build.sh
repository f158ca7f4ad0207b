#!/usr/bin/env bash
# Configures and builds everything into build/ (deliverables in build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_WARNINGS_AS_ERRORS=ON "$@" >/dev/null
cmake --build build -j"$(nproc)"
