#!/usr/bin/env bash
# Runs a command with an X display (Xvfb on a free display when none is set) and stops
# everything it started, Wine's server for $WINEPREFIX included, also when the command fails.
set -uo pipefail
xvfb_pid=
cleanup() {
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [[ -z ${DISPLAY:-} ]]; then
  n=90
  while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
  export DISPLAY=":$n"
fi
"$@"
