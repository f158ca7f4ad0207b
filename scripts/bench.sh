#!/usr/bin/env bash
# Builds and runs the benchmarks, printing their tables.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build/bench/corvid_bench "$@"
