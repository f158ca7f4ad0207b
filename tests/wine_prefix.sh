#!/usr/bin/env bash
# The private Wine prefix that the Windows test programs run in (CTest's fixture wine_prefix).
#
#   tests/wine_prefix.sh start PREFIX FONTCONFIG_FILE   creates the prefix when it is missing or
#                                                       unfinished, then starts its wineserver
#   tests/wine_prefix.sh stop PREFIX                    stops the wineserver and every program of
#                                                       the prefix, and waits for their end
#
# A new prefix is made with an empty font configuration, so that Wine takes none of the host's
# fonts into its font list (it keeps that list in the prefix), and with Wine's "null" graphics
# driver, so that windows work without a display. The stamp file .tessaro-ready is written last:
# a prefix whose creation was cut short is made anew.
#
# The wineserver stays up between the test programs (each start of a program is then fast) and
# ends by itself a minute after the last program of the prefix, should nobody stop it. Wine's
# helper processes outlive the programs that start them: their output is closed here, otherwise
# they would keep the caller's pipes (CTest's) open and the caller would wait for them.
set -euo pipefail

command="${1:-}"
prefix="${2:-}"
if [ -z "$prefix" ] || { [ "$command" != start ] && [ "$command" != stop ]; }; then
  echo "usage: wine_prefix.sh start PREFIX FONTCONFIG_FILE | stop PREFIX" >&2
  exit 2
fi
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No dialogs offering to install Wine's .NET and HTML engines.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
loader=/usr/lib/wine/wine64

quiet() { "$@" </dev/null >/dev/null 2>&1; }

if [ "$command" = stop ]; then
  if [ -d "$prefix" ]; then
    quiet wineserver -k || true
    quiet wineserver -w || true
  fi
  exit 0
fi

export FONTCONFIG_FILE="${3:?the empty font configuration is missing}"
if [ ! -f "$prefix/.tessaro-ready" ]; then
  echo "wine_prefix: creating $prefix"
  quiet wineserver -k || true
  rm -rf -- "$prefix"
  mkdir -p -- "$prefix"
  quiet wineserver -p60
  quiet "$loader" wineboot -i
  quiet "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
  # The desktop process started with the prefix takes the driver at its start: begin anew.
  quiet wineserver -k || true
  quiet wineserver -w || true
  touch "$prefix/.tessaro-ready"
fi
quiet wineserver -p60 || true  # one may run already (a caller of its own)
quiet "$loader" wineboot
if ! "$loader" cmd.exe /d /c exit 0 </dev/null >/dev/null 2>&1; then
  echo "wine_prefix: Wine does not run programs in $prefix" >&2
  exit 1
fi
echo "wine_prefix: ready: $prefix"
