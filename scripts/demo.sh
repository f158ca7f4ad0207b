#!/usr/bin/env bash
# The main job on built-in defaults: the stand-in font service with the sample catalogue.
# With a display, TessaroPc opens against it (scripts/demo-gui.sh). Without one, the command line
# takes the sample flyer through the same workflows: its missing fonts and what the service offers,
# the offered ones installed into a temporary font folder (the real user's fonts are never
# touched), and what is still missing afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec bash scripts/demo-gui.sh
fi

home=$(mktemp -d)
service_log="$home/service.log"
cleanup() {
  [ -n "${service_pid:-}" ] && kill "$service_pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

# A home of its own: fontconfig sees only the fonts installed into it.
mkdir -p "$home/shared"
cat > "$home/fonts.conf" <<CONF
<?xml version="1.0"?>
<fontconfig><dir prefix="xdg">fonts</dir><cachedir prefix="xdg">fontconfig</cachedir></fontconfig>
CONF
export HOME="$home/home" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"
export XDG_DATA_DIRS="$home/shared" FONTCONFIG_FILE="$home/fonts.conf"

coproc SERVICE { build/bin/tessaro-service --catalog build/catalog --port 0 2>"$service_log"; }
service_pid=$SERVICE_PID
read -r first <&"${SERVICE[0]}"
service=${first#listening on }
echo "== font service: $service (catalogue build/catalog)"

doc=tests/data/documents/sample/flyer.pdf
echo "== 1. missing fonts of $doc, and what the service offers"
build/bin/tessaro --service "$service" scan "$doc" || true
echo "== 2. installing the offered fonts into $XDG_DATA_HOME/fonts"
build/bin/tessaro --service "$service" install "$doc" || true
echo "== 3. still missing afterwards"
build/bin/tessaro --service "$service" scan "$doc" || true
echo "== fonts installed:"
ls "$XDG_DATA_HOME/fonts"
