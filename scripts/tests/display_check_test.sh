#!/usr/bin/env bash
# wine-prefix.sh --need-display, as the Windows tests' first test runs it: without a display it
# must stop at once with its one line, before it creates the prefix or starts Wine.
set -uo pipefail
script=$(dirname "$0")/../wine-prefix.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect_stop() {  # $1: what the case is; DISPLAY as the case sets it
  local start=$SECONDS rc
  bash "$script" --need-display "$work/prefix" >"$work/out" 2>"$work/err"
  rc=$?
  local why=
  ((rc != 0)) || why="exit status 0"
  ((SECONDS - start < 8)) || why="took $((SECONDS - start)) s"
  [[ ! -s $work/out ]] || why="wrote to standard output: $(head -c 200 "$work/out")"
  [[ $(wc -l <"$work/err") -eq 1 ]] || why="not one line on standard error: $(head -c 400 "$work/err")"
  grep -qF "need an X display" "$work/err" || why="no word of the display: $(head -c 400 "$work/err")"
  grep -qF "scripts/with-display.sh ctest --preset win64" "$work/err" || why="no with-display.sh command"
  grep -qF "bash scripts/test.sh windows" "$work/err" || why="no test.sh command"
  [[ ! -e $work/prefix ]] || why="created the prefix"
  rm -rf "$work/prefix"
  if [[ -n $why ]]; then
    echo "FAIL $1: $why"
    return 1
  fi
  echo "ok   $1: $(cat "$work/err")"
}

(unset DISPLAY && expect_stop "DISPLAY unset") || failures=$((failures + 1))
# A display number nobody serves: no socket, no lock file.
n=4711
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
if command -v xdpyinfo >/dev/null; then
  DISPLAY=":$n" expect_stop "DISPLAY=:$n, which no server answers" || failures=$((failures + 1))
else
  echo "skipped DISPLAY=:$n: xdpyinfo (x11-utils) is not installed"
fi
((failures == 0))
