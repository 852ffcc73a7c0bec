#!/usr/bin/env bash
# check_binaries.sh OBJDUMP PLUGIN_DLL [BINARY...]: every binary imports system DLLs only (no
# compiler runtime, no third-party DLL beside it), and the plug-in DLL exports exactly
# DllGetClassObject and DllCanUnloadNow, by name.
set -uo pipefail
objdump=$1
plugin=$2
shift 2
system_dlls=" kernel32.dll msvcrt.dll gdi32.dll user32.dll winspool.drv advapi32.dll ole32.dll
  oleaut32.dll shell32.dll comctl32.dll comdlg32.dll setupapi.dll cfgmgr32.dll version.dll "
failed=0

for binary in "$plugin" "$@"; do
  imports=$("$objdump" -p "$binary" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
  [ -n "$imports" ] || { echo "$binary: no import table found"; failed=1; }
  for dll in $imports; do
    case "$system_dlls" in
    *" $dll "*) ;;
    *)
      echo "$binary imports $dll, which is not a system DLL"
      failed=1
      ;;
    esac
  done
  echo "$(basename "$binary") imports: $(echo $imports)"
done

exports=$("$objdump" -p "$plugin" | awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
  on && /^\t\[/ {print $NF; next} on {on = 0}' | sort | tr '\n' ' ')
echo "$(basename "$plugin") exports: $exports"
if [ "$exports" != "DllCanUnloadNow DllGetClassObject " ]; then
  echo "$plugin must export exactly DllCanUnloadNow and DllGetClassObject"
  failed=1
fi
exit $failed
