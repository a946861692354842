#!/usr/bin/env bash
# Prepares the Wine prefix given as $1 for the tests: created when missing, Wine's own fonts in
# its Fonts folder, windows unmanaged (without a window manager Wine otherwise waits ~2 s each
# time a window is hidden).
# With --need-display first, it stops at once, with one line, when there is no working X display:
# every Windows test needs one, and without it they would each wait for their timeout.
set -euo pipefail
if [[ ${1:-} == --need-display ]]; then
  shift
  # xdpyinfo (x11-utils) asks the server; without it, a display that is set is taken on trust.
  if [[ -z ${DISPLAY:-} ]] ||
     { command -v xdpyinfo >/dev/null && ! timeout 10 xdpyinfo >/dev/null 2>&1; }; then
    if [[ -z ${DISPLAY:-} ]]; then why="DISPLAY is not set"; else why="DISPLAY=$DISPLAY does not answer"; fi
    echo "The Windows tests need an X display, and $why: run them with" \
      "scripts/with-display.sh ctest --preset win64, or bash scripts/test.sh windows (gui for the GUI tests)" >&2
    exit 1
  fi
fi
prefix=${1:?usage: wine-prefix.sh [--need-display] PREFIX}
export WINEPREFIX=$prefix WINEDEBUG=-all
if [[ ! -f $prefix/system.reg ]]; then
  mkdir -p "$prefix"
  # No Mono or Gecko: nothing here needs them, and their installers would ask on the display.
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# Debian's Wine 8 looks for its own fonts (fonts-wine) in /usr/share/fonts, not where the package
# puts them, but it also reads the prefix's Fonts folder, which its registry already names for
# MS Sans Serif and the system fonts. Without Marlett there, the caption buttons of the frames
# Wine draws show the letters "0 1 r"; without MS Sans Serif, the programs' text is in DejaVu.
fonts=/usr/share/wine/fonts
if [[ -f $fonts/marlett.ttf ]]; then
  cp -u "$fonts"/* "$prefix/drive_c/windows/Fonts/"
else
  echo "wine-prefix.sh: $fonts/marlett.ttf is missing (Debian package fonts-wine):" \
    "window frames will show letters for their buttons" >&2
fi
reg=$prefix/drive_c/windows/system32/reg.exe
[[ -f $reg ]] || reg=$prefix/drive_c/windows/syswow64/reg.exe
wine "$reg" add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# Each test suite may add its own preparation (COM servers to register...).
for hook in "$prefix"/../wine-prefix.d/*.sh; do
  [[ -f $hook ]] && bash "$hook" "$prefix"
done
exit 0
