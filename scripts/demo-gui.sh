#!/usr/bin/env bash
# The main job in the desktop client: starts the stand-in font service on a free loopback port
# and opens TessaroPc against it. Drop a design document (tests/data/documents/...) on the window
# or open one with "打开文件"; fonts are installed for this user (~/.local/share/fonts).
#
# Needs a display (DISPLAY or WAYLAND_DISPLAY); without one it exits with status 2 and changes
# nothing, so that a caller can fall back to the command line. Expects a build (scripts/build.sh).
# TessaroPc takes no arguments: the service host reaches it through TESSARO_SERVICE_HOST. It loads
# the engine from its own folder (build/bin) and keeps its log and download folders in
# ~/.local/state/tessaro ($XDG_STATE_HOME/tessaro).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo-gui: no display; the desktop client needs one" >&2
  exit 2
fi
for program in build/bin/tessaro-service build/bin/TessaroPc build/bin/libCorvid.so; do
  if [ ! -e "$program" ]; then
    echo "demo-gui: $program is missing; build first (bash scripts/build.sh)" >&2
    exit 1
  fi
done

# The service prints "listening on http://127.0.0.1:PORT" as its first line.
coproc SERVICE { exec build/bin/tessaro-service --catalog build/catalog --port 0; }
service_pid=$SERVICE_PID
# A copy of the service's output that survives in the subshell below (coproc descriptors don't).
exec {service_out}<&"${SERVICE[0]}"
stop_service() { kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; }
trap stop_service EXIT
trap 'exit 130' INT TERM
if ! read -r line <&"$service_out"; then
  echo "demo-gui: the service did not start" >&2
  exit 1
fi
host=${line#listening on http://}
host=${host%%/*}
if [ "$host" = "$line" ] || [ -z "$host" ]; then
  echo "demo-gui: unexpected first line from the service: $line" >&2
  exit 1
fi
# Whatever else the service prints must not fill its pipe.
cat <&"$service_out" >/dev/null &
echo "demo-gui: font service at http://$host"

TESSARO_SERVICE_HOST="$host" build/bin/TessaroPc
