#!/usr/bin/env bash
# Builds Tessaly for Windows and starts it under Wine: on the user's display when there is one;
# otherwise on a virtual display, where it writes a picture of the main window and ends.
# "run.sh vardock" does the same for Vardock, against the IIS stand-in and a small demonstration
# server (vdir_setup/demo): without a display it photographs the chooser
# (build/vardock-chooser-iis6.png) and presses OK; then it prints the new directory's entry.
# "run.sh vardock iis10" offers only IIS 10's native configuration objects (applicationHost.config),
# as on a server without the IIS 6 compatibility component (build/vardock-chooser-iis10.png).
usage="usage: bash scripts/run.sh [tessaly | vardock [iis6 | iis10]]
  (nothing), tessaly  builds tessaly.exe and starts it under Wine
  vardock [iis6]      builds vardock.exe and the IIS stand-in, and runs Vardock as setup does,
                      on a demonstration server that offers IIS 6's administration objects
  vardock iis10       the same on a server that offers only IIS 10's configuration objects"
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# Only what it knows, before anything is installed or built.
program= edition=
case $#:${1:-}:${2:-} in
  0:: | 1:tessaly:) program=tessaly ;;
  1:vardock: | 2:vardock:iis6) program=vardock edition=iis6 ;;
  2:vardock:iis10) program=vardock edition=iis10 ;;
  1:-h: | 1:--help:) echo "$usage"; exit 0 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac

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

if [[ $program == vardock ]]; then
  echo "building vardock.exe and the IIS stand-in (the first time about 50 s)..."
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target vardock iis_standin
  exe=$root/build/win64/vdir_setup/vardock.exe
  export WINEPREFIX=$root/build/vardock-demo/wineprefix WINEDEBUG=-all LC_ALL=C.UTF-8
  bash scripts/wine-prefix.sh "$WINEPREFIX"
  dll=$(winepath -w "$root/build/win64/iis_standin/iis_standin.dll")
  regsvr32=$WINEPREFIX/drive_c/windows/system32/regsvr32.exe
  # A fresh copy of the demonstration server each run; the stand-in saves every change to it.
  if [[ $edition == iis10 ]]; then
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
    # The focus is on OK: Enter creates the directory on the preselected site.
    picture=$root/build/vardock-chooser-$edition.png
    scripts/with-display.sh bash scripts/window-picture.sh Vardock "$picture" Return \
      "$exe" /N=Mobile /O=ADD '/P=C:\Web\Mobile'
    echo "Picture of Vardock's web site chooser: $picture"
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
echo "building tessaly.exe (the first time about 30 s)..."
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
picture=$root/build/tessaly-main-window.png
scripts/with-display.sh bash scripts/window-picture.sh "Import .inc file" "$picture" close "$exe"
echo "Picture of Tessaly's main window: $picture"
