#!/usr/bin/env bash
# The main job on built-in defaults: builds, then runs the stand-in font service with the sample
# catalogue. With a display, TessaroPc opens against it (scripts/demo-gui.sh). Without one, the
# command line takes the sample flyer through the same workflows (scripts/demo-cli.sh): its
# missing fonts and what the service offers, the offered ones installed into a temporary font
# folder (the real user's fonts are never touched), and what is still missing afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec bash scripts/demo-gui.sh
fi
exec bash scripts/demo-cli.sh
