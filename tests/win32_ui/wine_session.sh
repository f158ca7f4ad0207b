#!/usr/bin/env bash
# The surroundings of the window tests (CTest's fixtures win32_ui_wine and win32_ui_service):
#
#   wine_session.sh start PREFIX FONTCONFIG_FILE SERVICE CATALOGUE STATE
#       makes a new Wine prefix, starts its wineserver, and starts SERVICE (tessaro-service, a
#       Linux program) on a free port of 127.0.0.1 with CATALOGUE; writes "127.0.0.1:PORT" to
#       STATE and the service's process id to STATE.pid
#   wine_session.sh stop PREFIX STATE
#       stops the service and the prefix's wineserver with every program of the prefix
#
# The prefix is made anew for every run: the tests install fonts into it. Wine sees none of the
# host's fonts (an empty font configuration): its own fonts and WenQuanYi Zen Hei, from Debian's
# fonts-wine and fonts-wqy-zenhei, are copied into its Fonts folder; the dialog, caption and
# message fonts are linked to WenQuanYi Zen Hei, and the Chinese system faces stand for it, for
# the Chinese texts (under zh_CN Wine does not find a Chinese face for them by itself). The windows live in a Wine desktop of their own, which
# draws their frames and captions, so that the screenshots show them. Wine's helper processes
# outlive their callers: their output is closed here, otherwise CTest would wait for them.
set -euo pipefail

command="${1:-}"
prefix="${2:-}"
if [ -z "$prefix" ]; then
  echo "usage: wine_session.sh start PREFIX FONTCONFIG SERVICE CATALOGUE STATE | stop PREFIX STATE" >&2
  exit 2
fi
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No dialogs offering to install Wine's .NET and HTML engines.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
loader=/usr/lib/wine/wine64
quiet() { "$@" </dev/null >/dev/null 2>&1; }

stop_service() {
  local state="$1"
  if [ -f "$state.pid" ]; then
    kill "$(cat "$state.pid")" 2>/dev/null || true
    rm -f "$state.pid"
  fi
  rm -f "$state"
}

case "$command" in
  stop)
    stop_service "${3:?the state file is missing}"
    if [ -d "$prefix" ]; then
      quiet wineserver -k || true
      quiet wineserver -w || true
    fi
    exit 0
    ;;
  start) ;;
  *)
    echo "wine_session.sh: unknown command $command" >&2
    exit 2
    ;;
esac

export FONTCONFIG_FILE="${3:?the empty font configuration is missing}"
service="${4:?tessaro-service is missing}"
catalogue="${5:?the catalogue is missing}"
state="${6:?the state file is missing}"
if [ -z "${DISPLAY:-}" ]; then
  echo "wine_session.sh: no display: run the tests under xvfb-run" >&2
  exit 1
fi
if [ ! -x "$service" ] || [ ! -f "$catalogue/catalog.json" ]; then
  echo "wine_session.sh: $service or $catalogue/catalog.json is missing: build the native tree first (scripts/build.sh)" >&2
  exit 1
fi

stop_service "$state"
quiet wineserver -k || true
quiet wineserver -w || true
rm -rf -- "$prefix"
mkdir -p -- "$prefix"
quiet wineserver -p60
quiet "$loader" wineboot -i
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/* "$fonts/"
cp /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc "$fonts/"
link='wqy-zenhei.ttc,WenQuanYi Zen Hei'
for face in Tahoma "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" \
  "MS Sans Serif" System; do
  quiet "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d "$link" /f
done
# Text laid out with Uniscribe (the edit field) falls back to the system's Chinese faces by name.
for face in SimSun NSimSun SimHei "Microsoft YaHei" "MS Song" "Microsoft JhengHei" PMingLiU \
  "MS UI Gothic" "MS Gothic"; do
  quiet "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v "$face" /d "WenQuanYi Zen Hei" /f
done
quiet "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
quiet "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f
# The font list and the desktop are taken when the prefix's programs start: begin anew.
quiet wineserver -k || true
quiet wineserver -w || true
quiet wineserver -p60
quiet "$loader" wineboot

# The service, detached from this script, which CTest waits for.
log="$state.log"
setsid "$service" --catalog "$catalogue" --port 0 >"$log" 2>"$log.err" </dev/null &
echo $! >"$state.pid"
for _ in $(seq 100); do
  if address="$(sed -n 's|^listening on http://||p' "$log" | head -n 1)" && [ -n "$address" ]; then
    echo "$address" >"$state"
    echo "wine_session: prefix $prefix ready, service on $address"
    exit 0
  fi
  sleep 0.1
done
echo "wine_session.sh: $service did not start:" >&2
cat "$log.err" >&2
exit 1
