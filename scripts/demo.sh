#!/usr/bin/env bash
# The main job on built-in sample documents: which fonts do they use that this computer lacks?
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
samples=(
  tests/data/documents/photoshop/text.psd
  tests/data/documents/pdf/PhilHarveyInterview.pdf
  tests/data/documents/illustrator/classic-cc2017.ai
)
for doc in "${samples[@]}"; do
  echo "== $doc"
  build/bin/tessaro scan "$doc"
done
