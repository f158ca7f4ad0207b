#!/usr/bin/env bash
# The surroundings of the window tests (CTest's fixture win32_ui):
#
#   wine_session.sh start PREFIX FONTCONFIG_FILE SERVICE CATALOGUE STATE
#       starts an X server of its own (Xvfb, on a free display that it picks itself), makes a new
#       Wine prefix for that display and starts its wineserver, and starts SERVICE
#       (tessaro-service, a Linux program) on a free port of 127.0.0.1 with CATALOGUE. Writes
#       "127.0.0.1:PORT" to STATE, the display to STATE.display and the process ids to STATE.pids
#   wine_session.sh run STATE PROGRAM [ARGUMENTS...]
#       runs the Windows program PROGRAM under Wine on that display (the prefix and Wine's
#       settings come from the environment, as CTest gives them)
#   wine_session.sh stop PREFIX STATE
#       stops the prefix's wineserver with every program of the prefix, the service and the X
#       server
#
# The prefix is made anew for every run: the tests install fonts into it. Wine sees none of the
# host's fonts (an empty font configuration): its own fonts and WenQuanYi Zen Hei, from Debian's
# fonts-wine and fonts-wqy-zenhei, are copied into its Fonts folder; the dialog, caption and
# message fonts are linked to WenQuanYi Zen Hei Sharp, and the Chinese system faces stand for it,
# for the Chinese texts (under zh_CN Wine does not find a Chinese face for them by itself). The
# Sharp face carries drawn bitmaps of 12 to 16 pixels, the sizes of the dialogs' texts: its
# outlines, which Wine draws without grey levels at those sizes, lose strokes there. The
# windows live in a Wine desktop of their own, which draws their frames and captions, so that
# the screenshots show them. Every wait here is bounded. The processes started here are detached
# with their output closed: CTest waits for whatever holds its pipes open.
set -euo pipefail

command="${1:-}"
usage() {
  echo "usage: wine_session.sh start PREFIX FONTCONFIG SERVICE CATALOGUE STATE |" \
    "run STATE PROGRAM [ARGUMENTS...] | stop PREFIX STATE" >&2
  exit 2
}
loader=/usr/lib/wine/wine64
quiet() { "$@" </dev/null >/dev/null 2>&1; }

if [ "$command" = run ]; then
  state="${2:-}"
  program="${3:-}"
  [ -n "$state" ] && [ -n "$program" ] || usage
  if [ ! -s "$state.display" ]; then
    echo "wine_session.sh: no session in $state (the fixture win32_ui_start did not run)" >&2
    exit 1
  fi
  DISPLAY="$(cat "$state.display")"
  export DISPLAY
  shift 3
  exec "$loader" "$program" "$@"
fi

prefix="${2:-}"
[ -n "$prefix" ] || usage
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No dialogs offering to install Wine's .NET and HTML engines.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8

# Ends the processes named in STATE.pids (each its own session: the service and the X server).
stop_processes() {
  local state="$1"
  if [ -f "$state.pids" ]; then
    local pid
    while read -r pid; do
      [ -n "$pid" ] || continue
      kill "$pid" 2>/dev/null || true
      # Bounded: a process that does not end within five seconds is killed.
      for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    done <"$state.pids"
    rm -f "$state.pids"
  fi
  rm -f "$state" "$state.display"
}

stop_wine() {
  if [ -d "$prefix" ]; then
    quiet timeout 30 wineserver -k || true
    quiet timeout 30 wineserver -w || true
  fi
}

case "$command" in
  stop)
    state="${3:?the state file is missing}"
    stop_wine
    stop_processes "$state"
    exit 0
    ;;
  start) ;;
  *) usage ;;
esac

export FONTCONFIG_FILE="${3:?the empty font configuration is missing}"
service="${4:?tessaro-service is missing}"
catalogue="${5:?the catalogue is missing}"
state="${6:?the state file is missing}"
if [ ! -x "$service" ] || [ ! -f "$catalogue/catalog.json" ]; then
  echo "wine_session.sh: $service or $catalogue/catalog.json is missing: build the native tree first (scripts/build.sh)" >&2
  exit 1
fi
if ! command -v Xvfb >/dev/null; then
  echo "wine_session.sh: Xvfb is missing (scripts/setup-windows.sh installs it)" >&2
  exit 1
fi

stop_wine
stop_processes "$state"
mkdir -p -- "$(dirname "$state")"

# The X server writes the number of the display it took once it accepts connections.
rm -f "$state.displayfd"
setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
  3>"$state.displayfd" </dev/null >"$state.xvfb.log" 2>&1 &
echo $! >>"$state.pids"
display=""
for _ in $(seq 200); do
  # A whole line: the number and its line break.
  if read -r display <"$state.displayfd" 2>/dev/null && [ -n "$display" ]; then break; fi
  display=""
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "wine_session.sh: Xvfb did not start:" >&2
  cat "$state.xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$display"

rm -rf -- "$prefix"
mkdir -p -- "$prefix"
quiet wineserver -p60
quiet timeout 240 "$loader" wineboot -i
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/* "$fonts/"
cp /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc "$fonts/"
link='wqy-zenhei.ttc,WenQuanYi Zen Hei Sharp'
for face in Tahoma "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" \
  "MS Sans Serif" System; do
  quiet timeout 60 "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d "$link" /f
done
# Text laid out with Uniscribe (the edit field) falls back to the system's Chinese faces by name.
for face in SimSun NSimSun SimHei "Microsoft YaHei" "MS Song" "Microsoft JhengHei" PMingLiU \
  "MS UI Gothic" "MS Gothic"; do
  quiet timeout 60 "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v "$face" /d "WenQuanYi Zen Hei Sharp" /f
done
quiet timeout 60 "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
quiet timeout 60 "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f
# The font list and the desktop are taken when the prefix's programs start: begin anew.
stop_wine
quiet wineserver -p60
quiet timeout 120 "$loader" wineboot

# The service, detached from this script.
log="$state.service.log"
setsid "$service" --catalog "$catalogue" --port 0 >"$log" 2>"$log.err" </dev/null &
echo $! >>"$state.pids"
for _ in $(seq 100); do
  if address="$(sed -n 's|^listening on http://||p' "$log" | head -n 1)" && [ -n "$address" ]; then
    echo "$address" >"$state"
    echo "$DISPLAY" >"$state.display"
    echo "wine_session: display $DISPLAY, prefix $prefix, service on $address"
    exit 0
  fi
  sleep 0.1
done
echo "wine_session.sh: $service did not start:" >&2
cat "$log.err" >&2
exit 1
