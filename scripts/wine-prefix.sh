#!/usr/bin/env bash
# Prepares the Wine prefix given as $1 for the tests: created when missing, windows unmanaged
# (without a window manager Wine otherwise waits ~2 s each time a window is hidden).
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
export WINEPREFIX=$prefix WINEDEBUG=-all
if [[ ! -f $prefix/system.reg ]]; then
  mkdir -p "$prefix"
  # No Mono or Gecko: nothing here needs them, and their installers would ask on the display.
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  wineserver -w
fi
reg=$prefix/drive_c/windows/system32/reg.exe
[[ -f $reg ]] || reg=$prefix/drive_c/windows/syswow64/reg.exe
wine "$reg" add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# Each test suite may add its own preparation (COM servers to register...).
for hook in "$prefix"/../wine-prefix.d/*.sh; do
  [[ -f $hook ]] && bash "$hook" "$prefix"
done
exit 0
