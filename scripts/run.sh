#!/usr/bin/env bash
# Builds the Windows programs and starts Tessaly under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/test.sh --build-only
exe=build/win64/merge_tool/win/tessaly.exe
[[ -f $exe ]] || { echo "tessaly.exe is not built yet"; exit 1; }
export WINEPREFIX=$PWD/build/run-wineprefix WINEDEBUG=-all LC_ALL=C.UTF-8
bash scripts/wine-prefix.sh "$WINEPREFIX"
exec wine "$exe"
