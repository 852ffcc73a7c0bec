#!/bin/sh
# wine-run.sh PREFIX SECONDS PROGRAM ARGS...: runs a Windows program under Wine in the given
# prefix, headless and quiet, and stops it (with its Wine processes) after SECONDS.
prefix=$1
seconds=$2
shift 2
if [ ! -f "$prefix/system.reg" ]; then
  echo "wine-run: no Wine prefix at $prefix (./run windows-test makes it)" >&2
  exit 125
fi
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
exec timeout --kill-after=10 "$seconds" wine "$@"
