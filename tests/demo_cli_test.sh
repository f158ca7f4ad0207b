#!/usr/bin/env bash
# scripts/demo-cli.sh takes the sample flyer through tessaro against the stand-in service, and
# leaves nothing running: the demo runs in a process group of its own, which must be empty when
# it has ended. (It used to stop the subshell around the service and leave the service running.)
set -uo pipefail
cd "$(dirname "$0")/.."
out=$(mktemp)
setsid bash scripts/demo-cli.sh >"$out" 2>&1 </dev/null &
demo=$!
wait "$demo"
status=$?
sleep 0.2
left=$(ps -eo pid=,pgid=,args= | awk -v group="$demo" '$2 == group && $1 != group')
if [ -n "$left" ]; then
  kill -- "-$demo" 2>/dev/null
  echo "demo-cli left programs running:" >&2
  echo "$left" >&2
  rm -f "$out"
  exit 1
fi
if [ "$status" -ne 0 ] || ! grep -q '^== font service: http://127.0.0.1:' "$out" ||
   ! grep -q '^installed	DejaVuSans$' "$out" || ! grep -q '^NimbusRoman-Regular	not downloadable$' "$out"; then
  echo "demo-cli failed (status $status):" >&2
  cat "$out" >&2
  rm -f "$out"
  exit 1
fi
rm -f "$out"
