#!/usr/bin/env bash
# Builds Tessaly for Windows and starts it under Wine: on the user's display when there is one;
# otherwise on a virtual display, where it writes a screenshot of the main window and ends.
# "run.sh vardock" does the same for Vardock, against the IIS stand-in and a small demonstration
# server (vdir_setup/demo): without a display it photographs the chooser
# (build/vardock-chooser-iis6.png) and presses OK; then it prints the new directory's entry.
# "run.sh vardock iis10" offers only IIS 10's native configuration objects (applicationHost.config),
# as on a server without the IIS 6 compatibility component (build/vardock-chooser-iis10.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# On the virtual display: waits for the window titled $1 of the program started as $pid and
# photographs it into $2 once Wine has copied its pixels: a blank picture is taken again, and so
# is one that still changes (on a busy machine the first pictures can lack texts and controls).
photograph() {
  id=
  for _ in $(seq 900); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v title="\"$1\"" 'index($0, title) {print $1; exit}')
    [[ -n $id ]] && break
    sleep 0.1
  done
  [[ -n $id ]] || { echo "The window \"$1\" did not appear"; kill "$pid"; exit 1; }
  local last= same=0 now
  for _ in $(seq 150); do
    sleep 0.2
    import -window "$id" "$2" 2>/dev/null || continue
    [[ $(convert "$2" -format '%[fx:mean>0.2]' info:) == 1 ]] || continue
    # The same pixels three times in a row, over 0.4 s: the window has painted.
    now=$(identify -format '%#' "$2")
    if [[ $now == "$last" ]]; then same=$((same + 1)); else same=0 last=$now; fi
    ((same < 2)) || break
  done
}

if [[ ${1:-} == --screenshot ]]; then
  # Photographs Tessaly's main window, then closes the program.
  wine "$2" &
  pid=$!
  photograph "Import .inc file" "$3"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "Screenshot of Tessaly's main window: $3"
  exit 0
fi

if [[ ${1:-} == --vardock-screenshot ]]; then
  # Photographs Vardock's chooser, then presses OK: the focus is on it, so Enter creates the
  # directory on the preselected site.
  wine "$2" /N=Mobile /O=ADD '/P=C:\Web\Mobile' &
  pid=$!
  photograph Vardock "$3"
  echo "Screenshot of Vardock's web site chooser: $3"
  xdotool windowfocus --sync "$id" key Return
  wait "$pid" || true
  exit 0
fi

# What the win64 build and a program under Wine need (GoogleTest's sources: the configuration
# names the tests), the virtual display and its tools (window ids, keys, pictures), and Wine's own
# fonts for the window frames. Only the program is built, not every preset.
bash scripts/ensure-packages.sh cmake ninja-build googletest g++-mingw-w64-x86-64-posix wine wine64 \
  fonts-wine xvfb xauth x11-utils xdotool imagemagick

# Prints the <tag ...> element whose opening line matches the pattern, through its closing tag,
# without the indentation of its first line.
xml_element() {  # pattern, tag, file
  awk -v pattern="$1" -v tag="$2" '
    !show && $0 ~ pattern { show = 1; match($0, /^ */); indent = RLENGTH }
    show { print substr($0, indent + 1) }
    show && $0 ~ "</" tag ">" { exit }' "$3"
}

if [[ ${1:-} == vardock ]]; then
  edition=iis6
  [[ ${2:-} == iis10 ]] && edition=iis10
  echo "building vardock.exe and the IIS stand-in (the first time takes a few minutes)..."
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target vardock iis_standin
  exe=$root/build/win64/vdir_setup/vardock.exe
  export WINEPREFIX=$root/build/vardock-demo/wineprefix WINEDEBUG=-all LC_ALL=C.UTF-8
  bash scripts/wine-prefix.sh "$WINEPREFIX"
  dll=$(winepath -w "$root/build/win64/iis_standin/iis_standin.dll")
  regsvr32=$WINEPREFIX/drive_c/windows/system32/regsvr32.exe
  # A fresh copy of the demonstration server each run; the stand-in saves every change to it.
  if [[ ${2:-} == iis10 ]]; then
    wine "$regsvr32" /s /u "$dll"
    wine "$regsvr32" /s /n /i:native "$dll"
    config=$root/build/vardock-demo/applicationHost.config
    cp vdir_setup/demo/applicationHost-demo.config "$config"
    export CORVANEL_APPHOST_STANDIN=$(winepath -w "$config")
  else
    wine "$regsvr32" /s "$dll"
    config=$root/build/vardock-demo/iis-standin.txt
    cp vdir_setup/demo/iis-standin-demo.txt "$config"
    export CORVANEL_IIS_STANDIN=$(winepath -w "$config")
  fi
  if [[ -n ${DISPLAY:-} ]]; then
    wine "$exe" /N=Mobile /O=ADD '/P=C:\Web\Mobile'
  else
    wineserver -w
    scripts/with-display.sh bash scripts/run.sh --vardock-screenshot "$exe" "$root/build/vardock-chooser-$edition.png"
  fi
  wineserver -w
  if [[ $edition == iis10 ]]; then
    echo "The stand-in's server after Vardock ($config): the site's new application and its settings"
    xml_element '<application path="/Mobile"' application "$config"
    xml_element '<location path=".*/Mobile"' location "$config"
  else
    echo "The stand-in's server after Vardock ($config), a list one item a line:"
    awk '/ROOT\/Mobile\]/ {show=1} /^\[/ && !/ROOT\/Mobile\]/ {show=0} !show {next}
         /^[A-Za-z]+ = \{/ { lead = index($0, "{"); gsub(/", "/, "\",\n" sprintf("%*s", lead, "") "\"") }
         {print}' "$config"
  fi
  exit 0
fi
echo "building tessaly.exe (the first time takes a few minutes)..."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target tessaly
exe=$root/build/win64/merge_tool/win/tessaly.exe

export WINEPREFIX=$root/build/run-wineprefix WINEDEBUG=-all LC_ALL=C.UTF-8
bash scripts/wine-prefix.sh "$WINEPREFIX"
if [[ -n ${DISPLAY:-} ]]; then
  # On a real display the window manager places, moves and decorates Tessaly's windows.
  wine "$WINEPREFIX/drive_c/windows/system32/reg.exe" add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /d Y /f >/dev/null
  wine "$exe"
  wineserver -w
  exit 0
fi
# A Wine server started without a display would serve the program none: let it end first.
wineserver -w
exec scripts/with-display.sh bash scripts/run.sh --screenshot "$exe" "$root/build/tessaly-main-window.png"
