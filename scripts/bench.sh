#!/usr/bin/env bash
# Builds and runs every benchmark under build/bench, printing their tables. Extra arguments go to
# each benchmark program (for example --benchmark_filter=Scan).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --bench
bash scripts/build.sh
for bench in build/bench/*; do
  [ -x "$bench" ] && [ -f "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
