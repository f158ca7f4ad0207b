#!/usr/bin/env bash
# The main job on the command line: the stand-in font service with the sample catalogue on a free
# loopback port, and the sample flyer taken through tessaro: its missing fonts and what the
# service offers, the offered ones installed into a temporary font folder (the real user's fonts
# are never touched), and what is still missing afterwards. Expects a build (scripts/build.sh).
# Everything it starts is stopped when it ends, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
for program in build/bin/tessaro-service build/bin/tessaro build/bin/libCorvid.so; do
  if [ ! -e "$program" ]; then
    echo "demo-cli: $program is missing; build first (bash scripts/build.sh)" >&2
    exit 1
  fi
done

home=$(mktemp -d)
service_log="$home/service.log"
cleanup() {
  if [ -n "${service_pid:-}" ]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
  rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A home of its own: fontconfig sees only the fonts installed into it.
mkdir -p "$home/shared"
cat > "$home/fonts.conf" <<CONF
<?xml version="1.0"?>
<fontconfig><dir prefix="xdg">fonts</dir><cachedir prefix="xdg">fontconfig</cachedir></fontconfig>
CONF
export HOME="$home/home" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"
export XDG_STATE_HOME="$home/state" XDG_DATA_DIRS="$home/shared" FONTCONFIG_FILE="$home/fonts.conf"

# exec: the coprocess is the service itself, so that its pid is the one to stop (a subshell
# around it would be stopped and leave the service running).
coproc SERVICE { exec build/bin/tessaro-service --catalog build/catalog --port 0 2>"$service_log"; }
service_pid=$SERVICE_PID
if ! read -r first <&"${SERVICE[0]}"; then
  echo "demo-cli: the service did not start:" >&2
  cat "$service_log" >&2
  exit 1
fi
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
